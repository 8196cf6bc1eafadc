#include "runtime/file_path.h"

#include "runtime/codepage.h"

namespace runtime {

FilePath::FilePath(const std::string& gbk) : wide_(widen(gbk)) {}

FilePath::FilePath(const char* gbk) : wide_(widen(gbk ? gbk : "")) {}

std::string FilePath::text() const { return narrow(wide_); }

FilePath FilePath::operator/(std::wstring_view name) const {
  std::wstring joined = wide_;
  if (!joined.empty() && joined.back() != L'\\' && joined.back() != L'/') joined += L'\\';
  joined += name;
  return FilePath(std::move(joined));
}

}  // namespace runtime
