#include "standin/head_drip_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>

namespace standin {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 100;                        // how soon a stop is noticed
constexpr size_t kMaxBufferedBytes = 1024 * 1024;  // read no further ahead of the client
constexpr int kSendTimeoutSeconds = 2;              // a client that stops reading is let go

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

bool send_all(int socket, const char* bytes, size_t count) {
  while (count > 0) {
    const ssize_t sent = send(socket, bytes, count, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes += sent;
    count -= static_cast<size_t>(sent);
  }
  return true;
}

// The body length a head announces; -1 when it announces none (the body then
// runs to the end of the connection, or is chunked: either way it is passed
// on as it comes).
long long announced_length(const std::string& head) {
  std::string lower(head);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::string name = "\r\ncontent-length:";
  const size_t at = lower.find(name);
  if (at == std::string::npos) return -1;
  size_t digit = lower.find_first_not_of(" \t", at + name.size());
  long long length = 0;
  bool any = false;
  for (; digit < lower.size() && std::isdigit(static_cast<unsigned char>(lower[digit])); ++digit) {
    length = length * 10 + (lower[digit] - '0');
    any = true;
  }
  return any ? length : -1;
}

}  // namespace

HeadDripRelay::~HeadDripRelay() {
  stop();
  for (std::thread& connection : connections_) {
    if (connection.joinable()) connection.join();
  }
  if (listener_ >= 0) close(listener_);
}

int HeadDripRelay::bind(int port, const std::function<int(int)>& bind_server, std::string& error) {
  if (drip_ms_ <= 0) return bind_server(port);
  server_port_ = bind_server(0);
  if (server_port_ < 0) return -1;
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  // The options the stand-ins' own listeners set: a socket of this relay
  // left in TIME_WAIT must not keep the next stand-in from the same port
  // (Linux refuses a port whose earlier sockets lack SO_REUSEPORT to a new
  // listener that sets it).
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  setsockopt(listener_, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
  sockaddr_in address = loopback(port);
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener_, 64) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    error = "cannot listen on 127.0.0.1:" + std::to_string(port);
    return -1;
  }
  return ntohs(address.sin_port);
}

void HeadDripRelay::run(const std::function<void()>& serve) {
  if (listener_ < 0) {
    serve();
    return;
  }
  std::thread accepting([this] { accept_loop(); });
  serve();
  stop();
  accepting.join();
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::thread& connection : connections_) {
    if (connection.joinable()) connection.join();
  }
  connections_.clear();
}

void HeadDripRelay::stop() { stopping_ = true; }

void HeadDripRelay::accept_loop() {
  while (!stopping_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (poll(&waiting, 1, kPollMs) <= 0) continue;
    const int client = accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    connections_.emplace_back([this, client] { relay(client); });
  }
}

void HeadDripRelay::relay(int client) const {
  // Without it a client that no longer reads would hold this thread, and the
  // stand-in's stop, in a send for good.
  const timeval send_limit{kSendTimeoutSeconds, 0};
  setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &send_limit, sizeof send_limit);
  const int server = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in address = loopback(server_port_);
  if (server < 0 ||
      connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (server >= 0) close(server);
    close(client);
    return;
  }
  std::string pending;  // from the server, not yet passed on
  std::string head;     // the head being dripped so far
  bool in_head = true;
  long long body_left = -1;  // -1: the rest of the connection
  bool server_done = false;
  Clock::time_point next_drip = Clock::now();
  char buffer[16384];
  while (!stopping_) {
    // Pass on what may go now.
    bool failed = false;
    while (!pending.empty() && !failed) {
      if (in_head) {
        if (Clock::now() < next_drip) break;
        failed = !send_all(client, pending.data(), 1);
        head += pending.front();
        pending.erase(0, 1);
        next_drip = Clock::now() + std::chrono::milliseconds(drip_ms_);
        if (head.size() >= 4 && head.compare(head.size() - 4, 4, "\r\n\r\n") == 0) {
          body_left = announced_length(head);
          in_head = body_left == 0;
          head.clear();
        }
      } else {
        const size_t count = body_left < 0 ? pending.size()
                                           : std::min<size_t>(pending.size(), body_left);
        failed = !send_all(client, pending.data(), count);
        pending.erase(0, count);
        if (body_left >= 0) {
          body_left -= static_cast<long long>(count);
          in_head = body_left == 0;
        }
      }
    }
    if (failed || (server_done && pending.empty())) break;

    int timeout_ms = kPollMs;
    if (in_head && !pending.empty()) {
      const auto until = std::chrono::duration_cast<std::chrono::milliseconds>(next_drip - Clock::now());
      timeout_ms = static_cast<int>(std::clamp<long long>(until.count(), 0, kPollMs));
    }
    pollfd sockets[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    if (server_done || pending.size() >= kMaxBufferedBytes) sockets[1].fd = -1;
    if (poll(sockets, 2, timeout_ms) < 0) break;
    if (sockets[0].revents) {
      // A client that closed its end reads no more answers.
      const ssize_t count = recv(client, buffer, sizeof buffer, 0);
      if (count <= 0 || !send_all(server, buffer, static_cast<size_t>(count))) break;
    }
    if (sockets[1].fd >= 0 && sockets[1].revents) {
      const ssize_t count = recv(server, buffer, sizeof buffer, 0);
      if (count <= 0) {
        server_done = true;
      } else {
        pending.append(buffer, static_cast<size_t>(count));
      }
    }
  }
  close(server);
  close(client);
}

}  // namespace standin
