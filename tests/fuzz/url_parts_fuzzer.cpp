// The host, port and path of a request URL. Besides the raw input, a URL
// is put together from a scheme, host, port and path the fuzzer chose, and
// each part must come back out of it.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "net/url_parts.h"
#include "runtime/text.h"

namespace {

constexpr char kHostCharacters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-_";

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Upper-cases the letters whose bit in mask is set.
std::string mixed_case(std::string text, unsigned mask) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (((mask >> (i % 8)) & 1) && text[i] >= 'a' && text[i] <= 'z') text[i] -= 'a' - 'A';
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  net::url_is_secure(url);
  const std::string host = net::url_host(url);
  FUZZ_EXPECT(runtime::to_lower_ascii(host) == host);
  const std::string host_and_port = net::url_host(url, true);
  FUZZ_EXPECT(host_and_port.rfind(host, 0) == 0);
  net::url_port(url);
  FUZZ_EXPECT(!net::url_path(url).empty());

  const fuzz::Input input = fuzz::read_input(data, size, 4);
  const unsigned scheme_kind = input.options % 3;
  const bool secure = scheme_kind == 2;
  const std::string scheme =
      mixed_case(scheme_kind == 0 ? "" : secure ? "https://" : "http://", input.options >> 2);
  std::string chosen_host;
  for (char c : input.texts[0]) {
    chosen_host.push_back(kHostCharacters[static_cast<unsigned char>(c) % (sizeof kHostCharacters - 1)]);
  }
  if (chosen_host.empty()) chosen_host = "h";
  std::string port;
  for (char c : input.texts[1].substr(0, 5)) port.push_back(static_cast<char>('0' + static_cast<unsigned char>(c) % 10));
  // The path starts at the first "/", "?" or "#"; anything may follow.
  std::string path = input.texts[2];
  if (!path.empty()) path.insert(path.begin(), "/?#"[static_cast<unsigned char>(path[0]) % 3]);

  const std::string built = scheme + chosen_host + (port.empty() ? "" : ":" + port) + path;
  FUZZ_EXPECT(net::url_is_secure(built) == secure);
  FUZZ_EXPECT(net::url_host(built) == lower(chosen_host));
  FUZZ_EXPECT(net::url_host(built, true) == lower(chosen_host) + (port.empty() ? "" : ":" + port));
  FUZZ_EXPECT(net::url_port(built) == (port.empty() ? (secure ? 443 : 80) : std::stoi(port)));
  const std::string expected_path = path.empty() ? "/" : path[0] == '/' ? path : "/" + path;
  FUZZ_EXPECT(net::url_path(built) == expected_path);
  return 0;
}
