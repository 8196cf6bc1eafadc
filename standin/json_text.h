#pragma once
// JSON string literals written in plain ASCII: every character outside
// ASCII becomes a \uXXXX escape (a surrogate pair above U+FFFF), as the
// translation service writes its answers.
#include <cstdint>
#include <string>
#include <string_view>

namespace standin {

// What to do with bytes that are not part of a well-formed UTF-8 sequence.
enum class BadBytes {
  replace,    // write U+FFFD, as a service answering text would
  as_latin1,  // a text that is not UTF-8 as a whole: every byte of 0x80 or
              // more as \u00XX with its value, so a log keeps the bytes
};

// True when the whole text is well-formed UTF-8.
bool is_utf8(std::string_view text);

// The text as a quoted JSON string: quote, backslash and control characters
// escaped, non-ASCII as lower-case \uXXXX.
std::string json_string(std::string_view utf8, BadBytes bad = BadBytes::replace);

// The same JSON with every "/" written as "\/", as some servers escape it.
// A slash only ever stands inside a string, so every one can be escaped.
std::string slashes_escaped(std::string_view json);

// Compact JSON laid out over several lines: a line break and two spaces of
// indentation per level around the members of objects and arrays, and a
// space after each colon, as a server's pretty printer writes it.
std::string spaced_json(std::string_view compact_json);

// Reads one code point at pos and advances pos. A byte that does not start a
// well-formed sequence is returned as -1 - byte and pos moves by one.
int32_t next_code_point(std::string_view utf8, size_t& pos);

}  // namespace standin
