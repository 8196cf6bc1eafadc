#pragma once
#include <string>
#include <string_view>

namespace standin {

// UTF-8 text in the GBK code page; false when a character has no GBK form
// or the text is not UTF-8.
bool utf8_to_gbk(std::string_view utf8, std::string& gbk);

}  // namespace standin
