#include "translate/data_text.h"

#include <cctype>
#include <string>

#include "runtime/text.h"
#include "translate/placeholders.h"

namespace translate {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_word_char(char c) { return is_digit(c) || is_ascii_letter(c) || c == '_'; }

// A GBK two-byte character that is a letter of some script: the symbol
// rows (A1, A2, the punctuation of A3, box drawing in A9) and the
// user-defined areas are not.
bool is_two_byte_letter(unsigned char lead, unsigned char trail) {
  if (lead == 0xA1 || lead == 0xA2 || lead == 0xA9) return false;
  if (lead == 0xA3) return (trail >= 0xC1 && trail <= 0xDA) || (trail >= 0xE1 && trail <= 0xFA);
  if ((lead >= 0xAA && lead <= 0xAF) || lead >= 0xF8) return trail < 0xA1;
  return true;
}

bool has_letter(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const int length = runtime::char_length_at(text, i);
    if (length == 2 ? is_two_byte_letter(static_cast<unsigned char>(text[i]),
                                         static_cast<unsigned char>(text[i + 1]))
                    : is_ascii_letter(text[i])) {
      return true;
    }
    i += static_cast<size_t>(length);
  }
  return false;
}

size_t character_count(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); i += static_cast<size_t>(runtime::char_length_at(text, i))) {
    ++count;
  }
  return count;
}

bool is_ascii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool has_space(std::string_view text) {
  return text.find(' ') != std::string_view::npos || text.find('\t') != std::string_view::npos ||
         runtime::contains(text, "　");
}

bool starts_with(std::string_view text, std::string_view head, bool ignore_case = false) {
  return text.size() >= head.size() &&
         runtime::find(text.substr(0, head.size()), head, 1, ignore_case) == 1;
}

// The text without its format placeholders, each replaced by a space.
std::string without_placeholders(std::string_view text) {
  std::string rest(text);
  for (const Placeholder& placeholder : find_placeholders(text)) {
    rest = runtime::replace(rest, placeholder.text, " ");
  }
  return rest;
}

// "C:\…", "C:/…", "\\server\share", "%APPDATA%\…", "/usr/…", "./a", "~/a";
// any text without spaces that holds a backslash. A GBK character may
// have a backslash as its second byte, so the search walks characters.
bool is_path(std::string_view text) {
  if (text.size() >= 3 && is_ascii_letter(text[0]) && text[1] == ':' &&
      (text[2] == '\\' || text[2] == '/')) {
    return true;
  }
  if (starts_with(text, "\\\\")) return true;
  if (text.size() > 2 && text[0] == '%') {
    const int close = runtime::find(text, "%\\", 2);
    if (close > 2) return true;
  }
  for (const char* head : {"./", "../", ".\\", "..\\", "~/"}) {
    if (starts_with(text, head) && text.size() > std::char_traits<char>::length(head)) return true;
  }
  if (text.size() > 1 && text[0] == '/' && text[1] != ' ' && text[1] != '/') return true;
  return !has_space(text) && runtime::contains(text, "\\");
}

bool is_url(std::string_view text) {
  if (has_space(text)) return false;
  return runtime::contains(text, "://") || starts_with(text, "www.", true) ||
         starts_with(text, "mailto:", true);
}

bool is_email(std::string_view text) {
  if (has_space(text) || !is_ascii(text)) return false;
  const size_t at = text.find('@');
  if (at == 0 || at == std::string_view::npos || text.find('@', at + 1) != std::string_view::npos) {
    return false;
  }
  const std::string_view domain = text.substr(at + 1);
  const size_t dot = domain.rfind('.');
  return dot != std::string_view::npos && dot > 0 && dot + 1 < domain.size() &&
         is_ascii_letter(domain[dot + 1]);
}

// "readme.txt", "Annual report 2024.XLSX": a name, a dot and an extension
// of one to six letters and digits, all of one case.
bool is_file_name(std::string_view text) {
  const size_t dot = text.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 >= text.size()) return false;
  const std::string_view extension = text.substr(dot + 1);
  if (extension.size() > 6) return false;
  bool lower = false, upper = false;
  for (char c : extension) {
    if (!is_digit(c) && !is_ascii_letter(c)) return false;
    lower = lower || is_lower(c);
    upper = upper || is_upper(c);
  }
  const char before = text[dot - 1];
  return (lower != upper) && before != ' ' && before != '.';
}

// "System.IO", "com.example.app", "max_count", "MAX_PATH", "camelCase",
// "WordPad", "0x1F": one word of code.
bool is_identifier(std::string_view text) {
  if (text.empty() || has_space(text)) return false;
  bool underscore = false, inner_capital = false, dot = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.') {
      if (i == 0 || i + 1 == text.size() || text[i - 1] == '.') return false;
      dot = true;
    } else if (!is_word_char(c)) {
      return false;
    }
    underscore = underscore || c == '_';
    inner_capital = inner_capital || (i > 0 && is_lower(text[i - 1]) && is_upper(c));
  }
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  return underscore || inner_capital || dot || hex;
}

// "1.2", "v2.0.1", "1.2.3-beta", "V3.1b2".
bool is_version(std::string_view text) {
  size_t p = 0;
  if (p < text.size() && (text[p] == 'v' || text[p] == 'V')) ++p;
  int parts = 0;
  for (;;) {
    const size_t start = p;
    while (p < text.size() && is_digit(text[p])) ++p;
    if (p == start) return false;
    ++parts;
    if (p < text.size() && text[p] == '.' && p + 1 < text.size() && is_digit(text[p + 1])) {
      ++p;
      continue;
    }
    break;
  }
  if (parts < 2) return false;
  if (p < text.size() && (text[p] == '-' || text[p] == '+' || text[p] == ' ')) ++p;
  const size_t suffix = p;
  while (p < text.size() && is_ascii_letter(text[p])) ++p;
  while (p < text.size() && is_digit(text[p])) ++p;
  return p == text.size() && (p > suffix || text[p - 1] != ' ');
}

// "2026-12-08", "12/08/2026 10:05 PM", "2026-12-08T10:05:00Z", "10:05:30
// UTC", "2026年12月8日": digits with separators and the words of clocks and
// calendars only.
bool is_date_or_time(std::string_view text) {
  static const char* const kWords[] = {"AM", "PM", "UTC", "GMT", "T", "Z"};
  static const char* const kUnits[] = {"年", "月", "日", "时", "分", "秒", "点"};
  bool digit = false;
  size_t p = 0;
  while (p < text.size()) {
    const char c = text[p];
    if (is_digit(c)) {
      digit = true;
      ++p;
      continue;
    }
    if (c == '-' || c == '/' || c == '.' || c == ':' || c == ',' || c == ' ' || c == '+') {
      ++p;
      continue;
    }
    size_t word = 0;
    for (const char* w : kWords) {
      const size_t length = std::char_traits<char>::length(w);
      if (starts_with(text.substr(p), w, true) &&
          (p + length == text.size() || !is_ascii_letter(text[p + length]))) {
        word = length;
        break;
      }
    }
    for (const char* unit : kUnits) {
      if (word == 0 && starts_with(text.substr(p), unit)) word = std::char_traits<char>::length(unit);
    }
    if (word == 0) return false;
    p += word;
  }
  return digit;
}

}  // namespace

bool is_data_text(std::string_view line) {
  const std::string text = runtime::trim(line);
  if (character_count(text) <= 1) return true;
  if (!has_letter(without_placeholders(text))) return true;
  return is_path(text) || is_url(text) || is_email(text) || is_file_name(text) ||
         is_identifier(text) || is_version(text) || is_date_or_time(text);
}

}  // namespace translate
