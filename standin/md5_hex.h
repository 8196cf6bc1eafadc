#pragma once
#include <string>
#include <string_view>

namespace standin {

// The MD5 digest of the bytes as 32 lower-case hexadecimal digits.
std::string md5_hex(std::string_view bytes);

}  // namespace standin
