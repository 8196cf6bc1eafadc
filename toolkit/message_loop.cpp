#include "toolkit/message_loop.h"

namespace toolkit {
namespace {

constexpr wchar_t kDialogKeysProperty[] = L"Moqiao.DialogKeys";

// True when the message was a key for a window that takes dialog keys and
// the dialog manager has handled it.
bool handled_as_dialog_key(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  const HWND top_level = GetAncestor(msg.hwnd, GA_ROOT);
  if (!top_level || !GetPropW(top_level, kDialogKeysProperty)) return false;
  return IsDialogMessageW(top_level, &msg) != FALSE;
}

void dispatch(MSG& msg) {
  if (handled_as_dialog_key(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace

void enable_dialog_keys(HWND top_level) {
  SetPropW(top_level, kDialogKeysProperty, reinterpret_cast<HANDLE>(1));
}

void disable_dialog_keys(HWND top_level) { RemovePropW(top_level, kDialogKeysProperty); }

int run_message_loop() {
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return -1;
    dispatch(msg);
  }
}

void process_pending_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    dispatch(msg);
  }
}

bool run_until_closed(HWND window) {
  bool quit_kept = false;
  int quit_code = 0;
  MSG msg;
  while (IsWindow(window)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      quit_kept = true;
      quit_code = static_cast<int>(msg.wParam);
      continue;
    }
    dispatch(msg);
  }
  if (quit_kept) PostQuitMessage(quit_code);
  return !quit_kept;
}

}  // namespace toolkit
