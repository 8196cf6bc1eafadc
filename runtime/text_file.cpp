#include "runtime/text_file.h"

#include <windows.h>

#include "runtime/codepage.h"

namespace runtime {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";

bool is_ascii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool is_ascii(std::wstring_view text) {
  for (wchar_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// Strict UTF-8: what a GBK file holds almost never passes.
bool is_utf8(std::string_view bytes) {
  return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                              static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

std::wstring from_utf16le(std::string_view bytes) {
  std::wstring text(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return text;
}

std::string to_utf16le(std::wstring_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

}  // namespace

DecodedText decode_text_file(std::string_view bytes) {
  if (bytes.substr(0, kUtf16LeMark.size()) == kUtf16LeMark) {
    return {from_utf16le(bytes.substr(kUtf16LeMark.size())), TextEncoding::kUtf16Le};
  }
  if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    return {to_wide(bytes.substr(kUtf8Mark.size()), CP_UTF8), TextEncoding::kUtf8Bom};
  }
  if (is_ascii(bytes)) return {to_wide(bytes, CP_UTF8), TextEncoding::kAscii};
  if (is_utf8(bytes)) return {to_wide(bytes, CP_UTF8), TextEncoding::kUtf8};
  return {widen(bytes), TextEncoding::kGbk};
}

std::string encode_text_file(std::wstring_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf16Le:
      return std::string(kUtf16LeMark) + to_utf16le(text);
    case TextEncoding::kGbk:
      return narrow(text);
    case TextEncoding::kUtf8:
      return from_wide(text, CP_UTF8);
    case TextEncoding::kAscii:
      if (is_ascii(text)) return from_wide(text, CP_UTF8);
      break;
    case TextEncoding::kUtf8Bom:
      break;
  }
  return std::string(kUtf8Mark) + from_wide(text, CP_UTF8);
}

}  // namespace runtime
