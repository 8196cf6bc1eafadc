#include "tests/net/scripted_http_server.h"

#include <winsock2.h>

#include <algorithm>
#include <cctype>

namespace net_test {
namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string header_section(const std::string& raw_request) {
  const size_t end = raw_request.find("\r\n\r\n");
  return raw_request.substr(0, end == std::string::npos ? raw_request.size() : end);
}

size_t content_length(const std::string& head) {
  const std::vector<std::string> values = request_header_values(head, "Content-Length");
  return values.empty() ? 0 : static_cast<size_t>(std::strtoul(values.front().c_str(), nullptr, 10));
}

// Reads one request: the header section, then Content-Length body bytes.
std::string read_request(SOCKET client) {
  std::string raw;
  char buffer[8192];
  for (;;) {
    const size_t head_end = raw.find("\r\n\r\n");
    if (head_end != std::string::npos &&
        raw.size() >= head_end + 4 + content_length(raw.substr(0, head_end))) {
      return raw;
    }
    const int count = recv(client, buffer, sizeof buffer, 0);
    if (count <= 0) return raw;
    raw.append(buffer, static_cast<size_t>(count));
  }
}

void send_all(SOCKET client, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    const int count = send(client, data.data() + sent, static_cast<int>(std::min<size_t>(data.size() - sent, 65536)), 0);
    if (count <= 0) return;
    sent += static_cast<size_t>(count);
  }
}

}  // namespace

std::string http_response(const std::string& status_line, const std::string& header_lines,
                          const std::string& body) {
  return status_line + "\r\n" + header_lines + "Content-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

ScriptedHttpServer::ScriptedHttpServer(int port) {
  answer_always(http_response("HTTP/1.1 200 OK", "", "ok"));
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 16) != 0) {
    closesocket(listener);
    return;
  }
  listening_ = true;
  thread_ = std::thread([this, listener] { serve(listener); });
}

ScriptedHttpServer::~ScriptedHttpServer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  WSACleanup();
}

void ScriptedHttpServer::answer(Script script) {
  std::lock_guard<std::mutex> lock(mutex_);
  script_ = std::move(script);
}

void ScriptedHttpServer::answer_always(const std::string& response) {
  answer([response](const std::string&) { return response; });
}

std::vector<std::string> ScriptedHttpServer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void ScriptedHttpServer::clear_requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.clear();
}

void ScriptedHttpServer::serve(unsigned long long listener_value) {
  const SOCKET listener = static_cast<SOCKET>(listener_value);
  while (!stopping_) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval wait{0, 50 * 1000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    const SOCKET client = accept(listener, nullptr, nullptr);
    if (client != INVALID_SOCKET) handle(client);
  }
  closesocket(listener);
}

void ScriptedHttpServer::handle(unsigned long long client_value) {
  const SOCKET client = static_cast<SOCKET>(client_value);
  const DWORD timeout_ms = 5000;
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout_ms), sizeof timeout_ms);
  const std::string raw = read_request(client);
  std::string response;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(raw);
    response = script_(raw);
  }
  // A HEAD answer carries no body, whatever Content-Length says.
  if (raw.compare(0, 5, "HEAD ") == 0) response = header_section(response) + "\r\n\r\n";
  send_all(client, response);
  shutdown(client, SD_SEND);
  closesocket(client);
}

std::string request_line(const std::string& raw_request) {
  return raw_request.substr(0, raw_request.find("\r\n"));
}

std::string request_body(const std::string& raw_request) {
  const size_t end = raw_request.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : raw_request.substr(end + 4);
}

std::vector<std::string> request_header_values(const std::string& raw_request,
                                               const std::string& name) {
  std::vector<std::string> values;
  const std::string head = header_section(raw_request);
  const std::string wanted = lower(name);
  size_t start = head.find("\r\n");
  while (start != std::string::npos) {
    start += 2;
    const size_t end = head.find("\r\n", start);
    const std::string line = head.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const size_t colon = line.find(':');
    if (colon != std::string::npos && lower(line.substr(0, colon)) == wanted) {
      const size_t value = line.find_first_not_of(' ', colon + 1);
      values.push_back(value == std::string::npos ? std::string() : line.substr(value));
    }
    start = end;
  }
  return values;
}

}  // namespace net_test
