#pragma once
// Which engine translates (the translation service or a chat model behind
// an OpenAI-compatible endpoint) and the chat endpoint's account. Both start
// as built-in defaults; the settings may replace them while the program
// runs. Safe to read and replace from several threads: a request takes one
// copy and uses it throughout.
#include <string>

#include "translate/service_pacer.h"

namespace translate {

enum class Engine { kService, kChat };

struct ChatAccount {
  // The endpoint's base URL; requests go to base_url + "/chat/completions".
  std::string base_url;
  std::string model;
  std::string api_key;  // empty: no Authorization header (a local server)
  double requests_per_second = 1;
};

// A local model server on its usual port, with no key.
ChatAccount built_in_chat_account();

Engine current_engine();
void set_engine(Engine engine);
ChatAccount current_chat_account();
void set_chat_account(const ChatAccount& account);

// Every request to the chat endpoint passes this pacer, at
// current_chat_account().requests_per_second; the service's pacer is
// another one, since the two engines are counted by different servers.
RequestPacer& chat_pacer();

}  // namespace translate
