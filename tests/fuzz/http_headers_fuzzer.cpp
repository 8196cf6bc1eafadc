// Reading and completing request and response header blocks.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "net/http_headers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input = fuzz::read_input(data, size, 3);
  const std::string& headers = input.texts[0];
  const std::string& name = input.texts[1];
  const std::string& other = input.texts[2];
  const bool is_post = (input.options & 1) != 0;

  const std::string normal = net::normalize_header_names(headers);
  FUZZ_EXPECT(net::normalize_header_names(normal) == normal);
  FUZZ_EXPECT(net::has_header(headers, name) == net::header_value(headers, name).has_value());
  FUZZ_EXPECT(headers.rfind(net::text_before(headers, other), 0) == 0);
  net::agent_from_headers(headers);

  const std::string completed = net::complete_header_block(headers, other, is_post);
  FUZZ_EXPECT(completed.rfind(headers, 0) == 0);
  const std::string with_cookie = net::add_cookie_header(headers, other);
  if (fuzz::is_well_formed_gbk(headers)) {
    FUZZ_EXPECT(net::has_header(completed, "Accept") && net::has_header(completed, "Referer"));
    if (!other.empty()) FUZZ_EXPECT(net::has_header(with_cookie, "Cookie"));
  }
  net::collect_set_cookies(headers);
  return 0;
}
