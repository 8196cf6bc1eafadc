#pragma once
// Conversions between the program's GBK texts and what the translation
// service speaks: UTF-8 on the wire, percent-encoded queries, JSON answers
// whose non-ASCII characters arrive as "\u" escapes. None of them reports an
// error; a failed conversion shows as an empty (or partly converted) result.
#include <string>
#include <string_view>

#include "runtime/text.h"

namespace translate {

// GBK text to UTF-8 text (ends at the first zero byte, like every text).
std::string gbk_to_utf8(std::string_view gbk_text);

// GBK text to UTF-8 bytes without a terminator; an empty text, or any
// failure of the conversion, gives an empty byte string.
runtime::Bytes ansi_to_utf8(std::string_view gbk_text);

// UTF-8 bytes to GB18030 bytes; invalid UTF-8 gives an empty byte string.
runtime::Bytes utf8_to_gb18030(std::string_view utf8_bytes);

// Percent-encoding of the UTF-8 form of a GBK text. Only "-", ".", digits
// and ASCII letters stay; every other byte becomes "%XX" (upper-case hex),
// so a space is "%20".
std::string url_encode(std::string_view gbk_text);

// The text between the first start marker and the next end marker after it,
// or the empty text when either is missing. "#引号" in a marker stands for
// a double quote. Searches are case-sensitive and never start inside a
// two-byte character.
std::string text_between(std::string_view text, std::string_view start_marker,
                         std::string_view end_marker);

// Decodes a string value cut out of a service answer: "\u" escapes, the
// other backslash escapes and "%XX"/"%uXXXX" sequences, as a single-quoted
// script string literal passed through the script function unescape()
// would give them (read by hand here; the text is never run as code).
// Line breaks (CR LF), "{$}" (which becomes CR LF) and apostrophes survive;
// "’" comes out as "'". A text that is no valid literal body (a lone line
// feed, a lone carriage return after the start, a single backslash at the
// end) has its bytes read instead as UTF-16LE code units. Characters
// without a GBK mapping become "?".
std::string unescape_unicode(std::string_view text);

}  // namespace translate
