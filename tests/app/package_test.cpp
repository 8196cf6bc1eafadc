// The release package: the ZIP that the release target makes from the build
// holds the program, the Chinese guide, the license and the third-party
// notices; the guide's name is marked as UTF-8 even when the build machine's
// locale is plain "C"; the program in it carries its manifest and version,
// and it runs with Common Controls 6.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/program_process.h"
#include "tests/support/test_environment.h"
#include "update/version_check.h"

namespace {

constexpr char kFolder[] = "moqiao-1.0-win64";

std::string read_all(const std::string& windows_path) {
  std::ifstream in(windows_path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// The general-purpose flags of every entry, from the ZIP's central directory.
std::map<std::string, unsigned> entry_flags(const std::string& zip) {
  std::map<std::string, unsigned> flags;
  const auto number = [&zip](size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(zip[at + i]);
    return value;
  };
  for (size_t at = zip.find("PK\x01\x02"); at != std::string::npos && at + 46 <= zip.size();
       at = zip.find("PK\x01\x02", at + 46)) {
    const size_t name_length = number(at + 28, 2);
    flags[zip.substr(at + 46, name_length)] = number(at + 8, 2);
  }
  return flags;
}

// A resource of the executable as bytes.
std::string resource_of(const std::wstring& exe, LPCWSTR type, int id) {
  HMODULE module = LoadLibraryExW(exe.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return {};
  std::string bytes;
  if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type)) {
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    if (data) bytes.assign(data, SizeofResource(module, found));
  }
  FreeLibrary(module);
  return bytes;
}

// The file version (major, minor) and the FileVersion text of a file.
struct FileVersion {
  int major = -1, minor = -1;
  std::wstring text;
};

FileVersion file_version(const std::wstring& path) {
  FileVersion version;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return version;
  std::vector<char> info(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return version;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
    version.major = HIWORD(fixed->dwFileVersionMS);
    version.minor = LOWORD(fixed->dwFileVersionMS);
  }
  wchar_t* text = nullptr;
  if (VerQueryValueW(info.data(), L"\\StringFileInfo\\080404B0\\FileVersion",
                     reinterpret_cast<void**>(&text), &length) &&
      text) {
    version.text = text;
  }
  return version;
}

// The comctl32.dll the process has loaded.
std::wstring loaded_comctl32(HANDLE process) {
  HMODULE modules[512];
  DWORD needed = 0;
  if (!EnumProcessModules(process, modules, sizeof modules, &needed)) return {};
  for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
    std::wstring lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::towlower);
    if (lower.size() >= 12 && lower.compare(lower.size() - 12, 12, L"comctl32.dll") == 0) {
      return path;
    }
  }
  return {};
}

TEST(ReleasePackage, HoldsTheProgramTheGuideTheLicenseAndTheNoticesAndTheProgramRuns) {
  const std::string out = test_support::scratch_dir_unix("package");
  const std::string build = test_support::binary_dir_unix();
  ASSERT_EQ(test_support::run_unix("LC_ALL=C LANG=C cmake --build '" + build +
                                       "' --target release > '" + out + "/release.log' 2>&1",
                                   240000),
            0)
      << read_all(test_support::to_windows_path(out + "/release.log"));

  const std::string zip = build + "/" + kFolder + ".zip";
  ASSERT_EQ(test_support::run_unix("cd '" + out + "' && unzip -Z1 '" + zip + "' > list.txt && "
                                   "unzip -q -o '" + zip + "' -d unpacked"),
            0);
  std::vector<std::string> listed = lines_of(read_all(test_support::to_windows_path(out + "/list.txt")));
  listed.erase(std::remove_if(listed.begin(), listed.end(),
                              [](const std::string& entry) { return entry.back() == '/'; }),
               listed.end());
  std::sort(listed.begin(), listed.end());
  const std::string guide = std::string(kFolder) + u8"/使用说明.txt";
  std::vector<std::string> expected = {std::string(kFolder) + "/LICENSE",
                                       std::string(kFolder) + "/moqiao.exe",
                                       std::string(kFolder) + "/third-party-notices.txt", guide};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  const std::map<std::string, unsigned> flags =
      entry_flags(read_all(test_support::to_windows_path(zip)));
  ASSERT_EQ(flags.count(guide), 1u);
  EXPECT_NE(flags.at(guide) & 0x800, 0u) << "the guide's name is not marked as UTF-8";

  // Every library linked into the program is named with its license.
  const std::string notices = read_all(
      test_support::to_windows_path(out + "/unpacked/" + kFolder + "/third-party-notices.txt"));
  for (const char* part : {"Duktape", "MIT", "winpthreads", "Lockless", "mingw-w64 runtime",
                           "Zope Public License", "Lucent", "libstdc++",
                           "GCC Runtime Library Exception", "Boost.Regex",
                           "Boost Software License", "nlohmann/json"}) {
    EXPECT_NE(notices.find(part), std::string::npos) << part;
  }

  const std::string exe_unix = out + "/unpacked/" + kFolder + "/moqiao.exe";
  const std::string exe = test_support::to_windows_path(exe_unix);
  const std::wstring wide_exe(exe.begin(), exe.end());

  const std::string manifest = resource_of(wide_exe, MAKEINTRESOURCEW(24), 1);
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos)
      << manifest;
  EXPECT_EQ(manifest.find("dpiAware"), std::string::npos) << manifest;
  EXPECT_EQ(manifest.find("dpiAwareness"), std::string::npos) << manifest;

  const FileVersion version = file_version(wide_exe);
  EXPECT_EQ(version.text, L"1.0");
  EXPECT_EQ(static_cast<float>(version.major) + static_cast<float>(version.minor) / 10.0f,
            update::kOwnVersion);

  probe::ProgramProcess program;
  ASSERT_TRUE(program.start(exe_unix));
  // Version 6 of the common controls comes from its side-by-side assembly
  // (the one in the system folder is version 5); only the manifest gets it.
  std::wstring comctl32 = loaded_comctl32(program.handle());
  std::transform(comctl32.begin(), comctl32.end(), comctl32.begin(), ::towlower);
  EXPECT_NE(comctl32.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."),
            std::wstring::npos)
      << std::string(comctl32.begin(), comctl32.end());
  EXPECT_TRUE(program.close());
}

}  // namespace
