#pragma once
// Test helpers: byte-exact HTTP exchanges over a plain socket (for requests
// a library client would rewrite) and servers run in-process on a free port.
#include <chrono>
#include <string>
#include <thread>

namespace standin_test {

struct RawResponse {
  bool complete = false;  // a status line and the end of the headers arrived
  int status = 0;
  std::string head;      // status line and headers, without the blank line
  std::string body;      // de-chunked when the answer was chunked
  std::string raw_body;  // as it came over the wire
  std::string header(const std::string& name) const;  // "" when absent
  bool has_header(const std::string& name) const;
};

// Sends the request bytes to 127.0.0.1:port and reads until the server
// closes the connection or timeout_ms passes.
std::string exchange(int port, const std::string& request, int timeout_ms = 5000);
RawResponse parse_response(const std::string& raw);
RawResponse raw_request(int port, const std::string& request, int timeout_ms = 5000);

// Decodes a chunked body; false when it is malformed or unfinished.
bool dechunk(const std::string& chunked, std::string& body);

// A stand-in server bound to a free loopback port, serving on a thread for
// the life of the object.
template <class Server>
class RunningServer {
 public:
  template <class... Args>
  explicit RunningServer(Args&&... args) : server_(std::forward<Args>(args)...) {
    std::string error;
    port_ = server_.bind(0, error);
    error_ = error;
    if (port_ <= 0) return;
    thread_ = std::thread([this] { server_.run(); });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server_.is_running() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  RunningServer(const RunningServer&) = delete;
  RunningServer& operator=(const RunningServer&) = delete;
  ~RunningServer() {
    if (thread_.joinable()) {
      server_.stop();
      thread_.join();
    }
  }

  int port() const { return port_; }
  const std::string& error() const { return error_; }

 private:
  Server server_;
  int port_ = -1;
  std::string error_;
  std::thread thread_;
};

}  // namespace standin_test
