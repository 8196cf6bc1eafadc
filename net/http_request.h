#pragma once
// The program's general HTTP client call: one request through WinINet, the
// whole body read into memory, with browser-like header rules on top.
//
//   net::HttpRequest request(url);
//   request.method = net::kPost;
//   request.post_text = form;
//   request.headers = "User-Agent: ...";
//   std::string answer = runtime::text_from_bytes(net::http_request(request));
#include <optional>
#include <string>

#include "runtime/text.h"

namespace net {

// Index into the verb table; any other value sends GET.
enum HttpMethod : int { kGet, kPost, kHead, kPut, kOptions, kDelete, kTrace, kConnect };

// The arguments of one call, in/out members included. Members are in the
// order of the call's parameters.
struct HttpRequest {
  HttpRequest() = default;
  explicit HttpRequest(std::string url_text) : url(std::move(url_text)) {}

  // Full URL; "http://" may be left out. A GBK host or path is sent as its
  // GBK bytes.
  std::string url;
  int method = kGet;
  // The body as text; used only when post_bytes is empty.
  std::string post_text;
  // In/out. nullopt: the caller keeps no cookies, and the library's own
  // cookie store is used. Given (even empty): sent as the "Cookie" header,
  // the library's store is bypassed and, with auto_merge_cookies, the
  // cookies the response set are merged into it.
  std::optional<std::string> cookies;
  // Out: the name=value pairs the response set (merged with cookies when
  // that is given and auto_merge_cookies is on).
  std::string returned_cookies;
  // In/out: extra header lines separated by "\r\n"; on return the header
  // block the request was sent with.
  std::string headers;
  // Out: the raw response header block, lines separated by "\r\n".
  std::string returned_headers;
  // Redirect answers are returned as they came instead of being followed.
  bool no_redirect = false;
  // In/out: the body as bytes, ahead of post_text. For any verb but GET an
  // empty post_bytes receives the bytes of post_text.
  runtime::Bytes post_bytes;
  // "host:port" of a proxy; empty means a direct connection, or with
  // system_proxy the system's proxy settings.
  std::string proxy;
  bool system_proxy = false;
  bool auto_merge_cookies = true;
  // Adds "Accept", "Referer", "Accept-Language" and, for POST,
  // "Content-Type" when the headers lack them.
  bool complete_headers = true;
  // Rewrites header names as "Header-Name" and drops lines without ':'.
  bool fix_header_case = true;
};

// Sends the request and returns the response body. When no response came
// (session, connection or request could not be opened, the connection
// failed, or the server's certificate did not verify) the body is empty and
// returned_cookies and returned_headers are left as they were. The call
// returns within platform::kWholeExchangeLimit whatever the server does; an
// exchange that outlasts it counts as no response, and then the request is
// left exactly as it was passed. An answer longer than
// platform::kMaxAnswerBytes counts as no response too. An exchange given up
// has its handles closed, so that it ends as soon as the system lets it;
// while runtime::kMaxAbandonedCalls of them still run, the call fails at
// once.
runtime::Bytes http_request(HttpRequest& request);

// A plain GET of url with every other argument left out.
runtime::Bytes http_request(const std::string& url);

}  // namespace net
