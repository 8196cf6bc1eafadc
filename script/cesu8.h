#pragma once
// Duktape keeps its strings in CESU-8: UTF-8 in which every UTF-16 code unit,
// surrogates included, is encoded on its own. These conversions sit between
// that form and the UTF-16 that runtime::widen/narrow speak.
#include <string>
#include <string_view>

namespace script {

// Each UTF-16 code unit becomes one UTF-8 sequence of 1 to 3 bytes.
std::string cesu8_from_utf16(std::wstring_view utf16);

// Reads CESU-8 and also plain UTF-8 (a 4-byte sequence becomes a surrogate
// pair). A malformed byte becomes U+FFFD and decoding goes on after it.
std::wstring utf16_from_cesu8(std::string_view bytes);

}  // namespace script
