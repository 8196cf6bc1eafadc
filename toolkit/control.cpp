#include "toolkit/control.h"

#include <commctrl.h>

#include "runtime/codepage.h"
#include "toolkit/form.h"

namespace toolkit {
namespace {
constexpr UINT_PTR kSubclassId = 1;
}

Control::Control(Form& form, const Placement& place, const Colours& colours)
    : form_(form), place_(place), colours_(colours), wanted_visible_(place.visible) {}

bool Control::create_window(const wchar_t* class_name, DWORD style, DWORD ex_style, HWND parent,
                            int id, const std::string& text, std::optional<int> create_height) {
  hwnd_ = CreateWindowExW(ex_style, class_name, runtime::widen(text).c_str(),
                          style | WS_CHILD | WS_CLIPSIBLINGS, place_.x, place_.y, place_.width,
                          create_height.value_or(place_.height), parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) return false;
  // Later controls lie over earlier ones, so that a control overlapping a
  // label (the label's text reaching under a combo box) is not covered by it.
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowSubclass(hwnd_, &control_subclass_procedure, kSubclassId,
                    reinterpret_cast<DWORD_PTR>(this));
  return true;
}

void Control::set_font(HFONT font) {
  if (font) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

std::string Control::text() const {
  const int length = GetWindowTextLengthW(hwnd_);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd_, wide.data(), length + 1);
  wide.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return runtime::narrow(wide);
}

void Control::set_text(const std::string& text) {
  SetWindowTextW(hwnd_, runtime::widen(text).c_str());
}

void Control::set_visible(bool visible) {
  wanted_visible_ = visible;
  ShowWindow(hwnd_, visible && page_selected_ ? SW_SHOWNA : SW_HIDE);
}

void Control::show_with_page(bool page_selected) {
  page_selected_ = page_selected;
  ShowWindow(hwnd_, wanted_visible_ && page_selected ? SW_SHOWNA : SW_HIDE);
}

COLORREF Control::background_colour() const {
  return colours_.background.value_or(GetSysColor(default_background()));
}

HBRUSH Control::background_brush() {
  if (!colours_.background) return GetSysColorBrush(default_background());
  if (!brush_) brush_.reset(CreateSolidBrush(*colours_.background));
  return brush_.get();
}

std::optional<LRESULT> Control::answer_colour_message(HDC dc) {
  if (!colours_.text && !colours_.background && !transparent_) return std::nullopt;
  if (colours_.text) SetTextColor(dc, *colours_.text);
  if (transparent_) {
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  }
  SetBkColor(dc, background_colour());
  return reinterpret_cast<LRESULT>(background_brush());
}

bool Control::on_message(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

LRESULT CALLBACK control_subclass_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                            UINT_PTR, DWORD_PTR reference) {
  Control* control = reinterpret_cast<Control*>(reference);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // the second press of a double click: a press all the same
    case WM_LBUTTONUP: {
      // A handler may close the form; keep it (and this control) alive
      // until the control's own handling is done.
      std::shared_ptr<Form> keep_alive = control->form().shared_from_this();
      control->form().dispatch(control->name(), message == WM_LBUTTONUP
                                                     ? EventKind::left_button_up
                                                     : EventKind::left_button_down);
      if (!IsWindow(hwnd)) return 0;
      return DefSubclassProc(hwnd, message, wparam, lparam);
    }
    case WM_SETCURSOR:
      if (control->cursor() && LOWORD(lparam) == HTCLIENT) {
        SetCursor(control->cursor());
        return TRUE;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &control_subclass_procedure, kSubclassId);
      return DefSubclassProc(hwnd, message, wparam, lparam);
    default:
      break;
  }
  LRESULT result = 0;
  try {
    if (control->on_message(message, wparam, lparam, &result)) return result;
  } catch (...) {
    // Nothing may unwind through the system's window code.
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace toolkit
