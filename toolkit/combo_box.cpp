#include "toolkit/combo_box.h"

#include <memory>

#include "runtime/codepage.h"

namespace toolkit {
namespace {
// Room for the drop-down list below the field: the height a combo box is
// created with includes its list.
constexpr int kListHeight = 240;
// The field's frame around the item height of the selection field.
constexpr int kFieldFrame = 6;
}  // namespace

std::unique_ptr<ComboBox> ComboBox::create(Form& form, HWND parent, int id, const ComboArgs& args,
                                           HFONT font) {
  std::unique_ptr<ComboBox> box(new ComboBox(form, args.place, args.colours));
  const DWORD style =
      WS_TABSTOP | WS_VSCROLL | (args.list_only ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL);
  if (!box->create_window(L"COMBOBOX", style, 0, parent, id, {},
                          args.place.height + kListHeight)) {
    return nullptr;
  }
  box->set_font(font);
  // The layout height is the height of the closed box.
  SendMessageW(box->window_handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
               args.place.height - kFieldFrame);
  for (const std::string& item : args.items) box->add_item(item);
  return box;
}

int ComboBox::selected_index() const {
  const LRESULT index = SendMessageW(window_handle(), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

bool ComboBox::select(int index) {
  const LRESULT result = SendMessageW(window_handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  return index == -1 || result == index;
}

int ComboBox::item_count() const {
  const LRESULT count = SendMessageW(window_handle(), CB_GETCOUNT, 0, 0);
  return count == CB_ERR ? 0 : static_cast<int>(count);
}

std::string ComboBox::item_text(int index) const {
  const LRESULT length = SendMessageW(window_handle(), CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR || length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(window_handle(), CB_GETLBTEXT, index,
                                      reinterpret_cast<LPARAM>(wide.data()));
  wide.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return runtime::narrow(wide);
}

void ComboBox::add_item(const std::string& text) {
  SendMessageW(window_handle(), CB_ADDSTRING, 0,
               reinterpret_cast<LPARAM>(runtime::widen(text).c_str()));
}

}  // namespace toolkit
