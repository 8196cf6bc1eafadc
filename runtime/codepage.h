#pragma once
// Conversions between the program's GBK texts and the UTF-16 of the Windows
// W functions. Code page 936 is named explicitly so that Chinese texts come
// out right whatever the system's ANSI code page is.
#include <string>
#include <string_view>

namespace runtime {

constexpr unsigned kGbkCodePage = 936;

// GBK (code page 936) to UTF-16. Invalid bytes become U+FFFD or the system's
// replacement, never stop the conversion.
std::wstring widen(std::string_view gbk);
// UTF-16 to GBK; characters without a mapping become "?".
std::string narrow(std::wstring_view wide);
// UTF-16 to GBK only when every character has a GBK form of its own (no
// default character, no best-fit look-alike): true and the text in gbk, or
// false (Korean, emoji, a lone surrogate...) and gbk left empty.
bool narrow_exactly(std::wstring_view wide, std::string& gbk);

// Between any code page and UTF-16, for the few places that need another one.
std::wstring to_wide(std::string_view bytes, unsigned code_page);
std::string from_wide(std::wstring_view wide, unsigned code_page);

}  // namespace runtime
