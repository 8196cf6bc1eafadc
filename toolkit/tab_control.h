#pragma once
// A tab control whose pages show and hide their own controls. The controls
// of the pages are children of the tab control, placed in its client area;
// the tab control passes their notifications (WM_COMMAND, WM_NOTIFY,
// WM_CTLCOLOR*) on to the form, as if they were the form's own children.
#include <vector>

#include "toolkit/control.h"

namespace toolkit {

class TabControl : public Control {
 public:
  static std::unique_ptr<TabControl> create(Form& form, HWND parent, int id, const TabArgs& args,
                                            HFONT font);

  int page_count() const;
  int selected_page() const;  // -1 when none
  std::string page_caption(int index) const;
  // Selects a page and shows its controls (hiding the others).
  void select_page(int index);
  // Shows the controls of the selected page only.
  void show_selected_page_controls();
  void add_page_control(Control* control) { page_controls_.push_back(control); }

  bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 protected:
  using Control::Control;

 private:
  std::vector<Control*> page_controls_;
};

}  // namespace toolkit
