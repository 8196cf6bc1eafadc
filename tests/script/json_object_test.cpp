// Reading and changing a document by path.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "runtime/text.h"
#include "script/json_object.h"

namespace {

using script::JsonObject;

constexpr char kDocument[] =
    R"({"s":"text","n":12.5,"z":null,"t":true,"o":{"k":"v"},)"
    R"("a":[1,"two",{"x":3}],"e":[],"data":"D"})";

JsonObject parsed(const char* text) {
  JsonObject json;
  EXPECT_TRUE(json.parse(text)) << text;
  return json;
}

TEST(JsonObjectTest, ErrorAnswerReadsAsPlainAndJsonText) {
  JsonObject json = parsed(R"({"error_code":"54001"})");
  EXPECT_EQ(json.get_text("['error_code']", false), "54001");
  EXPECT_EQ(json.get_text("['error_code']", true), "\"54001\"");
}

TEST(JsonObjectTest, ServiceAnswerAsTheManualTranslationReadsIt) {
  const char* answer =
      R"({"from":"en","to":"zh","trans_result":[{"src":"Open","dst":"打开"},{"src":"Save","dst":"保存"}]})";
  JsonObject json = parsed(answer);
  EXPECT_EQ(json.to_text(), answer);
  const std::string results = json.get_object("['trans_result']").to_text();
  EXPECT_EQ(runtime::split(results, "},{").count(), 2) << results;
  EXPECT_EQ(json.get_text("['trans_result'][0].dst", false), "打开");
  EXPECT_EQ(json.get_text("['trans_result'][1].dst", false), "保存");
  EXPECT_EQ(json.get_text("['trans_result'][2].dst", false), "");
  EXPECT_EQ(json.get_object("['error_code']").to_text(), "");
  EXPECT_EQ(json.get_text("['error_code']", false), "");
}

TEST(JsonObjectTest, ParseAcceptsScriptExpressions) {
  const struct {
    const char* text;
    const char* json;
  } cases[] = {
      {"{a: 'x', b: 1 + 2}", R"({"a":"x","b":3})"},
      {"{'quoted': 'single'}", R"({"quoted":"single"})"},
      {"'\"code in a string\".length'", "16"},  // eval runs a string value
      {"[1, 2].concat([3])", "[1,2,3]"},
      {"6 * 7 // a trailing comment", "42"},
      {"{ a : [ 1 , 2 ] , b : { } }", R"({"a":[1,2],"b":{}})"},
      {"{u: undefined, f: function () {}, i: 1 / 0, m: NaN, k: 'v'}", R"({"i":null,"m":null,"k":"v"})"},
      {"{d: new Date(Date.UTC(2020, 0, 2, 3, 4, 5, 678))}", R"({"d":"2020-01-02T03:04:05Z"})"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parsed(c.text).to_text(), c.json) << c.text;
  }
}

TEST(JsonObjectTest, FailedParseLeavesOnlyEmptyReads) {
  const struct {
    const char* text;
    const char* to_text;
  } cases[] = {
      {R"({"a": })", "null"},
      {"null", "null"},
      {"{a: missing_name}", "null"},
      {"", ""},  // eval() without argument: undefined
      {"da = {a: 1}, undefined_function()", "null"},
  };
  for (const auto& c : cases) {
    JsonObject json;
    EXPECT_FALSE(json.parse(c.text)) << c.text;
    EXPECT_EQ(json.to_text(), c.to_text) << c.text;
    EXPECT_EQ(json.get_text("a"), "") << c.text;
    EXPECT_EQ(json.get_text("a", true), "") << c.text;
    EXPECT_EQ(json.get_type("a"), -1) << c.text;
    EXPECT_EQ(json.get_count("a"), 0) << c.text;
    EXPECT_EQ(json.get_number("a"), 0.0) << c.text;
    EXPECT_EQ(json.get_object("a").to_text(), "") << c.text;
    runtime::Array<std::string> names{"stale"};
    EXPECT_EQ(json.get_member_names(names, ""), 0) << c.text;
    EXPECT_EQ(names.count(), 0) << c.text;
  }
}

TEST(JsonObjectTest, ReadsByPath) {
  const struct {
    const char* path;
    int type;
    const char* text;
    const char* json;
  } cases[] = {
      {"s", 6, "text", "\"text\""},
      {"['s']", 6, "text", "\"text\""},
      {"da.s", 6, "text", "\"text\""},
      {"n", 2, "12.5", "12.5"},
      {"z", 0, "", "null"},
      {"t", 1, "true", "true"},
      {"o", 4, "[object Object]", R"({"k":"v"})"},
      {"o.k", 6, "v", "\"v\""},
      {"a", 5, "1,two,[object Object]", R"([1,"two",{"x":3}])"},
      {"['a'][2].x", 2, "3", "3"},
      {"a[1]", 6, "two", "\"two\""},
      {"data", 6, "D", "\"D\""},  // begins with "da" but is a member
      {"missing", 0, "", ""},
      {"missing.deeper", -1, "", ""},
      {"da", 4, "[object Object]", kDocument},  // the whole document
      {"", 4, "[object Object]", kDocument},
  };
  JsonObject json = parsed(kDocument);
  for (const auto& c : cases) {
    EXPECT_EQ(json.get_type(c.path), c.type) << c.path;
    EXPECT_EQ(json.get_text(c.path, false), c.text) << c.path;
    EXPECT_EQ(json.get_text(c.path, true), c.json) << c.path;
    EXPECT_EQ(json.get_json_text(c.path), c.json) << c.path;
  }
}

TEST(JsonObjectTest, ResolvePathRewritesRelativePaths) {
  const struct {
    const char* path;
    const char* resolved;
    bool exists;
  } cases[] = {
      {"", "da", true},         {"s", "da.s", true},
      {"['a'][0]", "da['a'][0]", true}, {"da.o", "da.o", true},
      {"da.x", "da.da.x", false}, {"data", "da.data", true},
      {"missing", "da.missing", false},
  };
  JsonObject json = parsed(kDocument);
  for (const auto& c : cases) {
    std::string path = c.path;
    EXPECT_EQ(json.resolve_path(path), c.exists) << c.path;
    EXPECT_EQ(path, c.resolved);
  }
}

TEST(JsonObjectTest, CountsMembersAndItems) {
  const struct {
    const char* path;
    int count;
    const char* names;  // joined with "|"
  } cases[] = {
      {"", 0, "s|n|z|t|o|a|e|data"}, {"a", 3, ""}, {"e", 0, ""},
      {"o", 0, "k"},                  {"s", 0, ""}, {"missing", 0, ""},
  };
  JsonObject json = parsed(kDocument);
  for (const auto& c : cases) {
    EXPECT_EQ(json.get_count(c.path), c.count) << c.path;
    runtime::Array<std::string> names{"stale"};
    const runtime::Array<std::string> expected = runtime::split(c.names, "|");
    EXPECT_EQ(json.get_member_names(names, c.path), expected.count()) << c.path;
    EXPECT_EQ(names.items(), expected.items()) << c.path;
  }
}

TEST(JsonObjectTest, ReadsItemsByIndex) {
  JsonObject json = parsed(kDocument);
  EXPECT_EQ(json.get_item_text(1, "a"), "two");
  EXPECT_EQ(json.get_item_text(0, "a"), "");  // a number has no replace method
  EXPECT_EQ(json.get_text("a[0]"), "1");
  EXPECT_EQ(json.get_item_text(2, "a", true), R"({"x":3})");
  EXPECT_EQ(json.get_item_text(7, "a", true), "");
  EXPECT_EQ(json.get_item_object(2, "['a']").get_text("x"), "3");
}

TEST(JsonObjectTest, SubObjectsAreIndependentCopies) {
  JsonObject json = parsed(kDocument);
  JsonObject part = json.get_object("o");
  EXPECT_NE(part.get_engine(), json.get_engine());
  EXPECT_TRUE(part.set_text("k", "changed"));
  EXPECT_EQ(part.to_text(), R"({"k":"changed"})");
  EXPECT_EQ(json.get_text("o.k"), "v");
  EXPECT_EQ(json.get_object("missing").to_text(), "");
  EXPECT_EQ(json.get_object("missing").get_type(""), 0);
}

TEST(JsonObjectTest, FreshObjectIsAnEmptyObject) {
  JsonObject json;
  EXPECT_EQ(json.to_text(), "{}");
  EXPECT_EQ(json.get_type(""), 4);
  EXPECT_EQ(json.get_type("missing"), 0);
  EXPECT_EQ(json.get_type("missing.member"), -1);
  EXPECT_EQ(json.var_name(), "da");
}

TEST(JsonObjectTest, CopiesShareTheDocumentUntilOneParses) {
  JsonObject first;
  JsonObject second = first.copy();
  EXPECT_EQ(second.get_engine(), first.get_engine());
  first.set_text("x", "1");
  EXPECT_EQ(second.get_text("x"), "1");
  second.set_number("n", 2);
  EXPECT_EQ(first.get_number("n"), 2.0);
  ASSERT_TRUE(second.parse("{y: 2}"));
  EXPECT_EQ(first.to_text(), R"({"x":"1","n":2})");
  EXPECT_EQ(second.to_text(), R"({"y":2})");
}

TEST(JsonObjectTest, ChangesMembersAndItems) {
  JsonObject json;
  EXPECT_TRUE(json.set_expression("sum", "1 + 2"));
  EXPECT_TRUE(json.set_expression("upper", "'\"x\".toUpperCase()'"));
  EXPECT_TRUE(json.set_number("big", 1e20));
  EXPECT_TRUE(json.set_number("neg", -3.25));
  EXPECT_FALSE(json.set_number("zero", 0));  // the value as a logical
  EXPECT_FALSE(json.set_number("nan", std::nan("")));
  EXPECT_TRUE(json.append_item("a", "list"));
  EXPECT_TRUE(json.append_item(R"({"k":1})", "list", true));
  EXPECT_TRUE(json.set_item(2, "list", "c"));
  EXPECT_TRUE(json.remove_item(0, "list"));
  EXPECT_EQ(json.to_text(), R"({"sum":3,"upper":"X","big":100000000000000000000,)"
                            R"("neg":-3.25,"zero":0,"nan":null,"list":[{"k":1},"c"]})");
  EXPECT_EQ(json.get_number("neg"), -3.25);
  EXPECT_EQ(json.get_number("upper"), 0.0);
  EXPECT_EQ(json.get_type("nan"), 2);
  EXPECT_TRUE(json.append_item("d", "upper"));  // a string becomes an array
  EXPECT_EQ(json.get_json_text("upper"), R"(["d"])");
  EXPECT_TRUE(json.clear());
  EXPECT_EQ(json.to_text(), "{}");
}

TEST(JsonObjectTest, SetTextStoresTextsExactly) {
  const char* values[] = {
      "it's",     "say \"hi\"", "C:\\dir\\file", "line1\r\nline2", "a\nb\rc",
      "誠\\x",     "中文",       "",               "\\u4e2d",        "all ' \" \\ \n",
  };
  for (const char* value : values) {
    JsonObject json;
    json.set_text("v", value);
    EXPECT_EQ(json.get_text("v", false), value);
    EXPECT_EQ(json.get_type("v"), 6);
  }
  JsonObject json;
  EXPECT_FALSE(json.append_item("all ' \" \\ \n", "list"));
  EXPECT_EQ(json.get_type("list"), 0);
}

TEST(JsonObjectTest, StoredBackslashesAreWrittenAsTheyAre) {
  JsonObject json;
  json.set_text("c", "\\u4e2d");
  EXPECT_EQ(json.to_text(), R"({"c":"\u4e2d"})");
  EXPECT_EQ(json.get_json_text("c"), R"("\u4e2d")");
  EXPECT_EQ(parsed(json.to_text().c_str()).get_text("c"), "中");
  // A backslash that came in through parse is an ordinary character.
  EXPECT_EQ(parsed(R"({"p":"a\\b"})").to_text(), R"({"p":"a\\b"})");
}

TEST(JsonObjectTest, SetTextWithJsonMergesIntoExistingMembers) {
  JsonObject json = parsed(
      R"({"o":{"s":"old","b":false,"sub":{"x":"1","y":"2"},"keep":"k"},"arr":[1]})");
  EXPECT_TRUE(json.set_text("o", R"({"s":"new","b":true,"add":"A","sub":{"x":"X"}})", true));
  EXPECT_EQ(json.get_json_text("o"),
            R"({"s":"new","b":true,"sub":{"x":"X","y":"2"},"keep":"k","add":"A"})");
  EXPECT_TRUE(json.set_text("arr", "[2, 3]", true));
  EXPECT_EQ(json.get_json_text("arr"), "[1,2,3]");
  EXPECT_TRUE(json.set_text("fresh", R"({"a":1})", true));
  EXPECT_EQ(json.get_json_text("fresh"), R"({"a":1})");
  EXPECT_TRUE(json.set_text("blank", "", true));
  EXPECT_EQ(json.get_json_text("blank"), "{}");

  // A number member makes the merge raise part way.
  JsonObject stopped = parsed(R"({"o":{"first":"1","num":5,"last":"L"}})");
  EXPECT_FALSE(stopped.set_text("o", R"({"first":"F","num":6,"last":"Z"})", true));
  EXPECT_EQ(stopped.get_json_text("o"), R"({"first":"F","num":5,"last":"L"})");
}

TEST(JsonObjectTest, RemovesMembersButNotTheDocument) {
  JsonObject json = parsed(kDocument);
  EXPECT_FALSE(json.remove_member(""));
  EXPECT_EQ(json.to_text(), kDocument);
  EXPECT_TRUE(json.remove_member("s"));
  EXPECT_EQ(json.get_type("s"), 0);
  EXPECT_TRUE(json.remove_member("missing"));
  EXPECT_TRUE(json.remove_member("['o'].k"));
  EXPECT_EQ(json.get_json_text("o"), "{}");
}

}  // namespace
