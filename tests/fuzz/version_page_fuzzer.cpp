// Reading the published version number out of the version page. Besides the
// raw input, a page is built around a number the fuzzer chose (in half- or
// full-width digits, after spaces, before other text) and the number must
// come back as that number.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "runtime/codepage.h"
#include "update/version_check.h"

namespace {

// The fuzzer's own source is UTF-8; the program's texts are GBK.
std::string gbk(const wchar_t* text) { return runtime::narrow(text); }

// The full-width form of a printable ASCII character, in GBK.
std::string full_width(char ascii) {
  return runtime::narrow(std::wstring(1, static_cast<wchar_t>(ascii + 0xFEE0)));
}

// Whether text, read right after the number, could continue it (a digit, a
// point, an exponent letter, half or full width) or be taken for spaces.
bool continues_number(const std::string& text) {
  for (char c : std::string("0123456789.eE")) {
    if (text.rfind(std::string(1, c), 0) == 0 || text.rfind(full_width(c), 0) == 0) return true;
  }
  return text.rfind(" ", 0) == 0 || text.rfind(gbk(L"\u3000"), 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string raw(reinterpret_cast<const char*>(data), size);
  update::server_is_newer(update::parse_server_version(raw), update::kOwnVersion);

  const fuzz::Input input = fuzz::read_input(data, size, 4);
  const std::string marker = gbk(L"版本号:");
  const std::string& before = input.texts[0];
  // Text before the page's marker that holds no marker of its own and ends
  // on a whole character; text after the number that cannot extend it.
  if (!fuzz::is_well_formed_gbk(before) || before.find(marker) != std::string::npos) return 0;
  std::string tail;
  for (char c : input.texts[2]) {
    if (c != '|') tail.push_back(c);
  }
  if (!fuzz::is_well_formed_gbk(tail) || continues_number(tail)) return 0;

  // The number: up to four digits, a point and up to six decimals, from
  // the second text's bytes.
  std::string ascii;
  const std::string& digits = input.texts[1];
  const std::size_t whole = 1 + (input.options & 3);
  for (std::size_t i = 0; i < digits.size() && i < whole + 6; ++i) {
    if (i == whole) ascii.push_back('.');
    ascii.push_back(static_cast<char>('0' + static_cast<unsigned char>(digits[i]) % 10));
  }
  if (ascii.empty()) ascii = "0";
  const bool wide_digits = (input.options & 4) != 0;
  std::string written(input.options >> 5, ' ');
  if (input.options & 8) written += gbk(L"\u3000");
  for (char c : ascii) written += wide_digits ? full_width(c) : std::string(1, c);

  const std::string page = before + marker + written + tail + "|" + input.texts[3];
  const float expected = static_cast<float>(std::strtod(ascii.c_str(), nullptr));
  FUZZ_EXPECT(update::parse_server_version(page) == expected);
  return 0;
}
