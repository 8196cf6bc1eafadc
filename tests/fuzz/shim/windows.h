#pragma once
// The few Windows declarations the portable parsers use, for the native
// fuzzing build. Code-page conversions go through iconv; wide strings hold
// UTF-16 code units, one per wchar_t, as they do on Windows.
#include <cstdint>

using BOOL = int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned;
using LPCSTR = const char*;
using LPCWSTR = const wchar_t*;
using LPSTR = char*;
using LPWSTR = wchar_t*;
using LPBOOL = BOOL*;
using HWND = void*;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define CP_UTF7 65000u
#define CP_UTF8 65001u
#define MB_ERR_INVALID_CHARS 0x08u
#define WC_NO_BEST_FIT_CHARS 0x400u
#define MB_OK 0x0u
#define MB_ICONERROR 0x10u
#define MB_TASKMODAL 0x2000u
#define TIME_ZONE_ID_UNKNOWN 0u
#define TIME_ZONE_ID_STANDARD 1u
#define TIME_ZONE_ID_DAYLIGHT 2u

struct SYSTEMTIME {
  WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

struct TIME_ZONE_INFORMATION {
  LONG Bias;
  wchar_t StandardName[32];
  SYSTEMTIME StandardDate;
  LONG StandardBias;
  wchar_t DaylightName[32];
  SYSTEMTIME DaylightDate;
  LONG DaylightBias;
};

int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR bytes, int byte_count, LPWSTR wide,
                        int wide_count);
int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR wide, int wide_count, LPSTR bytes,
                        int byte_count, LPCSTR default_char, LPBOOL used_default);
// Reports what the system converts natively: GB18030 (54936) is left out,
// as on the systems where the program builds GB18030 itself.
BOOL IsValidCodePage(UINT code_page);

void GetLocalTime(SYSTEMTIME* time);
DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* zone);

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
// Ends the run with abort(), so that the fuzzer records an input that
// reached it.
[[noreturn]] void ExitProcess(UINT exit_code);
