// Decoding an escaped string value cut out of a service answer. Besides the
// raw input, the fuzzer writes a value of its own the way the service
// escapes it (\uXXXX in either case, \\ \" \/ \t \n, plain ASCII and GBK
// characters) and the decoding must give that value back.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "runtime/codepage.h"
#include "translate/encodings.h"

namespace {

// ASCII that stands for itself in an escaped value. Left out: the
// backslash and quote (escaped), "%" (the decoding's own escape), and the
// braces and "$" of its line-break marker.
constexpr char kPlain[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ,.:;!?-_()[]=+*/'<>@&#";

std::string hex4(unsigned code, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text = "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) text.push_back(digits[(code >> shift) & 0xF]);
  return text;
}

struct Written {
  std::string escaped;
  std::string value;  // GBK
};

// One piece of the value from two input bytes.
void write_piece(unsigned char kind, unsigned char byte, Written* out) {
  const char plain = kPlain[byte % (sizeof kPlain - 1)];
  // A CJK ideograph of the basic block: every one of them is in GBK.
  const wchar_t ideograph = static_cast<wchar_t>(0x4E00 + (kind * 256u + byte) % 0x51A6);
  switch (kind % 8) {
    case 0:
    case 1:
      out->escaped.push_back(plain);
      out->value.push_back(plain);
      break;
    case 2:
      out->escaped += hex4(static_cast<unsigned char>(plain), byte & 1);
      out->value.push_back(plain);
      break;
    case 3:
    case 4:
      out->escaped += hex4(ideograph, byte & 1);
      out->value += runtime::narrow(std::wstring(1, ideograph));
      break;
    case 5:
      out->escaped += runtime::narrow(std::wstring(1, ideograph));
      out->value += runtime::narrow(std::wstring(1, ideograph));
      break;
    case 6: {
      static const char* const kEscapes[][2] = {
          {"\\\"", "\""}, {"\\/", "/"}, {"\\t", "\t"}, {"\\n", "\n"}};
      out->escaped += kEscapes[byte % 4][0];
      out->value += kEscapes[byte % 4][1];
      break;
    }
    default:
      // An escaped backslash; a "u" right after it would read as an escape.
      out->escaped += "\\\\.";
      out->value += "\\.";
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string decoded = translate::unescape_unicode(text);
  FUZZ_EXPECT(decoded.find('\0') == std::string::npos);

  Written written;
  for (std::size_t i = 0; i + 1 < size; i += 2) write_piece(data[i], data[i + 1], &written);
  FUZZ_EXPECT(translate::unescape_unicode(written.escaped) == written.value);
  return 0;
}
