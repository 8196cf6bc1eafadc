#pragma once
// Text routines over GBK byte strings. Positions are 1-based byte positions;
// a search that finds nothing gives -1. Every routine that scans a text
// treats a byte of 0x80 or more and the byte after it as one character, so a
// search never matches starting on the second byte of a two-byte character.
// Each routine returns a new text and leaves its inputs unchanged.
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/array.h"

namespace runtime {

// A byte string: length-counted, may hold zero bytes.
using Bytes = std::string;

// The text a byte string stands for: its bytes up to the first zero byte.
std::string text_from_bytes(std::string_view bytes);

// Length in bytes of the character starting at text[index] (1 or 2).
int char_length_at(std::string_view text, size_t index);

// First occurrence of search at or after start; -1 when none (or when search
// is empty). ignore_case folds ASCII letters only.
int find(std::string_view text, std::string_view search, int start = 1,
         bool ignore_case = false);
// Last occurrence of search that starts at or before start (default: the
// whole text).
int find_backwards(std::string_view text, std::string_view search, int start = -1,
                   bool ignore_case = false);
bool contains(std::string_view text, std::string_view search, bool ignore_case = false);

// Replaces occurrences from start on; count < 0 means all.
std::string replace(std::string_view text, std::string_view search,
                    std::string_view replacement, int start = 1, int count = -1,
                    bool case_sensitive = true);

// Pieces between separators, in order. An empty text gives no pieces; empty
// pieces between two separators stay; a trailing empty piece is not added.
// max < 0 means no limit on the number of pieces returned.
Array<std::string> split(std::string_view text, std::string_view separator = ",",
                         int max = -1);

std::string left(std::string_view text, int count);
std::string right(std::string_view text, int count);
// count bytes from the 1-based position start (count < 0: to the end).
std::string middle(std::string_view text, int start, int count = -1);

// Removes ASCII spaces and full-width spaces (A1 A1) from the ends.
std::string trim(std::string_view text);
std::string trim_left(std::string_view text);
std::string trim_right(std::string_view text);

std::string to_upper_ascii(std::string_view text);
std::string to_lower_ascii(std::string_view text);

std::string spaces(int count);

// Upper-case hexadecimal without leading zeros ("0" for zero).
std::string to_hex(std::uint32_t value);

// Full-width ASCII forms (A3 A1 … A3 FE) and the full-width space become
// their half-width characters.
std::string full_to_half_width(std::string_view text);

// Numbers as text: a 32-bit float as "%.6g", a double as "%.13g".
std::string float_to_text(float value);
std::string double_to_text(double value);
std::string int_to_text(long long value);
std::string bool_to_text(bool value);  // "真" / "假"

// Text to number after full-width characters became half-width: optional
// leading spaces, an optional sign and digits up to the first other
// character; no digits give 0.
int text_to_int(std::string_view text);
// The same for a decimal number with fraction and exponent.
double text_to_double(std::string_view text);

}  // namespace runtime
