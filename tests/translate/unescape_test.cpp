#include <gtest/gtest.h>

#include <string>

#include "translate/encodings.h"

namespace {

struct Unescape {
  const char* why;
  std::string input;
  std::string expected;
};

TEST(UnescapeUnicodeTest, DecodesEscapesOfAWellFormedValue) {
  const Unescape cases[] = {
      {"unicode escapes", "\\u4f60\\u597d", "你好"},
      {"upper-case hex digits", "\\u6253\\u5F00", "打开"},
      {"mixed with ASCII", "File \\u6587\\u4ef6 (&F)", "File 文件 (&F)"},
      {"empty", "", ""},
      {"plain text stays", "Open", "Open"},
      {"CR LF survives", "a\r\nb", "a\r\nb"},
      {"CR LF at the start", "\r\nb", "\r\nb"},
      {"a lone CR at the start is dropped", "\rab", "ab"},
      {"placeholder becomes a line break", "a{$}b", "a\r\nb"},
      {"percent escape", "%41%42", "AB"},
      {"percent-u escape", "%u4F60", "你"},
      {"other percent signs stay", "100% %zz %4 %u12", "100% %zz %4 %u12"},
      {"right single quote", "it’s", "it's"},
      {"escaped right single quote", "it\\u2019s", "it's"},
      {"apostrophe", "it's", "it's"},
      {"escaped quote and backslash", "say \\\"hi\\\" \\\\ a\\/b", "say \"hi\" \\ a/b"},
      {"control escapes", "a\\tb\\nc\\rd\\be\\ff", "a\tb\nc\rd\be\ff"},
      {"hex escape", "\\x41\\x7a", "Az"},
      {"unknown escape drops the backslash", "\\q\\v\\x4", "qvx4"},
      {"octal escapes", "\\101\\60\\8", "A08"},
      {"an even run of backslashes at the end", "ab\\\\", "ab\\"},
      {"character without a GBK mapping", "\\u0e01x", "?x"},
      {"escaped CR LF", "\\u000d\\u000a", "\r\n"},
  };
  for (const Unescape& c : cases) {
    EXPECT_EQ(translate::unescape_unicode(c.input), c.expected) << c.why;
  }
}

// A text that is no valid string body is read as UTF-16LE code units instead:
// the bytes 0A 4E are U+4E0A (上), 61 4E U+4E61 (乡), 0D 4E U+4E0D (不),
// 61 5C U+5C61 (屡).
TEST(UnescapeUnicodeTest, FallsBackToUtf16ReadingForABrokenValue) {
  const Unescape cases[] = {
      {"a lone LF", "\nN", "上"},
      {"lone LF and lone CR", "\nN\rN", "上不"},
      {"a lone CR after the start", "aN\rN", "乡不"},
      {"a single trailing backslash", "aNa\\", "乡屡"},
      {"odd last byte ignored", "aN\\", "乡"},
      {"escaped line break", "aN\\\n", "乡?"},
  };
  for (const Unescape& c : cases) {
    EXPECT_EQ(translate::unescape_unicode(c.input), c.expected) << c.why;
  }
}

}  // namespace
