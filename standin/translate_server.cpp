#include "standin/translate_server.h"

#include <unistd.h>

#include <chrono>
#include <climits>
#include <fstream>
#include <thread>

#include "standin/command_line.h"
#include "standin/loopback_listener.h"

namespace standin {
namespace {

std::vector<OptionSpec> translate_option_specs() {
  return {
      {"port", true, "PORT", "port on 127.0.0.1 (default 8090; 0 picks a free one)"},
      {"app-id", true, "ID", "accepted application id (default 20200417000123908)"},
      {"secret-key", true, "KEY",
       "secret key the signature is checked with (default Kq7TzW2mRp9LxBv4NcHs)"},
      {"rate", true, "N", "requests per second before error 54003 (default 0: no limit)"},
      {"latency-ms", true, "MS", "wait this long before every answer (default 0)"},
      {"force-error", true, "CODE", "answer every request with this error code, e.g. 52001"},
      {"never-answer", false, "", "read each request and never answer it (the connection stays open)"},
      {"drip-ms", true, "MS", "send each answer's body one byte every MS milliseconds"},
      {"drip-head-ms", true, "MS",
       "send each answer's status line and headers one byte every MS milliseconds"},
      {"force-error-count", true, "N",
       "give the forced error to the first N requests only, then serve (default: all)"},
      {"drop-last-result", false, "",
       "answer a query of several lines without the last line's entry"},
      {"mangle-placeholders", false, "",
       "translate unknown lines word by word, keeping unknown words, and mangle placeholders "
       "(\"%d\" -> \"% d\", \"{0}\" -> \"{ 0 }\"), as machine translation does"},
      {"drop-result-of", true, "LINE",
       "answer a query holding LINE among other lines without LINE's entry"},
      {"drop-answer-count", true, "N",
       "close the connection instead of sending the first N translations (default 0)"},
      {"log", true, "FILE", "write one JSON line per request to FILE (emptied at start)"},
      {"escaped-slashes", false, "", "write \"/\" inside strings as \"\\/\""},
      {"spaced-json", false, "", "write answers over several lines, indented, a space after colons"},
      {"numeric-error-code", false, "", "write error_code as a number (54001, not \"54001\")"},
      {"glossary", true, "FILE", "translation table (default glossary.tsv next to the program)"},
      {"help", false, "", "show this text"},
  };
}

std::string target_query(const std::string& target) {
  size_t question = target.find('?');
  return question == std::string::npos ? std::string() : target.substr(question + 1);
}

bool file_exists(const std::string& path) { return std::ifstream(path).good(); }

std::string lower_ascii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

StartChoice parse_translate_options(const std::vector<std::string>& args, TranslateOptions& options,
                                    std::string& message) {
  CommandLine line(translate_option_specs());
  const StartChoice choice = line.start(
      args, "translate-standin",
      "Stands in for the translation service on 127.0.0.1: GET and form POST on\n" +
          std::string(kTranslatePath) + ", signed requests, JSON answers from a glossary.",
      message);
  if (choice != StartChoice::run) return choice;
  long long port = options.port;
  long long latency = options.latency_ms;
  long long drip = options.pacing.drip_ms;
  long long drip_head = options.pacing.drip_head_ms;
  long long forced_count = options.service.force_error_count;
  long long dropped_count = options.service.drop_answer_count;
  double rate = options.service.rate_per_second;
  if (!line.integer("port", 0, 65535, port) || !line.integer("latency-ms", 0, INT_MAX, latency) ||
      !line.integer("drip-ms", 0, INT_MAX, drip) ||
      !line.integer("drip-head-ms", 0, INT_MAX, drip_head) ||
      !line.integer("force-error-count", 0, LLONG_MAX, forced_count) ||
      !line.integer("drop-answer-count", 0, LLONG_MAX, dropped_count) ||
      !line.number("rate", 0, 1e6, rate)) {
    message = line.error();
    return StartChoice::bad_arguments;
  }
  options.port = static_cast<int>(port);
  options.latency_ms = static_cast<int>(latency);
  options.pacing.drip_ms = static_cast<int>(drip);
  options.pacing.drip_head_ms = static_cast<int>(drip_head);
  options.pacing.never_answer = options.pacing.never_answer || line.has("never-answer");
  options.service.rate_per_second = rate;
  options.service.app_id = line.text("app-id", options.service.app_id);
  options.service.secret_key = line.text("secret-key", options.service.secret_key);
  options.service.force_error = line.text("force-error", options.service.force_error);
  options.service.shape.escaped_slashes |= line.has("escaped-slashes");
  options.service.shape.spaced |= line.has("spaced-json");
  options.service.shape.numeric_error_code |= line.has("numeric-error-code");
  options.service.force_error_count = forced_count;
  options.service.drop_answer_count = dropped_count;
  options.service.drop_result_of = line.text("drop-result-of", options.service.drop_result_of);
  options.service.drop_last_result = options.service.drop_last_result || line.has("drop-last-result");
  options.service.mangle_placeholders =
      options.service.mangle_placeholders || line.has("mangle-placeholders");
  options.log_path = line.text("log", options.log_path);
  options.glossary_path = line.text("glossary", options.glossary_path);
  return StartChoice::run;
}

bool is_form_content_type(const std::string& content_type) {
  std::string media_type = content_type.substr(0, content_type.find(';'));
  const size_t first = media_type.find_first_not_of(" \t");
  const size_t last = media_type.find_last_not_of(" \t");
  if (first == std::string::npos) return false;
  media_type = media_type.substr(first, last - first + 1);
  return lower_ascii(media_type) == "application/x-www-form-urlencoded";
}

std::string default_glossary_path() {
  char buffer[4096];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length > 0) {
    std::string exe(buffer, static_cast<size_t>(length));
    std::string beside = exe.substr(0, exe.rfind('/') + 1) + "glossary.tsv";
    if (file_exists(beside)) return beside;
  }
  return STANDIN_GLOSSARY_SOURCE;
}

TranslateServer::TranslateServer(const TranslateOptions& options, const Glossary& glossary)
    : options_(options),
      service_(options.service, glossary),
      paced_(options.pacing),
      relay_(options.pacing.drip_head_ms) {
  server_.Get(kTranslatePath,
              paced_.wrap([this](const httplib::Request& request, httplib::Response& response) {
                handle(request, response, false);
              }));
  server_.Post(kTranslatePath,
               paced_.wrap([this](const httplib::Request& request, httplib::Response& response) {
                 handle(request, response, true);
               }));
  answer_unrouted_plainly(server_, log_);
}

int TranslateServer::bind(int port, std::string& error) {
  return relay_.bind(
      port,
      [&](int server_port) {
        return open_log_and_bind(server_, log_, options_.log_path, server_port, error);
      },
      error);
}

void TranslateServer::run() {
  relay_.run([this] { server_.listen_after_bind(); });
}

void TranslateServer::stop() {
  relay_.stop();
  paced_.release();
  server_.stop();
}

void TranslateServer::handle(const httplib::Request& request, httplib::Response& response,
                             bool is_post) {
  // As a web service reads its request: the query string, then for a POST
  // the form body, whose values override those of the query. A body of any
  // other content type is no form and its parameters are not seen: the
  // request then usually lacks q and is refused with 54000.
  Params params = parse_params(target_query(request.target));
  if (is_post && is_form_content_type(request.get_header_value("Content-Type"))) {
    Params body = parse_params(request.body);
    params.insert(params.end(), body.begin(), body.end());
  }
  ServiceAnswer answer = service_.answer(params);
  if (options_.latency_ms > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(options_.latency_ms));
  }
  response.status = 200;
  if (answer.drop) {
    // The status line and headers go, then the connection closes without
    // a byte of the body.
    response.set_chunked_content_provider(
        "application/json;charset=utf-8", [](size_t, httplib::DataSink&) { return false; });
  } else {
    response.set_content(answer.json, "application/json;charset=utf-8");
  }
  log_.write(request, &params, response.status, answer.outcome);
}

}  // namespace standin
