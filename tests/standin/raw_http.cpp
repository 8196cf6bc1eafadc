#include "raw_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

namespace standin_test {
namespace {

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class Socket {
 public:
  Socket() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (fd_ >= 0) close(fd_);
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::string exchange(int port, const std::string& request, int timeout_ms) {
  Socket socket;
  if (socket.fd() < 0) return {};
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(socket.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return {};
  size_t sent = 0;
  while (sent < request.size()) {
    ssize_t n = send(socket.fd(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return {};
    sent += static_cast<size_t>(n);
  }
  std::string received;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd wait{socket.fd(), POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[65536];
    ssize_t n = recv(socket.fd(), buffer, sizeof buffer, 0);
    if (n <= 0) break;
    received.append(buffer, static_cast<size_t>(n));
  }
  return received;
}

bool dechunk(const std::string& chunked, std::string& body) {
  body.clear();
  size_t pos = 0;
  for (;;) {
    size_t line_end = chunked.find("\r\n", pos);
    if (line_end == std::string::npos) return false;
    std::string size_text = chunked.substr(pos, line_end - pos);
    if (size_text.empty()) return false;
    char* end = nullptr;
    unsigned long size = std::strtoul(size_text.c_str(), &end, 16);
    if (end == size_text.c_str()) return false;
    pos = line_end + 2;
    if (size == 0) return chunked.compare(pos, 2, "\r\n") == 0;
    if (pos + size + 2 > chunked.size() || chunked.compare(pos + size, 2, "\r\n") != 0)
      return false;
    body.append(chunked, pos, size);
    pos += size + 2;
  }
}

RawResponse parse_response(const std::string& raw) {
  RawResponse response;
  size_t head_end = raw.find("\r\n\r\n");
  if (raw.compare(0, 5, "HTTP/") != 0 || head_end == std::string::npos) return response;
  response.complete = true;
  response.head = raw.substr(0, head_end);
  response.raw_body = raw.substr(head_end + 4);
  size_t space = response.head.find(' ');
  response.status = std::atoi(response.head.c_str() + space + 1);
  if (lower(response.header("Transfer-Encoding")) == "chunked") {
    if (!dechunk(response.raw_body, response.body)) response.complete = false;
  } else {
    response.body = response.raw_body;
  }
  return response;
}

RawResponse raw_request(int port, const std::string& request, int timeout_ms) {
  return parse_response(exchange(port, request, timeout_ms));
}

bool RawResponse::has_header(const std::string& name) const {
  const std::string wanted = "\r\n" + lower(name) + ":";
  return lower(head).find(wanted) != std::string::npos;
}

std::string RawResponse::header(const std::string& name) const {
  const std::string wanted = "\r\n" + lower(name) + ":";
  size_t at = lower(head).find(wanted);
  if (at == std::string::npos) return {};
  size_t start = at + wanted.size();
  size_t end = head.find("\r\n", start);
  std::string value =
      head.substr(start, end == std::string::npos ? std::string::npos : end - start);
  while (!value.empty() && value.front() == ' ') value.erase(0, 1);
  return value;
}

}  // namespace standin_test
