#pragma once
// Owner of a WinINet handle (session, connection, request or file handle),
// closed with InternetCloseHandle exactly once.
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
