#include "tests/net/download_peers.h"

#include <ws2tcpip.h>

#include "runtime/system.h"
#include "runtime/text.h"

namespace test_support {
namespace {

std::string nginx_config(const std::string& scratch, const std::string& folder, int port,
                         int no_range_port) {
  std::string config =
      "worker_processes 1;\n"
      "user root;\n"
      "pid " + scratch + "/nginx.pid;\n"
      "error_log " + scratch + "/error.log;\n"
      "events { worker_connections 64; }\n"
      "http {\n"
      "  log_format ranges '$uri $status \"$http_range\" $body_bytes_sent';\n"
      "  access_log " + scratch + "/access.log ranges;\n"
      "  client_body_temp_path " + scratch + "/body;\n"
      "  proxy_temp_path " + scratch + "/proxy;\n"
      "  fastcgi_temp_path " + scratch + "/fastcgi;\n"
      "  uwsgi_temp_path " + scratch + "/uwsgi;\n"
      "  scgi_temp_path " + scratch + "/scgi;\n"
      "  default_type application/octet-stream;\n"
      "  sendfile on;\n"
      // reuseport: a port the update stand-in served before is still held by
      // its closed connections, whose sockets share only with SO_REUSEPORT.
      "  server { listen 127.0.0.1:" + std::to_string(port) + " reuseport; root " + folder +
      "; }\n";
  if (no_range_port != 0) {
    config += "  server { listen 127.0.0.1:" + std::to_string(no_range_port) + "; root " + folder +
              "; max_ranges 0; }\n";
  }
  return config + "}\n";
}

// The header section has arrived, and as many body bytes as its
// Content-Length announces.
bool whole_request(const std::string& request) {
  const size_t head_end = request.find("\r\n\r\n");
  if (head_end == std::string::npos) return false;
  const std::string head = runtime::to_lower_ascii(request.substr(0, head_end + 2));
  const size_t length_at = head.find("\r\ncontent-length:");
  const size_t length = length_at == std::string::npos
                            ? 0
                            : static_cast<size_t>(runtime::text_to_int(head.substr(length_at + 17)));
  return request.size() >= head_end + 4 + length;
}

}  // namespace

bool NginxPeer::start(const std::string& folder_unix, int port, int no_range_port) {
  scratch_unix_ = scratch_dir_unix("nginx");
  const std::string config_path = scratch_unix_ + "/nginx.conf";
  if (!runtime::write_file(to_windows_path(config_path),
                           nginx_config(scratch_unix_, folder_unix, port, no_range_port))) {
    return false;
  }
  if (!process_.start("exec nginx -p '" + scratch_unix_ + "' -e '" + scratch_unix_ +
                      "/error.log' -c '" + config_path + "' -g 'daemon off;'")) {
    return false;
  }
  return wait_for_port(port) && (no_range_port == 0 || wait_for_port(no_range_port));
}

std::string NginxPeer::access_log() const {
  runtime::Bytes log;
  runtime::read_file(to_windows_path(scratch_unix_ + "/access.log"), &log);
  return log;
}

bool FtpPeer::start(const std::string& folder_unix, int port, bool ignore_rest) {
  const std::string script = source_dir_unix() + "/tests/net/ftp_peer.py";
  if (!process_.start("exec /usr/bin/python3 '" + script + "' " + std::to_string(port) + " '" +
                      folder_unix + "'" + (ignore_rest ? " ignore-rest" : ""))) {
    return false;
  }
  return wait_for_port(port);
}

bool ScriptedHttpPeer::start(int port, Responder responder) {
  stop();
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET) return false;
  BOOL reuse = TRUE;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
             sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 8) != 0) {
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return false;
  }
  responder_ = std::move(responder);
  thread_ = std::thread([this] { serve(); });
  return true;
}

void ScriptedHttpPeer::stop() {
  if (listener_ == INVALID_SOCKET) return;
  closesocket(listener_);  // ends the accept() of the serving thread
  listener_ = INVALID_SOCKET;
  if (thread_.joinable()) thread_.join();
  WSACleanup();
}

std::vector<std::string> ScriptedHttpPeer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void ScriptedHttpPeer::serve() {
  const SOCKET listener = listener_;
  for (;;) {
    const SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    DWORD timeout_ms = 5000;  // a client that never closes cannot hold the server
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout_ms),
               sizeof timeout_ms);
    std::string request;
    char buffer[4096];
    while (!whole_request(request)) {
      const int received = recv(client, buffer, sizeof buffer, 0);
      if (received <= 0) break;
      request.append(buffer, static_cast<size_t>(received));
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    const std::string answer = responder_(request);
    size_t sent = 0;
    while (sent < answer.size()) {
      const int count = send(client, answer.data() + sent, static_cast<int>(answer.size() - sent), 0);
      if (count <= 0) break;
      sent += static_cast<size_t>(count);
    }
    shutdown(client, SD_SEND);
    // Let the client read everything before the socket goes away.
    while (recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    closesocket(client);
  }
}

}  // namespace test_support
