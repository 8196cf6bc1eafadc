// Decoding an escaped string value cut out of a service answer.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "translate/encodings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string decoded = translate::unescape_unicode(text);
  FUZZ_EXPECT(decoded.find('\0') == std::string::npos);
  return 0;
}
