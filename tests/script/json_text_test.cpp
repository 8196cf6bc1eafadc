// The JSON text the object writes: compact, with the full escape set, and
// converted to GBK on the way out.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "script/json_object.h"

namespace {

using script::JsonObject;

// JSON.stringify of one character, checked inside the object's engine.
bool stringified_as(JsonObject& json, unsigned code, const std::string& expected) {
  char script[160];
  std::snprintf(script, sizeof script, "JSON.stringify(String.fromCharCode(%u))", code);
  return json.get_engine()->eval_text(script).value_or("<failed>") == expected;
}

std::string escape_of(unsigned code) {
  char text[16];
  std::snprintf(text, sizeof text, "\"\\u%04x\"", code);
  return text;
}

TEST(JsonTextTest, EscapesControlAndInvisibleCharactersInLowerCaseHex) {
  const unsigned escaped[] = {
      0x0000, 0x0001, 0x000b, 0x001f, 0x007f, 0x0085, 0x009f, 0x00ad, 0x0600, 0x0604,
      0x070f, 0x17b4, 0x17b5, 0x200c, 0x200f, 0x2028, 0x2029, 0x202f, 0x2060, 0x206f,
      0xfeff, 0xfff0, 0xfffd, 0xffff,
  };
  JsonObject json;
  for (unsigned code : escaped) {
    EXPECT_TRUE(stringified_as(json, code, escape_of(code))) << std::hex << code;
  }
}

TEST(JsonTextTest, LeavesOtherCharactersAsThemselves) {
  // Neighbours of the escaped ranges; the check stays inside the engine
  // because GBK cannot show most of them.
  const unsigned plain[] = {
      0x0020, 0x007e, 0x00a0, 0x00ac, 0x00ae, 0x05ff, 0x0605, 0x070e, 0x0710, 0x17b3,
      0x17b6, 0x200b, 0x2010, 0x2027, 0x2030, 0x205f, 0x2070, 0x2400, 0x4e2d, 0xfefe,
      0xff00, 0xffef,
  };
  JsonObject json;
  for (unsigned code : plain) {
    char script[200];
    std::snprintf(script, sizeof script,
                  "JSON.stringify(String.fromCharCode(%u)) == '\"' + String.fromCharCode(%u) + '\"'",
                  code, code);
    EXPECT_TRUE(json.get_engine()->eval_logical(script).value_or(false)) << std::hex << code;
  }
}

TEST(JsonTextTest, WritesCompactTextWithShortEscapes) {
  const struct {
    const char* text;
    const char* json;
  } cases[] = {
      {R"({"c":"\b\t\n\f\r\"\\/"})", R"({"c":"\b\t\n\f\r\"\\/"})"},
      {R"({"c":"\u0001\u001F\u007F\u2028\uFEFF"})", R"({"c":"\u0001\u001f\u007f\u2028\ufeff"})"},
      {R"({"\u200d":"key"})", R"({"\u200d":"key"})"},
      {R"({"c":"中文，标点"})", R"({"c":"中文，标点"})"},
      {R"({"c":"\u4e2d"})", R"({"c":"中"})"},
      {R"({"thai":"\u0e01x"})", R"({"thai":"?x"})"},  // no GBK mapping
      {"[1.5, -2e-7, 1e21, true, false, null, [], {}]", "[1.5,-2e-7,1e+21,true,false,null,[],{}]"},
  };
  for (const auto& c : cases) {
    JsonObject json;
    ASSERT_TRUE(json.parse(c.text)) << c.text;
    EXPECT_EQ(json.to_text(), c.json) << c.text;
  }
}

TEST(JsonTextTest, LibraryWrappersWork) {
  JsonObject json;
  const struct {
    const char* script;
    const char* value;
  } cases[] = {
      {"({a: [1, 'x']}).toJSONString()", R"({"a":[1,"x"]})"},
      {"'{\"b\":2}'.parseJSON().b", "2"},
      {"JSON.stringify(new Date(Date.UTC(1999, 11, 31, 23, 59, 58)))", "\"1999-12-31T23:59:58Z\""},
      {"JSON.stringify(new Date(NaN))", "null"},
      {"JSON.stringify([new String('s'), new Number(1), new Boolean(false)])", R"(["s",1,false])"},
      {"JSON.stringify({a: 1}, null, 1)", "{\n \"a\": 1\n}"},
      {"get__name_All({}) + get__count('abc')", "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(json.get_engine()->eval_text(c.script).value_or("<failed>"), c.value) << c.script;
  }
}

}  // namespace
