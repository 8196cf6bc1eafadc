// Conversions of outside text: GBK to UTF-8, UTF-8 to GB18030 and the
// percent-encoding of queries.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "translate/encodings.h"

namespace {

bool is_upper_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

bool is_percent_encoding(const std::string& encoded) {
  for (size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    if (c == '%') {
      if (i + 2 >= encoded.size()) return false;
      if (!is_upper_hex(encoded[i + 1]) || !is_upper_hex(encoded[i + 2])) return false;
      i += 2;
    } else if (!(c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                 (c >= 'a' && c <= 'z'))) {
      return false;
    }
  }
  return true;
}

bool is_ascii(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const std::string utf8 = translate::gbk_to_utf8(text);
  FUZZ_EXPECT(utf8.find('\0') == std::string::npos);
  const std::string bytes = translate::ansi_to_utf8(text);
  FUZZ_EXPECT(bytes.rfind(utf8, 0) == 0);
  FUZZ_EXPECT(is_percent_encoding(translate::url_encode(text)));

  const std::string gb18030 = translate::utf8_to_gb18030(text);
  // ASCII passes through unchanged; anything else comes out only when it was
  // valid UTF-8.
  if (is_ascii(text)) FUZZ_EXPECT(gb18030 == text);
  if (!utf8.empty()) {
    // UTF-8 made by the program itself is always valid.
    FUZZ_EXPECT(!translate::utf8_to_gb18030(utf8).empty());
  }
  return 0;
}
