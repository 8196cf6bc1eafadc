#pragma once
// A local file's path as the system names it: UTF-16. The program's texts
// are GBK, but the folder it runs from may be named in any script, so every
// path built on that folder stays wide until it reaches the system. A GBK
// path (the program's own names, a folder typed into it) converts on the
// way in.
#include <string>
#include <string_view>

namespace runtime {

class FilePath {
 public:
  FilePath() = default;
  // Implicit on purpose: a path is a path whichever form it came in.
  FilePath(std::wstring wide) : wide_(std::move(wide)) {}  // NOLINT(google-explicit-constructor)
  FilePath(const wchar_t* wide) : wide_(wide) {}           // NOLINT(google-explicit-constructor)
  FilePath(const std::string& gbk);                        // NOLINT(google-explicit-constructor)
  FilePath(const char* gbk);                               // NOLINT(google-explicit-constructor)

  const std::wstring& wide() const { return wide_; }
  const wchar_t* c_str() const { return wide_.c_str(); }
  bool empty() const { return wide_.empty(); }
  // GBK, for messages; a character outside GBK shows as "?".
  std::string text() const;

  // The entry name inside this folder.
  FilePath operator/(std::wstring_view name) const;

  friend bool operator==(const FilePath& a, const FilePath& b) { return a.wide_ == b.wide_; }
  friend bool operator!=(const FilePath& a, const FilePath& b) { return a.wide_ != b.wide_; }

 private:
  std::wstring wide_;
};

}  // namespace runtime
