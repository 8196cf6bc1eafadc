#include "tests/support/cursor.h"

#include "tests/support/test_environment.h"

namespace test_support {

bool cursor_at(POINT point) {
  POINT now{};
  return GetCursorPos(&now) && now.x == point.x && now.y == point.y;
}

bool move_cursor(POINT point, HWND window) {
  constexpr int kAttempts = 10;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    SetCursorPos(point.x, point.y);
    if (window) {
      DWORD_PTR result = 0;
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    }
    // This thread takes in the move too.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    if (!wait_until([point] { return cursor_at(point); }, 2000, 5)) continue;
    if (!wait_until([point] { return !cursor_at(point); }, 150, 5)) return true;
  }
  return false;
}

}  // namespace test_support
