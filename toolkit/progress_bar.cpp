#include "toolkit/progress_bar.h"

#include <commctrl.h>

#include <memory>

namespace toolkit {

std::unique_ptr<ProgressBar> ProgressBar::create(Form& form, HWND parent, int id,
                                                 const ProgressArgs& args) {
  std::unique_ptr<ProgressBar> bar(new ProgressBar(form, args.place, Colours{}));
  if (!bar->create_window(PROGRESS_CLASSW, 0, 0, parent, id, {})) return nullptr;
  bar->set_range(args.minimum, args.maximum);
  bar->set_position(args.position);
  return bar;
}

int ProgressBar::position() const {
  return static_cast<int>(SendMessageW(window_handle(), PBM_GETPOS, 0, 0));
}

void ProgressBar::set_position(int position) {
  SendMessageW(window_handle(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void ProgressBar::set_range(int minimum, int maximum) {
  SendMessageW(window_handle(), PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
}

}  // namespace toolkit
