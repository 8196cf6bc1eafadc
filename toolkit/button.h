#pragma once
// An ordinary push button with a centred caption.
#include "toolkit/control.h"

namespace toolkit {

class Button : public Control {
 public:
  static std::unique_ptr<Button> create(Form& form, HWND parent, int id, const ButtonArgs& args,
                                        HFONT font) {
    std::unique_ptr<Button> button(new Button(form, args.place, Colours{}));
    const DWORD kind = args.is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if (!button->create_window(L"BUTTON", WS_TABSTOP | kind | BS_CENTER, 0, parent, id,
                               args.caption)) {
      return nullptr;
    }
    button->set_font(font);
    return button;
  }

 protected:
  using Control::Control;
};

}  // namespace toolkit
