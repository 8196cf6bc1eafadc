// Reading chat models' answers the way real models write them, and what the
// chat engine sends.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "translate/chat_post.h"
#include "translate/chat_request.h"

namespace {

using translate::ChatReply;
using Texts = std::vector<std::string>;

struct ShapeCase {
  const char* shape;
  std::string content;
  size_t expected_count;
  std::optional<Texts> found;
};

TEST(ChatAnswerTest, FindsTheArrayInTheShapesRealModelsAnswerIn) {
  const Texts two = {u8"打开", u8"保存"};
  const ShapeCase cases[] = {
      {"plain", u8R"(["打开","保存"])", 2, two},
      {"fenced with a language", u8"```json\n[\"打开\", \"保存\"]\n```", 2, two},
      {"fenced without one", u8"```\n[\n  \"打开\",\n  \"保存\"\n]\n```", 2, two},
      {"prose, then a fence", u8"Sure! [1] below:\n```json\n[\"打开\",\"保存\"]\n```\nDone.", 2, two},
      {"<think> first, a decoy array inside", u8"<think>\n[\"x\",\"y\"] maybe?\n</think>\n[\"打开\",\"保存\"]", 2, two},
      {"only the end of the thoughts", u8"thinking... [\"x\",\"y\"]</think>\n\n[\"打开\",\"保存\"]", 2, two},
      {"thoughts cut off", u8"<think>\nThe user wants [\"打开\",\"保存\"]", 2, std::nullopt},
      {"prose around, brackets in it", u8"Here [as asked]:\n[\"打开\",\"保存\"]\nHope it helps [:)]", 2, two},
      {"wrapped in an object", u8R"({"translations":["打开","保存"]})", 2, two},
      {"escapes and brackets in strings", R"(["a]\"b\\","[{c}]"])", 2, Texts{"a]\"b\\", "[{c}]"}},
      {"\\u escapes", R"(["\u6253\u5f00"])", 1, Texts{u8"打开"}},
      {"an element missing", u8R"(["打开"])", 2, std::nullopt},
      {"one too many", u8R"(["打开","保存","退出"])", 2, std::nullopt},
      {"a number among them", u8R"(["打开",2])", 2, std::nullopt},
      {"arrays of arrays", R"([["a"],["b"]])", 2, std::nullopt},
      {"an array that never closes", u8"[\"打开\",\"保存\"", 2, std::nullopt},
      {"no array at all", u8"打开\n保存", 2, std::nullopt},
      {"empty", "", 1, std::nullopt},
      {"an empty array for no texts", "[]", 0, Texts{}},
  };
  for (const ShapeCase& c : cases) {
    SCOPED_TRACE(c.shape);
    EXPECT_EQ(translate::read_translation_array(c.content, c.expected_count), c.found);
  }
}

TEST(ChatAnswerTest, ReadsTheReplyByStatusAndTheEndpointsOwnMessage) {
  const struct {
    int status;
    std::string body;
    ChatReply::Kind kind;
    std::string content;
    std::string message;
  } cases[] = {
      {200, R"({"choices":[{"index":0,"message":{"role":"assistant","content":"[\"x\"]"}}]})",
       ChatReply::Kind::kContent, R"(["x"])", ""},
      {200, R"({"choices":[{"message":{"role":"assistant","content":null}}]})", ChatReply::Kind::kFailed, "", ""},
      {200, R"({"choices":[]})", ChatReply::Kind::kFailed, "", ""},
      {200, "<html>proxy login</html>", ChatReply::Kind::kFailed, "", ""},
      {401, R"({"error":{"message":"Incorrect API key provided: sk-***-456.","type":"invalid_request_error"}})",
       ChatReply::Kind::kRefused, "", "Incorrect API key provided: sk-***-456."},
      {403, R"({"error":"Your account is not active"})", ChatReply::Kind::kRefused, "", "Your account is not active"},
      {401, "Unauthorized", ChatReply::Kind::kRefused, "", ""},
      {429, R"({"error":{"message":"Rate limit reached"}})", ChatReply::Kind::kRateLimited, "", "Rate limit reached"},
      {500, "", ChatReply::Kind::kServerFault, "", ""},
      {503, R"({"error":{"message":"overloaded"}})", ChatReply::Kind::kServerFault, "", "overloaded"},
      {404, R"({"error":{"message":"model not found"}})", ChatReply::Kind::kFailed, "", "model not found"},
      {0, "", ChatReply::Kind::kFailed, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    const ChatReply reply = translate::read_chat_reply(c.status, c.body);
    EXPECT_EQ(reply.kind, c.kind);
    EXPECT_EQ(reply.content, c.content);
    EXPECT_EQ(reply.message, c.message);
  }
}

TEST(ChatAnswerTest, RequestCarriesModelPromptAndTextsAsAnArray) {
  const std::string prompt = translate::chat_system_prompt("auto", "jp");
  EXPECT_NE(prompt.find("into Japanese"), std::string::npos) << prompt;
  EXPECT_EQ(prompt.find(" from "), std::string::npos) << prompt;
  EXPECT_NE(translate::chat_system_prompt("en", "zh").find("from English into Simplified Chinese"),
            std::string::npos);

  const Texts texts = {u8"&Open\tCtrl+O", "\"quoted\" %d", ""};
  const nlohmann::json body = nlohmann::json::parse(translate::chat_request_body("m:7b", prompt, texts));
  EXPECT_EQ(body["model"], "m:7b");
  EXPECT_EQ(body["temperature"], 0);
  EXPECT_EQ(body["stream"], false);
  ASSERT_EQ(body["messages"].size(), 2u);
  EXPECT_EQ(body["messages"][0]["role"], "system");
  EXPECT_EQ(body["messages"][0]["content"], prompt);
  EXPECT_EQ(body["messages"][1]["role"], "user");
  EXPECT_EQ(nlohmann::json::parse(body["messages"][1]["content"].get<std::string>()), nlohmann::json(texts));
}

TEST(ChatAnswerTest, RetryAfterCountsOnlyWhenGivenInSeconds) {
  const struct {
    std::string headers;
    int seconds;
  } cases[] = {
      {"HTTP/1.1 429 Too Many Requests\r\nRetry-After: 7\r\nContent-Length: 2\r\n\r\n", 7},
      {"HTTP/1.1 429 Too Many Requests\r\nretry-after:30\r\n\r\n", 30},
      {"HTTP/1.1 429 Too Many Requests\r\nRetry-After: Wed, 21 Oct 2026 07:28:00 GMT\r\n\r\n", -1},
      {"HTTP/1.1 429 Too Many Requests\r\nX-Retry-After: 5\r\n\r\n", -1},
      {"HTTP/1.1 429 Too Many Requests\r\n\r\n", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(translate::retry_after_seconds(c.headers), c.seconds) << c.headers;
  }
}

}  // namespace
