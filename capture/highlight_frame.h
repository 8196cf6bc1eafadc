#pragma once
// The red frame that marks the window under the crosshair.
#include <windows.h>

namespace capture {

constexpr int kDefaultFrameWidth = 3;
constexpr COLORREF kDefaultFrameColour = RGB(255, 0, 0);
// How long a flashed frame stays on the screen.
constexpr unsigned kFlashMilliseconds = 100;

// The screen rectangle the frame is drawn on: the window's rectangle with a
// negative left or top moved to 0 (right and bottom unchanged), the all-zero
// rectangle for no window.
RECT highlight_frame_rect(HWND window);

// Draws a frame around the window straight onto the screen (the desktop
// window's device context) with R2_NOTXORPEN, so that no window has to
// repaint: drawing the same frame a second time restores the screen. A width
// or colour of 0 means the default (3 pixels, red). With flash the frame is
// erased again after 100 ms, during which window messages keep being
// dispatched; without it the frame stays until it is drawn once more.
void draw_highlight_frame(HWND window, int width = 0, COLORREF colour = 0, bool flash = false);

}  // namespace capture
