#include "runtime/profile_file.h"

#include <windows.h>

#include "runtime/codepage.h"

namespace runtime {
namespace {

// Returned for a missing key; no value in a text file can hold it.
constexpr wchar_t kMissing[] = L"\x1Moqiao missing\x1";
constexpr DWORD kLongestValue = 32767;

}  // namespace

std::optional<std::string> ProfileFile::read(const std::string& section,
                                             const std::string& key) const {
  std::wstring value(kLongestValue + 1, L'\0');
  const DWORD length = GetPrivateProfileStringW(
      runtime::widen(section).c_str(), runtime::widen(key).c_str(), kMissing, value.data(),
      kLongestValue + 1, runtime::widen(path_).c_str());
  value.resize(length);
  if (value == kMissing) return std::nullopt;
  return runtime::narrow(value);
}

bool ProfileFile::write(const std::string& section, const std::string& key,
                        const std::string& value) {
  return WritePrivateProfileStringW(runtime::widen(section).c_str(), runtime::widen(key).c_str(),
                                    runtime::widen(value).c_str(),
                                    runtime::widen(path_).c_str()) != FALSE;
}

bool ProfileFile::remove(const std::string& section, const std::string& key) {
  if (!read(section, key)) return true;
  return WritePrivateProfileStringW(runtime::widen(section).c_str(), runtime::widen(key).c_str(),
                                    nullptr, runtime::widen(path_).c_str()) != FALSE;
}

}  // namespace runtime
