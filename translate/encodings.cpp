#include "translate/encodings.h"

#include <windows.h>

#include <climits>
#include <new>

#include "runtime/codepage.h"
#include "translate/gb18030.h"

namespace translate {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
// Stands for a double quote inside a marker, so that callers can write
// markers that contain one without escaping.
constexpr char kQuotePlaceholder[] = "#引号";

bool stays_unencoded(unsigned char byte) {
  return byte == '-' || byte == '.' || (byte >= '0' && byte <= '9') ||
         (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

}  // namespace

std::string gbk_to_utf8(std::string_view gbk_text) {
  const std::string text = runtime::text_from_bytes(gbk_text);
  return runtime::text_from_bytes(runtime::from_wide(runtime::widen(text), CP_UTF8));
}

runtime::Bytes ansi_to_utf8(std::string_view gbk_text) {
  // Every size is measured and checked, so the only thing left that can go
  // wrong inside is running out of memory; that, too, gives the empty result.
  try {
    const std::string text = runtime::text_from_bytes(gbk_text);
    if (text.empty()) return {};
    return runtime::from_wide(runtime::widen(text), CP_UTF8);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

runtime::Bytes utf8_to_gb18030(std::string_view utf8_bytes) {
  if (utf8_bytes.empty() || utf8_bytes.size() > static_cast<size_t>(INT_MAX)) return {};
  try {
    const int size = static_cast<int>(utf8_bytes.size());
    // MB_ERR_INVALID_CHARS makes a malformed sequence fail the whole
    // conversion instead of turning into U+FFFD.
    const int wide_size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8_bytes.data(), size, nullptr, 0);
    if (wide_size <= 0) return {};
    std::wstring wide(static_cast<size_t>(wide_size), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8_bytes.data(), size, wide.data(),
                            wide_size) != wide_size) {
      return {};
    }
    return wide_to_gb18030(wide);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::string url_encode(std::string_view gbk_text) {
  if (gbk_text.empty()) return {};
  const std::string utf8 = gbk_to_utf8(gbk_text);
  std::string encoded;
  encoded.reserve(utf8.size() * 3);
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (stays_unencoded(byte)) {
      encoded.push_back(c);
    } else {
      encoded.push_back('%');
      encoded.push_back(kHexDigits[byte >> 4]);
      encoded.push_back(kHexDigits[byte & 0x0F]);
    }
  }
  return encoded;
}

std::string text_between(std::string_view text, std::string_view start_marker,
                         std::string_view end_marker) {
  const std::string start = runtime::replace(start_marker, kQuotePlaceholder, "\"");
  const std::string end = runtime::replace(end_marker, kQuotePlaceholder, "\"");
  const int start_at = runtime::find(text, start);
  if (start_at < 0) return {};
  const int value_at = start_at + static_cast<int>(start.size());
  const int end_at = runtime::find(text, end, value_at);
  if (end_at < 0) return {};
  return runtime::middle(text, value_at, end_at - value_at);
}

}  // namespace translate
