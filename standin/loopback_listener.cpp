#include "standin/loopback_listener.h"

#include <strings.h>

namespace standin {
namespace {

// The server closes the connection after answering an HTTP/1.0 request that
// did not ask to keep it, but its HTTP/1.1 status line and Keep-Alive header
// alone invite the client to send its next request over the same
// connection, which then dies under it. A web server says that it closes.
bool closes_after(const httplib::Request& request) {
  const std::string connection = request.get_header_value("Connection");
  if (strcasecmp(connection.c_str(), "close") == 0) return true;
  return request.version == "HTTP/1.0" && strcasecmp(connection.c_str(), "keep-alive") != 0;
}

}  // namespace

int open_log_and_bind(httplib::Server& server, RequestLog& log, const std::string& log_path,
                      int port, std::string& error) {
  server.set_post_routing_handler([](const httplib::Request& request, httplib::Response& response) {
    if (closes_after(request)) response.set_header("Connection", "close");
  });
  if (!log_path.empty() && !log.open(log_path)) {
    error = "cannot write the log file " + log_path;
    return -1;
  }
  const int bound = port == 0 ? server.bind_to_any_port("127.0.0.1")
                              : (server.bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound < 0) error = "cannot listen on 127.0.0.1:" + std::to_string(port);
  return bound;
}

void answer_unrouted_plainly(httplib::Server& server, RequestLog& log) {
  server.set_error_handler(httplib::Server::HandlerWithResponse(
      [&log](const httplib::Request& request, httplib::Response& response) {
        // An answer that a route wrote already carries its content type
        // and stays as it is.
        if (response.has_header("Content-Type")) return httplib::Server::HandlerResponse::Unhandled;
        response.set_content(std::to_string(response.status) + "\n", "text/plain");
        log.write(request, nullptr, response.status, "unrouted");
        return httplib::Server::HandlerResponse::Handled;
      }));
}

}  // namespace standin
