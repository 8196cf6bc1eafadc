#include "translate/chat_post.h"

#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <mutex>

#include "platform/internet_handle.h"
#include "platform/internet_limits.h"
#include "runtime/bounded_call.h"
#include "runtime/codepage.h"

namespace translate {
namespace {

using Milliseconds = std::chrono::milliseconds;

constexpr wchar_t kUserAgent[] = L"Moqiao/1.0";
constexpr DWORD kConnectTimeoutMs = 5000;
constexpr DWORD kSendTimeoutMs = 10000;
// A model writes its answer token by token and may think for a while first.
constexpr DWORD kReceiveTimeoutMs = 60000;
constexpr Milliseconds kWholeExchangeLimit{kConnectTimeoutMs + kSendTimeoutMs + kReceiveTimeoutMs};
// No translation answer comes near this; a larger body is no answer.
constexpr size_t kLargestBody = 4 * 1024 * 1024;

void set_chat_time_outs(HINTERNET handle) {
  DWORD connect_ms = kConnectTimeoutMs;
  DWORD send_ms = kSendTimeoutMs;
  DWORD receive_ms = kReceiveTimeoutMs;
  InternetSetOptionW(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect_ms, sizeof connect_ms);
  InternetSetOptionW(handle, INTERNET_OPTION_SEND_TIMEOUT, &send_ms, sizeof send_ms);
  InternetSetOptionW(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive_ms, sizeof receive_ms);
}

// One session for the process (opening one reads the proxy settings), never
// closed: a late exchange may still use it while the program ends.
HINTERNET chat_session() {
  static std::mutex* const mutex = new std::mutex;
  static HINTERNET session = nullptr;
  std::lock_guard<std::mutex> lock(*mutex);
  if (!session) {
    session = InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session) set_chat_time_outs(session);
  }
  return session;
}

struct UrlParts {
  bool secure = false;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring object;  // path and query
};

bool crack(const std::wstring& url, UrlParts* parts) {
  wchar_t scheme[16], host[256], path[2048], extra[1024];
  URL_COMPONENTSW components{};
  components.dwStructSize = sizeof components;
  components.lpszScheme = scheme;
  components.dwSchemeLength = ARRAYSIZE(scheme);
  components.lpszHostName = host;
  components.dwHostNameLength = ARRAYSIZE(host);
  components.lpszUrlPath = path;
  components.dwUrlPathLength = ARRAYSIZE(path);
  components.lpszExtraInfo = extra;
  components.dwExtraInfoLength = ARRAYSIZE(extra);
  if (!InternetCrackUrlW(url.c_str(), 0, 0, &components)) return false;
  if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS) {
    return false;
  }
  parts->secure = components.nScheme == INTERNET_SCHEME_HTTPS;
  parts->host = host;
  parts->port = components.nPort;
  parts->object = std::wstring(path) + extra;
  if (parts->object.empty()) parts->object = L"/";
  return !parts->host.empty();
}

std::string raw_headers(HINTERNET request) {
  std::wstring headers(8192, L'\0');
  DWORD length = static_cast<DWORD>(headers.size() * sizeof(wchar_t));
  if (!HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, headers.data(), &length, nullptr)) {
    return {};
  }
  headers.resize(length / sizeof(wchar_t));
  return runtime::from_wide(headers, CP_UTF8);
}

// The exchange on a thread of its own: it owns its texts and its handles
// carry the time-outs, so it ends by itself once the caller stopped waiting.
ChatHttpAnswer exchange(const UrlParts& url, const std::string& api_key, const std::string& body,
                        std::chrono::steady_clock::time_point deadline) {
  ChatHttpAnswer answer;
  const HINTERNET session = chat_session();
  if (!session) return answer;
  const platform::InternetHandle connection(InternetConnectW(
      session, url.host.c_str(), url.port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return answer;
  set_chat_time_outs(connection.get());
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES |
                INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_KEEP_CONNECTION;
  if (url.secure) flags |= INTERNET_FLAG_SECURE;
  const platform::InternetHandle request(HttpOpenRequestW(
      connection.get(), L"POST", url.object.c_str(), L"HTTP/1.1", nullptr, nullptr, flags, 0));
  if (!request) return answer;
  set_chat_time_outs(request.get());

  std::wstring headers = L"Content-Type: application/json\r\nAccept: application/json\r\n";
  if (!api_key.empty()) headers += L"Authorization: Bearer " + runtime::to_wide(api_key, CP_UTF8) + L"\r\n";
  if (!HttpSendRequestW(request.get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                        const_cast<char*>(body.data()), static_cast<DWORD>(body.size()))) {
    const DWORD error = GetLastError();
    answer.dropped = error != ERROR_INTERNET_TIMEOUT && error != ERROR_INTERNET_CANNOT_CONNECT &&
                     error != ERROR_INTERNET_NAME_NOT_RESOLVED && error != ERROR_INTERNET_OPERATION_CANCELLED &&
                     error != ERROR_INTERNET_SEC_CERT_CN_INVALID && error != ERROR_INTERNET_SEC_CERT_DATE_INVALID &&
                     error != ERROR_INTERNET_INVALID_CA && error != ERROR_INTERNET_SEC_CERT_ERRORS;
    return answer;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                      nullptr)) {
    return answer;
  }
  std::string received;
  if (platform::read_body_until(request.get(), deadline, &received) != platform::BodyRead::kComplete ||
      received.size() > kLargestBody) {
    return answer;
  }
  answer.status = static_cast<int>(status);
  answer.body = std::move(received);
  answer.retry_after_s = retry_after_seconds(raw_headers(request.get()));
  return answer;
}

}  // namespace

int retry_after_seconds(const std::string& raw_headers) {
  constexpr char kName[] = "retry-after:";
  std::string lower = raw_headers;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  size_t at = lower.find(std::string("\n") + kName);
  if (at == std::string::npos) return -1;
  at += sizeof kName;  // the "\n" and the name
  while (at < lower.size() && (lower[at] == ' ' || lower[at] == '\t')) ++at;
  long seconds = 0;
  size_t digits = 0;
  for (; at < lower.size() && lower[at] >= '0' && lower[at] <= '9' && digits < 9; ++at, ++digits) {
    seconds = seconds * 10 + (lower[at] - '0');
  }
  if (digits == 0 || (at < lower.size() && lower[at] != '\r' && lower[at] != '\n' && lower[at] != ' ')) {
    return -1;
  }
  return static_cast<int>(seconds);
}

ChatHttpAnswer chat_post(const std::string& url, const std::string& api_key,
                         const std::string& body) {
  UrlParts parts;
  if (!crack(runtime::to_wide(url, CP_UTF8), &parts)) return {};
  const auto deadline = std::chrono::steady_clock::now() + kWholeExchangeLimit;
  return runtime::call_within(kWholeExchangeLimit,
                              [parts, api_key, body, deadline] {
                                return exchange(parts, api_key, body, deadline);
                              })
      .value_or(ChatHttpAnswer());
}

}  // namespace translate
