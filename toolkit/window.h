#pragma once
// The window base: one window procedure for every window of the toolkit. It
// stores the object in the window at WM_NCCREATE and from then on hands each
// message to that object's HandleMessage.
#include <windows.h>

#include <atomic>
#include <string>

namespace toolkit {

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window() = default;

  // Null before creation and after destruction; safe to read from any thread.
  HWND handle() const { return hwnd_.load(); }

 protected:
  // Registers the class once per process (later calls are no-ops).
  static bool register_class(const std::wstring& class_name, HICON icon);
  bool create(DWORD ex_style, const std::wstring& class_name, const std::wstring& caption,
              DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu);

  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) = 0;
  // Called after the last message (WM_NCDESTROY) has been handled.
  virtual void OnFinalMessage() {}

  std::atomic<HWND> hwnd_{nullptr};

 private:
  static LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
};

}  // namespace toolkit
