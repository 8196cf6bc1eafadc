// Downloader::download_http: one GET (connection and request opened
// separately, so that both carry the time-outs), the answer's status and
// length checked before the local file is touched.
#include <windows.h>
#include <wininet.h>

#include <string>
#include <string_view>

#include "net/downloader.h"
#include "net/downloader_transfer.h"
#include "net/url_parts.h"
#include "platform/internet_handle.h"
#include "platform/internet_limits.h"
#include "runtime/codepage.h"
#include "runtime/system.h"
#include "runtime/text.h"

namespace net {
namespace {

constexpr char kRequestHeaders[] =
    "Accept: */*\r\n"
    "Accept-Language: zh-cn\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";

constexpr int kStatusRangeNotSatisfiable = 416;

constexpr DWORD kOpenUrlFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;

// The path with every byte of 0x80 or more written as %XX. The W functions
// would turn GBK characters into "?" on a system whose ANSI code page is not
// 936; escaped, the server receives the same GBK bytes on every system.
std::string escape_non_ascii(std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(path.size());
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      escaped += c;
    } else {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    }
  }
  return escaped;
}

// A header of the answer as text; false when the answer has none.
bool query_header(HINTERNET request, DWORD info, std::wstring* value) {
  std::wstring buffer(64, L'\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    DWORD index = 0;
    if (HttpQueryInfoW(request, info, buffer.data(), &size, &index)) {
      buffer.resize(size / sizeof(wchar_t));
      *value = buffer;
      return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
  }
}

// The status code of the answer; 0 when there is none to read.
int status_code(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  DWORD index = 0;
  if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                      &index)) {
    return 0;
  }
  return static_cast<int>(status);
}

// Content-Length as a 64-bit count (the numeric query stops at 32 bits);
// -1 when the answer announces no length.
std::int64_t content_length(HINTERNET request) {
  std::wstring text;
  if (!query_header(request, HTTP_QUERY_CONTENT_LENGTH, &text)) return -1;
  std::wstring_view digits = text;
  while (!digits.empty() && digits.front() == L' ') digits.remove_prefix(1);
  while (!digits.empty() && digits.back() == L' ') digits.remove_suffix(1);
  return detail::parse_byte_count(digits);
}

// "bytes FIRST-LAST/SIZE" or "bytes */SIZE"; -1 for a part that is absent or "*".
struct ContentRange {
  std::int64_t first = -1;
  std::int64_t size = -1;
};

ContentRange content_range(HINTERNET request) {
  ContentRange range;
  std::wstring text;
  if (!query_header(request, HTTP_QUERY_CONTENT_RANGE, &text)) return range;
  const std::wstring_view unit = L"bytes ";
  std::wstring_view rest = text;
  if (rest.substr(0, unit.size()) != unit) return range;
  rest.remove_prefix(unit.size());
  const size_t slash = rest.find(L'/');
  if (slash == std::wstring_view::npos) return range;
  range.size = detail::parse_byte_count(rest.substr(slash + 1));
  const size_t dash = rest.find(L'-');
  if (dash != std::wstring_view::npos && dash < slash) {
    range.first = detail::parse_byte_count(rest.substr(0, dash));
  }
  return range;
}

// The version of the file an answer carries; size is the whole file's.
FileValidator answered_file(HINTERNET request, int status, std::int64_t length) {
  FileValidator file;
  std::wstring text;
  if (query_header(request, HTTP_QUERY_ETAG, &text)) file.etag = runtime::narrow(text);
  if (query_header(request, HTTP_QUERY_LAST_MODIFIED, &text)) {
    file.last_modified = runtime::narrow(text);
  }
  file.size = status == HTTP_STATUS_PARTIAL_CONTENT || status == kStatusRangeNotSatisfiable
                  ? content_range(request).size
                  : length;
  return file;
}

// Compared by what both sides know, the entity tag first: it follows the
// content, while a date may change when the same bytes are written again.
bool same_file(const FileValidator& part_of, const FileValidator& answered) {
  if (part_of.size >= 0 && answered.size >= 0 && part_of.size != answered.size) return false;
  if (!part_of.etag.empty() && !answered.etag.empty()) return part_of.etag == answered.etag;
  if (!part_of.last_modified.empty() && !answered.last_modified.empty()) {
    return part_of.last_modified == answered.last_modified;
  }
  return true;
}

// The If-Range value naming the version the present part came from: a
// strong entity tag, else the date (a weak tag may not name a range).
std::string if_range_value(const FileValidator& part_of) {
  if (!part_of.etag.empty() && part_of.etag.front() == '"') return part_of.etag;
  return part_of.last_modified;
}

}  // namespace

int Downloader::download_http(const std::string& url_text, const runtime::FilePath& path,
                              const DownloadProgress& progress, std::int64_t offset, bool resume,
                              const ResumeCheck& check, TransferControl* given_control) {
  url = url_text;
  file_number = 0;
  TransferControl own_control;
  TransferControl& control = given_control ? *given_control : own_control;
  // Any failure after a cancel is the cancel's doing.
  const auto failed = [&control](int result) {
    return control.cancelled() ? kHttpCancelled : result;
  };
  std::int64_t start = detail::resume_position(path, offset, resume);
  const DWORD receive_ms = static_cast<DWORD>(control.stall_limit.count());

  DWORD connection_state = 0;
  InternetGetConnectedState(&connection_state, 0);
  const std::string agent = "Agent" + runtime::int_to_text(runtime::tick_count());
  const DWORD access = (connection_state & INTERNET_CONNECTION_PROXY)
                           ? INTERNET_OPEN_TYPE_PRECONFIG
                           : INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
  platform::InternetHandles& handles = control.handles();
  const HINTERNET session =
      handles.adopt(InternetOpenW(runtime::widen(agent).c_str(), access, nullptr, nullptr, 0));
  if (!session) return failed(kHttpOpenInternetFailed);
  platform::set_time_outs(session, receive_ms);

  const bool secure = url_is_secure(url);
  const int port = url_port(url);
  if (port <= 0 || port > 65535) return kHttpOpenUrlFailed;
  const HINTERNET connection = handles.adopt(
      InternetConnectW(session, runtime::widen(url_host(url)).c_str(),
                       static_cast<INTERNET_PORT>(port), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return failed(kHttpOpenUrlFailed);
  platform::set_time_outs(connection, receive_ms);
  const std::wstring object = runtime::widen(escape_non_ascii(url_path(url)));
  const DWORD flags = kOpenUrlFlags | (secure ? INTERNET_FLAG_SECURE : 0);

  // The request for the file from first_byte on, sent; null when it could
  // not be sent or no answer came.
  const auto open_from = [&](std::int64_t first_byte) -> HINTERNET {
    std::string headers = kRequestHeaders;
    if (first_byte > 0) {
      headers += "\r\nRange:bytes=" + runtime::int_to_text(first_byte) + "-";
      const std::string named = if_range_value(check.part_of);
      if (!named.empty()) headers += "\r\nIf-Range: " + named;
    }
    const HINTERNET request = handles.adopt(
        HttpOpenRequestW(connection, L"GET", object.c_str(), L"HTTP/1.1", nullptr, nullptr, flags, 0));
    if (!request) return nullptr;
    platform::set_time_outs(request, receive_ms);
    const std::wstring wide_headers = runtime::widen(headers);
    if (handles.closed() || !HttpSendRequestW(request, wide_headers.c_str(),
                                              static_cast<DWORD>(wide_headers.size()), nullptr, 0)) {
      handles.close(request);
      return nullptr;
    }
    return request;
  };
  HINTERNET request = open_from(start);
  if (!request) return failed(kHttpOpenUrlFailed);
  int status = status_code(request);
  // The server continued a file (or found the part complete) when it
  // should not have: it ignored If-Range (or was not asked) and the file
  // changed since the part was fetched, or the part is longer than the
  // server's whole file. The part belongs to another file; fetch this one
  // whole.
  const auto part_of_another_file = [&] {
    if (status != HTTP_STATUS_PARTIAL_CONTENT && status != kStatusRangeNotSatisfiable) {
      return false;
    }
    const FileValidator answered = answered_file(request, status, -1);
    return !same_file(check.part_of, answered) || (answered.size >= 0 && answered.size < start);
  };
  if (start > 0 && part_of_another_file()) {
    start = 0;
    handles.close(request);
    request = open_from(0);
    if (!request) return failed(kHttpOpenUrlFailed);
    status = status_code(request);
  }

  // Only a 2xx answer carries the file; an error page never reaches it.
  if (status == kStatusRangeNotSatisfiable && start > 0 && content_range(request).size == start) {
    // Asked for the rest of a file that is already whole.
    bool opened = false;
    if (!control.unless_cancelled([&] {
          platform::FileHandle whole = detail::open_local_file(path, start);
          opened = whole.valid();
          if (opened) file_number = reinterpret_cast<std::intptr_t>(whole.get());
        })) {
      return kHttpCancelled;
    }
    return opened ? kHttpComplete : kHttpOpenLocalFileFailed;
  }
  if (status != 0 && (status < 200 || status > 299)) return failed(kHttpServerRefused);
  std::int64_t expected_total = -1;
  const std::int64_t length = content_length(request);
  if (status == HTTP_STATUS_PARTIAL_CONTENT) {
    const ContentRange range = content_range(request);
    if (range.first != start) return failed(kHttpServerRefused);
    // The range's size also bounds an answer that announces no length.
    expected_total = range.size >= 0 ? range.size : (length >= 0 ? start + length : -1);
  } else {
    start = 0;  // the whole file came: the local one starts over
    expected_total = length;
  }

  bool opened = false;
  if (!control.unless_cancelled([&] {
        if (check.on_file) check.on_file(answered_file(request, status, length));
        control.set_file(detail::open_local_file(path, start));
        opened = control.file_open();
        if (opened) file_number = reinterpret_cast<std::intptr_t>(control.file());
      })) {
    return kHttpCancelled;
  }
  if (!opened) return kHttpOpenLocalFileFailed;

  const detail::CopyOutcome outcome =
      detail::copy_blocks(request, control, start, start, expected_total, progress);
  control.unless_cancelled([&] {
    if (outcome == detail::CopyOutcome::kTooLong) detail::cut_file_at(control.file(), start);
    control.close_file();
  });
  switch (outcome) {
    case detail::CopyOutcome::kComplete: return kHttpComplete;
    case detail::CopyOutcome::kWriteFailed: return failed(kHttpWriteLocalFileFailed);
    case detail::CopyOutcome::kTooLong: return failed(kHttpTooLong);
    case detail::CopyOutcome::kCancelled: return kHttpCancelled;
    case detail::CopyOutcome::kReadFailed:
    case detail::CopyOutcome::kEndedEarly: break;
  }
  return failed(kHttpReadFailed);
}

}  // namespace net
