#pragma once
// The chat-model stand-in as an HTTP server on 127.0.0.1: POST to any path
// ending in /chat/completions (so that a base URL of http://127.0.0.1:8092/v1
// works as with real servers) answers as an OpenAI-compatible endpoint.
#include <httplib.h>

#include <string>
#include <vector>

#include "standin/answer_pacing.h"
#include "standin/chat_service.h"
#include "standin/glossary.h"
#include "standin/request_log.h"
#include "standin/translate_server.h"

namespace standin {

struct ChatOptions {
  int port = 8092;
  ChatSettings chat;
  int latency_ms = 0;
  AnswerPacing pacing;
  std::string log_path;       // empty: no log
  std::string glossary_path;  // empty: default_glossary_path()
};

StartChoice parse_chat_options(const std::vector<std::string>& args, ChatOptions& options,
                               std::string& message);

class ChatServer {
 public:
  ChatServer(const ChatOptions& options, const Glossary& glossary);

  int bind(int port, std::string& error);
  void run();
  void stop();
  bool is_running() const { return server_.is_running(); }

 private:
  void handle(const httplib::Request& request, httplib::Response& response);

  ChatOptions options_;
  ChatService service_;
  PacedAnswers paced_;
  RequestLog log_;
  httplib::Server server_;
};

}  // namespace standin
