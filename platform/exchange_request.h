#pragma once
// Owner of the request handle of an HTTP exchange under way, known to the
// process so that the program can end every exchange at once when it
// closes: close_open_exchanges() closes the handles (a send or read blocked
// on one fails on Windows; Wine lets a blocked read run to its time-out),
// and from then on a new exchange's handle is closed as soon as it is
// owned. Each handle is closed exactly once, by whichever comes first.
#include <windows.h>
#include <wininet.h>

namespace platform {

class ExchangeRequest {
 public:
  explicit ExchangeRequest(HINTERNET request);
  ExchangeRequest(const ExchangeRequest&) = delete;
  ExchangeRequest& operator=(const ExchangeRequest&) = delete;
  ~ExchangeRequest();

  // The handle as opened; calls on it fail once it has been closed.
  HINTERNET get() const { return request_; }
  explicit operator bool() const { return request_ != nullptr; }

 private:
  friend void close_open_exchanges();
  HINTERNET request_;
  bool closed_ = false;  // guarded by the registry's lock
};

// At exit: closes the request handle of every exchange under way and of
// every one that starts later.
void close_open_exchanges();

}  // namespace platform
