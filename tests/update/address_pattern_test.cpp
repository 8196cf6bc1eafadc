// The feedback form's address pattern, and the regular-expression holder
// that carries it.
#include <gtest/gtest.h>

#include <string>

#include "update/address_pattern.h"

namespace {

using update::AddressPattern;

TEST(AddressPatternTest, FeedbackAddressesMustMatchWhole) {
  const struct {
    const char* address;
    bool accepted;
  } cases[] = {
      {"first.last-name@example.com", true},    // dots and dashes in the local part
      {"a-b.c-d.e@example.com", true},
      {"user+tag@example.com", true},
      {"under_score@example.com", true},        // "_" is a word character
      {"12345678@qq.com", true},
      {"a@com.com", true},                      // last two labels both "com"
      {"someone@mail-server.example.com", true},
      {"someone@example.cn", false},            // another top-level domain
      {"someone@example.com.cn", false},
      {"someone@example.COM", false},           // ".com" in lower case only
      {"someone@example.Com", false},
      {"someone@example.com ", false},          // trailing space
      {" someone@example.com", false},          // leading space
      {"someone@example.com\r\n", false},
      {"someone@example.com\nother@example.com", false},
      {"someone@example.comx", false},
      {"someone@examplecom", false},
      {"someone@.com", false},
      {"@example.com", false},
      {".someone@example.com", false},
      {"some..one@example.com", false},
      {"someone-@example.com", false},
      {"some one@example.com", false},
      {"someone@exa+mple.com", false},          // "+" only in the local part
      {"someone@@example.com", false},
      {"a@b@example.com", false},
      {"用户@example.com", false},              // GBK bytes are no word characters
      {"someone", false},
      {"", false},
  };
  AddressPattern pattern;
  ASSERT_TRUE(pattern.compile(update::kMailAddressPattern));
  for (const auto& c : cases) {
    EXPECT_EQ(pattern.matches_whole(c.address), c.accepted) << '"' << c.address << '"';
  }
}

TEST(AddressPatternTest, CompilingAgainReplacesThePattern) {
  AddressPattern pattern;
  EXPECT_FALSE(pattern.compiled());
  EXPECT_FALSE(pattern.matches_whole(""));  // nothing compiled matches nothing

  ASSERT_TRUE(pattern.compile("[a-z]+"));
  EXPECT_TRUE(pattern.matches_whole("abc"));
  EXPECT_FALSE(pattern.matches_whole("abc1"));

  ASSERT_TRUE(pattern.compile(update::kMailAddressPattern));
  EXPECT_FALSE(pattern.matches_whole("abc"));
  EXPECT_TRUE(pattern.matches_whole("abc@example.com"));
  // Compiling each time leaves the same answers.
  ASSERT_TRUE(pattern.compile(update::kMailAddressPattern));
  EXPECT_TRUE(pattern.matches_whole("abc@example.com"));
}

TEST(AddressPatternTest, MalformedPatternLeavesNothingCompiled) {
  for (const char* malformed : {"(", "a)", "[a-", "*a", "a{2,1}", "\\"}) {
    SCOPED_TRACE(malformed);
    AddressPattern pattern;
    ASSERT_TRUE(pattern.compile("a"));
    EXPECT_FALSE(pattern.compile(malformed));
    EXPECT_FALSE(pattern.compiled());
    EXPECT_FALSE(pattern.matches_whole("a"));
    EXPECT_EQ(pattern.pattern(), malformed);
  }
}

// Line anchors: only a multi-line pattern finds "$" and "^" at a line break
// inside the text.
TEST(AddressPatternTest, MultiLineFlagDecidesWhereLinesEnd) {
  const struct {
    const char* pattern;
    const char* text;
    bool multi_line;
    bool matches;
  } cases[] = {
      {"a$\\n^b", "a\nb", true, true},
      {"a$\\n^b", "a\nb", false, false},
      {"^a$", "a", false, true},
      {"^a$", "a", true, true},
      {"\\w+", "ab\ncd", true, false},  // a whole-text match never skips a line break
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pattern << (c.multi_line ? " multi-line" : ""));
    AddressPattern pattern;
    ASSERT_TRUE(pattern.compile(c.pattern, c.multi_line));
    EXPECT_EQ(pattern.multi_line(), c.multi_line);
    EXPECT_EQ(pattern.matches_whole(c.text), c.matches);
  }
}

// A pattern that backtracks without end is given up, not run for ever.
TEST(AddressPatternTest, RunawayMatchIsRefused) {
  AddressPattern pattern;
  ASSERT_TRUE(pattern.compile("(\\w+\\w+)+@"));
  EXPECT_FALSE(pattern.matches_whole(std::string(64, 'a') + "!"));
}

}  // namespace
