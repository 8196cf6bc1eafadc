#pragma once
// The pieces of an http or https URL that a request needs: host, port and
// the path sent in the request line. "http://" may be left out of the URL;
// the scheme is recognised in any letter case.
#include <string>
#include <string_view>

namespace net {

// True when the URL starts with "https://" (any case).
bool url_is_secure(std::string_view url);

// Host of the URL, lower-cased; with keep_port its ":port" suffix stays.
// "HTTPS://Host:8443/x" gives "host" (or "host:8443").
std::string url_host(std::string_view url, bool keep_port = false);

// The explicit port, else 443 for https and 80 otherwise. A port text that
// is not a number gives 0.
int url_port(std::string_view url);

// Path and query (and fragment) as sent in the request line; "/" when the
// URL has none.
std::string url_path(std::string_view url);

}  // namespace net
