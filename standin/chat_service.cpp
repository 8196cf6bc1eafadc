#include "standin/chat_service.h"

#include <nlohmann/json.hpp>

#include <utility>

namespace standin {
namespace {

using Json = nlohmann::json;

// The language names a system prompt may ask for, as the client writes them.
const std::pair<const char*, const char*> kLanguageNames[] = {
    {"Simplified Chinese", "zh"}, {"Traditional Chinese", "cht"}, {"Classical Chinese", "wyw"},
    {"Cantonese", "yue"},         {"English", "en"},              {"Japanese", "jp"},
    {"Korean", "kor"},            {"French", "fra"},              {"Spanish", "spa"},
    {"Thai", "th"},               {"Arabic", "ara"},              {"Russian", "ru"},
    {"Portuguese", "pt"},         {"German", "de"},               {"Italian", "it"},
    {"Greek", "el"},              {"Dutch", "nl"},                {"Polish", "pl"},
    {"Bulgarian", "bul"},         {"Estonian", "est"},            {"Danish", "dan"},
    {"Finnish", "fin"},           {"Czech", "cs"},                {"Romanian", "rom"},
    {"Slovenian", "slo"},         {"Swedish", "swe"},             {"Hungarian", "hu"},
    {"Vietnamese", "vie"},
};

std::string error_json(const std::string& message, const char* type, const char* code) {
  return Json{{"error", {{"message", message}, {"type", type}, {"param", nullptr}, {"code", code}}}}
      .dump();
}

std::string completion_json(const std::string& model, const std::string& content, long long id) {
  Json choice = {{"index", 0},
                 {"message", {{"role", "assistant"}, {"content", content}}},
                 {"finish_reason", "stop"}};
  return Json{{"id", "chatcmpl-" + std::to_string(id)},
              {"object", "chat.completion"},
              {"created", 1765180800},
              {"model", model},
              {"choices", Json::array({choice})},
              {"usage", {{"prompt_tokens", 0}, {"completion_tokens", 0}, {"total_tokens", 0}}}}
      .dump(-1, ' ', false, Json::error_handler_t::replace);
}

// "sk-abcdef123456" as OpenAI's own message shows it: the ends only.
std::string masked_key(const std::string& key) {
  if (key.size() <= 8) return "***";
  return key.substr(0, 3) + "***" + key.substr(key.size() - 4);
}

std::string bearer_key(const std::string& authorization) {
  const std::string prefix = "Bearer ";
  return authorization.compare(0, prefix.size(), prefix) == 0 ? authorization.substr(prefix.size())
                                                               : std::string();
}

std::string joined_lines(const std::vector<std::string>& texts) {
  std::string joined;
  for (size_t i = 0; i < texts.size(); ++i) joined += (i ? "\n" : "") + texts[i];
  return joined;
}

}  // namespace

bool parse_chat_shape(const std::string& name, ChatShape& shape) {
  if (name == "plain") shape = ChatShape::plain;
  else if (name == "fenced") shape = ChatShape::fenced;
  else if (name == "think") shape = ChatShape::think;
  else if (name == "prose") shape = ChatShape::prose;
  else return false;
  return true;
}

std::string target_language_of(const std::string& system_prompt) {
  for (const auto& [name, code] : kLanguageNames) {
    if (system_prompt.find(std::string("into ") + name) != std::string::npos) return code;
  }
  return "zh";
}

ChatService::ChatService(ChatSettings settings, const Glossary& glossary)
    : settings_(std::move(settings)), glossary_(glossary) {}

std::string ChatService::reply(const std::vector<std::string>& texts, const std::string& to) const {
  Json translations = Json::array();
  for (const std::string& text : texts) {
    // The glossary knows lines; a text of several keeps its breaks.
    std::string translated;
    size_t start = 0;
    for (;;) {
      const size_t end = text.find('\n', start);
      std::string line = text.substr(start, end == std::string::npos ? end : end - start);
      const bool carriage_return = !line.empty() && line.back() == '\r';
      if (carriage_return) line.pop_back();
      translated += glossary_.translate_line(line, detect_language(line), to);
      if (carriage_return) translated += '\r';
      if (end == std::string::npos) break;
      translated += '\n';
      start = end + 1;
    }
    translations.push_back(translated);
  }
  if (settings_.drop_element && translations.size() > 2) translations.erase(translations.size() - 1);
  const std::string array = translations.dump(-1, ' ', false, Json::error_handler_t::replace);
  switch (settings_.shape) {
    case ChatShape::plain:
      return array;
    case ChatShape::fenced:
      return "```json\n" + translations.dump(2, ' ', false, Json::error_handler_t::replace) + "\n```";
    case ChatShape::think:
      return "<think>\nThe user wants these interface texts translated. [\"Open\"] is a button, "
             "so a short word fits.\n</think>\n\n" + array;
    case ChatShape::prose:
      return "Here are the translations, in the same order [as asked]:\n\n" + array +
             "\n\nEach element keeps its markers and placeholders.";
  }
  return array;
}

ChatAnswer ChatService::answer(const std::string& authorization, const std::string& body) {
  ChatAnswer answer;
  const Json request = Json::parse(body, nullptr, false);
  std::string model, system_prompt, user_text;
  if (request.is_object() && request.contains("model") && request["model"].is_string()) {
    model = request["model"].get<std::string>();
  }
  if (request.is_object() && request.contains("messages") && request["messages"].is_array()) {
    for (const Json& message : request["messages"]) {
      if (!message.is_object() || !message.contains("content") || !message["content"].is_string()) {
        continue;
      }
      const std::string role = message.value("role", "");
      if (role == "system") system_prompt = message["content"].get<std::string>();
      if (role == "user") user_text = message["content"].get<std::string>();
    }
  }
  const std::string to = target_language_of(system_prompt);
  std::vector<std::string> texts;
  const Json sent = Json::parse(user_text, nullptr, false);
  if (sent.is_array()) {
    for (const Json& text : sent) texts.push_back(text.is_string() ? text.get<std::string>() : text.dump());
  } else if (!user_text.empty()) {
    texts.push_back(user_text);
  }
  answer.seen = {{"model", model}, {"authorization", authorization}, {"q", joined_lines(texts)},
                 {"to", to}};

  long long number;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    number = ++requests_;
  }
  const std::string key = bearer_key(authorization);
  if (!settings_.api_key.empty() && key != settings_.api_key) {
    answer.status = 401;
    answer.outcome = "unauthorized";
    answer.json = key.empty() ? error_json("You didn't provide an API key.", "invalid_request_error",
                                           "invalid_api_key")
                              : error_json("Incorrect API key provided: " + masked_key(key) + ".",
                                           "invalid_request_error", "invalid_api_key");
    return answer;
  }
  if (!request.is_object() || model.empty() || texts.empty()) {
    answer.status = 400;
    answer.outcome = "bad-request";
    answer.json = error_json("The request needs a model and messages.", "invalid_request_error",
                             "invalid_request");
    return answer;
  }
  if (!settings_.model.empty() && model != settings_.model) {
    answer.status = 404;
    answer.outcome = "no-such-model";
    answer.json = error_json("The model `" + model + "` does not exist.", "invalid_request_error",
                             "model_not_found");
    return answer;
  }
  if (number <= settings_.rate_limited_count) {
    answer.status = 429;
    answer.outcome = "rate-limited";
    answer.retry_after_s = settings_.retry_after_s;
    answer.json = error_json("Rate limit reached for requests.", "requests", "rate_limit_exceeded");
    return answer;
  }
  if (number <= settings_.rate_limited_count + settings_.server_error_count) {
    answer.status = 500;
    answer.outcome = "server-error";
    answer.json = error_json("The server had an error while processing your request.",
                             "server_error", "internal_error");
    return answer;
  }
  answer.outcome = "ok";
  answer.json = completion_json(model, reply(texts, to), number);
  return answer;
}

}  // namespace standin
