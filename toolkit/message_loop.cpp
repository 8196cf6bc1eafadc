#include "toolkit/message_loop.h"

namespace toolkit {

int run_message_loop() {
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return -1;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void process_pending_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
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
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (quit_kept) PostQuitMessage(quit_code);
  return !quit_kept;
}

}  // namespace toolkit
