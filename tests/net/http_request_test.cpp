// http_request against loopback servers: a scripted server inside this
// program for plain HTTP, and a Python TLS server for a secure request.
#include "net/http_request.h"

#include <windows.h>
#include <tlhelp32.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/internet_limits.h"
#include "runtime/bounded_call.h"
#include "runtime/text.h"
#include "tests/net/download_peers.h"
#include "tests/support/test_environment.h"
#include "tests/support/translate_standin.h"

namespace {

constexpr int kServerPort = 40;
constexpr int kClosedPort = 41;  // nothing listens there
constexpr int kTlsPort = 42;

// A complete answer that ends the connection.
std::string http_response(const std::string& status_line, const std::string& header_lines,
                          const std::string& body) {
  return status_line + "\r\n" + header_lines + "Content-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

std::string request_line(const std::string& raw) { return raw.substr(0, raw.find("\r\n")); }

std::string request_body(const std::string& raw) {
  const size_t end = raw.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : raw.substr(end + 4);
}

// The values of every header line called name (any letter case), in order.
std::vector<std::string> request_header_values(const std::string& raw, const std::string& name) {
  std::vector<std::string> values;
  const std::string head = raw.substr(0, raw.find("\r\n\r\n"));
  const std::string wanted = runtime::to_lower_ascii(name);
  for (const std::string& line : runtime::split(head, "\r\n")) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || runtime::to_lower_ascii(line.substr(0, colon)) != wanted) continue;
    values.push_back(runtime::trim_left(line.substr(colon + 1)));
  }
  return values;
}

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

// Each test scripts the server's answers and reads back the raw requests it
// received since the last clear_requests().
class HttpRequestTest : public testing::Test {
 protected:
  using Script = std::function<std::string(const std::string& raw_request)>;

  void SetUp() override {
    answer_always(http_response("HTTP/1.1 200 OK", "", "ok"));
    ASSERT_TRUE(server_.start(test_support::test_port(kServerPort), [this](const std::string& raw) {
      std::lock_guard<std::mutex> lock(mutex_);
      const std::string response = script_(raw);
      // A HEAD answer carries no body, whatever its Content-Length says.
      if (raw.rfind("HEAD ", 0) == 0) return response.substr(0, response.find("\r\n\r\n") + 4);
      return response;
    }));
  }

  void answer(Script script) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_ = std::move(script);
  }
  void answer_always(const std::string& response) {
    answer([response](const std::string&) { return response; });
  }
  std::vector<std::string> requests() const {
    const std::vector<std::string> all = server_.requests();
    return std::vector<std::string>(all.begin() + static_cast<long>(std::min(seen_, all.size())), all.end());
  }
  void clear_requests() { seen_ = server_.requests().size(); }
  // The one request the server received.
  std::string only_request() const {
    const std::vector<std::string> received = requests();
    EXPECT_EQ(received.size(), 1u);
    return received.empty() ? std::string() : received.front();
  }

  static std::string host_port() { return "127.0.0.1:" + std::to_string(test_support::test_port(kServerPort)); }
  static std::string base() { return "http://" + host_port(); }

 private:
  test_support::ScriptedHttpPeer server_;
  std::mutex mutex_;
  Script script_;
  size_t seen_ = 0;
};

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
    clear_requests();
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
    clear_requests();
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
    clear_requests();
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
    clear_requests();
    net::HttpRequest request(base() + "/");
    request.headers = "accept: text/html";
    request.fix_header_case = fix_header_case;
    net::http_request(request);
    EXPECT_EQ(request_header_values(only_request(), "Accept"), std::vector<std::string>{"text/html"});
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
    clear_requests();
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
    clear_requests();
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

// Wine hands back its own rendering of the response lines ("Set-Cookie:a=1"
// comes back as "Set-Cookie: a=1"), so the line without its space is
// covered by the header tests alone.
TEST_F(HttpRequestTest, CollectsSetCookieLines) {
  const struct {
    const char* set_cookie_lines;
    const char* collected;
  } cases[] = {
      {"Set-Cookie: a=1\r\n", "a=1"},
      {"Set-Cookie: a=1; path=/\r\n", "a=1"},
      {"Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n", "a=1; b=2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set_cookie_lines);
    answer_always(http_response("HTTP/1.1 200 OK", c.set_cookie_lines, "ok"));
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
  answer_always(
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
    clear_requests();
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
  answer([](const std::string& raw) {
    if (request_line(raw) == "GET /moved HTTP/1.1") {
      return http_response("HTTP/1.1 302 Found", "Location: /target\r\n", "moved here");
    }
    return http_response("HTTP/1.1 200 OK", "", "target body");
  });
  for (bool no_redirect : {true, false}) {
    SCOPED_TRACE(no_redirect);
    clear_requests();
    net::HttpRequest request(base() + "/moved");
    request.no_redirect = no_redirect;
    const runtime::Bytes body = net::http_request(request);
    if (no_redirect) {
      EXPECT_EQ(body, "moved here");
      EXPECT_EQ(request.returned_headers.rfind("HTTP/1.1 302 Found\r\n", 0), 0u) << request.returned_headers;
      EXPECT_NE(request.returned_headers.find("\r\nLocation: /target\r\n"), std::string::npos);
      EXPECT_EQ(requests().size(), 1u);
    } else {
      EXPECT_EQ(body, "target body");
      EXPECT_EQ(request.returned_headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << request.returned_headers;
      ASSERT_EQ(requests().size(), 2u);
      EXPECT_EQ(request_line(requests()[1]), "GET /target HTTP/1.1");
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
    clear_requests();
    net::HttpRequest request(base() + "/post");
    request.method = c.method;
    request.post_text = c.post_text;
    request.post_bytes = c.post_bytes;
    net::http_request(request);
    EXPECT_EQ(request_body(only_request()), c.sent);
    EXPECT_EQ(request.post_bytes, c.sent);
  }
}

// A large body comes back intact; one over the answer cap is no answer.
TEST_F(HttpRequestTest, ReadsALargeBodyIntactUpToTheCap) {
  const struct {
    size_t size;
    bool answered;
  } cases[] = {{1536 * 1024 + 7, true}, {platform::kMaxAnswerBytes, true}, {platform::kMaxAnswerBytes + 1, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    std::string body(c.size, '\0');
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>((i * 131 + i / 1024) % 256);
    answer_always(http_response("HTTP/1.1 200 OK", "Content-Type: application/octet-stream\r\n", body));
    const runtime::Bytes received = net::http_request(base() + "/large");
    EXPECT_EQ(received.size(), c.answered ? body.size() : 0u);
    EXPECT_TRUE(!c.answered || received == body);
  }
}

// A header block far longer than a fixed 5000-byte buffer comes back whole.
TEST_F(HttpRequestTest, ReturnsTheRawResponseHeaders) {
  std::string long_lines;
  for (int i = 1; i <= 6; ++i) long_lines += "X-Long-" + std::to_string(i) + ": " + std::string(2000, 'v') + "\r\n";
  answer_always(http_response("HTTP/1.1 404 Not Found", long_lines, "missing"));
  net::HttpRequest request(base() + "/absent");
  EXPECT_EQ(net::http_request(request), "missing");
  EXPECT_EQ(request.returned_headers.rfind("HTTP/1.1 404 Not Found\r\n" + long_lines, 0), 0u)
      << request.returned_headers.size();
  EXPECT_GT(request.returned_headers.size(), 12000u);
}

TEST_F(HttpRequestTest, PlainRequestsGoThroughTheProxy) {
  net::HttpRequest request("http://far-away.invalid/through?proxy=1");
  request.proxy = host_port();
  EXPECT_EQ(net::http_request(request), "ok");
  // The proxy gets the absolute URL (Wine adds the default port to it).
  const std::string line = request_line(only_request());
  EXPECT_EQ(line.rfind("GET http://far-away.invalid", 0), 0u) << line;
  EXPECT_EQ(line.substr(line.find('/', 11)), "/through?proxy=1 HTTP/1.1");
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
  test_support::UnixProcess server("cd '" + dir + "' && exec /usr/bin/python3 '" + test_support::source_dir_unix() +
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

// The threads of this process, as the system lists them.
int thread_count() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// A service that drips its status line and headers holds every exchange
// past its limit. Each caller still gets "no answer" in time; at most
// runtime::kMaxAbandonedCalls exchanges are left winding down, and the
// calls after them fail at once; and once the server has let go, the
// process has no more threads than before.
TEST(HttpRequestWorkers, ExchangesWithAServerThatDripsItsHeadEndAndLeaveNoThreads) {
  test_support::TranslateStandin standin;
  // About 120 bytes of head at 150 ms a byte: longer than any exchange may take.
  ASSERT_TRUE(standin.start("--drip-head-ms 150"));
  const std::string url = "http://127.0.0.1:" + std::to_string(test_support::TranslateStandin::port()) +
                          "/api/trans/vip/translate?q=Open";
  const int baseline = thread_count();
  ASSERT_GT(baseline, 0);

  // Without keep-alive, so that no pooled connection starts the library's
  // own collector thread while the threads are counted.
  const auto exchange = [url] {
    net::HttpRequest request(url);
    request.headers = "Connection: close";
    return net::http_request(request);
  };
  std::vector<std::thread> callers;
  std::vector<std::string> answers(runtime::kMaxAbandonedCalls, "unset");
  for (int i = 0; i < runtime::kMaxAbandonedCalls; ++i) {
    callers.emplace_back([&answers, exchange, i] { answers[i] = exchange(); });
  }
  for (std::thread& caller : callers) caller.join();
  EXPECT_EQ(answers, std::vector<std::string>(runtime::kMaxAbandonedCalls, ""));
  EXPECT_EQ(runtime::abandoned_calls(), runtime::kMaxAbandonedCalls);

  const auto refused_from = std::chrono::steady_clock::now();
  for (int i = runtime::kMaxAbandonedCalls; i < 20; ++i) EXPECT_EQ(exchange(), "");
  EXPECT_LT(std::chrono::steady_clock::now() - refused_from, std::chrono::seconds(2));
  EXPECT_EQ(standin.log_lines(runtime::kMaxAbandonedCalls).size(),
            static_cast<size_t>(runtime::kMaxAbandonedCalls));

  EXPECT_TRUE(test_support::wait_until([&] { return thread_count() <= baseline; }, 30000, 200))
      << thread_count() << " threads, " << baseline << " before";
  EXPECT_EQ(runtime::abandoned_calls(), 0);
}

}  // namespace
