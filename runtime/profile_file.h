#pragma once
// A settings file in the private-profile format: "[section]" lines and
// "key=value" lines; names match without regard to ASCII case, a value loses
// its surrounding spaces and one pair of quotes, lines starting with ";" are
// comments. Read and written here rather than by the system's profile
// functions: those take a UTF-8 file's byte-order mark for part of the first
// section's name, and they write key by key, so that a failure half-way
// leaves a file that is half new.
//
// The file is read whole when the object is made and changed in memory;
// save() puts the new file in place in one step. Lines the program does not
// know (comments, other keys) stay as they are, and so does the file's
// encoding (UTF-16, UTF-8 with or without byte-order mark, GBK). Keys and
// values are GBK texts; the file's path is wide.
#include <optional>
#include <string>
#include <vector>

#include "runtime/file_path.h"
#include "runtime/text_file.h"

namespace runtime {

class ProfileFile {
 public:
  // Reads the file; a missing file reads as an empty one.
  explicit ProfileFile(FilePath path);

  const FilePath& path() const { return path_; }
  // False when the file exists but could not be read: saving it then would
  // lose what it holds, so save() refuses.
  bool readable() const { return readable_; }

  // The value of the key's first line in the section; nothing when there is
  // none. A key written as "key=" reads as the empty text.
  std::optional<std::string> read(const std::string& section, const std::string& key) const;

  // Changes the key's first line in the section, or adds one (and the
  // section) when there is none. A value with surrounding spaces or quotes
  // is written in quotes, so that it reads back as it was.
  void set(const std::string& section, const std::string& key, const std::string& value);
  // Removes every line of the key in the section.
  void remove(const std::string& section, const std::string& key);

  // Replaces the file with what the object now holds. False when the file
  // could not be replaced; it is then as it was before.
  bool save();

 private:
  struct Place {
    size_t line = 0;  // the key's line, or where a line for it goes
    bool key_found = false;
    bool section_found = false;
  };
  Place find(const std::wstring& section, const std::wstring& key) const;

  FilePath path_;
  bool readable_ = true;
  TextEncoding encoding_ = TextEncoding::kAscii;
  std::wstring line_break_ = L"\r\n";
  std::vector<std::wstring> lines_;
};

}  // namespace runtime
