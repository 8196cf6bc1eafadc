#include "translate/chat_request.h"

#include <nlohmann/json.hpp>

#include <utility>

namespace translate {
namespace {

using Json = nlohmann::json;

const std::pair<const char*, const char*> kLanguageNames[] = {
    {"zh", "Simplified Chinese"}, {"en", "English"},     {"yue", "Cantonese"},
    {"wyw", "Classical Chinese"}, {"jp", "Japanese"},    {"kor", "Korean"},
    {"fra", "French"},            {"spa", "Spanish"},    {"th", "Thai"},
    {"ara", "Arabic"},            {"ru", "Russian"},     {"pt", "Portuguese"},
    {"de", "German"},             {"it", "Italian"},     {"el", "Greek"},
    {"nl", "Dutch"},              {"pl", "Polish"},      {"bul", "Bulgarian"},
    {"est", "Estonian"},          {"dan", "Danish"},     {"fin", "Finnish"},
    {"cs", "Czech"},              {"rom", "Romanian"},   {"slo", "Slovenian"},
    {"swe", "Swedish"},           {"hu", "Hungarian"},   {"cht", "Traditional Chinese"},
    {"vie", "Vietnamese"},
};

// A hostile or broken answer full of "[" must not cost a parse for each.
constexpr size_t kMostArraysTried = 64;

// The end (one past the "]") of the bracketed value that starts at text[open],
// strings and nesting respected; npos when it does not close.
size_t closing_bracket(std::string_view text, size_t open) {
  int depth = 0;
  bool in_string = false;
  for (size_t i = open; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '\\') ++i;
      else if (c == '"') in_string = false;
      continue;
    }
    if (c == '"') in_string = true;
    else if (c == '[' || c == '{') ++depth;
    else if ((c == ']' || c == '}') && --depth == 0) return i + 1;
  }
  return std::string_view::npos;
}

std::optional<std::vector<std::string>> array_in(std::string_view text, size_t expected_count) {
  size_t tried = 0;
  for (size_t open = text.find('['); open != std::string_view::npos && tried < kMostArraysTried;
       open = text.find('[', open + 1), ++tried) {
    const size_t end = closing_bracket(text, open);
    if (end == std::string_view::npos) continue;
    const Json value = Json::parse(text.substr(open, end - open), nullptr, false);
    if (!value.is_array() || value.size() != expected_count) continue;
    std::vector<std::string> strings;
    for (const Json& element : value) {
      if (!element.is_string()) break;
      strings.push_back(element.get<std::string>());
    }
    if (strings.size() == expected_count) return strings;
  }
  return std::nullopt;
}

// Where a reasoning model's answer may start: after its thoughts (some
// servers strip the opening tag and leave only the closing one), else the
// whole content. A block opened at the start that never closes was cut off
// in the middle of thinking: there is no answer in it.
std::vector<std::string_view> answer_parts(std::string_view content) {
  constexpr std::string_view kOpen = "<think>";
  constexpr std::string_view kClose = "</think>";
  const size_t first = content.find_first_not_of(" \t\r\n");
  const bool opens = first != std::string_view::npos && content.substr(first, kOpen.size()) == kOpen;
  const size_t close = content.find(kClose);
  if (close == std::string_view::npos) {
    if (opens) return {};
    return {content};
  }
  return {content.substr(close + kClose.size()), content};
}

// The inside of the first Markdown code fence, when there is one.
std::optional<std::string_view> fenced(std::string_view content) {
  constexpr std::string_view kFence = "```";
  const size_t open = content.find(kFence);
  if (open == std::string_view::npos) return std::nullopt;
  const size_t body = content.find('\n', open);  // after the info string ("json")
  if (body == std::string_view::npos) return std::nullopt;
  const size_t close = content.find(kFence, body);
  return content.substr(body + 1, close == std::string_view::npos ? close : close - body - 1);
}

std::string error_message_of(const Json& answer) {
  if (!answer.is_object() || !answer.contains("error")) return {};
  const Json& error = answer["error"];
  if (error.is_string()) return error.get<std::string>();
  if (error.is_object() && error.contains("message") && error["message"].is_string()) {
    return error["message"].get<std::string>();
  }
  return {};
}

}  // namespace

std::string chat_language_name(const std::string& code) {
  for (const auto& [known, name] : kLanguageNames) {
    if (code == known) return name;
  }
  return {};
}

std::string chat_system_prompt(const std::string& from, const std::string& to) {
  const std::string source = chat_language_name(from);
  std::string target = chat_language_name(to);
  if (target.empty()) target = chat_language_name("zh");
  return "You translate the texts of a program's user interface" +
         (source.empty() ? std::string() : " from " + source) + " into " + target +
         ". The user sends a JSON array of strings. Answer with a JSON array of strings of "
         "exactly the same length and order, each element the translation of the element at "
         "its place. Keep every marker and placeholder exactly as it is (for example &, %s, "
         "%d, %1, {0}, {name}), as well as line breaks, tabs and spaces at either end. An "
         "element that needs no translation stays as it is. Answer with the JSON array only.";
}

std::string chat_request_body(const std::string& model, const std::string& system_prompt,
                              const std::vector<std::string>& texts) {
  constexpr auto kReplace = Json::error_handler_t::replace;
  const Json body = {
      {"model", model},
      {"messages",
       Json::array({{{"role", "system"}, {"content", system_prompt}},
                    {{"role", "user"}, {"content", Json(texts).dump(-1, ' ', false, kReplace)}}})},
      {"temperature", 0},
      {"stream", false},
  };
  return body.dump(-1, ' ', false, kReplace);
}

ChatReply read_chat_reply(int status, std::string_view body) {
  ChatReply reply;
  const Json answer = Json::parse(body, nullptr, false);
  reply.message = error_message_of(answer);
  if (status == 401 || status == 403) {
    reply.kind = ChatReply::Kind::kRefused;
  } else if (status == 429) {
    reply.kind = ChatReply::Kind::kRateLimited;
  } else if (status >= 500 && status <= 599) {
    reply.kind = ChatReply::Kind::kServerFault;
  } else if (status >= 200 && status <= 299 && answer.is_object() && answer.contains("choices") &&
             answer["choices"].is_array() && !answer["choices"].empty()) {
    const Json& choice = answer["choices"][0];
    if (choice.is_object() && choice.contains("message") && choice["message"].is_object() &&
        choice["message"].contains("content") && choice["message"]["content"].is_string()) {
      reply.kind = ChatReply::Kind::kContent;
      reply.content = choice["message"]["content"].get<std::string>();
    }
  }
  return reply;
}

std::optional<std::vector<std::string>> read_translation_array(std::string_view content,
                                                              size_t expected_count) {
  for (const std::string_view answer : answer_parts(content)) {
    if (const std::optional<std::string_view> inside = fenced(answer)) {
      if (auto found = array_in(*inside, expected_count)) return found;
    }
    if (auto found = array_in(answer, expected_count)) return found;
  }
  return std::nullopt;
}

}  // namespace translate
