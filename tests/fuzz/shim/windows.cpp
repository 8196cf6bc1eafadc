#include "windows.h"

#include <iconv.h>
#include <sanitizer/lsan_interface.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <utility>

namespace {

const char* iconv_name(UINT code_page) {
  switch (code_page) {
    case 936: return "CP936";
    case CP_UTF8: return "UTF-8";
    default: return nullptr;
  }
}

// One descriptor per direction, opened on first use and reset before each
// conversion. The fuzzers run on one thread.
iconv_t converter(const char* from, const char* to) {
  static std::map<std::pair<std::string, std::string>, iconv_t> open;
  const auto key = std::make_pair(std::string(from), std::string(to));
  auto found = open.find(key);
  if (found == open.end()) {
    // Kept for the whole run; the leak checker need not follow iconv's
    // inner allocations.
    __lsan_disable();
    found = open.emplace(key, iconv_open(to, from)).first;
    __lsan_enable();
  }
  if (found->second != reinterpret_cast<iconv_t>(-1)) iconv(found->second, nullptr, nullptr, nullptr, nullptr);
  return found->second;
}

bool is_high_surrogate(unsigned unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(unsigned unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Runs iconv over input; on a sequence it cannot convert, calls
// on_bad(position) which appends a replacement to out and returns how many
// input bytes to skip, or 0 to fail the conversion.
template <typename OnBad>
bool convert(iconv_t cd, const std::string& input, std::string* out, OnBad on_bad) {
  char* in = const_cast<char*>(input.data());
  size_t in_left = input.size();
  std::string buffer(input.size() * 4 + 16, '\0');
  while (in_left > 0) {
    char* write = buffer.data();
    size_t write_left = buffer.size();
    const size_t result = iconv(cd, &in, &in_left, &write, &write_left);
    out->append(buffer.data(), buffer.size() - write_left);
    if (result != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    const size_t skip = on_bad(static_cast<size_t>(in - input.data()));
    if (skip == 0 || skip > in_left) return false;
    in += skip;
    in_left -= skip;
  }
  return true;
}

}  // namespace

int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR bytes, int byte_count, LPWSTR wide,
                        int wide_count) {
  const char* name = iconv_name(code_page);
  if (name == nullptr || bytes == nullptr || byte_count == 0) return 0;
  if (byte_count < 0) byte_count = static_cast<int>(std::strlen(bytes)) + 1;
  const iconv_t cd = converter(name, "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;

  std::string utf16;
  const bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  const bool done = convert(cd, std::string(bytes, static_cast<size_t>(byte_count)), &utf16,
                            [&](size_t) -> size_t {
                              if (strict) return 0;
                              utf16.append("\xFD\xFF", 2);  // U+FFFD
                              return 1;
                            });
  if (!done) return 0;
  const int units = static_cast<int>(utf16.size() / 2);
  if (wide_count == 0) return units;
  if (wide == nullptr || units > wide_count) return 0;
  for (int i = 0; i < units; ++i) {
    wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(utf16[2 * i]) |
                                   (static_cast<unsigned char>(utf16[2 * i + 1]) << 8));
  }
  return units;
}

int WideCharToMultiByte(UINT code_page, DWORD, LPCWSTR wide, int wide_count, LPSTR bytes,
                        int byte_count, LPCSTR default_char, LPBOOL used_default) {
  if (used_default != nullptr) *used_default = FALSE;
  const char* name = iconv_name(code_page);
  if (name == nullptr || wide == nullptr || wide_count == 0) return 0;
  if (wide_count < 0) {
    wide_count = 1;
    while (wide[wide_count - 1] != 0) ++wide_count;
  }
  const iconv_t cd = converter("UTF-16LE", name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;

  // A wchar_t holds one UTF-16 code unit, as it does on Windows.
  std::string utf16;
  for (int i = 0; i < wide_count; ++i) {
    const unsigned unit = static_cast<unsigned>(wide[i]) & 0xFFFFu;
    utf16.push_back(static_cast<char>(unit & 0xFF));
    utf16.push_back(static_cast<char>(unit >> 8));
  }
  const bool to_utf8 = code_page == CP_UTF8;
  std::string out;
  convert(cd, utf16, &out, [&](size_t at) -> size_t {
    const unsigned unit = static_cast<unsigned char>(utf16[at]) |
                          (static_cast<unsigned char>(utf16[at + 1]) << 8);
    const bool pair = is_high_surrogate(unit) && at + 3 < utf16.size() &&
                      is_low_surrogate(static_cast<unsigned char>(utf16[at + 2]) |
                                       (static_cast<unsigned char>(utf16[at + 3]) << 8));
    if (to_utf8) {
      out.append("\xEF\xBF\xBD");  // a lone surrogate becomes U+FFFD
    } else {
      out.append(default_char != nullptr ? default_char : "?");
      if (used_default != nullptr) *used_default = TRUE;
    }
    return pair ? 4 : 2;
  });
  const int size = static_cast<int>(out.size());
  if (byte_count == 0) return size;
  if (bytes == nullptr || size > byte_count) return 0;
  std::memcpy(bytes, out.data(), out.size());
  return size;
}

BOOL IsValidCodePage(UINT code_page) { return iconv_name(code_page) != nullptr ? TRUE : FALSE; }

void GetLocalTime(SYSTEMTIME* time) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  time->wYear = static_cast<WORD>(local.tm_year + 1900);
  time->wMonth = static_cast<WORD>(local.tm_mon + 1);
  time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  time->wDay = static_cast<WORD>(local.tm_mday);
  time->wHour = static_cast<WORD>(local.tm_hour);
  time->wMinute = static_cast<WORD>(local.tm_min);
  time->wSecond = static_cast<WORD>(local.tm_sec);
  time->wMilliseconds = 0;
}

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* zone) {
  *zone = TIME_ZONE_INFORMATION{};
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  zone->Bias = static_cast<LONG>(-local.tm_gmtoff / 60);
  return TIME_ZONE_ID_UNKNOWN;
}

int MessageBoxW(HWND, LPCWSTR, LPCWSTR, UINT) {
  std::fputs("message box shown\n", stderr);
  return 1;
}

void ExitProcess(UINT exit_code) {
  std::fprintf(stderr, "process ended with code %u\n", exit_code);
  std::abort();
}
