#pragma once
// A progress bar with a range and a position.
#include "toolkit/control.h"

namespace toolkit {

class ProgressBar : public Control {
 public:
  static std::unique_ptr<ProgressBar> create(Form& form, HWND parent, int id,
                                             const ProgressArgs& args);

  int position() const;
  void set_position(int position);
  void set_range(int minimum, int maximum);

 protected:
  using Control::Control;
};

}  // namespace toolkit
