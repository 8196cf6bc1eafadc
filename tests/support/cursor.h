#pragma once
// The mouse pointer, moved by a test. Under Wine a move over another
// program's window is reported to the system by that program once it takes
// it in, and the pointer itself may be left behind: for a while the former
// position can come back. So a move waits until the position holds.
#include <windows.h>

namespace test_support {

bool cursor_at(POINT point);

// Puts the pointer at point (screen coordinates) and waits until it stays
// there a moment; window, when given, is a window of the program under the
// pointer, which is made to take in the move first. False when the position
// never held.
bool move_cursor(POINT point, HWND window = nullptr);

}  // namespace test_support
