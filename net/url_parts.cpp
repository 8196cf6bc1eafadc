#include "net/url_parts.h"

#include "runtime/text.h"

namespace net {
namespace {

// Byte range of the authority (host and port) within the URL. Every
// delimiter looked for is ASCII below 0x40, which never occurs as the second
// byte of a GBK character, so a plain byte search is safe.
struct Authority {
  size_t begin = 0;
  size_t end = 0;
};

Authority find_authority(std::string_view url) {
  Authority authority;
  if (url_is_secure(url)) {
    authority.begin = 8;
  } else if (runtime::find(url, "http://", 1, true) == 1) {
    authority.begin = 7;
  }
  const size_t end = url.find_first_of("/?#", authority.begin);
  authority.end = end == std::string_view::npos ? url.size() : end;
  return authority;
}

std::string_view authority_text(std::string_view url) {
  const Authority authority = find_authority(url);
  return url.substr(authority.begin, authority.end - authority.begin);
}

// Position of the ':' in front of the port, or npos. A bracketed IPv6
// address keeps its own colons.
size_t port_colon(std::string_view authority) {
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return std::string_view::npos;
    return authority.find(':', close);
  }
  return authority.find(':');
}

}  // namespace

bool url_is_secure(std::string_view url) { return runtime::find(url, "https://", 1, true) == 1; }

std::string url_host(std::string_view url, bool keep_port) {
  std::string_view authority = authority_text(url);
  if (!keep_port) authority = authority.substr(0, port_colon(authority));
  return runtime::to_lower_ascii(authority);
}

int url_port(std::string_view url) {
  const std::string_view authority = authority_text(url);
  const size_t colon = port_colon(authority);
  if (colon != std::string_view::npos && colon + 1 < authority.size()) {
    return runtime::text_to_int(authority.substr(colon + 1));
  }
  return url_is_secure(url) ? 443 : 80;
}

std::string url_path(std::string_view url) {
  const std::string_view rest = url.substr(find_authority(url).end);
  if (rest.empty()) return "/";
  if (rest.front() != '/') return "/" + std::string(rest);
  return std::string(rest);
}

}  // namespace net
