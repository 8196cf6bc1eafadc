#include "toolkit/tab_control.h"

#include <commctrl.h>

#include <memory>

#include "runtime/codepage.h"
#include "toolkit/form.h"

namespace toolkit {

std::unique_ptr<TabControl> TabControl::create(Form& form, HWND parent, int id,
                                               const TabArgs& args, HFONT font) {
  std::unique_ptr<TabControl> tab(new TabControl(form, args.place, Colours{}));
  if (!tab->create_window(WC_TABCONTROLW, WS_TABSTOP, 0, parent, id, {})) return nullptr;
  tab->set_font(font);
  int index = 0;
  for (const std::string& caption : args.pages) {
    std::wstring wide = runtime::widen(caption);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = wide.data();
    SendMessageW(tab->window_handle(), TCM_INSERTITEMW, index++, reinterpret_cast<LPARAM>(&item));
  }
  return tab;
}

int TabControl::page_count() const {
  return static_cast<int>(SendMessageW(window_handle(), TCM_GETITEMCOUNT, 0, 0));
}

int TabControl::selected_page() const {
  return static_cast<int>(SendMessageW(window_handle(), TCM_GETCURSEL, 0, 0));
}

std::string TabControl::page_caption(int index) const {
  wchar_t buffer[256] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = buffer;
  item.cchTextMax = 255;
  if (!SendMessageW(window_handle(), TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item))) {
    return {};
  }
  return runtime::narrow(item.pszText);
}

void TabControl::select_page(int index) {
  SendMessageW(window_handle(), TCM_SETCURSEL, index, 0);
  show_selected_page_controls();
}

void TabControl::show_selected_page_controls() {
  const int selected = selected_page();
  for (Control* control : page_controls_) control->show_with_page(control->tab_page() == selected);
}

bool TabControl::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      *result = SendMessageW(form().handle(), message, wparam, lparam);
      return true;
    default:
      return false;
  }
}

}  // namespace toolkit
