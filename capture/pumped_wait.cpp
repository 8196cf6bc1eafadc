#include "capture/pumped_wait.h"

#include <windows.h>

#include "platform/unique_handle.h"

namespace capture {

bool dispatch_pending_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

void pumped_wait(unsigned milliseconds) {
  platform::KernelHandle timer(CreateWaitableTimerW(nullptr, FALSE, nullptr));
  if (!timer) return;
  // Relative due time in units of 100 ns.
  LARGE_INTEGER due;
  due.QuadPart = -static_cast<LONGLONG>(milliseconds) * 10000;
  if (!SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE)) return;

  const HANDLE handles[] = {timer.get()};
  for (;;) {
    const DWORD result = MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_ALLINPUT);
    if (result != WAIT_OBJECT_0 + 1) return;  // the timer fired, or the wait failed
    if (!dispatch_pending_messages()) return;
  }
}

}  // namespace capture
