#pragma once
// A settings file in the private-profile format ("[section]" lines and
// "key=value" lines), read and written through the system's profile
// functions. Texts are GBK; the file's path is GBK too.
#include <optional>
#include <string>

namespace runtime {

class ProfileFile {
 public:
  explicit ProfileFile(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // The value as written (surrounding spaces and quotes removed by the
  // system); nothing when the file or the key is missing. A key written as
  // "key=" reads as the empty text.
  std::optional<std::string> read(const std::string& section, const std::string& key) const;

  // Writes the value, creating the file and the section when needed.
  bool write(const std::string& section, const std::string& key, const std::string& value);
  // Removes the key; true also when there was none.
  bool remove(const std::string& section, const std::string& key);

 private:
  std::string path_;
};

}  // namespace runtime
