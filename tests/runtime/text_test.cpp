#include <gtest/gtest.h>

#include <cfloat>

#include "runtime/text.h"

namespace {

using runtime::Array;

struct FindCase {
  const char* text;
  const char* search;
  int start;
  bool ignore_case;
  int expected;
};

// "中" is D6 D0 in GBK; the character 81 7C has the ASCII-looking trail
// byte 0x7C ("|") and "誠" the trail byte 0x5C ("\"), the classic GBK traps.
TEST(TextFindTest, FindsOnCharacterBoundariesOnly) {
  const FindCase cases[] = {
      {"abcabc", "bc", 1, false, 2},
      {"abcabc", "bc", 3, false, 5},
      {"abcabc", "BC", 1, false, -1},
      {"abcabc", "BC", 1, true, 2},
      {"abc", "", 1, false, -1},
      {"", "a", 1, false, -1},
      {"abc", "c", 4, false, -1},
      {"abc", "a", 0, false, 1},
      // D6 D0 D6 D0: searching the bytes D0 D6 must not match across characters.
      {"中中", "\xD0\xD6", 1, false, -1},
      {"a\x81\x7C" "b", "|", 1, false, -1},
      {"誠\\", "\\", 1, false, 3},
      {"xx中文yy", "文", 1, false, 5},
      // A two-byte character never folds, even when its trail byte is a letter.
      {"\x81\x41", "\x81\x61", 1, true, -1},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(runtime::find(c.text, c.search, c.start, c.ignore_case), c.expected)
        << "text=" << c.text << " search=" << c.search << " start=" << c.start;
  }
}

TEST(TextFindTest, FindBackwardsFindsTheLastOccurrence) {
  const FindCase cases[] = {
      {"abcabc", "bc", -1, false, 5},
      {"abcabc", "bc", 4, false, 2},
      {"abcabc", "BC", -1, true, 5},
      {"abc", "x", -1, false, -1},
      {"中中", "\xD0\xD6", -1, false, -1},
      {"a|\x81\x7C", "|", -1, false, 2},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(runtime::find_backwards(c.text, c.search, c.start, c.ignore_case), c.expected)
        << "text=" << c.text << " search=" << c.search;
  }
}

TEST(TextReplaceTest, ReplacesWholeCharactersWithStartCountAndCase) {
  struct Case {
    const char* text;
    const char* search;
    const char* replacement;
    int start;
    int count;
    bool case_sensitive;
    const char* expected;
  };
  const Case cases[] = {
      {"a-b-c", "-", "+", 1, -1, true, "a+b+c"},
      {"a-b-c", "-", "", 1, 1, true, "ab-c"},
      {"a-b-c", "-", "=", 3, -1, true, "a-b=c"},
      {"aAa", "a", "x", 1, -1, false, "xxx"},
      {"aAa", "a", "x", 1, -1, true, "xAx"},
      {"誠\\", "\\", "/", 1, -1, true, "誠/"},
      {"中中", "\xD0\xD6", "!", 1, -1, true, "中中"},
      {"abc", "", "x", 1, -1, true, "abc"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(runtime::replace(c.text, c.search, c.replacement, c.start, c.count, c.case_sensitive),
              c.expected)
        << c.text;
  }
}

TEST(TextSplitTest, KeepsInnerEmptyPiecesAndDropsATrailingOne) {
  struct Case {
    const char* text;
    const char* separator;
    int max;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"a,b,c", ",", -1, {"a", "b", "c"}},
      {"a,,c", ",", -1, {"a", "", "c"}},
      {"a,b,", ",", -1, {"a", "b"}},
      {",a", ",", -1, {"", "a"}},
      {"", ",", -1, {}},
      {"a; b; c", "; ", 2, {"a", "b"}},
      {"中,文", ",", -1, {"中", "文"}},
      {"\x81\x7C|x", "|", -1, {"\x81\x7C", "x"}},
  };
  for (const Case& c : cases) {
    const Array<std::string> pieces = runtime::split(c.text, c.separator, c.max);
    EXPECT_EQ(pieces.items(), c.expected) << c.text;
  }
}

TEST(TextPiecesTest, LeftRightMiddleTakeBytePositions) {
  EXPECT_EQ(runtime::left("abcdef", 2), "ab");
  EXPECT_EQ(runtime::left("ab", 5), "ab");
  EXPECT_EQ(runtime::left("ab", -1), "");
  EXPECT_EQ(runtime::right("abcdef", 2), "ef");
  EXPECT_EQ(runtime::right("ab", 5), "ab");
  EXPECT_EQ(runtime::middle("abcdef", 2, 3), "bcd");
  EXPECT_EQ(runtime::middle("abcdef", 5), "ef");
  EXPECT_EQ(runtime::middle("abcdef", 7, 1), "");
  EXPECT_EQ(runtime::middle("abcdef", 0, 1), "");
}

TEST(TextTrimTest, RemovesAsciiAndFullWidthSpaces) {
  const std::pair<const char*, const char*> cases[] = {
      {"  a b  ", "a b"},
      {"\xA1\xA1" "a" "\xA1\xA1", "a"},
      {" \xA1\xA1 中 \xA1\xA1 ", "中"},
      {"", ""},
      {"   ", ""},
      // B0 A1 is a character ("啊") whose trail byte is A1: the A1 A1 pair
      // that straddles it and the next full-width space is not a space.
      {"啊\xA1\xA1", "啊"},
      {"\xB0\xA1\xA1\xA1" "x", "啊\xA1\xA1" "x"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(runtime::trim(text), expected) << text;
  }
  EXPECT_EQ(runtime::trim_left("  a  "), "a  ");
  EXPECT_EQ(runtime::trim_right("  a  "), "  a");
}

TEST(TextCaseTest, ChangesAsciiLettersOnly) {
  EXPECT_EQ(runtime::to_upper_ascii("abc中Z"), "ABC中Z");
  EXPECT_EQ(runtime::to_lower_ascii("ABC中z"), "abc中z");
  // "\x81\x61" is one two-byte character; its trail byte must stay.
  EXPECT_EQ(runtime::to_upper_ascii("\x81\x61" "a"), "\x81\x61" "A");
}

TEST(TextMiscTest, SpacesAndHex) {
  EXPECT_EQ(runtime::spaces(3), "   ");
  EXPECT_EQ(runtime::spaces(0), "");
  EXPECT_EQ(runtime::to_hex(0), "0");
  EXPECT_EQ(runtime::to_hex(255), "FF");
  EXPECT_EQ(runtime::to_hex(0x1F380), "1F380");
  EXPECT_EQ(runtime::to_hex(0xFFFFFFFFu), "FFFFFFFF");
  EXPECT_EQ(runtime::bool_to_text(true), "真");
  EXPECT_EQ(runtime::bool_to_text(false), "假");
  EXPECT_EQ(runtime::text_from_bytes(std::string("ab\0cd", 5)), "ab");
}

TEST(TextNumberTest, FormatsFloatsAndDoubles) {
  const std::pair<float, const char*> floats[] = {
      {1.0f, "1"}, {1.1f, "1.1"}, {0.0f, "0"}, {1234567.0f, "1.23457e+06"}, {-2.5f, "-2.5"}};
  for (const auto& [value, expected] : floats) EXPECT_EQ(runtime::float_to_text(value), expected);
  const std::pair<double, const char*> doubles[] = {
      {1.0, "1"}, {0.1, "0.1"}, {1.0 / 3.0, "0.3333333333333"}, {5.0, "5"}, {123456789012345.0, "1.234567890123e+14"}};
  for (const auto& [value, expected] : doubles) EXPECT_EQ(runtime::double_to_text(value), expected);
  EXPECT_EQ(runtime::int_to_text(-42), "-42");
}

TEST(TextNumberTest, ReadsNumbersIncludingFullWidthDigits) {
  const std::pair<const char*, int> ints[] = {
      {"42", 42}, {"-7x", -7}, {"+3", 3}, {"abc", 0}, {"", 0}, {"  12", 12},
      {"１２３", 123}, {"－５", -5}, {"99999999999", 2147483647}};
  for (const auto& [text, expected] : ints) EXPECT_EQ(runtime::text_to_int(text), expected) << text;

  const std::pair<const char*, double> doubles[] = {
      {"1.1", 1.1}, {"１.２", 1.2}, {"１．２", 1.2}, {" 2.5|", 2.5}, {"abc", 0.0},
      {"", 0.0}, {"1e3", 1000.0}, {"1e", 1.0}, {"inf", 0.0}, {"-0.5", -0.5}};
  for (const auto& [text, expected] : doubles) {
    EXPECT_DOUBLE_EQ(runtime::text_to_double(text), expected) << text;
  }
}

TEST(TextWidthTest, FullWidthFormsBecomeHalfWidth) {
  EXPECT_EQ(runtime::full_to_half_width("ＡＢｃ１！　中"), "ABc1! 中");
}

}  // namespace
