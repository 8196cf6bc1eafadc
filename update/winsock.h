#pragma once
// Owners for the Winsock library and its sockets. A WinsockSession keeps the
// library initialised for its lifetime; a Socket closes its socket once.
#include <winsock2.h>
#include <windows.h>

#include "platform/unique_handle.h"

namespace update {

class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  ~WinsockSession() {
    if (started_) WSACleanup();
  }

  bool started() const { return started_; }

 private:
  bool started_ = false;
};

struct SocketTraits {
  using Handle = SOCKET;
  static Handle invalid() { return INVALID_SOCKET; }
  static bool valid(Handle s) { return s != INVALID_SOCKET; }
  static void close(Handle s) { closesocket(s); }
};
using Socket = platform::UniqueHandle<SocketTraits>;

}  // namespace update
