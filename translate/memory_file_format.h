#pragma once
// The lines of the translation memory's file: UTF-8, four tab-separated
// fields, with \t, \n, \r and \\ for a tab, a line feed, a carriage return
// and a backslash inside a field. The program's side of every field is GBK.
#include <string>
#include <string_view>

namespace translate {

struct MemoryLine {
  std::string from;  // GBK, like every field
  std::string to;
  std::string text;
  std::string translation;
};

// The header written at the top of a new file: a UTF-8 byte-order mark (so
// that plain editors recognise the encoding) and comment lines that tell a
// person how to edit the file.
std::string memory_file_header();

// One entry as its line in the file, ending in CR LF; empty when a field has
// no UTF-8 form (it is not valid GBK).
std::string memory_file_line(const MemoryLine& line);

// Reads one line of the file (without its line break; a CR at its end is
// ignored). False for a comment or blank line and for a line that cannot be
// read: not four fields, a bad escape, invalid UTF-8, a zero byte, a text
// without a GBK form, an empty text or translation. damaged tells the two
// apart.
bool read_memory_file_line(std::string_view utf8_line, MemoryLine* line, bool* damaged);

// Strict conversions: false for invalid input or a character that has no
// form in the other encoding (never a "?" in its place).
bool gbk_to_utf8_strict(std::string_view gbk, std::string* utf8);
bool utf8_to_gbk_strict(std::string_view utf8, std::string* gbk);

}  // namespace translate
