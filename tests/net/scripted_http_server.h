#pragma once
// A loopback HTTP server on a thread of the test program: it records the
// raw bytes of every request it receives and answers each one with the
// response its script gives, then closes the connection.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace net_test {

// A complete response: status line, the given header lines, Content-Length,
// "Connection: close" and the body.
std::string http_response(const std::string& status_line, const std::string& header_lines,
                          const std::string& body);

class ScriptedHttpServer {
 public:
  using Script = std::function<std::string(const std::string& raw_request)>;

  // Listens on 127.0.0.1:port; answers "200 OK" with body "ok" until a
  // script is set.
  explicit ScriptedHttpServer(int port);
  ~ScriptedHttpServer();
  ScriptedHttpServer(const ScriptedHttpServer&) = delete;
  ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

  bool listening() const { return listening_; }
  void answer(Script script);
  void answer_always(const std::string& response);
  std::vector<std::string> requests() const;
  void clear_requests();

 private:
  void serve(unsigned long long listener);
  void handle(unsigned long long client);

  bool listening_ = false;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  Script script_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// Pieces of a raw request.
std::string request_line(const std::string& raw_request);
std::string request_body(const std::string& raw_request);
// Values of every header line with that name (any letter case), in order.
std::vector<std::string> request_header_values(const std::string& raw_request,
                                               const std::string& name);

}  // namespace net_test
