#include "app/timed_notice.h"

#include <cwchar>

#include "runtime/codepage.h"
#include "toolkit/message_loop.h"

namespace app {
namespace {

constexpr unsigned kOwnerSearchLimitMs = 1000;
constexpr UINT_PTR kSelfCloseTimerId = 0x4D51;

using MessageBoxTimeoutW = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT, WORD, DWORD);

MessageBoxTimeoutW timed_message_box() {
  // An export of USER32 that the SDK does not declare: looked up by name.
  static const auto function = reinterpret_cast<MessageBoxTimeoutW>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "MessageBoxTimeoutW"));
  return function;
}

// Some systems ignore the box's own time-out, so the box is also ended by a
// timer of ours with the same time-out code. A hook on this thread catches
// the box as it is created; the timer runs in the box's own modal loop.
struct PendingNotice {
  HHOOK hook = nullptr;
  DWORD started = 0;
  unsigned timeout_ms = 0;
  HWND box = nullptr;
};
thread_local PendingNotice* pending_notice = nullptr;

void CALLBACK end_notice(HWND box, UINT, UINT_PTR id, DWORD) {
  KillTimer(box, id);
  EndDialog(box, kNoticeTimedOut);
}

LRESULT CALLBACK watch_for_box(int code, WPARAM wparam, LPARAM lparam) {
  PendingNotice* notice = pending_notice;
  if (notice && code == HCBT_CREATEWND && !notice->box) {
    HWND window = reinterpret_cast<HWND>(wparam);
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    if (std::wcscmp(class_name, L"#32770") == 0) {
      notice->box = window;
      const DWORD elapsed = GetTickCount() - notice->started;
      const unsigned left = elapsed >= notice->timeout_ms ? 1 : notice->timeout_ms - elapsed;
      SetTimer(window, kSelfCloseTimerId, left, &end_notice);
    }
  }
  return CallNextHookEx(notice ? notice->hook : nullptr, code, wparam, lparam);
}

}  // namespace

int show_timed_notice(const std::string& text, unsigned style, const std::string& title,
                      HWND owner, unsigned timeout_ms) {
  if (!owner) owner = find_own_window(GetCurrentProcessId(), kOwnerSearchLimitMs);
  const std::wstring wide_text = runtime::widen(text);
  const std::wstring wide_title = runtime::widen(title);

  PendingNotice notice;
  notice.started = GetTickCount();
  notice.timeout_ms = timeout_ms;
  PendingNotice* outer = pending_notice;  // a notice shown from inside another one
  if (timeout_ms != 0) {
    pending_notice = &notice;
    notice.hook = SetWindowsHookExW(WH_CBT, &watch_for_box, nullptr, GetCurrentThreadId());
  }
  int result = 0;
  if (MessageBoxTimeoutW box = timed_message_box()) {
    result = box(owner, wide_text.c_str(), wide_title.c_str(), style, 0, timeout_ms);
  } else {
    result = MessageBoxW(owner, wide_text.c_str(), wide_title.c_str(), style);
  }
  if (notice.hook) UnhookWindowsHookEx(notice.hook);
  pending_notice = outer;
  return result - 1;
}

HWND find_own_window(DWORD process_id, unsigned limit_ms) {
  const DWORD started = GetTickCount();
  HWND window = nullptr;
  for (;;) {
    if (GetTickCount() - started >= limit_ms) return nullptr;
    // After the last window the walk starts again at the first.
    window = window ? GetWindow(window, GW_HWNDNEXT) : GetTopWindow(nullptr);
    if (window && IsWindow(window) && IsWindowVisible(window)) {
      DWORD owner_process = 0;
      GetWindowThreadProcessId(window, &owner_process);
      if (owner_process == process_id) return window;
    }
    toolkit::process_pending_messages();
  }
}

}  // namespace app
