#include "net/cookies.h"

#include <algorithm>
#include <vector>

#include "runtime/text.h"

namespace net {
namespace {

constexpr std::string_view kSeparator = "; ";

// Trimmed; a trailing ";" gets a space so that it splits like any separator.
void tidy(std::string& cookies) {
  cookies = runtime::trim(cookies);
  if (!cookies.empty() && cookies.back() == ';') cookies.push_back(' ');
}

bool ends_with(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string join(const std::vector<std::string>& items, std::string_view separator) {
  std::string joined;
  for (const std::string& item : items) {
    if (&item != &items.front()) joined.append(separator);
    joined.append(item);
  }
  return joined;
}

}  // namespace

std::string cookie_name(std::string_view item) {
  // '=' is ASCII below 0x40, never the second byte of a GBK character.
  return runtime::trim(item.substr(0, item.find('=')));
}

std::string remove_duplicates(std::string_view text, std::string_view separator) {
  std::vector<std::string> kept;
  for (const std::string& piece : runtime::split(text, separator)) {
    if (std::find(kept.begin(), kept.end(), piece) == kept.end()) kept.push_back(piece);
  }
  return join(kept, separator);
}

std::string merge_cookies(std::string& cookies, std::string& new_cookies) {
  tidy(cookies);
  tidy(new_cookies);

  std::vector<std::string> merged = runtime::split(new_cookies, kSeparator).items();
  // Old items join the list they are compared against, so of several old
  // items with one name only the first is carried over.
  for (const std::string& old_item : runtime::split(cookies, kSeparator)) {
    const std::string name = cookie_name(old_item);
    const bool named_already = std::any_of(merged.begin(), merged.end(), [&](const std::string& item) {
      return cookie_name(item) == name;
    });
    if (!named_already) merged.push_back(old_item);
  }
  merged.erase(std::remove_if(merged.begin(), merged.end(),
                              [](const std::string& item) { return ends_with(item, "=deleted"); }),
               merged.end());

  cookies = remove_duplicates(join(merged, kSeparator), kSeparator);
  return cookies;
}

}  // namespace net
