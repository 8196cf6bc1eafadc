#include "net/ftp_url.h"

#include "runtime/text.h"

namespace net {
namespace {

constexpr std::string_view kFtpScheme = "ftp://";

}  // namespace

std::string ftp_file_name(std::string_view url) {
  const int slash = runtime::find_backwards(url, "/");
  if (slash < 0) return std::string(url);
  return std::string(url.substr(static_cast<size_t>(slash)));  // slash is 1-based
}

FtpLocation parse_ftp_url(std::string_view url) {
  const std::string name = ftp_file_name(url);
  std::string_view rest = url;
  if (runtime::to_lower_ascii(rest.substr(0, kFtpScheme.size())) == kFtpScheme) {
    rest.remove_prefix(kFtpScheme.size());
  }
  // What is left once the name is gone is host-part + "/" + directories + "/".
  if (name.size() <= rest.size()) rest.remove_suffix(name.size());

  FtpLocation location;
  std::string_view host_part = rest;
  const int first_slash = runtime::find(rest, "/");
  if (first_slash > 0) {
    host_part = rest.substr(0, static_cast<size_t>(first_slash - 1));
    location.dir = std::string(rest.substr(static_cast<size_t>(first_slash - 1)));
  } else {
    location.dir = "/";
  }

  const int first_colon = runtime::find(host_part, ":");
  if (first_colon < 0) {
    location.host = std::string(host_part);
    location.port = kDefaultFtpPort;
  } else {
    location.host = std::string(host_part.substr(0, static_cast<size_t>(first_colon - 1)));
    const int last_colon = runtime::find_backwards(host_part, ":");
    location.port = runtime::text_to_int(host_part.substr(static_cast<size_t>(last_colon)));
  }
  return location;
}

}  // namespace net
