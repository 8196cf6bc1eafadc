// The GB18030 encoder over the whole code space: every code point has a
// byte sequence of its own, and the four-byte sequences of the BMP take up,
// in code point order, exactly the characters the two-byte table leaves out.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "translate/gb18030.h"

namespace {

std::wstring units_of(char32_t code_point) {
  if (code_point < 0x10000) return std::wstring(1, static_cast<wchar_t>(code_point));
  const char32_t offset = code_point - 0x10000;
  return {static_cast<wchar_t>(0xD800 + (offset >> 10)), static_cast<wchar_t>(0xDC00 + (offset & 0x3FF))};
}

bool in(unsigned char byte, unsigned low, unsigned high) { return byte >= low && byte <= high; }

// The linear index of a four-byte sequence (81 30 81 30 is 0), or -1 when
// the bytes are not shaped like one.
long four_byte_index(const std::string& bytes) {
  const auto b = [&](int i) { return static_cast<unsigned char>(bytes[i]); };
  if (!in(b(0), 0x81, 0xFE) || !in(b(1), 0x30, 0x39) || !in(b(2), 0x81, 0xFE) || !in(b(3), 0x30, 0x39)) {
    return -1;
  }
  return (((b(0) - 0x81L) * 10 + (b(1) - 0x30)) * 126 + (b(2) - 0x81)) * 10 + (b(3) - 0x30);
}

bool is_two_byte_code(const std::string& bytes) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const auto trail = static_cast<unsigned char>(bytes[1]);
  return in(lead, 0x81, 0xFE) && in(trail, 0x40, 0xFE) && trail != 0x7F;
}

TEST(Gb18030Test, EveryCodePointHasItsOwnSequenceAndTheFourByteRunsFitTheTwoByteTable) {
  constexpr long kBmpFourByteCount = 39420;      // 81 30 81 30 … 84 31 A4 39
  constexpr long kSupplementaryFirst = 189000;   // 90 30 81 30
  std::vector<bool> two_byte_taken(0x10000);
  long next_bmp_index = 0;
  int failures = 0;
  const auto fail = [&](char32_t code_point, const std::string& bytes, const char* why) {
    if (++failures > 20) return;
    std::string hex;
    for (const char c : bytes) hex += " " + std::to_string(static_cast<unsigned char>(c));
    ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned long>(code_point) << " ->" << hex << ": " << why;
  };

  for (char32_t code_point = 0; code_point <= 0x10FFFF; ++code_point) {
    if (code_point >= 0xD800 && code_point <= 0xDFFF) continue;
    const std::string bytes = translate::wide_to_gb18030(units_of(code_point));
    if (code_point == 0) {
      EXPECT_EQ(bytes, std::string(1, '\0'));
    } else if (code_point < 0x80) {
      if (bytes != std::string(1, static_cast<char>(code_point))) fail(code_point, bytes, "ASCII changed");
    } else if (bytes.size() == 2) {
      const unsigned code = static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1]);
      if (code_point > 0xFFFF || !is_two_byte_code(bytes)) {
        fail(code_point, bytes, "not a two-byte code");
      } else if (two_byte_taken[code]) {
        fail(code_point, bytes, "two-byte code given twice");
      }
      two_byte_taken[code] = true;
    } else if (bytes.size() == 4) {
      const long index = four_byte_index(bytes);
      const long expected =
          code_point > 0xFFFF ? kSupplementaryFirst + static_cast<long>(code_point - 0x10000) : next_bmp_index++;
      if (index != expected) fail(code_point, bytes, "four-byte index out of sequence");
    } else {
      fail(code_point, bytes, "no sequence of one, two or four bytes");
    }
  }
  EXPECT_EQ(next_bmp_index, kBmpFourByteCount);
  EXPECT_EQ(failures, 0);
}

}  // namespace
