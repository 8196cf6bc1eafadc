// Reading the service's answer to a manual translation request.
//
// The whole answer is decoded before it is parsed, so that the JSON reader
// gets the characters themselves (in GBK) instead of "\u" escapes. That
// decoding reads its input as a script string literal followed by a %XX
// decoder, and it would also resolve every other escape of the answer: an
// escaped quote inside a translation would reach the reader as a bare quote
// and make the whole answer unreadable, so that nothing at all was shown. So
// before decoding, everything except the plain \uXXXX escapes is shielded
// in a form the decoding turns back into exactly what was there.
#include <string>

#include "runtime/text.h"
#include "script/json_object.h"
#include "translate/encodings.h"
#include "translate/error_message.h"
#include "translate/manual_translate.h"

namespace translate {
namespace {

constexpr char kResults[] = "['trans_result']";
constexpr char kErrorCode[] = "['error_code']";
// Counting these gives the number of results (and one more for each
// occurrence inside a translation, which then reads as an empty line).
constexpr char kResultSeparator[] = "},{";

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of the four hexadecimal digits at text[at], or -1.
long escape_value(const std::string& text, size_t at) {
  if (at + 4 > text.size()) return -1;
  long value = 0;
  for (size_t i = at; i < at + 4; ++i) {
    const int digit = hex_digit(text[i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

// Characters that may not stand unescaped inside a JSON string: decoded in
// place they would end the string or break the line.
bool must_stay_escaped(long code) {
  return code < 0x20 || code == '"' || code == '\\' || code == 0x2028 || code == 0x2029;
}

// Appends the character at answer[at] in its shielded form and returns its
// length. A backslash becomes %5C and "%" %25, which the decoding turns back
// into them (a literal "%41" would otherwise turn into "A"). A raw line
// break can only be white space between the answer's tokens; it becomes
// %0D or %0A, so that the decoding neither fails on a lone one nor takes
// CR LF for its line-break marker "{$}". That marker is also turned into a
// line break when it appears in the decoded text, so "$", which valid JSON
// holds only inside strings, is left for the JSON reader as \u0024. Any
// other character stays.
size_t append_shielded(std::string& out, const std::string& answer, size_t at) {
  switch (answer[at]) {
    case '\\': out += "%5C"; return 1;
    case '%': out += "%25"; return 1;
    case '$': out += "%5Cu0024"; return 1;
    case '\r': out += "%0D"; return 1;
    case '\n': out += "%0A"; return 1;
    default: {
      const size_t length = static_cast<size_t>(runtime::char_length_at(answer, at));
      out.append(answer, at, length);
      return length;
    }
  }
}

// \uXXXX escapes stay for the decoding; every other escape keeps its
// backslash, shielded together with the character after it.
std::string shield_for_decoding(const std::string& answer) {
  std::string shielded;
  shielded.reserve(answer.size() + answer.size() / 8);
  for (size_t i = 0; i < answer.size();) {
    if (answer[i] == '\\' && i + 1 < answer.size()) {
      const long code = answer[i + 1] == 'u' ? escape_value(answer, i + 2) : -1;
      if (code >= 0 && !must_stay_escaped(code)) {
        shielded.append(answer, i, 6);
        i += 6;
        continue;
      }
      i += append_shielded(shielded, answer, i);  // the backslash
    }
    i += append_shielded(shielded, answer, i);
  }
  return shielded;
}

}  // namespace

ManualAnswer read_manual_answer(const std::string& answer) {
  ManualAnswer read;
  script::JsonObject document;
  if (!document.parse(unescape_unicode(shield_for_decoding(answer)))) return read;

  const std::string results = document.get_object(kResults).to_text();
  if (!results.empty()) {
    read.kind = ManualAnswer::Kind::kResults;
    read.result_count = document.get_count(kResults);
    const int count = runtime::split(results, kResultSeparator).count();
    for (int i = 0; i < count; ++i) {
      read.lines.push_back(
          document.get_text(std::string(kResults) + "[" + std::to_string(i) + "].dst", false));
    }
    return read;
  }
  read.kind = ManualAnswer::Kind::kError;
  read.error_code = document.get_text(kErrorCode, false);
  read.message = error_message(read.error_code);
  return read;
}

}  // namespace translate
