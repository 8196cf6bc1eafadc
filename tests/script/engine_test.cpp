// The script engine's conversions and the leash it keeps untrusted scripts on.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "script/cesu8.h"
#include "script/engine.h"
#include "script/json_object.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(Cesu8Test, EncodesEveryCodeUnitOnItsOwn) {
  const struct {
    std::wstring utf16;
    std::string cesu8;
  } cases[] = {
      {L"A", "A"},
      {std::wstring(1, wchar_t(0xE9)), "\xC3\xA9"},
      {std::wstring(1, wchar_t(0x4E2D)), "\xE4\xB8\xAD"},
      {std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}, "\xED\xA0\xBD\xED\xB8\x80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(script::cesu8_from_utf16(c.utf16), c.cesu8);
    EXPECT_EQ(script::utf16_from_cesu8(c.cesu8), c.utf16);
  }
  // Plain UTF-8 above the BMP becomes a surrogate pair; stray bytes U+FFFD.
  EXPECT_EQ(script::utf16_from_cesu8("\xF0\x9F\x98\x80"),
            (std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}));
  EXPECT_EQ(script::utf16_from_cesu8("a\xFF" "b\xE4\xB8"),
            (std::wstring{L'a', wchar_t(0xFFFD), L'b', wchar_t(0xFFFD), wchar_t(0xFFFD)}));
}

TEST(EngineTest, ConvertsResults) {
  auto engine = script::Engine::create();
  ASSERT_TRUE(engine);
  const struct {
    const char* script;
    const char* text;
    double number;
    bool logical;
  } cases[] = {
      {"undefined", "", 0, false},
      {"null", "", 0, false},
      {"1 + 2", "3", 3, true},
      {"'12'", "12", 12, true},
      {"'abc'", "abc", 0, true},
      {"''", "", 0, false},
      {"true", "true", 1, true},
      {"'中文'", "中文", 0, true},
      {"'ab\\u0000cd'", "ab", 0, true},  // a text ends at its first NUL
      {"({toString: function () { return 'own'; }})", "own", 0, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(engine->eval_text(c.script), std::optional<std::string>(c.text)) << c.script;
    EXPECT_EQ(engine->eval_number(c.script), std::optional<double>(c.number)) << c.script;
    EXPECT_EQ(engine->eval_logical(c.script), std::optional<bool>(c.logical)) << c.script;
  }
  const char* failing[] = {"(", "no_such_name", "null.x", "throw 1"};
  for (const char* script : failing) {
    EXPECT_FALSE(engine->eval_text(script)) << script;
    EXPECT_FALSE(engine->run(script)) << script;
  }
  // The conversion itself runs script code and may fail too.
  EXPECT_FALSE(engine->eval_text("({toString: function () { throw 1; }})"));
  EXPECT_TRUE(engine->run("var kept = 5"));
  EXPECT_EQ(engine->eval_number("kept"), 5.0);
}

TEST(EngineTest, OffersNoWayOutOfTheHeap) {
  auto engine = script::Engine::create();
  ASSERT_TRUE(engine);
  const char* names[] = {"Duktape", "print", "alert", "require", "WScript",
                         "ActiveXObject", "GetObject", "load", "readFile"};
  for (const char* name : names) {
    EXPECT_EQ(engine->eval_text(std::string("typeof ") + name), std::optional<std::string>("undefined"))
        << name;
  }
}

TEST(EngineTest, StopsScriptsThatRunTooLong) {
  script::EngineLimits limits;
  limits.time_limit = milliseconds(300);
  auto engine = script::Engine::create(limits);
  ASSERT_TRUE(engine);
  const char* endless[] = {
      "for (;;) {}",
      "for (;;) { try { for (;;) {} } catch (e) {} }",
      "for (;;) { try { /(a+)+b/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa') } catch (e) {} }",
  };
  for (const char* script : endless) {
    const auto start = Clock::now();
    EXPECT_FALSE(engine->run(script)) << script;
    // Far above the 300 ms limit so that a busy machine does not fail it, far
    // below "never": a script that is not stopped runs for ever.
    EXPECT_LT(seconds_since(start), 10.0) << script;
  }
  EXPECT_EQ(engine->eval_number("6 * 7"), 42.0);
}

TEST(EngineTest, KeepsTheHeapWithinItsMemoryLimit) {
  script::EngineLimits limits;
  limits.memory_limit = 4u * 1024u * 1024u;
  auto engine = script::Engine::create(limits);
  ASSERT_TRUE(engine);
  const char* greedy[] = {
      "var s = 'x'; for (;;) s = s + s;",
      "var a = []; for (;;) a.push({k: a.length});",
      "new Array(1e6).join('abcdefgh')",
  };
  for (const char* script : greedy) {
    EXPECT_FALSE(engine->run(script)) << script;
    EXPECT_LE(engine->memory_used(), limits.memory_limit) << script;
  }
  EXPECT_EQ(engine->eval_text("new Array(1000).join('x').length"), std::optional<std::string>("999"));
}

// Answers come from the network: whatever they hold, parse fails in bounded
// time and leaves the object usable.
TEST(JsonObjectHostileTextTest, ParseFailsInBoundedTime) {
  const std::string deep_array = std::string(100000, '[') + std::string(100000, ']');
  const std::string deep_json = "JSON.parse('" + std::string(5000, '[') + std::string(5000, ']') + "')";
  const std::string hostile[] = {
      "(function () { for (;;) {} })()",
      "1); for (;;) {} (1",
      "(function () { var s = 'x'; for (;;) s += s; })()",
      "(function () { var a = []; for (;;) a.push([a.length]); })()",
      "/(a+)+b/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa') || null",
      deep_array,
      deep_json,
  };
  for (const std::string& text : hostile) {
    script::JsonObject json;
    const auto start = Clock::now();
    EXPECT_FALSE(json.parse(text)) << text.substr(0, 60);
    EXPECT_LT(seconds_since(start), 10.0) << text.substr(0, 60);
    EXPECT_EQ(json.to_text(), "null") << text.substr(0, 60);
    EXPECT_TRUE(json.parse("{ok: 1}"));
    EXPECT_EQ(json.get_text("ok"), "1");
  }
}

}  // namespace
