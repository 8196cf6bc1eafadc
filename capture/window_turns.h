#pragma once
// Harvests and restores of one top-level window take turns: one that
// begins while another works on the same window waits until it is done, so
// that a restore never puts back texts beneath a harvest that is about to
// write, and a harvest never reads what a restore is halfway through.
#include <windows.h>

#include <vector>

namespace capture {

class WindowTurn {
 public:
  // Waits until none of the top-level windows of these windows is taken by
  // another turn, then takes them all at once.
  explicit WindowTurn(const std::vector<HWND>& windows);
  WindowTurn(const WindowTurn&) = delete;
  WindowTurn& operator=(const WindowTurn&) = delete;
  ~WindowTurn();

  // True when the top-level window of window is among those taken.
  bool covers(HWND window) const;

 private:
  std::vector<HWND> roots_;
};

}  // namespace capture
