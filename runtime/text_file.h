#pragma once
// The text of a file people edit by hand, whichever way their editor saved
// it: UTF-16 with a byte-order mark, UTF-8 with or without one, else the
// program's own GBK. Written back the way it came.
#include <string>
#include <string_view>

namespace runtime {

enum class TextEncoding {
  kAscii,    // nothing beyond ASCII yet (or no file): any encoding reads it
  kGbk,
  kUtf8,
  kUtf8Bom,
  kUtf16Le,  // with its byte-order mark
};

struct DecodedText {
  std::wstring text;
  TextEncoding encoding = TextEncoding::kAscii;
};

DecodedText decode_text_file(std::string_view bytes);

// The bytes of text in encoding. Text that no longer fits an ASCII file is
// written as UTF-8 with a byte-order mark, which every editor recognises; a
// character that GBK lacks becomes "?" in a GBK file.
std::string encode_text_file(std::wstring_view text, TextEncoding encoding);

}  // namespace runtime
