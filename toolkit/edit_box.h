#pragma once
// An edit box: single or multi-line, with a border kind, colours and font.
#include "toolkit/control.h"

namespace toolkit {

class EditBox : public Control {
 public:
  static std::unique_ptr<EditBox> create(Form& form, HWND parent, int id, const EditArgs& args,
                                         HFONT font);

  // Adds text at the end and scrolls the caret into view. Any thread.
  void append(const std::string& text);

 protected:
  using Control::Control;
  int default_background() const override { return COLOR_WINDOW; }
};

}  // namespace toolkit
