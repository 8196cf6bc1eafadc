// The chat-model stand-in through its real HTTP interface: the shapes of
// its answers, the refusals, and what its log records of each request.
#include <gtest/gtest.h>
#include <httplib.h>

#include <nlohmann/json.hpp>

#include "raw_http.h"
#include "scratch.h"
#include "standin/chat_server.h"

namespace {

using Json = nlohmann::json;
using standin_test::RunningServer;

std::string request_body(const std::string& model, const std::string& target, const Json& texts) {
  return Json{{"model", model},
              {"messages",
               {{{"role", "system"}, {"content", "Translate into " + target + ". Answer with a JSON array."}},
                {{"role", "user"}, {"content", texts.dump()}}}},
              {"temperature", 0},
              {"stream", false}}
      .dump();
}

standin::Glossary shipped_glossary() {
  standin::Glossary glossary;
  std::string error;
  EXPECT_TRUE(glossary.load_file(STANDIN_GLOSSARY_FILE, error)) << error;
  return glossary;
}

struct ChatCase {
  const char* name;
  std::vector<std::string> options;
  std::string key;     // sent as Bearer when not empty
  std::string target;  // named in the system prompt
  Json texts;
  int status;
  std::string content;          // exact message content on 200
  std::string error_message;    // part of error.message otherwise
  std::string retry_after;      // expected header, "" when none
};

TEST(ChatStandinTest, AnswersInTheShapesOfRealModelsAndRefusesAsEndpointsDo) {
  const standin::Glossary glossary = shipped_glossary();
  const Json texts = {"Open", "Save", "Exit", "Unknown words"};
  const std::string plain = R"(["打开","保存","退出","Unknown words"])";
  const ChatCase cases[] = {
      {"plain", {}, "", "Simplified Chinese", texts, 200, plain, "", ""},
      {"fenced", {"--shape", "fenced"}, "", "Simplified Chinese", {"Open"}, 200,
       "```json\n[\n  \"打开\"\n]\n```", "", ""},
      {"think first", {"--shape", "think"}, "", "Simplified Chinese", {"Help"}, 200,
       "<think>\nThe user wants these interface texts translated. [\"Open\"] is a button, so a "
       "short word fits.\n</think>\n\n[\"帮助\"]",
       "", ""},
      {"prose around", {"--shape", "prose"}, "", "Simplified Chinese", {"Cancel"}, 200,
       "Here are the translations, in the same order [as asked]:\n\n[\"取消\"]\n\nEach element "
       "keeps its markers and placeholders.",
       "", ""},
      {"an element missing", {"--drop-element"}, "", "Simplified Chinese", texts, 200,
       R"(["打开","保存","退出"])", "", ""},
      {"two elements are kept whole", {"--drop-element"}, "", "Simplified Chinese", {"Open", "Save"},
       200, R"(["打开","保存"])", "", ""},
      {"back into English", {}, "", "English", {"打开", "帮助"}, 200, R"(["Open","Help"])", "", ""},
      {"lines of one text", {}, "", "Simplified Chinese", {"Open\nSave"}, 200, R"(["打开\n保存"])", "", ""},
      {"the right key", {"--api-key", "sk-right-key-123"}, "sk-right-key-123", "Simplified Chinese",
       {"Open"}, 200, R"(["打开"])", "", ""},
      {"a wrong key", {"--api-key", "sk-right-key-123"}, "sk-wrong-key-456", "Simplified Chinese",
       {"Open"}, 401, "", "Incorrect API key provided: sk-***-456.", ""},
      {"no key", {"--api-key", "sk-right-key-123"}, "", "Simplified Chinese", {"Open"}, 401, "",
       "You didn't provide an API key.", ""},
      {"another model", {"--model", "llama3.1:8b"}, "", "Simplified Chinese", {"Open"}, 404, "",
       "does not exist", ""},
      {"rate limited", {"--rate-limited", "1", "--retry-after", "7"}, "", "Simplified Chinese",
       {"Open"}, 429, "", "Rate limit", "7"},
      {"server fault", {"--server-errors", "1"}, "", "Simplified Chinese", {"Open"}, 500, "",
       "server had an error", ""},
  };
  for (const ChatCase& c : cases) {
    SCOPED_TRACE(c.name);
    standin::ChatOptions options;
    std::string message;
    ASSERT_EQ(standin::parse_chat_options(c.options, options, message), standin::StartChoice::run)
        << message;
    options.log_path = standin_test::scratch_path("chat.log");
    RunningServer<standin::ChatServer> server(options, glossary);
    ASSERT_GT(server.port(), 0) << server.error();
    httplib::Client client("127.0.0.1", server.port());
    httplib::Headers headers;
    if (!c.key.empty()) headers.emplace("Authorization", "Bearer " + c.key);
    const auto result = client.Post("/v1/chat/completions", headers,
                                    request_body("qwen2.5:7b", c.target, c.texts), "application/json");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, c.status);
    EXPECT_EQ(result->get_header_value("Retry-After"), c.retry_after);
    const Json answer = Json::parse(result->body, nullptr, false);
    ASSERT_TRUE(answer.is_object()) << result->body;
    if (c.status == 200) {
      EXPECT_EQ(answer["model"], "qwen2.5:7b");
      EXPECT_EQ(answer["choices"][0]["message"]["role"], "assistant");
      EXPECT_EQ(answer["choices"][0]["message"]["content"], c.content);
    } else {
      EXPECT_NE(answer["error"]["message"].get<std::string>().find(c.error_message), std::string::npos)
          << result->body;
    }
    // The log names what was asked, for the tests of the client.
    const std::string log = standin_test::read_file(options.log_path);
    EXPECT_NE(log.find(R"(["model","qwen2.5:7b"])"), std::string::npos) << log;
    EXPECT_NE(log.find("\"status\":" + std::to_string(c.status)), std::string::npos) << log;
    if (!c.key.empty()) EXPECT_NE(log.find("Bearer " + c.key), std::string::npos) << log;
  }
}

}  // namespace
