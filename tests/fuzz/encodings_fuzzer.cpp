// Conversions of outside text: GBK to UTF-8, UTF-8 to GB18030 and the
// percent-encoding of queries.
#include <iconv.h>
#include <sanitizer/lsan_interface.h>

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

// Characters the comparison with the C library's GB18030 leaves out: the
// private-use area (the native code page 936 here has none of it), and
// U+1E3F, U+9FB4 … U+9FBB and the vertical forms U+FE10 … U+FE19, which
// editions of the standard write differently (the program follows the first
// edition). On every other code point the two agree.
bool has_character_left_out(const std::string& utf8) {
  for (size_t i = 0; i + 1 < utf8.size(); ++i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const auto next = static_cast<unsigned char>(utf8[i + 1]);
    if (lead == 0xEE || (lead == 0xEF && next <= 0xA3)) return true;
    if (i + 2 >= utf8.size()) continue;
    const auto third = static_cast<unsigned char>(utf8[i + 2]);
    if (lead == 0xE1 && next == 0xB8 && third == 0xBF) return true;
    if (lead == 0xEF && next == 0xB8 && third >= 0x90 && third <= 0x99) return true;
    if (lead == 0xE9 && next == 0xBE && third >= 0xB4 && third <= 0xBB) return true;
  }
  return false;
}

// The C library's reading of GB18030 bytes as UTF-8; empty when it refuses.
std::string gb18030_to_utf8(const std::string& bytes) {
  static const iconv_t decoder = [] {
    __lsan::ScopedDisabler kept_for_the_whole_run;
    return iconv_open("UTF-8", "GB18030");
  }();
  iconv(decoder, nullptr, nullptr, nullptr, nullptr);
  std::string out(bytes.size() * 2 + 8, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char* write = out.data();
  size_t write_left = out.size();
  if (iconv(decoder, &in, &in_left, &write, &write_left) == static_cast<size_t>(-1)) return {};
  out.resize(out.size() - write_left);
  return out;
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
  // An independent decoder reads back what was encoded.
  if (!gb18030.empty() && !has_character_left_out(text)) FUZZ_EXPECT(gb18030_to_utf8(gb18030) == text);
  if (!utf8.empty()) {
    // UTF-8 made by the program itself is always valid.
    FUZZ_EXPECT(!translate::utf8_to_gb18030(utf8).empty());
  }
  return 0;
}
