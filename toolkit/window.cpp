#include "toolkit/window.h"

namespace toolkit {

bool Window::register_class(const std::wstring& class_name, HICON icon) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, class_name.c_str(), &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Window::window_procedure;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hIconSm = icon;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = class_name.c_str();
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool Window::create(DWORD ex_style, const std::wstring& class_name, const std::wstring& caption,
                    DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu) {
  return CreateWindowExW(ex_style, class_name.c_str(), caption.c_str(), style, x, y, width, height,
                         parent, menu, GetModuleHandleW(nullptr), this) != nullptr;
}

LRESULT CALLBACK Window::window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);

  LRESULT result = 0;
  try {
    result = self->HandleMessage(message, wparam, lparam);
  } catch (...) {
    // Nothing may unwind through the system's window code.
    result = DefWindowProcW(hwnd, message, wparam, lparam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->OnFinalMessage();  // may delete the object
  }
  return result;
}

}  // namespace toolkit
