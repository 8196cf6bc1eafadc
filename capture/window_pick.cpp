#include "capture/window_pick.h"

namespace capture {
namespace {

long long area(const RECT& rect) {
  return static_cast<long long>(rect.right - rect.left) * (rect.bottom - rect.top);
}

}  // namespace

HWND pick_window_at(POINT point) {
  HWND best = WindowFromPoint(point);
  if (!best) return nullptr;
  RECT best_rect{};
  GetWindowRect(best, &best_rect);
  const HWND parent = GetParent(best);
  if (!parent) return best;  // a top-level window

  for (HWND sibling = GetWindow(best, GW_HWNDNEXT); sibling;
       sibling = GetWindow(sibling, GW_HWNDNEXT)) {
    RECT rect{};
    if (!GetWindowRect(sibling, &rect) || !PtInRect(&rect, point)) continue;
    if (GetParent(sibling) != parent || !IsWindowVisible(sibling)) continue;
    if (area(rect) < area(best_rect)) {
      best = sibling;
      best_rect = rect;
    }
  }
  return best;
}

HWND pick_window_under_cursor() {
  POINT point{};
  if (!GetCursorPos(&point)) return nullptr;
  return pick_window_at(point);
}

std::string text_at_point(unsigned timeout_ms) {
  POINT point{};
  if (!GetCursorPos(&point)) return {};
  // No window there gives the empty text, not a buffer of blanks to
  // translate.
  return query_window_text(WindowFromPoint(point), timeout_ms, kTextAtPointMaxBytes).text;
}

}  // namespace capture
