#pragma once
// The chat-model stand-in, started on port base + 92 with its request log,
// and the account that points the program's chat engine at it. Tests that
// use it take the CTest lock "chat-standin".
#include <string>
#include <vector>

#include "tests/support/test_environment.h"

namespace test_support {

class ChatStandin {
 public:
  static constexpr int kPortOffset = 92;
  static constexpr char kModel[] = "moqiao-test-model";
  static constexpr char kKey[] = "sk-moqiao-test-key-2026";

  ChatStandin() = default;
  ChatStandin(const ChatStandin&) = delete;
  ChatStandin& operator=(const ChatStandin&) = delete;
  ~ChatStandin() { stop(); }

  // Starts it accepting only kKey and kModel, with a fresh log, plus any
  // further options ("--shape fenced"); true once it accepts connections.
  bool start(const std::string& extra_options = "");
  void stop();

  // The log's lines once it holds at least count of them, or whatever it
  // holds when timeout_ms has passed. Each line's params are model,
  // authorization, q (the texts joined by LF) and to (the language the
  // prompt asked for): TranslateStandin::logged_param reads them.
  std::vector<std::string> log_lines(size_t count, int timeout_ms = 5000) const;

  static int port();
  static std::string base_url();  // "http://127.0.0.1:<port>/v1"

 private:
  UnixProcess process_;
  std::string log_path_;
};

}  // namespace test_support
