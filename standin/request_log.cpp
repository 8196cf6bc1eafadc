#include "standin/request_log.h"

#include <httplib.h>

#include <chrono>

#include "standin/json_text.h"

namespace standin {
namespace {

std::string log_string(std::string_view bytes) { return json_string(bytes, BadBytes::as_latin1); }

std::string pair_list(const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string out = "[";
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (i) out += ',';
    out += '[' + log_string(pairs[i].first) + ',' + log_string(pairs[i].second) + ']';
  }
  return out + ']';
}

}  // namespace

bool RequestLog::open(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  file_.open(path, std::ios::binary | std::ios::trunc);
  return file_.is_open();
}

void RequestLog::write(const httplib::Request& request, const Params* params, int status,
                       std::string_view outcome) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!file_.is_open()) return;
  long long now_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
  std::vector<std::pair<std::string, std::string>> headers;
  for (const auto& header : request.headers) {
    // The HTTP library files the connection's addresses among the headers.
    if (header.first == "REMOTE_ADDR" || header.first == "REMOTE_PORT" ||
        header.first == "LOCAL_ADDR" || header.first == "LOCAL_PORT") {
      continue;
    }
    headers.push_back(header);
  }
  std::string line =
      "{\"time_ms\":" + std::to_string(now_ms) + ",\"method\":" + log_string(request.method) +
      ",\"target\":" + log_string(request.target) + ",\"version\":" + log_string(request.version) +
      ",\"headers\":" + pair_list(headers) + ",\"body\":" + log_string(request.body);
  if (params) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const Param& param : *params) pairs.emplace_back(param.name, param.value);
    line += ",\"params\":" + pair_list(pairs);
  }
  line += ",\"status\":" + std::to_string(status) + ",\"outcome\":" + log_string(outcome) + "}\n";
  file_ << line;
  file_.flush();
}

}  // namespace standin
