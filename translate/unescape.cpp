// unescape_unicode: decoding of the escaped text cut out of a service answer.
//
// The text is prepared (line breaks and apostrophes swapped for markers,
// "\u" turned into "%u"), then read as the body of a single-quoted script
// string literal followed by the script function unescape(). Nothing here
// evaluates the text: both readings are done by hand on UTF-16 code units,
// with the literal rules of the classic JScript engine. When the text is not
// a valid literal body, its bytes are read as UTF-16LE code units instead.
#include <string>

#include "runtime/codepage.h"
#include "runtime/text.h"
#include "translate/encodings.h"

namespace translate {
namespace {

constexpr char kLineBreak[] = "\r\n";
constexpr char kLineBreakPlaceholder[] = "{$}";
constexpr char kEscapePrefix[] = "\\u";
constexpr char kPercentPrefix[] = "%u";
constexpr char kApostrophe[] = "'";
constexpr char kApostropheSubstitute[] = "’";  // U+2019, GBK A1 AF
constexpr wchar_t kByteOrderMark = 0xFEFF;

int hex_value(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// The value of count hexadecimal digits at text[at], or -1 when there are
// fewer or one of them is not a hexadecimal digit.
long hex_run(std::wstring_view text, size_t at, size_t count) {
  if (at + count > text.size()) return -1;
  long value = 0;
  for (size_t i = 0; i < count; ++i) {
    const int digit = hex_value(text[at + i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

bool is_octal_digit(wchar_t c) { return c >= L'0' && c <= L'7'; }

// An octal escape after the backslash, starting with the digit at
// body[*i]: up to three digits for a value up to 0377, as the classic
// engines read them. \8 and \9 stand for the digit itself.
wchar_t read_octal_escape(std::wstring_view body, size_t* i) {
  const wchar_t first = body[(*i)++];
  if (!is_octal_digit(first)) return first;
  unsigned value = static_cast<unsigned>(first - L'0');
  const size_t max_digits = first <= L'3' ? 3 : 2;
  for (size_t digits = 1; digits < max_digits && *i < body.size() && is_octal_digit(body[*i]);
       ++digits) {
    value = value * 8 + static_cast<unsigned>(body[(*i)++] - L'0');
  }
  return static_cast<wchar_t>(value);
}

// Reads body as what stands between the quotes of '...'. False when that
// would not be a valid script: a raw line break, or a backslash at the very
// end (it would escape the closing quote).
bool read_string_literal_body(std::wstring_view body, std::wstring* value) {
  value->clear();
  for (size_t i = 0; i < body.size();) {
    const wchar_t c = body[i++];
    if (c == L'\r' || c == L'\n') return false;
    if (c != L'\\') {
      value->push_back(c);
      continue;
    }
    if (i == body.size()) return false;
    const wchar_t escaped = body[i];
    switch (escaped) {
      case L'\r':
      case L'\n':
        return false;
      case L'b': value->push_back(L'\b'); ++i; break;
      case L'f': value->push_back(L'\f'); ++i; break;
      case L'n': value->push_back(L'\n'); ++i; break;
      case L'r': value->push_back(L'\r'); ++i; break;
      case L't': value->push_back(L'\t'); ++i; break;
      case L'x':
      case L'u': {
        const size_t digits = escaped == L'x' ? 2 : 4;
        const long code = hex_run(body, i + 1, digits);
        if (code >= 0) {
          value->push_back(static_cast<wchar_t>(code));
          i += 1 + digits;
        } else {
          value->push_back(escaped);  // no digits: the letter itself
          ++i;
        }
        break;
      }
      default:
        if (escaped >= L'0' && escaped <= L'9') {
          value->push_back(read_octal_escape(body, &i));
        } else {
          value->push_back(escaped);  // \" \' \\ \/ and any other character
          ++i;
        }
    }
  }
  return true;
}

// The script function unescape(): "%uXXXX" and "%XX" become the code unit
// they name; any other "%" stays as it is.
std::wstring script_unescape(std::wstring_view text) {
  std::wstring result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] == L'%') {
      if (i + 1 < text.size() && text[i + 1] == L'u') {
        const long code = hex_run(text, i + 2, 4);
        if (code >= 0) {
          result.push_back(static_cast<wchar_t>(code));
          i += 6;
          continue;
        }
      }
      const long code = hex_run(text, i + 1, 2);
      if (code >= 0) {
        result.push_back(static_cast<wchar_t>(code));
        i += 3;
        continue;
      }
    }
    result.push_back(text[i++]);
  }
  return result;
}

// The text as a string literal run through unescape(), in GBK; empty when
// the text is not a valid literal body.
std::string literal_reading(const std::string& text) {
  std::wstring literal;
  if (!read_string_literal_body(runtime::widen(text), &literal)) return {};
  return runtime::text_from_bytes(runtime::narrow(script_unescape(literal)));
}

// The bytes of the text taken as UTF-16LE code units, in GBK. An odd last
// byte is ignored and a leading byte-order mark dropped.
std::string utf16le_reading(const std::string& text) {
  std::wstring units;
  units.reserve(text.size() / 2);
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    const auto low = static_cast<unsigned char>(text[i]);
    const auto high = static_cast<unsigned char>(text[i + 1]);
    units.push_back(static_cast<wchar_t>(low | (high << 8)));
  }
  if (!units.empty() && units.front() == kByteOrderMark) units.erase(0, 1);
  return runtime::text_from_bytes(runtime::narrow(units));
}

}  // namespace

std::string unescape_unicode(std::string_view text) {
  std::string t = runtime::replace(runtime::text_from_bytes(text), kLineBreak, kLineBreakPlaceholder);
  if (!t.empty() && t.front() == '\r') t.erase(0, 1);
  if (runtime::contains(t, kEscapePrefix)) t = runtime::replace(t, kEscapePrefix, kPercentPrefix);
  t = runtime::replace(t, kApostrophe, kApostropheSubstitute);

  std::string result = literal_reading(t);
  if (result.empty()) result = utf16le_reading(t);

  result = runtime::replace(result, kApostropheSubstitute, kApostrophe);
  return runtime::replace(result, kLineBreakPlaceholder, kLineBreak);
}

}  // namespace translate
