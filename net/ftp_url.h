#pragma once
// Splitting an "ftp://host:port/dir/name" address into the parts WinINet's
// FTP functions take. Texts are GBK; the pieces keep their bytes unchanged.
#include <string>
#include <string_view>

namespace net {

constexpr int kDefaultFtpPort = 21;

struct FtpLocation {
  std::string host;
  int port = kDefaultFtpPort;
  std::string dir;  // starts and ends with "/", e.g. "/pub/new/"
};

// The text after the last "/" of url (the whole url when it has none).
std::string ftp_file_name(std::string_view url);

// Host, port and directory of url. Without a ":port" the port is 21; with
// one, host is the text before the first ":" and port the number after the
// last ":". The "ftp://" prefix is optional.
// Example: "ftp://server:2121/pub/new/setup.rar" -> server, 2121, "/pub/new/".
FtpLocation parse_ftp_url(std::string_view url);

}  // namespace net
