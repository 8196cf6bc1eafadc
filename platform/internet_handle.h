#pragma once
// Owner of a WinINet handle (session, connection, request, or an opened URL
// or file). WinINet closes every kind with InternetCloseHandle; a request
// handle must go before its connection and the connection before its
// session, which declaring the owners in that order gives for free.
#include <windows.h>
#include <wininet.h>

#include "platform/unique_handle.h"

namespace platform {

struct InternetHandleTraits {
  using Handle = HINTERNET;
  static Handle invalid() { return nullptr; }
  static bool valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { InternetCloseHandle(h); }
};
using InternetHandle = UniqueHandle<InternetHandleTraits>;

}  // namespace platform
