#include <gtest/gtest.h>

#include <string>

#include "runtime/codepage.h"

namespace {

// Texts another program may show: those GBK can hold come back exactly,
// the others are refused instead of turning into question marks.
TEST(CodepageTest, NarrowsExactlyOnlyWhatGbkCanHold) {
  struct Case {
    const char* name;
    std::wstring wide;
    bool holdable;
  };
  const Case cases[] = {
      {"empty", L"", true},
      {"ascii", L"File name", true},
      {"chinese", L"\x6253\x5f00 (O)", true},
      {"a real question mark", L"Really?", true},
      {"full-width and CJK punctuation", L"\xff08\x3001\x3002\xff09", true},
      {"korean", L"\xd30c\xc77c", false},
      {"korean after chinese", L"\x6253\x5f00 \xd30c\xc77c", false},
      {"emoji", L"Save \xd83d\xdcbe", false},
      {"lone surrogate", L"a\xd800" L"b", false},
      {"pinyin letter GBK has", L"caf\x00e9", true},
      {"latin letter GBK lacks (best fit would drop the tilde)", L"Espa\x00f1ol", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string gbk = "left over";
    EXPECT_EQ(runtime::narrow_exactly(c.wide, gbk), c.holdable);
    if (c.holdable) {
      EXPECT_EQ(gbk, runtime::narrow(c.wide));
      EXPECT_EQ(runtime::widen(gbk), c.wide);
    } else {
      EXPECT_EQ(gbk, "");
    }
  }
}

}  // namespace
