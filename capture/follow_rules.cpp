#include "capture/follow_rules.h"

#include <cwctype>

namespace capture {

bool ChangeHistory::add(std::uint32_t now) {
  times_.push_back(now);
  while (!times_.empty() && now - times_.front() > kBusyWindowMs) times_.pop_front();
  if (static_cast<int>(times_.size()) > kBusyChanges) busy_ = true;
  return busy_;
}

bool follows_changes_of(HWND control) {
  wchar_t name[64] = {};
  GetClassNameW(control, name, 64);
  for (wchar_t* c = name; *c; ++c) *c = static_cast<wchar_t>(std::towlower(*c));
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  if (wcsstr(name, L"edit")) return (style & ES_READONLY) != 0;
  // A drop-down combo box's text is its edit's: the user's.
  if (wcsstr(name, L"combobox")) return (style & 3) == CBS_DROPDOWNLIST;
  return true;
}

}  // namespace capture
