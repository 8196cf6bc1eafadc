#include "net/http_request.h"

#include <windows.h>
#include <wininet.h>

#include <array>
#include <chrono>
#include <memory>
#include <optional>

#include "net/cookies.h"
#include "net/http_headers.h"
#include "net/url_parts.h"
#include "platform/exchange_request.h"
#include "platform/internet_handle.h"
#include "platform/internet_limits.h"
#include "runtime/bounded_call.h"

// The ANSI WinINet functions are used on purpose. Texts here are GBK bytes,
// and the A functions pass a host, path or header value to the wire as the
// bytes they were given (on Wine as well, whatever the ANSI code page is).
// Widened to UTF-16, the same texts would be narrowed again with the
// system's ANSI code page, which turns every Chinese character into "?" on a
// system whose code page is not GBK.

namespace net {
namespace {

constexpr std::array<const char*, 8> kVerbs = {"GET",     "POST",   "HEAD",  "PUT",
                                               "OPTIONS", "DELETE", "TRACE", "CONNECT"};

int known_method(int method) {
  return method >= 0 && method < static_cast<int>(kVerbs.size()) ? method : kGet;
}

HINTERNET open_session(const std::string& agent, const std::string& proxy, bool system_proxy,
                       bool secure) {
  if (proxy.empty() && system_proxy) {
    return InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  }
  if (proxy.empty()) {
    return InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, "", "", 0);
  }
  // A plain request names the proxy for http only; a secure one tunnels
  // through the proxy as given.
  const std::string proxy_name = secure ? proxy : "http=" + proxy;
  return InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxy_name.c_str(), "", 0);
}

DWORD request_flags(const HttpRequest& request, bool secure) {
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;
  if (request.cookies) flags |= INTERNET_FLAG_NO_COOKIES;
  if (request.no_redirect) flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
  flags |= secure ? INTERNET_FLAG_SECURE : INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
  return flags;
}

bool send(HINTERNET handle, const std::string& headers, const runtime::Bytes* body) {
  const char* header_text = headers.empty() ? nullptr : headers.c_str();
  const DWORD header_length = static_cast<DWORD>(headers.size());
  if (!body) return HttpSendRequestA(handle, header_text, header_length, nullptr, 0) != FALSE;
  return HttpSendRequestA(handle, header_text, header_length,
                          const_cast<char*>(body->data()), static_cast<DWORD>(body->size())) != FALSE;
}

// The raw response headers, however long; empty when the query fails.
std::string query_raw_headers(HINTERNET handle) {
  std::string headers(8192, '\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD length = static_cast<DWORD>(headers.size());
    if (HttpQueryInfoA(handle, HTTP_QUERY_RAW_HEADERS_CRLF, headers.data(), &length, nullptr)) {
      headers.resize(length);
      return headers;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    headers.assign(static_cast<size_t>(length) + 1, '\0');
  }
  return {};
}

// One exchange on a thread of its own, working on its own copy of the
// request. Nullopt when the body outlasted the deadline or was too long: a
// cut answer is no answer. Its handles live in handles, which the caller
// closes when it stops waiting; the exchange then makes no further call.
std::optional<runtime::Bytes> exchange(HttpRequest& request,
                                       std::chrono::steady_clock::time_point deadline,
                                       platform::InternetHandles& handles) {
  if (request.fix_header_case) request.headers = normalize_header_names(request.headers);

  const int method = known_method(request.method);
  const bool is_get = method == kGet;
  const bool secure = url_is_secure(request.url);
  const int port = url_port(request.url);
  if (port < 0 || port > 65535) return runtime::Bytes();

  const HINTERNET session =
      handles.adopt(open_session(agent_from_headers(request.headers), request.proxy, request.system_proxy, secure));
  if (!session) return runtime::Bytes();
  platform::set_time_outs(session);
  const HINTERNET connection = handles.adopt(
      InternetConnectA(session, url_host(request.url).c_str(), static_cast<INTERNET_PORT>(port),
                       "", "", INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return runtime::Bytes();
  platform::set_time_outs(connection);
  // The library's certificate checks stay on: a secure request to a server
  // whose certificate does not verify fails at the send below, and no body
  // from an unverified peer reaches the caller.
  const HINTERNET request_handle = handles.adopt(
      HttpOpenRequestA(connection, kVerbs[static_cast<size_t>(method)],
                       url_path(request.url).c_str(), "HTTP/1.1", nullptr, nullptr,
                       request_flags(request, secure), 0));
  if (!request_handle) return runtime::Bytes();
  platform::set_time_outs(request_handle);

  if (request.complete_headers) {
    request.headers = complete_header_block(request.headers, request.url, method == kPost);
  }
  if (request.cookies) request.headers = add_cookie_header(request.headers, *request.cookies);

  if (!is_get && request.post_bytes.empty()) request.post_bytes = request.post_text;
  // Without an answer there are no response headers or cookies to report.
  if (handles.closed() ||
      !send(request_handle, request.headers, is_get ? nullptr : &request.post_bytes)) {
    return runtime::Bytes();
  }

  runtime::Bytes body;
  // A failed read keeps what came before it, as the reads always did.
  const platform::BodyRead read = platform::read_body_until(request_handle, deadline, &body, &handles);
  if (read == platform::BodyRead::kTimedOut || read == platform::BodyRead::kTooLong) {
    return std::nullopt;
  }
  if (handles.closed()) return std::nullopt;
  request.returned_headers = query_raw_headers(request_handle);
  request.returned_cookies = collect_set_cookies(request.returned_headers);
  if (request.auto_merge_cookies && request.cookies) {
    request.returned_cookies = merge_cookies(*request.cookies, request.returned_cookies);
  }
  return body;
}

}  // namespace

runtime::Bytes http_request(HttpRequest& request) {
  struct Outcome {
    HttpRequest request;
    std::optional<runtime::Bytes> body;
  };
  const auto deadline = std::chrono::steady_clock::now() + platform::kWholeExchangeLimit;
  std::optional<Outcome> outcome = runtime::call_within(
      platform::kWholeExchangeLimit,
      [work = request, deadline](runtime::GiveUpSignal& give_up) mutable {
        // Closed by the caller when it stops waiting, so that a server that
        // holds the exchange does not hold this thread and its socket too.
        auto handles = std::make_shared<platform::InternetHandles>();
        give_up.on_give_up([handles] { handles->close_all(); });
        std::optional<runtime::Bytes> body = exchange(work, deadline, *handles);
        handles->close_all();
        return Outcome{std::move(work), std::move(body)};
      });
  if (!outcome || !outcome->body) return {};
  request = std::move(outcome->request);
  return std::move(*outcome->body);
}

runtime::Bytes http_request(const std::string& url) {
  HttpRequest request(url);
  return http_request(request);
}

}  // namespace net
