#include "tests/update/scripted_smtp_peer.h"

#include <chrono>

namespace test_support {
namespace {

constexpr long kStepMs = 20;

update::Socket listen_on_loopback(int* port) {
  update::Socket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (!listener ||
      bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener.get(), 1) != 0 ||
      getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return update::Socket();
  }
  *port = ntohs(address.sin_port);
  return listener;
}

// Waits one step for the socket to become readable.
bool readable(SOCKET s) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval step{0, kStepMs * 1000};
  return select(0, &set, nullptr, nullptr, &step) == 1;
}

}  // namespace

ScriptedSmtpPeer::ScriptedSmtpPeer(std::vector<PeerReply> script, AfterScript after_script,
                                   int pause_ms)
    : after_script_(after_script), pause_ms_(pause_ms), script_(std::move(script)) {
  listener_ = listen_on_loopback(&port_);
  thread_ = std::thread([this] { serve(); });
}

ScriptedSmtpPeer::~ScriptedSmtpPeer() {
  stopping_ = true;
  thread_.join();
}

std::vector<std::string> ScriptedSmtpPeer::commands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

int ScriptedSmtpPeer::closed_port() {
  update::WinsockSession winsock;
  int port = 0;
  listen_on_loopback(&port);  // the socket closes at once, freeing the port
  return port;
}

bool ScriptedSmtpPeer::send_reply(SOCKET client, const PeerReply& reply) {
  for (size_t i = 0; i < reply.size(); ++i) {
    if (i > 0 && reply[i] == kRepeatForever) {
      // A client that stops reading makes a send fail after a second.
      const DWORD send_timeout_ms = 1000;
      setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&send_timeout_ms),
                 sizeof send_timeout_ms);
      const std::string& part = reply[i - 1];
      while (!stopping_ &&
             send(client, part.data(), static_cast<int>(part.size()), 0) ==
                 static_cast<int>(part.size())) {
      }
      return false;
    }
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms_));
    const std::string& part = reply[i];
    if (send(client, part.data(), static_cast<int>(part.size()), 0) != static_cast<int>(part.size())) {
      return false;
    }
  }
  return true;
}

void ScriptedSmtpPeer::serve() {
  if (!listener_) return;
  while (!stopping_ && !readable(listener_.get())) {
  }
  if (stopping_) return;
  update::Socket client(accept(listener_.get(), nullptr, nullptr));
  if (!client || script_.empty() || !send_reply(client.get(), script_[0])) return;

  size_t next_reply = 1;
  bool reading_data = !script_[0].empty() && script_[0][0].rfind("354", 0) == 0;
  std::string pending;
  char buffer[4096];
  while (!stopping_) {
    if (next_reply >= script_.size() && after_script_ == AfterScript::kStopReading) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
      continue;
    }
    const std::string end_mark = reading_data ? "\r\n.\r\n" : "\r\n";
    const size_t end = pending.find(end_mark);
    if (end == std::string::npos) {
      if (!readable(client.get())) continue;
      const int count = recv(client.get(), buffer, sizeof buffer, 0);
      if (count <= 0) return;  // the client closed the connection
      pending.append(buffer, static_cast<size_t>(count));
      continue;
    }
    // The data keeps its own last CRLF; a command loses it.
    const size_t kept = reading_data ? end + 2 : end;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      commands_.push_back(pending.substr(0, kept));
    }
    pending.erase(0, end + end_mark.size());
    reading_data = false;
    if (next_reply >= script_.size() && after_script_ == AfterScript::kHangUp) return;
    if (next_reply < script_.size()) {
      const PeerReply& reply = script_[next_reply++];
      if (!send_reply(client.get(), reply)) return;
      reading_data = !reply.empty() && reply[0].rfind("354", 0) == 0;
    }
  }
}

}  // namespace test_support
