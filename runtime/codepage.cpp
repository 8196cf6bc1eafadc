#include "runtime/codepage.h"

#include <windows.h>

namespace runtime {

std::wstring to_wide(std::string_view bytes, unsigned code_page) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), size, wide.data(), needed);
  return wide;
}

std::string from_wide(std::wstring_view wide, unsigned code_page) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  // UTF-8 and UTF-7 refuse a default character.
  const bool takes_default = code_page != CP_UTF8 && code_page != CP_UTF7;
  const char* default_char = takes_default ? "?" : nullptr;
  const int needed = WideCharToMultiByte(code_page, 0, wide.data(), size, nullptr, 0,
                                         default_char, nullptr);
  if (needed <= 0) return {};
  std::string bytes(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), size, bytes.data(), needed, default_char,
                      nullptr);
  return bytes;
}

std::wstring widen(std::string_view gbk) { return to_wide(gbk, kGbkCodePage); }

std::string narrow(std::wstring_view wide) { return from_wide(wide, kGbkCodePage); }

bool narrow_exactly(std::wstring_view wide, std::string& gbk) {
  gbk.clear();
  if (wide.empty()) return true;
  const int size = static_cast<int>(wide.size());
  constexpr DWORD kFlags = WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  const int needed = WideCharToMultiByte(kGbkCodePage, kFlags, wide.data(), size, nullptr, 0,
                                         "?", &used_default);
  if (needed <= 0 || used_default) return false;
  std::string bytes(static_cast<size_t>(needed), '\0');
  used_default = FALSE;
  if (WideCharToMultiByte(kGbkCodePage, kFlags, wide.data(), size, bytes.data(), needed, "?",
                          &used_default) != needed ||
      used_default) {
    return false;
  }
  // Whatever the system counts as a direct mapping must also come back as
  // the same characters, or writing the text back would change it.
  if (to_wide(bytes, kGbkCodePage) != wide) return false;
  gbk.swap(bytes);
  return true;
}

}  // namespace runtime
