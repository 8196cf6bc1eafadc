#pragma once
// The plain GET the quick translation sends to the translation service.
#include <string>

#include "runtime/text.h"

namespace translate {

// GETs http://<host>[:port]<object> with HTTP/1.0, "Accept: */*", the
// program's browser user agent and no cache used or written, and returns
// the whole body whatever the status code; any failure (bad host text,
// refused connection, broken read, or an exchange that outlasts
// platform::kWholeExchangeLimit) gives an empty byte string. Returns within
// that limit whatever the server does.
runtime::Bytes service_get(const std::string& host_and_port, const std::string& object);

// Splits "host", "host:port" or "[v6 address]:port". False when the port is
// not a number from 1 to 65535 or the host is empty; without a port the
// port is 0 (the scheme's default).
bool split_host_and_port(const std::string& host_and_port, std::string* host, int* port);

}  // namespace translate
