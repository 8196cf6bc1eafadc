#include "translate/service_get.h"

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <mutex>

#include "platform/exchange_request.h"
#include "platform/internet_handle.h"
#include "platform/internet_limits.h"
#include "runtime/bounded_call.h"
#include "runtime/codepage.h"

namespace translate {
namespace {

constexpr wchar_t kUserAgent[] = L"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr wchar_t kHttpVersion[] = L"HTTP/1.0";
constexpr wchar_t kAcceptHeader[] = L"Accept: */*";
constexpr DWORD kNoCache = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

bool all_digits(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// One WinINet session for the process: opening one reads the system's
// proxy settings, which costs more than a request to a nearby server.
// WinINet handles may be used from several threads at once. The session is
// opened on first use (and again after a failed attempt) and never closed,
// since harvest threads may still send while the program ends.
HINTERNET shared_session() {
  static std::mutex* const mutex = new std::mutex;
  static HINTERNET session = nullptr;
  std::lock_guard<std::mutex> lock(*mutex);
  if (!session) {
    session = InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session) platform::set_time_outs(session);
  }
  return session;
}

}  // namespace

bool split_host_and_port(const std::string& host_and_port, std::string* host, int* port) {
  size_t host_end = host_and_port.size();
  size_t colon = std::string::npos;
  std::string name;
  if (!host_and_port.empty() && host_and_port.front() == '[') {
    const size_t close = host_and_port.find(']');
    if (close == std::string::npos) return false;
    name = host_and_port.substr(1, close - 1);
    if (close + 1 < host_and_port.size()) {
      if (host_and_port[close + 1] != ':') return false;
      colon = close + 1;
    }
  } else {
    colon = host_and_port.find(':');
    if (colon != std::string::npos) host_end = colon;
    name = host_and_port.substr(0, host_end);
  }
  if (name.empty()) return false;
  int number = 0;
  if (colon != std::string::npos) {
    const std::string digits = host_and_port.substr(colon + 1);
    if (!all_digits(digits) || digits.size() > 5) return false;
    number = std::stoi(digits);
    if (number < 1 || number > 65535) return false;
  }
  *host = name;
  *port = number;
  return true;
}

namespace {

// The exchange itself, on a thread of its own: it owns its texts, and its
// handles carry the time-outs, so it ends by itself even when the caller
// has stopped waiting for it. The caller closes handles when it gives up.
runtime::Bytes get_until(const std::string& host, int port, const std::string& object,
                         std::chrono::steady_clock::time_point deadline,
                         platform::InternetHandles& handles) {
  const HINTERNET session = shared_session();
  if (!session) return {};
  // The shared session stays open; the connection and request are this
  // exchange's own.
  const HINTERNET connection = handles.adopt(
      InternetConnectW(session, runtime::widen(host).c_str(), static_cast<INTERNET_PORT>(port),
                       nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return {};
  platform::set_time_outs(connection);
  const HINTERNET request = handles.adopt(HttpOpenRequestW(connection, L"GET",
                                                           runtime::widen(object).c_str(),
                                                           kHttpVersion, nullptr, nullptr, kNoCache, 0));
  if (!request) return {};
  platform::set_time_outs(request);
  if (handles.closed() ||
      !HttpSendRequestW(request, kAcceptHeader, static_cast<DWORD>(-1), nullptr, 0)) {
    return {};
  }

  runtime::Bytes body;
  if (platform::read_body_until(request, deadline, &body, &handles) != platform::BodyRead::kComplete) {
    return {};
  }
  return body;
}

}  // namespace

runtime::Bytes service_get(const std::string& host_and_port, const std::string& object) {
  std::string host;
  int port = 0;
  if (!split_host_and_port(host_and_port, &host, &port)) return {};
  if (port == 0) port = INTERNET_DEFAULT_HTTP_PORT;

  const auto deadline = std::chrono::steady_clock::now() + platform::kWholeExchangeLimit;
  return runtime::call_within(platform::kWholeExchangeLimit,
                              [host, port, object, deadline](runtime::GiveUpSignal& give_up) {
                                auto handles = std::make_shared<platform::InternetHandles>();
                                give_up.on_give_up([handles] { handles->close_all(); });
                                runtime::Bytes body = get_until(host, port, object, deadline, *handles);
                                handles->close_all();
                                return body;
                              })
      .value_or(runtime::Bytes());
}

}  // namespace translate
