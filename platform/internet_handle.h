#pragma once
// Owners of WinINet handles (session, connection, request, or an opened URL
// or file). WinINet closes every kind with InternetCloseHandle; a request
// handle must go before its connection and the connection before its
// session, which declaring the owners in that order gives for free.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/unique_handle.h"

namespace platform {

struct InternetHandleTraits {
  using Handle = HINTERNET;
  static Handle invalid() { return nullptr; }
  static bool valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { InternetCloseHandle(h); }
};
using InternetHandle = UniqueHandle<InternetHandleTraits>;

// The handles of one exchange, which another thread may close: whoever stops
// waiting for the exchange closes them, a call blocked on one of them then
// fails (at once on Windows; Wine lets it run on to its time-out), and the
// exchange's own thread, finding the set closed, makes no further call. A
// handle value may be reused once closed, so the exchange asks closed()
// before every call instead of calling on a handle it may no longer own.
// Every set is known to the process while it lives, so that the program can
// end all exchanges at once when it closes (close_open_exchanges in
// exchange_request.h).
class InternetHandles {
 public:
  InternetHandles();
  InternetHandles(const InternetHandles&) = delete;
  InternetHandles& operator=(const InternetHandles&) = delete;
  ~InternetHandles();

  // Takes handle over and returns it; null when handle is null, or when the
  // set was closed already (handle is then closed at once).
  HINTERNET adopt(HINTERNET handle) {
    if (!handle) return nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!closed_) {
        handles_.push_back(handle);
        return handle;
      }
    }
    InternetCloseHandle(handle);
    return nullptr;
  }

  // Closes one handle of the set (one the exchange is done with).
  void close(HINTERNET handle) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto found = std::find(handles_.begin(), handles_.end(), handle);
      if (found == handles_.end()) return;
      handles_.erase(found);
    }
    InternetCloseHandle(handle);
  }

  bool closed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
  }

  // Closes every handle, the newest first. Any thread; later calls do nothing.
  void close_all() {
    std::vector<HINTERNET> handles;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closed_ = true;
      handles.swap(handles_);
    }
    for (auto it = handles.rbegin(); it != handles.rend(); ++it) InternetCloseHandle(*it);
  }

 private:
  mutable std::mutex mutex_;
  bool closed_ = false;
  std::vector<HINTERNET> handles_;
};

}  // namespace platform
