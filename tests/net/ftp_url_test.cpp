#include "net/ftp_url.h"

#include <gtest/gtest.h>

namespace {

TEST(FtpUrl, SplitsIntoHostPortDirectoryAndName) {
  struct Case {
    const char* url;
    const char* host;
    int port;
    const char* dir;
    const char* name;
  };
  const Case cases[] = {
      {"ftp://server:2121/pub/new/setup.rar", "server", 2121, "/pub/new/", "setup.rar"},
      {"ftp://server/pub/new/setup.rar", "server", 21, "/pub/new/", "setup.rar"},
      {"ftp://127.0.0.1:25003/source.bin", "127.0.0.1", 25003, "/", "source.bin"},
      {"ftp://host/", "host", 21, "/", ""},
      {"server:2121/a/b.txt", "server", 2121, "/a/", "b.txt"},  // prefix is optional
      {"FTP://Server:21/x/y", "Server", 21, "/x/", "y"},
      // A colon in the middle: host ends at the first, port follows the last.
      {"ftp://a:b:990/f", "a", 990, "/", "f"},
      {"ftp://server:/f", "server", 0, "/", "f"},  // no digits: port 0 (WinINet's default)
      // GBK names pass through untouched.
      {"ftp://server/更新/墨桥翻译.rar", "server", 21, "/更新/", "墨桥翻译.rar"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const net::FtpLocation location = net::parse_ftp_url(c.url);
    EXPECT_EQ(location.host, c.host);
    EXPECT_EQ(location.port, c.port);
    EXPECT_EQ(location.dir, c.dir);
    EXPECT_EQ(net::ftp_file_name(c.url), c.name);
  }
}

TEST(FtpUrl, FileNameIsTheTextAfterTheLastSlash) {
  const std::pair<const char*, const char*> cases[] = {
      {"ftp://server:2121/pub/new/setup.rar", "setup.rar"},
      {"no-slash-at-all", "no-slash-at-all"},
      {"", ""},
  };
  for (const auto& [url, name] : cases) EXPECT_EQ(net::ftp_file_name(url), name) << url;
}

}  // namespace
