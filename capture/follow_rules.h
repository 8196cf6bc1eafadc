#pragma once
// What following may do with a control of a followed window.
#include <windows.h>

#include <cstdint>
#include <deque>

namespace capture {

// A control whose program changes its text more often than this within
// kBusyWindowMs is a counter or a clock: the service is not asked for it
// any more, only the translation memory (which, through the number
// templates, knows every text of a counter once it knows one).
constexpr int kBusyChanges = 3;
constexpr std::uint32_t kBusyWindowMs = 10000;

// The changes its program made to one control's text.
class ChangeHistory {
 public:
  // Records a change at now (milliseconds); true once the control counts as
  // busy, and from then on for ever.
  bool add(std::uint32_t now);
  bool busy() const { return busy_; }

 private:
  std::deque<std::uint32_t> times_;
  bool busy_ = false;
};

// False for controls whose text the user types (edit controls that are not
// read-only, the edits of combo boxes, rich edits): their changes are the
// user's and never translated behind the user's back. A harvest still
// translates what they hold when the window appears, as a drag does.
bool follows_changes_of(HWND control);

}  // namespace capture
