#include "translate/interface_text.h"

#include <string_view>

#include "runtime/text.h"
#include "translate/data_text.h"

namespace translate {
namespace {

constexpr std::string_view kWideSpace = "　";
// Ends of texts that say "more follows" or "a value follows"; a translator
// drops or changes them, so they are kept out of the request.
const std::string_view kMarks[] = {"...", "…", "：", ":"};

bool is_ascii_alnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Where the last character of a GBK text starts: a byte that looks like a
// mark may be the second half of a two-byte character.
size_t last_char_start(std::string_view text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); i += static_cast<size_t>(runtime::char_length_at(text, i))) {
    start = i;
  }
  return start;
}

bool ends_with_char(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size() || text.compare(text.size() - tail.size(), tail.size(), tail) != 0) {
    return false;
  }
  // The tail's first character must start on a character boundary.
  size_t i = 0;
  while (i < text.size() - tail.size()) i += static_cast<size_t>(runtime::char_length_at(text, i));
  return i == text.size() - tail.size();
}

// Splits off spaces (ASCII and full-width) at the start and the end.
void split_spaces(std::string_view text, std::string* leading, std::string_view* body,
                  std::string* trailing) {
  size_t start = 0;
  for (;;) {
    if (start < text.size() && text[start] == ' ') {
      ++start;
    } else if (text.compare(start, kWideSpace.size(), kWideSpace) == 0) {
      start += kWideSpace.size();
    } else {
      break;
    }
  }
  std::string_view rest = text.substr(start);
  size_t end = rest.size();
  for (;;) {
    if (end > 0 && rest[end - 1] == ' ') {
      --end;
    } else if (ends_with_char(rest.substr(0, end), kWideSpace)) {
      end -= kWideSpace.size();
    } else {
      break;
    }
  }
  *leading = std::string(text.substr(0, start));
  *trailing = std::string(rest.substr(end));
  *body = rest.substr(0, end);
}

bool take_mark(std::string_view* body, std::string* mark) {
  for (std::string_view candidate : kMarks) {
    if (body->size() > candidate.size() && ends_with_char(*body, candidate)) {
      *mark = std::string(candidate);
      body->remove_suffix(candidate.size());
      return true;
    }
  }
  return false;
}

// "Open(&O)" or "Open (&O)" at the end: the access key of a text written in
// the bracket convention already.
bool take_bracket(std::string_view* body, char* letter) {
  const size_t n = body->size();
  if (n < 5 || (*body)[n - 1] != ')' || !is_ascii_alnum((*body)[n - 2]) || (*body)[n - 3] != '&' ||
      (*body)[n - 4] != '(' || !ends_with_char(*body, body->substr(n - 4))) {
    return false;
  }
  *letter = upper((*body)[n - 2]);
  body->remove_suffix(4);
  while (!body->empty() && body->back() == ' ') body->remove_suffix(1);
  return true;
}

// The translator's own ending goes where the original's is put back; a
// full stop there ("请稍候。...") would end the text twice.
std::string trim_marks(std::string text) {
  for (;;) {
    text = runtime::trim(text);
    std::string_view view = text;
    std::string ignored;
    if (ends_with_char(view, "。")) {
      view.remove_suffix(std::string_view("。").size());
    } else if (!take_mark(&view, &ignored)) {
      return text;
    }
    text = std::string(view);
  }
}

std::string doubled_ampersands(std::string_view text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '&') out += '&';
  }
  return out;
}

}  // namespace

PreparedLine prepare_interface_line(const std::string& line) {
  PreparedLine prepared;
  std::string_view head = line;
  const size_t tab = head.find('\t');
  if (tab != std::string_view::npos) {
    prepared.shortcut = std::string(head.substr(tab));
    head = head.substr(0, tab);
  }
  std::string_view body;
  split_spaces(head, &prepared.leading, &body, &prepared.trailing);

  const bool marked_first = take_mark(&body, &prepared.mark);
  char bracket_letter = 0;
  if (take_bracket(&body, &bracket_letter) && !marked_first) {
    prepared.mark_before_mnemonic = take_mark(&body, &prepared.mark);
  }

  std::string core;
  for (size_t i = 0; i < body.size();) {
    const int length = runtime::char_length_at(body, i);
    if (body[i] == '&' && i + 1 < body.size() && body[i + 1] == '&') {
      core += '&';
      prepared.prefixed = true;
      i += 2;
    } else if (body[i] == '&' && i + 1 < body.size() && is_ascii_alnum(body[i + 1])) {
      if (prepared.mnemonic == 0) prepared.mnemonic = upper(body[i + 1]);
      prepared.prefixed = true;
      ++i;
    } else {
      core.append(body.substr(i, static_cast<size_t>(length)));
      i += static_cast<size_t>(length);
    }
  }
  if (bracket_letter != 0) {
    prepared.mnemonic = bracket_letter;
    prepared.prefixed = true;
  }

  core = runtime::trim(core);
  if (core.empty() || is_data_text(core)) return prepared;
  prepared.placeholders = mask_placeholders(core);
  prepared.core = prepared.placeholders.text;
  prepared.send = true;
  return prepared;
}

std::string put_back_interface_line(const PreparedLine& prepared, const std::string& translation) {
  if (!prepared.send) return "";
  std::string text = runtime::trim(translation);
  if (text.empty() || runtime::to_lower_ascii(text) == runtime::to_lower_ascii(prepared.core)) {
    return "";
  }
  // One line went out; more lines coming back would reshape the control.
  if (text.find_first_of("\r\n") != std::string::npos) return "";
  std::string restored;
  if (!unmask_placeholders(prepared.placeholders, text, &restored)) return "";
  text = prepared.mark.empty() ? runtime::trim(restored) : trim_marks(restored);
  // An "&" the translator added on its own ("&打开" for "Open") would
  // underline the next character: the access key goes into the brackets.
  if (prepared.core.find('&') == std::string::npos) text = runtime::trim(runtime::replace(text, "&", ""));
  if (text.empty()) return "";
  if (prepared.prefixed) text = doubled_ampersands(text);

  std::string access_key;
  if (prepared.mnemonic != 0) access_key = std::string("(&") + prepared.mnemonic + ")";
  const std::string ending =
      prepared.mark_before_mnemonic ? prepared.mark + access_key : access_key + prepared.mark;
  return prepared.leading + text + ending + prepared.trailing + prepared.shortcut;
}

}  // namespace translate
