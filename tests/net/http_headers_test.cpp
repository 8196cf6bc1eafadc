#include "net/http_headers.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
  const char* input;
  const char* expected;
};

TEST(HttpHeaders, NormalizeHeaderNames) {
  const TextCase cases[] = {
      {"", ""},
      {"x-requested-with: a", "X-Requested-With: a"},
      {"USER-AGENT: a", "USER-AGENT: a"},
      {"accept: text/html", "Accept: text/html"},
      {"content-type:application/json", "Content-Type:application/json"},
      // Only the name changes; the value keeps its case and its colons.
      {"referer: http://host/a-b", "Referer: http://host/a-b"},
      {"aCCEPT: x", "ACCEPT: x"},
      {"a-b-c: 1\r\nno colon here\r\nx-y: 2", "A-B-C: 1\r\nX-Y: 2"},
      {"x--y: 1", "X--Y: 1"},
      {"x-: 1", "X-: 1"},
      {"1-a: 1", "1-A: 1"},
      {"\r\n\r\nhost: h\r\n", "Host: h"},
      {"only text", ""},
      // A GBK name is left alone byte for byte.
      {"\xD6\xD0-\xCE\xC4: 1", "\xD6\xD0-\xCE\xC4: 1"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(net::normalize_header_names(c.input), c.expected);
  }
}

TEST(HttpHeaders, TextBefore) {
  struct Case {
    const char* text;
    const char* separator;
    const char* expected;
  };
  const Case cases[] = {
      {"Set-Cookie: a=1", ": ", "Set-Cookie"},
      {"Set-Cookie:a=1", ": ", ""},
      {"a: b: c", ": ", "a"},
      {": x", ": ", ""},
      {"ABC", "b", ""},
      {"", ": ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(net::text_before(c.text, c.separator), c.expected);
  }
}

TEST(HttpHeaders, AgentComesFromTheUserAgentLine) {
  const TextCase cases[] = {
      {"", net::kDefaultAgent},
      {"Accept: */*", net::kDefaultAgent},
      {"User-Agent: Chrome/50", "Chrome/50"},
      {"User-Agent:   padded \xA1\xA1", "padded"},
      {"User-Agent:", ""},
      {"User-Agent:\r\nAccept: x", ""},
      {"Accept: a\r\nuser-agent: lower", "lower"},
      {"X-User-Agent: other", net::kDefaultAgent},
      {"User-Agent: first\r\nUser-Agent: second", "first"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(net::agent_from_headers(c.input), c.expected);
  }
}

TEST(HttpHeaders, CompleteHeaderBlock) {
  struct Case {
    const char* headers;
    bool is_post;
    const char* expected;
  };
  const char* url = "http://h/p";
  const Case cases[] = {
      {"", false, "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn"},
      {"", true,
       "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded"},
      {"User-Agent: UA", true,
       "User-Agent: UA\r\nAccept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded"},
      {"accept: text/html\r\nREFERER: r\r\naccept-language: en\r\ncontent-type: text/plain", true,
       "accept: text/html\r\nREFERER: r\r\naccept-language: en\r\ncontent-type: text/plain"},
      // A name that merely contains "Accept:" is another header.
      {"X-Accept: 1", false, "X-Accept: 1\r\nAccept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers);
    EXPECT_EQ(net::complete_header_block(c.headers, url, c.is_post), c.expected);
  }
}

TEST(HttpHeaders, AddCookieHeader) {
  struct Case {
    const char* headers;
    const char* cookies;
    const char* expected;
  };
  const Case cases[] = {
      {"Accept: */*", "", "Accept: */*"},
      {"", "a=1", "Cookie: a=1"},
      {"Accept: */*", "a=1; b=2", "Accept: */*\r\nCookie: a=1; b=2"},
      {"Cookie: x=0\r\nAccept: */*", "a=1", "Cookie: x=0; a=1\r\nAccept: */*"},
      {"Accept: */*\r\ncookie: x=0", "a=1", "Accept: */*\r\ncookie: x=0; a=1"},
      {"Cookie:\r\nAccept: */*", "a=1", "Cookie: a=1\r\nAccept: */*"},
      {"Set-Cookie-Like: x", "a=1", "Set-Cookie-Like: x\r\nCookie: a=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers);
    EXPECT_EQ(net::add_cookie_header(c.headers, c.cookies), c.expected);
  }
}

TEST(HttpHeaders, CollectSetCookies) {
  const TextCase cases[] = {
      {"", ""},
      {"HTTP/1.1 200 OK\r\nSet-Cookie:a=1\r\n\r\n", ""},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\n\r\n", "a=1"},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\n\r\n", "a=1"},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nX: y\r\nSet-Cookie: b=2; HttpOnly\r\n\r\n",
       "a=1; b=2"},
      {"HTTP/1.1 200 OK\r\nset-cookie: a=1\r\n\r\n", ""},
      {"HTTP/1.1 200 OK\r\nSet-Cookie:  spaced=1  \r\n\r\n", "spaced=1"},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: ; path=/\r\nSet-Cookie: b=2\r\n\r\n", "b=2"},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: n=\xD6\xD0; path=/\r\n\r\n", "n=\xD6\xD0"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(net::collect_set_cookies(c.input), c.expected);
  }
}

}  // namespace
