#include "translate/chat_account.h"

#include <mutex>

namespace translate {
namespace {

constexpr char kLocalServer[] = "http://127.0.0.1:11434/v1";
constexpr char kLocalModel[] = "qwen2.5:7b";

std::mutex& account_mutex() {
  static std::mutex* const mutex = new std::mutex;  // never destroyed: used by late threads
  return *mutex;
}

struct InForce {
  Engine engine = Engine::kService;
  ChatAccount chat = built_in_chat_account();
};

InForce& in_force() {
  static InForce* const values = new InForce;
  return *values;
}

}  // namespace

ChatAccount built_in_chat_account() {
  ChatAccount account;
  account.base_url = kLocalServer;
  account.model = kLocalModel;
  return account;
}

Engine current_engine() {
  std::lock_guard<std::mutex> lock(account_mutex());
  return in_force().engine;
}

void set_engine(Engine engine) {
  std::lock_guard<std::mutex> lock(account_mutex());
  in_force().engine = engine;
}

ChatAccount current_chat_account() {
  std::lock_guard<std::mutex> lock(account_mutex());
  return in_force().chat;
}

void set_chat_account(const ChatAccount& account) {
  std::lock_guard<std::mutex> lock(account_mutex());
  in_force().chat = account;
}

RequestPacer& chat_pacer() {
  static RequestPacer* const pacer =
      new RequestPacer([] { return current_chat_account().requests_per_second; });
  return *pacer;
}

}  // namespace translate
