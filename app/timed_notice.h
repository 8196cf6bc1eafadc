#pragma once
// The self-closing notice box and the search for the program's own window
// that owns it.
#include <windows.h>

#include <string>

namespace app {

// What the system's timed message box returns when its time-out elapsed.
constexpr int kNoticeTimedOut = 32000;

// A message box (text and title in GBK) that closes itself after timeout_ms
// (0: never). Without an owner, the first visible window of this process
// found within 1000 ms owns it. Returns the box's value minus 1: 0 for OK,
// kNoticeTimedOut - 1 when it closed itself.
int show_timed_notice(const std::string& text, unsigned style = 0,
                      const std::string& title = "友情提醒", HWND owner = nullptr,
                      unsigned timeout_ms = 5000);

// The first visible top-level window of the process, walking the window
// list round and round while processing this thread's messages; null when
// none turned up within limit_ms.
HWND find_own_window(DWORD process_id, unsigned limit_ms = 31536000);

}  // namespace app
