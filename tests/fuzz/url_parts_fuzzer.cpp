// The host, port and path of a request URL.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "net/url_parts.h"
#include "runtime/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  net::url_is_secure(url);
  const std::string host = net::url_host(url);
  FUZZ_EXPECT(runtime::to_lower_ascii(host) == host);
  const std::string host_and_port = net::url_host(url, true);
  FUZZ_EXPECT(host_and_port.rfind(host, 0) == 0);
  net::url_port(url);
  FUZZ_EXPECT(!net::url_path(url).empty());
  return 0;
}
