#include "standin/loopback_listener.h"

namespace standin {

int open_log_and_bind(httplib::Server& server, RequestLog& log, const std::string& log_path,
                      int port, std::string& error) {
  if (!log_path.empty() && !log.open(log_path)) {
    error = "cannot write the log file " + log_path;
    return -1;
  }
  const int bound = port == 0 ? server.bind_to_any_port("127.0.0.1")
                              : (server.bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound < 0) error = "cannot listen on 127.0.0.1:" + std::to_string(port);
  return bound;
}

}  // namespace standin
