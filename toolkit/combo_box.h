#pragma once
// A drop-down combo box with an editable field and an unsorted list.
#include <vector>

#include "toolkit/control.h"

namespace toolkit {

class ComboBox : public Control {
 public:
  static std::unique_ptr<ComboBox> create(Form& form, HWND parent, int id, const ComboArgs& args,
                                          HFONT font);

  // Selection index counted from 0; -1 when nothing is selected. Any thread.
  int selected_index() const;
  // Selects index (-1 clears); false when the index is out of range. Does
  // not report item_selected: that event is the user's choice only.
  bool select(int index);
  int item_count() const;
  std::string item_text(int index) const;
  void add_item(const std::string& text);

 protected:
  using Control::Control;
  int default_background() const override { return COLOR_WINDOW; }
};

}  // namespace toolkit
