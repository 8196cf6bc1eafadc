#pragma once
// A label: text in a colour, aligned horizontally and optionally centred
// vertically, with word wrap; or a transparent label whose background shows
// through. Painted by the toolkit, since the system's static control cannot
// centre wrapped text vertically.
#include "toolkit/control.h"

namespace toolkit {

class Label : public Control {
 public:
  static std::unique_ptr<Label> create(Form& form, HWND parent, int id, const LabelArgs& args,
                                       HFONT font);

  bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 protected:
  using Control::Control;

 private:
  void paint(HDC dc);
  void repaint_after_text_change();

  UINT format_ = 0;  // DrawText flags
  bool centre_vertically_ = false;
};

}  // namespace toolkit
