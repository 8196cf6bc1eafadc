#include "capture/highlight_frame.h"

#include "capture/pumped_wait.h"
#include "platform/device_context.h"
#include "platform/unique_handle.h"

namespace capture {

RECT highlight_frame_rect(HWND window) {
  RECT rect{};
  if (!window || !GetWindowRect(window, &rect)) return RECT{};
  if (rect.left < 0) rect.left = 0;
  if (rect.top < 0) rect.top = 0;
  return rect;
}

void draw_highlight_frame(HWND window, int width, COLORREF colour, bool flash) {
  if (width == 0) width = kDefaultFrameWidth;
  if (colour == 0) colour = kDefaultFrameColour;

  const HWND desktop = GetDesktopWindow();
  platform::WindowDc screen(desktop);
  if (!screen) return;
  const RECT rect = highlight_frame_rect(window);
  platform::GdiObject<HPEN> pen(CreatePen(PS_SOLID, width, colour));
  if (!pen) return;

  // Guards after the pen's owner: the pen is deselected before it is deleted.
  platform::RasterOperation mix(screen.get(), R2_NOTXORPEN);
  platform::SelectedObject selected_pen(screen.get(), pen.get());
  // Only the outline: the inside of the window stays untouched.
  platform::SelectedObject hollow_brush(screen.get(), GetStockObject(NULL_BRUSH));
  Rectangle(screen.get(), rect.left, rect.top, rect.right, rect.bottom);
  if (!flash) return;
  pumped_wait(kFlashMilliseconds);
  Rectangle(screen.get(), rect.left, rect.top, rect.right, rect.bottom);
}

}  // namespace capture
