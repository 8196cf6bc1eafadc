#pragma once
// The translation stand-in as an HTTP server on 127.0.0.1: the translate
// path answers GET (query string) and POST (form body).
#include <httplib.h>

#include <string>
#include <vector>

#include "standin/answer_pacing.h"
#include "standin/command_line.h"
#include "standin/head_drip_relay.h"
#include "standin/glossary.h"
#include "standin/request_log.h"
#include "standin/translation_service.h"

namespace standin {

inline constexpr const char* kTranslatePath = "/api/trans/vip/translate";

struct TranslateOptions {
  int port = 8090;
  ServiceSettings service;
  int latency_ms = 0;
  AnswerPacing pacing;
  std::string log_path;       // empty: no log
  std::string glossary_path;  // empty: default_glossary_path()
};

// Reads the command line (without the program name). show_help and
// bad_arguments leave the text to print in message.
StartChoice parse_translate_options(const std::vector<std::string>& args, TranslateOptions& options,
                                    std::string& message);

// True for the form content type (application/x-www-form-urlencoded, any
// case, parameters such as "; charset=UTF-8" allowed): the only POST body a
// web service reads its parameters from.
bool is_form_content_type(const std::string& content_type);

// glossary.tsv next to the running program, else the copy in the sources.
std::string default_glossary_path();

class TranslateServer {
 public:
  TranslateServer(const TranslateOptions& options, const Glossary& glossary);

  // Opens the log (when asked for) and binds 127.0.0.1:port, port 0 taking
  // any free port. Returns the bound port, or -1 with error.
  int bind(int port, std::string& error);
  // Serves until stop() is called from another thread.
  void run();
  void stop();
  bool is_running() const { return server_.is_running(); }

 private:
  void handle(const httplib::Request& request, httplib::Response& response, bool is_post);

  TranslateOptions options_;
  TranslationService service_;
  PacedAnswers paced_;
  RequestLog log_;
  httplib::Server server_;
  HeadDripRelay relay_;
};

}  // namespace standin
