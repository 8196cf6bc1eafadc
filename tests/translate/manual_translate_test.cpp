// The manual translation request against the translation-service stand-in:
// what arrives (read back from its request log) and what is read from its
// answers, refusals and silence.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "build_constants.h"
#include "tests/support/translate_standin.h"
#include "translate/manual_translate.h"

namespace {

using translate::ManualAnswer;
using translate::ManualRequest;
using Lines = std::vector<std::string>;

constexpr char kUserAgent[] =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/50.0.2661.87 Safari/537.36";

std::string regex_escaped(const std::string& text) {
  return std::regex_replace(text, std::regex(R"([\\^$.|?*+()\[\]{}])"), R"(\$&)");
}

ManualRequest request(const std::string& text, const std::string& from = "en",
                      const std::string& to = "zh") {
  return {text, from, to, moqiao::build::kAppId, moqiao::build::kSecretKey};
}

struct WireCase {
  std::string text;         // GBK
  std::string from, to;
  std::string logged_query; // the decoded q in the stand-in's log (JSON-escaped UTF-8)
  Lines lines;              // GBK
  std::string service_options = "";  // how the stand-in writes its answers
};

TEST(ManualTranslateTest, PostsTheSignedFormAndReadsEveryResult) {
  const WireCase cases[] = {
      {"Open\r\nSave\r\nExit", "en", "zh", "Open\\r\\nSave\\r\\nExit", {"打开", "保存", "退出"}},
      {"Tom & Jerry", "en", "zh", "Tom & Jerry", {"Tom & Jerry"}},
      {"a=b+c 100%", "auto", "zh", "a=b+c 100%", {"a=b+c 100%"}},
      {"打开", "zh", "en", "\\u6253\\u5f00", {"Open"}},
      {"Say \"hi\"", "en", "zh", "Say \\\"hi\\\"", {"Say \"hi\""}},
      // Other valid ways of writing the answer read the same.
      {"a/b\r\nOpen", "en", "zh", "a/b\\r\\nOpen", {"a/b", "打开"}, "--escaped-slashes"},
      {"Open\r\nSave\r\nExit", "en", "zh", "Open\\r\\nSave\\r\\nExit", {"打开", "保存", "退出"},
       "--spaced-json"},
      {"x/\"y\"\r\n$1 {$} 100%41", "en", "zh", "x/\\\"y\\\"\\r\\n$1 {$} 100%41",
       {"x/\"y\"", "$1 {$} 100%41"}, "--spaced-json --escaped-slashes"},
  };
  test_support::TranslateStandin service;
  std::string running_with = "(none)";
  size_t sent = 0;  // requests to the stand-in now running
  for (const WireCase& c : cases) {
    SCOPED_TRACE(c.text + " " + c.service_options);
    if (c.service_options != running_with) {
      ASSERT_TRUE(service.start(c.service_options));
      running_with = c.service_options;
      sent = 0;
    }
    const ManualAnswer answer = translate::manual_translate(request(c.text, c.from, c.to));
    EXPECT_EQ(answer.kind, ManualAnswer::Kind::kResults);
    EXPECT_EQ(answer.lines, c.lines);

    const std::vector<std::string> lines = service.log_lines(++sent);
    ASSERT_EQ(lines.size(), sent);
    const std::string& line = lines.back();
    SCOPED_TRACE(line);
    // "ok": the whole text arrived and the signature over it checked out.
    EXPECT_NE(line.find("\"outcome\":\"ok\""), std::string::npos);
    EXPECT_NE(line.find("\"method\":\"POST\""), std::string::npos);
    EXPECT_NE(line.find("\"target\":\"/api/trans/vip/translate\""), std::string::npos);
    EXPECT_NE(line.find(std::string("[\"User-Agent\",\"") + kUserAgent + "\"]"), std::string::npos);
    const std::regex params("\"params\":\\[\\[\"q\",\"" + regex_escaped(c.logged_query) +
                            "\"\\],\\[\"from\",\"" + c.from + "\"\\],\\[\"to\",\"" + c.to +
                            "\"\\],\\[\"appid\",\"" + moqiao::build::kAppId +
                            "\"\\],\\[\"salt\",\"[0-9]{10}\"\\],\\[\"sign\",\"[0-9a-f]{32}\"\\]\\]");
    EXPECT_TRUE(std::regex_search(line, params)) << c.logged_query;
  }
}

struct RefusalCase {
  const char* why;
  std::string service_options;
  ManualRequest request;
  const char* code;
  const char* message;
};

TEST(ManualTranslateTest, ExplainsWhatTheServiceRefused) {
  const RefusalCase cases[] = {
      {"rate limit", "--force-error 54003", request("Open"), "54003",
       "访问频率受限，请降低您的调用频率,或进行身份认证后切换为高级版尊享版"},
      {"wrong secret key", "",
       {"Open", "en", "zh", moqiao::build::kAppId, "NotTheKey"}, "54001",
       "签名错误，请检查您的签名生成方法"},
      {"unknown application", "", {"Open", "en", "zh", "1", moqiao::build::kSecretKey}, "52003",
       "未授权用户，请检查您的 appid是否正确,或者服务是否开通"},
      {"empty target language", "", request("Open", "en", ""), "54000",
       "必填参数为空，请检查是否少传参数"},
      {"unsupported target language", "", request("Open", "en", "auto"), "58001",
       "译文语言方向不支持,检查译文语言是否在语言列表里"},
      {"numeric error code", "--numeric-error-code", request("Open", "en", "auto"), "58001",
       "译文语言方向不支持,检查译文语言是否在语言列表里"},
      {"spaced answer, numeric code", "--force-error 54003 --spaced-json --numeric-error-code",
       request("Open"), "54003",
       "访问频率受限，请降低您的调用频率,或进行身份认证后切换为高级版尊享版"},
      {"wrong key, slashes escaped", "--escaped-slashes",
       {"Open", "en", "zh", moqiao::build::kAppId, "NotTheKey"}, "54001",
       "签名错误，请检查您的签名生成方法"},
  };
  test_support::TranslateStandin service;
  std::string running_with = "(none)";
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.why);
    if (c.service_options != running_with) {
      ASSERT_TRUE(service.start(c.service_options));
      running_with = c.service_options;
    }
    const ManualAnswer answer = translate::manual_translate(c.request);
    EXPECT_EQ(answer.kind, ManualAnswer::Kind::kError);
    EXPECT_EQ(answer.error_code, c.code);
    EXPECT_EQ(answer.message, c.message);
    EXPECT_TRUE(answer.lines.empty());
  }
}

TEST(ManualTranslateTest, ReadsNothingWhenTheServiceIsDown) {
  const ManualAnswer answer = translate::manual_translate(request("Open"));
  EXPECT_EQ(answer.kind, ManualAnswer::Kind::kNothing);
  EXPECT_TRUE(answer.lines.empty());
  EXPECT_EQ(answer.message, "");
}

}  // namespace
