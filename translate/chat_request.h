#pragma once
// What goes to a chat-completions endpoint and how its answers are read.
// Texts here are UTF-8, as the JSON carries them. Nothing here throws.
//
// The texts travel as a JSON array of strings in the user message; the
// system prompt asks for an array of the same length and order back. Real
// models do not always answer with the bare array: they think aloud first
// (<think>…</think>), put the array in a Markdown code fence, or write
// sentences around it. read_translation_array finds the array in all of
// those.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace translate {

// The English name of a language code of the manual page ("zh" ->
// "Simplified Chinese"); "" for "auto" and any code it does not know.
std::string chat_language_name(const std::string& code);

// The system prompt for texts from one language code (or "auto") into another.
std::string chat_system_prompt(const std::string& from, const std::string& to);

// The request body: model, the system prompt and the texts as a JSON array
// in the user message, temperature 0, no streaming.
std::string chat_request_body(const std::string& model, const std::string& system_prompt,
                              const std::vector<std::string>& texts);

// The endpoint's answer to one request, by HTTP status and body.
struct ChatReply {
  enum class Kind {
    kContent,      // 2xx with the first choice's message content in content
    kRefused,      // 401 or 403: the key (or account) is not accepted
    kRateLimited,  // 429
    kServerFault,  // 5xx
    kFailed,       // no answer, another status, or a 2xx without content
  };
  Kind kind = Kind::kFailed;
  std::string content;
  std::string message;  // the endpoint's error.message, when it gave one
};

// status 0: no answer came.
ChatReply read_chat_reply(int status, std::string_view body);

// The first JSON array of exactly expected_count strings in a model's
// content, skipping a <think> block, a Markdown fence and prose around it;
// nullopt when there is none.
std::optional<std::vector<std::string>> read_translation_array(std::string_view content,
                                                              size_t expected_count);

}  // namespace translate
