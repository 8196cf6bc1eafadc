#include "standin/chat_server.h"

#include <chrono>
#include <climits>
#include <thread>

#include "standin/command_line.h"
#include "standin/loopback_listener.h"

namespace standin {
namespace {

constexpr char kCompletionsPattern[] = R"(/(.*/)?chat/completions)";

std::vector<OptionSpec> chat_option_specs() {
  return {
      {"port", true, "PORT", "port on 127.0.0.1 (default 8092; 0 picks a free one)"},
      {"api-key", true, "KEY", "the only key accepted (Authorization: Bearer KEY); default: any"},
      {"model", true, "NAME", "the only model served; default: any name"},
      {"shape", true, "SHAPE",
       "how the array is written: plain, fenced (Markdown fence), think (a <think> block "
       "first) or prose (sentences around it); default plain"},
      {"drop-element", false, "", "answer an array of more than two texts without its last element"},
      {"rate-limited", true, "N", "answer the first N requests with 429 (default 0)"},
      {"retry-after", true, "S", "Retry-After seconds of a 429 (default 1; 0 sends none)"},
      {"server-errors", true, "N", "answer the next N requests with 500 (default 0)"},
      {"latency-ms", true, "MS", "wait this long before every answer (default 0)"},
      {"never-answer", false, "", "read each request and never answer it"},
      {"log", true, "FILE", "write one JSON line per request to FILE (emptied at start)"},
      {"glossary", true, "FILE", "translation table (default glossary.tsv next to the program)"},
      {"help", false, "", "show this text"},
  };
}

}  // namespace

StartChoice parse_chat_options(const std::vector<std::string>& args, ChatOptions& options,
                               std::string& message) {
  CommandLine line(chat_option_specs());
  const StartChoice choice = line.start(
      args, "chat-standin",
      "Stands in for an OpenAI-compatible chat-completions endpoint on 127.0.0.1: POST\n"
      "<base>/chat/completions, the texts of the last user message (a JSON array)\n"
      "translated from the glossary.",
      message);
  if (choice != StartChoice::run) return choice;
  long long port = options.port;
  long long latency = options.latency_ms;
  long long retry_after = options.chat.retry_after_s;
  if (!line.integer("port", 0, 65535, port) || !line.integer("latency-ms", 0, INT_MAX, latency) ||
      !line.integer("retry-after", 0, 3600, retry_after) ||
      !line.integer("rate-limited", 0, LLONG_MAX, options.chat.rate_limited_count) ||
      !line.integer("server-errors", 0, LLONG_MAX, options.chat.server_error_count)) {
    message = line.error();
    return StartChoice::bad_arguments;
  }
  if (line.has("shape") && !parse_chat_shape(line.text("shape", ""), options.chat.shape)) {
    message = "unknown --shape " + line.text("shape", "") + " (plain, fenced, think or prose)";
    return StartChoice::bad_arguments;
  }
  options.port = static_cast<int>(port);
  options.latency_ms = static_cast<int>(latency);
  options.chat.retry_after_s = static_cast<int>(retry_after);
  options.chat.api_key = line.text("api-key", options.chat.api_key);
  options.chat.model = line.text("model", options.chat.model);
  options.chat.drop_element = options.chat.drop_element || line.has("drop-element");
  options.pacing.never_answer = options.pacing.never_answer || line.has("never-answer");
  options.log_path = line.text("log", options.log_path);
  options.glossary_path = line.text("glossary", options.glossary_path);
  return StartChoice::run;
}

ChatServer::ChatServer(const ChatOptions& options, const Glossary& glossary)
    : options_(options), service_(options.chat, glossary), paced_(options.pacing) {
  // A client keeps its connection for the next request, as WinINet does;
  // an idle one is let go after a second, so that the stand-in stops at
  // once instead of waiting out the library's five seconds.
  server_.set_keep_alive_timeout(1);
  server_.Post(kCompletionsPattern,
               paced_.wrap([this](const httplib::Request& request, httplib::Response& response) {
                 handle(request, response);
               }));
  answer_unrouted_plainly(server_, log_);
}

int ChatServer::bind(int port, std::string& error) {
  return open_log_and_bind(server_, log_, options_.log_path, port, error);
}

void ChatServer::run() { server_.listen_after_bind(); }

void ChatServer::stop() {
  paced_.release();
  server_.stop();
}

void ChatServer::handle(const httplib::Request& request, httplib::Response& response) {
  ChatAnswer answer = service_.answer(request.get_header_value("Authorization"), request.body);
  if (options_.latency_ms > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(options_.latency_ms));
  }
  response.status = answer.status;
  if (answer.retry_after_s > 0) response.set_header("Retry-After", std::to_string(answer.retry_after_s));
  response.set_content(answer.json, "application/json");
  log_.write(request, &answer.seen, response.status, answer.outcome);
}

}  // namespace standin
