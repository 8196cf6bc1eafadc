#pragma once
// Finding the window under the mouse cursor.
#include <windows.h>

#include <string>

#include "capture/foreign_window.h"

namespace capture {

// The window at a screen point, preferring the smallest visible window among
// the hit window's following siblings that contains the point, so that a
// control inside a group box is found rather than the group box (which
// WindowFromPoint reports when it lies above the control). Ties keep the
// earlier window. 0 when there is no window at the point.
HWND pick_window_at(POINT point);

// pick_window_at for the cursor position.
HWND pick_window_under_cursor();

// At most this many bytes of the text under the cursor are read.
constexpr std::size_t kTextAtPointMaxBytes = 255;

// The text of the window that WindowFromPoint reports at the cursor (which
// may be another window than pick_window_under_cursor gives), at most 255
// bytes. Empty when there is no window there or it does not answer in time.
std::string text_at_point(unsigned timeout_ms = kForeignMessageTimeoutMs);

}  // namespace capture
