// Reading the service's answers to the manual translation: results, error
// codes, and answers that cannot be read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "translate/manual_translate.h"

namespace {

using translate::ManualAnswer;
using translate::read_manual_answer;
using Lines = std::vector<std::string>;

std::string answer_with(const std::string& results) {
  return R"({"from":"en","to":"zh","trans_result":[)" + results + "]}";
}

std::string result(const std::string& src, const std::string& dst) {
  return R"({"src":")" + src + R"(","dst":")" + dst + R"("})";
}

struct ResultCase {
  const char* why;
  std::string answer;
  Lines lines;  // GBK
  int result_count;  // the entries really there
};

TEST(ReadManualAnswerTest, GivesOneLinePerResultInTheAnswersOrder) {
  const ResultCase cases[] = {
      {"three results, escapes decoded",
       answer_with(result("Open", "\\u6253\\u5f00") + "," + result("Save", "\\u4fdd\\u5b58") + "," +
                   result("Exit", "\\u9000\\u51fa")),
       {"打开", "保存", "退出"}, 3},
      {"one result, plain ASCII", answer_with(result("x", "Tom & Jerry")), {"Tom & Jerry"}, 1},
      {"empty translation", answer_with(result("x", "")), {""}, 1},
      // The results are counted by their separators: one inside a
      // translation adds an index for which nothing exists.
      {"separator inside the translation",
       answer_with(result("a", "a},{b") + "," + result("c", "c")), {"a},{b", "c", ""}, 2},
      {"right single quotation mark", answer_with(result("x", "it\\u2019s")), {"it's"}, 1},
      {"apostrophe", answer_with(result("x", "it's")), {"it's"}, 1},
      // Escapes other than \u reach the JSON reader intact.
      {"escaped quote", answer_with(result("x", "Say \\\"hi\\\"")), {"Say \"hi\""}, 1},
      {"escaped backslash before u", answer_with(result("x", "C:\\\\user")), {"C:\\user"}, 1},
      {"escaped line feed and tab", answer_with(result("x", "a\\nb\\tc")), {"a\nb\tc"}, 1},
      {"quote written as \\u escape", answer_with(result("x", "\\u0022q\\u0022")), {"\"q\""}, 1},
      // Percent signs and the decoder's line-break marker are no escapes.
      {"percent sequences stay", answer_with(result("x", "100%41 %u4e2d")), {"100%41 %u4e2d"}, 1},
      {"line-break marker stays", answer_with(result("x", "a{$}b")), {"a{$}b"}, 1},
      {"pretty-printed answer",
       "{\n  \"trans_result\": [\r\n    {\"src\": \"Open\", \"dst\": \"\\u6253\\u5f00\"}\n  ]\n}",
       {"打开"}, 1},
  };
  for (const ResultCase& c : cases) {
    SCOPED_TRACE(c.why);
    const ManualAnswer answer = read_manual_answer(c.answer);
    EXPECT_EQ(answer.kind, ManualAnswer::Kind::kResults);
    EXPECT_EQ(answer.lines, c.lines);
    EXPECT_EQ(answer.result_count, c.result_count);
    EXPECT_EQ(answer.message, "");
  }
}

struct ErrorCase {
  std::string answer;
  const char* code;
  const char* message;
};

TEST(ReadManualAnswerTest, ExplainsTheServicesErrorCode) {
  const ErrorCase cases[] = {
      {R"({"error_code":"54003","error_msg":"Invalid Access Limit"})", "54003",
       "访问频率受限，请降低您的调用频率,或进行身份认证后切换为高级版尊享版"},
      {R"({"error_code":"90107","error_msg":"x"})", "90107",
       "认证未通过或未生效,请前往我的认证查看认证进度"},
      {R"({"error_code":"54001","error_msg":"Invalid Sign"})", "54001",
       "签名错误，请检查您的签名生成方法"},
      {R"({"error_code":"12345"})", "12345", "未知原因"},
      {R"({"error_code":52001})", "52001", "请求超时，请重试"},  // a number reads as its digits
      {R"({"from":"en","to":"zh"})", "", "未知原因"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.answer);
    const ManualAnswer answer = read_manual_answer(c.answer);
    EXPECT_EQ(answer.kind, ManualAnswer::Kind::kError);
    EXPECT_EQ(answer.error_code, c.code);
    EXPECT_EQ(answer.message, c.message);
    EXPECT_TRUE(answer.lines.empty());
  }
}

TEST(ReadManualAnswerTest, ShowsNothingForAnAnswerThatIsNoJson) {
  const std::string cases[] = {
      "",
      "<html><body>502 Bad Gateway</body></html>",
      R"({"trans_result":[{"src":"a","dst":"unterminated)",
      "null",
  };
  for (const std::string& c : cases) {
    SCOPED_TRACE(c);
    const ManualAnswer answer = read_manual_answer(c);
    EXPECT_EQ(answer.kind, ManualAnswer::Kind::kNothing);
    EXPECT_TRUE(answer.lines.empty());
    EXPECT_EQ(answer.message, "");
  }
}

}  // namespace
