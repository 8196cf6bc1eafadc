#include <gtest/gtest.h>

#include <string>

#include "translate/encodings.h"

namespace {

using translate::text_between;
using translate::url_encode;

struct Conversion {
  std::string input;
  std::string expected;
};

// Narrow literals are GBK ("你好" is C4 E3 BA C3); u8 literals are UTF-8.
TEST(UrlEncodeTest, KeepsOnlyUnreservedBytesAndEncodesUtf8) {
  const Conversion cases[] = {
      {"a b", "a%20b"},
      {"x/y_z~", "x%2Fy%5Fz%7E"},
      {"-.09AZaz", "-.09AZaz"},
      {"你好", "%E4%BD%A0%E5%A5%BD"},
      {"", ""},
      {"*+&=?#%", "%2A%2B%26%3D%3F%23%25"},
      {"\t\x7F", "%09%7F"},
      {"打开 File", "%E6%89%93%E5%BC%80%20File"},
  };
  for (const Conversion& c : cases) EXPECT_EQ(url_encode(c.input), c.expected) << c.input;
}

TEST(GbkToUtf8Test, ConvertsGbkTextsAndStopsAtTheTerminator) {
  const Conversion cases[] = {
      {"apple", "apple"},
      {"你好", u8"你好"},
      {"’", u8"’"},
      {"", ""},
      {std::string("ab\0cd", 5), "ab"},
  };
  for (const Conversion& c : cases) {
    EXPECT_EQ(translate::gbk_to_utf8(c.input), c.expected) << c.input;
    EXPECT_EQ(translate::ansi_to_utf8(c.input), c.expected) << c.input;
  }
}

TEST(Utf8ToGb18030Test, ConvertsValidUtf8AndRefusesInvalidSequences) {
  const Conversion cases[] = {
      {u8"{\"dst\":\"打开\"}", "{\"dst\":\"打开\"}"},
      {"plain ascii", "plain ascii"},
      // Characters of GBK keep their two bytes; the euro sign, a single byte
      // in GBK, has a pair of its own; all others take four bytes.
      {u8"\u00E9\u00B7\u2019", "\xA8\xA6\xA1\xA4\xA1\xAF"},
      {u8"\u20AC", "\xA2\xE3"},
      {u8"\u0080\u00A5\u0E01\uFFFF", "\x81\x30\x81\x30\x81\x30\x84\x36\x81\x32\xCE\x39\x84\x31\xA4\x39"},
      {u8"\U0001F600\U0010FFFF", "\x94\x39\xFC\x36\xE3\x32\x9A\x35"},
      // Two-byte characters of GB18030 that code page 936 gives to private-use
      // code points; those take four bytes.
      {u8"\u01F9\u01FA\u2E81\u4DAE", "\xA8\xBF\x81\x30\xA3\x31\xFE\x50\xFE\x9F"},
      {u8"\uE7C8\uE76C", "\x83\x36\xC8\x30\x83\x36\xC7\x39"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"", ""},
      {"abc\xFF", ""},            // a byte that never occurs in UTF-8
      {"abc\xE4\xBD", ""},        // a truncated sequence
      {"\xC0\xAF", ""},           // an overlong "/"
      {"\xED\xA0\x80", ""},       // an encoded surrogate
  };
  for (const Conversion& c : cases) EXPECT_EQ(translate::utf8_to_gb18030(c.input), c.expected) << c.input;
}

struct Between {
  std::string text;
  std::string start;
  std::string end;
  std::string expected;
};

TEST(TextBetweenTest, CutsFromTheFirstStartMarkerToTheNextEndMarker) {
  const std::string two_results =
      R"({"from":"en","to":"zh","trans_result":[{"src":"a","dst":"abc"},{"src":"b","dst":"def"}]})";
  const Between cases[] = {
      {R"({"trans_result":[{"src":"x","dst":"abc"}]})", "dst#引号:#引号", "#引号", "abc"},
      {two_results, "dst#引号:#引号", "#引号", "abc"},
      {two_results, "dst\":\"", "\"", "abc"},
      // An escaped quote inside the value ends the cut after its backslash.
      {R"({"dst":"say \"hi\""})", "dst#引号:#引号", "#引号", "say \\"},
      {R"({"dst":""})", "dst#引号:#引号", "#引号", ""},
      {R"({"error_code":"54001","error_msg":"Invalid Sign"})", "dst#引号:#引号", "#引号", ""},
      {"<html><body>404</body></html>", "dst#引号:#引号", "#引号", ""},
      {R"({"dst":"no end)", "dst#引号:#引号", "#引号", ""},
      {"[abc]", "[", "]", "abc"},
      {"[abc]", "", "]", ""},
      {"[abc]", "[", "", ""},
      {"", "[", "]", ""},
      {"ABC[x]abc[y]", "abc[", "]", "y"},  // case-sensitive
      {"<a>中文</a>", "<a>", "</a>", "中文"},
      // 誠 ends in the byte 0x5C ("\"); a marker never matches inside it.
      {"誠\\x\\", "\\", "\\", "x"},
  };
  for (const Between& c : cases) {
    EXPECT_EQ(text_between(c.text, c.start, c.end), c.expected) << c.text << " | " << c.start;
  }
}

}  // namespace
