#include "net/url_parts.h"

#include <gtest/gtest.h>

namespace {

struct UrlCase {
  const char* url;
  bool secure;
  const char* host;
  const char* host_with_port;
  int port;
  const char* path;
};

const UrlCase kUrlCases[] = {
    {"HTTPS://Host:8443/x?y=1", true, "host", "host:8443", 8443, "/x?y=1"},
    {"server/a", false, "server", "server", 80, "/a"},
    {"http://host", false, "host", "host", 80, "/"},
    {"http://host/", false, "host", "host", 80, "/"},
    {"https://Example.COM/Path/Keeps/Case", true, "example.com", "example.com", 443,
     "/Path/Keeps/Case"},
    {"http://127.0.0.1:23001/a/b?c=d#frag", false, "127.0.0.1", "127.0.0.1:23001", 23001,
     "/a/b?c=d#frag"},
    // A query right after the host still belongs to the request line.
    {"http://host?q=1", false, "host", "host", 80, "/?q=1"},
    // "http://" inside the query is not the scheme.
    {"host/go?to=http://other/x", false, "host", "host", 80, "/go?to=http://other/x"},
    // The host name "s" also occurs in the scheme "https".
    {"https://s/x", true, "s", "s", 443, "/x"},
    {"http://[::1]:8080/v6", false, "[::1]", "[::1]:8080", 8080, "/v6"},
    {"http://host:/empty-port", false, "host", "host:", 80, "/empty-port"},
    {"http://host:abc/", false, "host", "host:abc", 0, "/"},
    {"http://\xD6\xD0\xCE\xC4.cn/\xD6\xD0", false, "\xD6\xD0\xCE\xC4.cn", "\xD6\xD0\xCE\xC4.cn", 80,
     "/\xD6\xD0"},
};

TEST(UrlParts, SplitsUrlsIntoHostPortAndPath) {
  for (const UrlCase& c : kUrlCases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(net::url_is_secure(c.url), c.secure);
    EXPECT_EQ(net::url_host(c.url), c.host);
    EXPECT_EQ(net::url_host(c.url, true), c.host_with_port);
    EXPECT_EQ(net::url_port(c.url), c.port);
    EXPECT_EQ(net::url_path(c.url), c.path);
  }
}

}  // namespace
