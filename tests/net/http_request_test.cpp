// http_request against loopback servers: a scripted server inside this
// program for plain HTTP, and openssl's test server for a secure request.
#include "net/http_request.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <memory>

#include "tests/net/scripted_http_server.h"
#include "tests/support/test_environment.h"

namespace {

using net_test::http_response;
using net_test::request_body;
using net_test::request_header_values;
using net_test::request_line;
using net_test::ScriptedHttpServer;

constexpr int kServerPort = 40;
constexpr int kClosedPort = 41;
constexpr int kTlsPort = 42;

// GET / over https with every certificate check switched off: the control
// that shows the server itself answers.
std::string lenient_get(int port) {
  std::string body;
  HINTERNET session = InternetOpenA("control", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  HINTERNET connection = InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(port), nullptr,
                                          nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request = HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr,
                                       INTERNET_FLAG_SECURE | INTERNET_FLAG_RELOAD, 0);
  DWORD ignore_certificate = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                             SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_REVOCATION;
  InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &ignore_certificate, sizeof ignore_certificate);
  if (HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
    char buffer[4096];
    DWORD count = 0;
    while (InternetReadFile(request, buffer, sizeof buffer, &count) && count > 0) body.append(buffer, count);
  }
  InternetCloseHandle(request);
  InternetCloseHandle(connection);
  InternetCloseHandle(session);
  return body;
}

class HttpRequestTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new ScriptedHttpServer(test_support::test_port(kServerPort)); }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(server_->listening());
    server_->answer_always(http_response("HTTP/1.1 200 OK", "", "ok"));
    server_->clear_requests();
  }

  static std::string base() { return "http://127.0.0.1:" + std::to_string(test_support::test_port(kServerPort)); }
  static std::string host_port() { return "127.0.0.1:" + std::to_string(test_support::test_port(kServerPort)); }

  // The one request the server received.
  static std::string only_request() {
    const std::vector<std::string> requests = server_->requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? std::string() : requests.front();
  }

  static ScriptedHttpServer* server_;
};

ScriptedHttpServer* HttpRequestTest::server_ = nullptr;

TEST_F(HttpRequestTest, MethodChoosesTheVerb) {
  const struct {
    int method;
    const char* verb;
  } cases[] = {
      {net::kGet, "GET"},       {net::kPost, "POST"},     {net::kHead, "HEAD"},
      {net::kPut, "PUT"},       {net::kOptions, "OPTIONS"}, {net::kDelete, "DELETE"},
      {net::kTrace, "TRACE"},   {9, "GET"},               {-1, "GET"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method);
    server_->clear_requests();
    net::HttpRequest request(base() + "/verb");
    request.method = c.method;
    net::http_request(request);
    EXPECT_EQ(request_line(only_request()), std::string(c.verb) + " /verb HTTP/1.1");
  }
}

TEST_F(HttpRequestTest, RequestLineAndHostComeFromTheUrl) {
  const struct {
    std::string url;
    const char* line;
  } cases[] = {
      {host_port() + "/a", "GET /a HTTP/1.1"},
      {base(), "GET / HTTP/1.1"},
      {"HTTP://127.0.0.1:" + std::to_string(test_support::test_port(kServerPort)) + "/Mixed/Case?q=1",
       "GET /Mixed/Case?q=1 HTTP/1.1"},
      // GBK path and query reach the wire as their GBK bytes.
      {base() + "/\xD6\xD0\xCE\xC4?q=\xD6\xD0", "GET /\xD6\xD0\xCE\xC4?q=\xD6\xD0 HTTP/1.1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    server_->clear_requests();
    EXPECT_EQ(net::http_request(c.url), "ok");
    const std::string raw = only_request();
    EXPECT_EQ(request_line(raw), c.line);
    EXPECT_EQ(request_header_values(raw, "Host"), std::vector<std::string>{host_port()});
  }
}

TEST_F(HttpRequestTest, CompletesTheHeaderBlock) {
  const std::string url = base() + "/form";
  const struct {
    int method;
    const char* headers;
    std::string block;
  } cases[] = {
      {net::kGet, "", "Accept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn"},
      {net::kPost, "User-Agent: Chrome/50",
       "User-Agent: Chrome/50\r\nAccept: */*\r\nReferer: " + url +
           "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded"},
      {net::kPut, "", "Accept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method);
    server_->clear_requests();
    net::HttpRequest request(url);
    request.method = c.method;
    request.headers = c.headers;
    request.post_text = "q=1";
    net::http_request(request);
    EXPECT_EQ(request.headers, c.block);
    const std::string raw = only_request();
    EXPECT_EQ(request_header_values(raw, "Accept"), std::vector<std::string>{"*/*"});
    EXPECT_EQ(request_header_values(raw, "Referer"), std::vector<std::string>{url});
    EXPECT_EQ(request_header_values(raw, "Accept-Language"), std::vector<std::string>{"zh-cn"});
    const std::vector<std::string> content_type = request_header_values(raw, "Content-Type");
    if (c.method == net::kPost) {
      EXPECT_EQ(content_type, std::vector<std::string>{"application/x-www-form-urlencoded"});
    } else {
      EXPECT_TRUE(content_type.empty());
    }
  }
}

TEST_F(HttpRequestTest, AnAcceptLineInAnyCaseIsNotRepeated) {
  for (bool fix_header_case : {true, false}) {
    SCOPED_TRACE(fix_header_case);
    server_->clear_requests();
    net::HttpRequest request(base() + "/");
    request.headers = "accept: text/html";
    request.fix_header_case = fix_header_case;
    net::http_request(request);
    EXPECT_EQ(request_header_values(only_request(), "Accept"), std::vector<std::string>{"text/html"});
    EXPECT_EQ(net::http_request(base()), "ok");
  }
}

TEST_F(HttpRequestTest, UserAgentIsTakenFromTheHeaders) {
  const struct {
    const char* headers;
    const char* agent;
  } cases[] = {
      {"", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
      {"User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) Chrome/50.0.2661.87",
       "Mozilla/5.0 (Windows NT 6.1; WOW64) Chrome/50.0.2661.87"},
      {"x-test: 1\r\nuser-agent: lower-case-name", "lower-case-name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headers);
    server_->clear_requests();
    net::HttpRequest request(base() + "/");
    request.headers = c.headers;
    net::http_request(request);
    EXPECT_EQ(request_header_values(only_request(), "User-Agent"), std::vector<std::string>{c.agent});
  }
}

TEST_F(HttpRequestTest, EmptyUserAgentValueSendsNoAgentText) {
  net::HttpRequest request(base() + "/");
  request.headers = "User-Agent:";
  EXPECT_EQ(net::http_request(request), "ok");
  EXPECT_EQ(request.headers.rfind("User-Agent:\r\nAccept: */*", 0), 0u) << request.headers;
  for (const std::string& agent : request_header_values(only_request(), "User-Agent")) {
    EXPECT_EQ(agent, "");
  }
}

TEST_F(HttpRequestTest, LinesWithoutColonDependOnFixHeaderCase) {
  const std::string bare_line = "not a header";
  for (bool fix_header_case : {true, false}) {
    SCOPED_TRACE(fix_header_case);
    server_->clear_requests();
    net::HttpRequest request(base() + "/");
    request.headers = "x-one: 1\r\n" + bare_line + "\r\nx-two: 2";
    request.fix_header_case = fix_header_case;
    net::http_request(request);
    const bool kept = request.headers.find(bare_line) != std::string::npos;
    EXPECT_EQ(kept, !fix_header_case) << request.headers;
    if (fix_header_case) {
      const std::string raw = only_request();
      EXPECT_EQ(raw.find(bare_line), std::string::npos);
      EXPECT_EQ(request_header_values(raw, "X-Two"), std::vector<std::string>{"2"});
    }
  }
}

TEST_F(HttpRequestTest, GbkHeaderValuesReachTheWireAsGbk) {
  net::HttpRequest request(base() + "/");
  request.headers = "X-Name: \xD6\xD0\xCE\xC4";
  net::http_request(request);
  EXPECT_EQ(request_header_values(only_request(), "X-Name"), std::vector<std::string>{"\xD6\xD0\xCE\xC4"});
}

TEST_F(HttpRequestTest, CollectsSetCookieLines) {
  const struct {
    const char* set_cookie_lines;
    const char* collected;
  } cases[] = {
      {"Set-Cookie:a=1\r\n", ""},
      {"Set-Cookie: a=1\r\n", "a=1"},
      {"Set-Cookie: a=1; path=/\r\n", "a=1"},
      {"Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n", "a=1; b=2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set_cookie_lines);
    server_->answer_always(http_response("HTTP/1.1 200 OK", c.set_cookie_lines, "ok"));
    net::HttpRequest request(base() + "/cookies");
    // A given cookie text keeps these cookies out of the library's own
    // store, where they would be sent with the later tests' requests.
    request.cookies = "";
    request.auto_merge_cookies = false;
    EXPECT_EQ(net::http_request(request), "ok");
    EXPECT_EQ(request.returned_cookies, c.collected) << request.returned_headers;
    EXPECT_EQ(*request.cookies, "");
  }
}

TEST_F(HttpRequestTest, MergesReturnedCookiesIntoTheCallersCookies) {
  server_->answer_always(
      http_response("HTTP/1.1 200 OK", "Set-Cookie: a=1; path=/\r\nSet-Cookie: z=deleted\r\nSet-Cookie: b=2\r\n", "ok"));
  const struct {
    bool auto_merge;
    const char* headers;
    const char* cookie_sent;
    const char* returned;
    const char* cookies_after;
  } cases[] = {
      {true, "", "a=0; y=8; z=9", "a=1; b=2; y=8", "a=1; b=2; y=8"},
      {false, "", "a=0; y=8; z=9", "a=1; z=deleted; b=2", "a=0; y=8; z=9"},
      {true, "Cookie: own=1", "own=1; a=0; y=8; z=9", "a=1; b=2; y=8", "a=1; b=2; y=8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cookie_sent);
    server_->clear_requests();
    net::HttpRequest request(base() + "/merge");
    request.cookies = "a=0; y=8; z=9";
    request.headers = c.headers;
    request.auto_merge_cookies = c.auto_merge;
    net::http_request(request);
    EXPECT_EQ(request_header_values(only_request(), "Cookie"), std::vector<std::string>{c.cookie_sent});
    EXPECT_EQ(request.returned_cookies, c.returned);
    EXPECT_EQ(*request.cookies, c.cookies_after);
  }
}

TEST_F(HttpRequestTest, RedirectsAreFollowedUnlessNoRedirect) {
  server_->answer([](const std::string& raw) {
    if (request_line(raw) == "GET /moved HTTP/1.1") {
      return http_response("HTTP/1.1 302 Found", "Location: /target\r\n", "moved here");
    }
    return http_response("HTTP/1.1 200 OK", "", "target body");
  });
  for (bool no_redirect : {true, false}) {
    SCOPED_TRACE(no_redirect);
    server_->clear_requests();
    net::HttpRequest request(base() + "/moved");
    request.no_redirect = no_redirect;
    const runtime::Bytes body = net::http_request(request);
    if (no_redirect) {
      EXPECT_EQ(body, "moved here");
      EXPECT_EQ(request.returned_headers.rfind("HTTP/1.1 302 Found\r\n", 0), 0u) << request.returned_headers;
      EXPECT_NE(request.returned_headers.find("\r\nLocation: /target\r\n"), std::string::npos);
      EXPECT_EQ(server_->requests().size(), 1u);
    } else {
      EXPECT_EQ(body, "target body");
      EXPECT_EQ(request.returned_headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << request.returned_headers;
      ASSERT_EQ(server_->requests().size(), 2u);
      EXPECT_EQ(request_line(server_->requests()[1]), "GET /target HTTP/1.1");
    }
  }
}

TEST_F(HttpRequestTest, BodyComesFromPostBytesElsePostText) {
  const std::string binary("bin\0ary\xFF", 8);
  const struct {
    int method;
    const char* post_text;
    std::string post_bytes;
    std::string sent;
  } cases[] = {
      {net::kPost, "text=1", binary, binary},
      {net::kPost, "text=1", "", "text=1"},
      {net::kPut, "\xD6\xD0\xCE\xC4", "", "\xD6\xD0\xCE\xC4"},
      {net::kGet, "ignored", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.post_text);
    server_->clear_requests();
    net::HttpRequest request(base() + "/post");
    request.method = c.method;
    request.post_text = c.post_text;
    request.post_bytes = c.post_bytes;
    net::http_request(request);
    EXPECT_EQ(request_body(only_request()), c.sent);
    EXPECT_EQ(request.post_bytes, c.sent);
  }
}

TEST_F(HttpRequestTest, ReadsALargeBodyIntact) {
  std::string body(1536 * 1024 + 7, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>((i * 131 + i / 1024) % 256);
  server_->answer_always(http_response("HTTP/1.1 200 OK", "Content-Type: application/octet-stream\r\n", body));
  const runtime::Bytes received = net::http_request(base() + "/large");
  EXPECT_EQ(received.size(), body.size());
  EXPECT_TRUE(received == body);
}

TEST_F(HttpRequestTest, ReturnsTheRawResponseHeaders) {
  std::string long_value(12000, 'v');
  server_->answer_always(http_response("HTTP/1.1 404 Not Found", "X-Long: " + long_value + "\r\n", "missing"));
  net::HttpRequest request(base() + "/absent");
  EXPECT_EQ(net::http_request(request), "missing");
  EXPECT_EQ(request.returned_headers.rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u) << request.returned_headers.size() << request.returned_headers.substr(0, 300);
  EXPECT_NE(request.returned_headers.find("X-Long: " + long_value + "\r\n"), std::string::npos);
}

TEST_F(HttpRequestTest, PlainRequestsGoThroughTheProxy) {
  net::HttpRequest request("http://far-away.invalid/through?proxy=1");
  request.proxy = host_port();
  EXPECT_EQ(net::http_request(request), "ok");
  EXPECT_EQ(request_line(only_request()), "GET http://far-away.invalid/through?proxy=1 HTTP/1.1");
}

TEST(HttpRequestFailure, RefusedConnectionLeavesTheOutputsAlone) {
  net::HttpRequest request("http://127.0.0.1:" + std::to_string(test_support::test_port(kClosedPort)) + "/");
  request.cookies = "a=1";
  request.returned_headers = "untouched headers";
  request.returned_cookies = "untouched cookies";
  EXPECT_EQ(net::http_request(request), "");
  EXPECT_EQ(request.returned_headers, "untouched headers");
  EXPECT_EQ(request.returned_cookies, "untouched cookies");
  EXPECT_EQ(*request.cookies, "a=1");
}

// A secure request to a server with a self-signed certificate must fail,
// while the same server answers a client that switches certificate checks
// off.
TEST(HttpRequestFailure, UntrustedCertificateIsRefused) {
  const std::string dir = test_support::scratch_dir_unix("tls");
  ASSERT_EQ(test_support::run_unix("cd '" + dir +
                                   "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem "
                                   "-out cert.pem -days 2 -subj /CN=127.0.0.1 "
                                   "-addext subjectAltName=IP:127.0.0.1 2>/dev/null"),
            0);
  const int port = test_support::test_port(kTlsPort);
  test_support::UnixProcess server("cd '" + dir + "' && exec python3 '" + test_support::source_dir_unix() +
                                   "/tests/net/tls_test_server.py' " + std::to_string(port) +
                                   " cert.pem key.pem");
  ASSERT_TRUE(test_support::wait_for_port(port));
  // The control: the server answers a client that ignores its certificate
  // (its answer lists the folder, which holds the certificate).
  ASSERT_NE(lenient_get(port).find("cert.pem"), std::string::npos);

  net::HttpRequest request("https://127.0.0.1:" + std::to_string(port) + "/");
  request.returned_headers = "untouched";
  EXPECT_EQ(net::http_request(request), "");
  EXPECT_EQ(request.returned_headers, "untouched");
}

}  // namespace
