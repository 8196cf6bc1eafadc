#pragma once
// The chat-model stand-in's request handling, apart from HTTP: an
// OpenAI-compatible chat-completions endpoint whose "model" translates the
// JSON array of texts in the last user message with the glossary. Switches
// make it answer the way real models and servers do: the array in a
// Markdown fence, after a <think> block, between prose, with an element
// missing, or refused (wrong key, rate limit, server fault).
#include <mutex>
#include <string>
#include <vector>

#include "standin/form_params.h"
#include "standin/glossary.h"

namespace standin {

enum class ChatShape { plain, fenced, think, prose };

// "plain", "fenced", "think" or "prose"; false for any other name.
bool parse_chat_shape(const std::string& name, ChatShape& shape);

struct ChatSettings {
  std::string api_key;  // empty: any key, or none, is accepted (a local server)
  std::string model;    // empty: any model name is accepted
  ChatShape shape = ChatShape::plain;
  // An array of more than two texts is answered without its last element,
  // as a model that lost its place in a long list does.
  bool drop_element = false;
  long long rate_limited_count = 0;  // the first N requests get 429
  int retry_after_s = 1;             // the Retry-After of a 429; 0: none sent
  long long server_error_count = 0;  // the first N requests (after those) get 500
};

struct ChatAnswer {
  int status = 200;
  std::string json;
  int retry_after_s = 0;  // > 0: send a Retry-After header
  std::string outcome;    // "ok", "unauthorized", "rate-limited", ... for the log
  Params seen;            // what the request asked for, for the log: model,
                          // authorization, q (the texts joined by LF), to
};

// The language code ("zh", "en", ...) of the language the system prompt asks
// for ("... into Simplified Chinese ..."); "zh" when it names none it knows.
std::string target_language_of(const std::string& system_prompt);

class ChatService {
 public:
  ChatService(ChatSettings settings, const Glossary& glossary);

  // authorization: the request's Authorization header ("" when absent).
  ChatAnswer answer(const std::string& authorization, const std::string& body);

 private:
  // The model's reply to the texts, as its content text.
  std::string reply(const std::vector<std::string>& texts, const std::string& to) const;

  ChatSettings settings_;
  const Glossary& glossary_;
  std::mutex mutex_;
  long long requests_ = 0;
};

}  // namespace standin
