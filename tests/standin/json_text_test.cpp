#include "standin/json_text.h"

#include <gtest/gtest.h>

namespace {

using standin::BadBytes;

TEST(JsonStringTest, EscapesEverythingOutsidePrintableAscii) {
  const struct {
    std::string text;
    const char* expected;
  } cases[] = {
      {"Open", R"("Open")"},
      {u8"打开", R"("\u6253\u5f00")"},
      {u8"另存为...", R"("\u53e6\u5b58\u4e3a...")"},
      {"say \"hi\"", R"("say \"hi\"")"},
      {"C:\\dir", R"("C:\\dir")"},
      {"a\tb\r\nc", R"("a\tb\r\nc")"},
      {"\b\f", R"("\b\f")"},
      {std::string("\x01\x1f", 2), R"("\u0001\u001f")"},
      {std::string("nul\0", 4), R"("nul\u0000")"},
      {u8"é’", R"("\u00e9\u2019")"},
      {u8"😀", R"("\ud83d\ude00")"},  // above U+FFFF: a surrogate pair
      {"", R"("")"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(standin::json_string(c.text), c.expected) << c.text;
  }
}

TEST(JsonStringTest, BadBytesAreReplacedOrKeptByValue) {
  const struct {
    std::string text;
    BadBytes mode;
    const char* expected;
  } cases[] = {
      // GBK 你好 is not UTF-8.
      {"\xC4\xE3\xBA\xC3", BadBytes::replace, R"("\ufffd\ufffd\ufffd\ufffd")"},
      {"\xC4\xE3\xBA\xC3", BadBytes::as_latin1, R"("\u00c4\u00e3\u00ba\u00c3")"},
      // GBK 墨 (C4 AB) looks like a UTF-8 pair; a text that is not UTF-8 as a
      // whole is still written byte by byte.
      {"/\xC4\xAB\xC7\xC5.rar", BadBytes::as_latin1, R"("/\u00c4\u00ab\u00c7\u00c5.rar")"},
      {"a\"\xFF", BadBytes::as_latin1, R"("a\"\u00ff")"},
      {u8"墨", BadBytes::as_latin1, R"("\u58a8")"},
      // Overlong form and a lone surrogate are not UTF-8.
      {"\xC0\xAF", BadBytes::replace, R"("\ufffd\ufffd")"},
      {"\xED\xA0\x80", BadBytes::replace, R"("\ufffd\ufffd\ufffd")"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(standin::json_string(c.text, c.mode), c.expected);
  }
}

}  // namespace
