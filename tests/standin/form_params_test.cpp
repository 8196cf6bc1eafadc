#include "standin/form_params.h"

#include <gtest/gtest.h>

namespace {

using standin::Param;
using standin::Params;

TEST(FormDecodeTest, DecodesAsAWebServiceDoes) {
  const struct {
    const char* encoded;
    std::string decoded;
  } cases[] = {
      {"a+b", "a b"},
      {"a%20b", "a b"},
      {"%E4%BD%A0%e5%a5%bd", u8"你好"},
      {u8"你好", u8"你好"},  // raw UTF-8 passes through
      {"100%", "100%"},      // "%" without two hex digits stays
      {"%4", "%4"},
      {"%zz1", "%zz1"},
      {"%2B%26%3D", "+&="},
      {"x%2Fy%5Fz%7E", "x/y_z~"},
      {"%00end", std::string("\0end", 4)},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(standin::form_decode(c.encoded), c.decoded) << c.encoded;
  }
}

TEST(ParseParamsTest, KeepsOrderAndSplitsAtFirstEquals) {
  const struct {
    const char* text;
    Params expected;
  } cases[] = {
      {"q=a+b&from=auto&to=zh", {{"q", "a b"}, {"from", "auto"}, {"to", "zh"}}},
      {"q=x=y", {{"q", "x=y"}}},
      {"&&q=1&", {{"q", "1"}}},
      {"flag&q=", {{"flag", ""}, {"q", ""}}},
      {"q%3D=1", {{"q=", "1"}}},
      // A raw "&" in a text that was not encoded splits it, as on the real service.
      {u8"q=A&B&from=en", {{"q", "A"}, {"B", ""}, {"from", "en"}}},
      {"", {}},
  };
  for (const auto& c : cases) {
    Params parsed = standin::parse_params(c.text);
    ASSERT_EQ(parsed.size(), c.expected.size()) << c.text;
    for (size_t i = 0; i < parsed.size(); ++i) {
      EXPECT_EQ(parsed[i].name, c.expected[i].name) << c.text;
      EXPECT_EQ(parsed[i].value, c.expected[i].value) << c.text;
    }
  }
}

TEST(ParseParamsTest, LaterRepetitionWins) {
  Params params = standin::parse_params("q=first&from=en&q=second");
  ASSERT_NE(standin::find_param(params, "q"), nullptr);
  EXPECT_EQ(*standin::find_param(params, "q"), "second");
  EXPECT_EQ(standin::find_param(params, "to"), nullptr);
}

}  // namespace
