#include "tests/e2e/foreign_demo_follow.h"

#include <string>

#include "tests/e2e/foreign_demo_layout.h"

namespace foreign_demo {
namespace {

constexpr UINT_PTR kCounterTimer = 1;

HWND g_transfer = nullptr;
int g_counter = 0;

LRESULT CALLBACK transfer_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      if (wparam == kCounterTimer) {
        const std::wstring text = L"Tick " + std::to_wstring(++g_counter);
        SetWindowTextW(GetDlgItem(window, kTransferFirstId + kCounterIndex), text.c_str());
      }
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (g_transfer == window) g_transfer = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND open_transfer(HINSTANCE instance) {
  const HWND window = CreateWindowExW(0, kTransferClass, kTransferTitle, WS_POPUP | WS_BORDER,
                                      kTransferLeft, kTransferTop, kTransferWidth, kTransferHeight,
                                      nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  int id = kTransferFirstId;
  for (const ControlLayout& control : kTransferControls) {
    const HWND child = CreateWindowExW(
        0, control.window_class, control.text, WS_CHILD | WS_VISIBLE | control.style, control.x,
        control.y, control.width, control.height, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), instance, nullptr);
    SendMessageW(child, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  }
  ShowWindow(window, SW_SHOWNOACTIVATE);
  NotifyWinEvent(EVENT_OBJECT_SHOW, window, OBJID_WINDOW, CHILDID_SELF);
  return window;
}

}  // namespace

bool register_follow_classes(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &transfer_window_proc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = kTransferClass;
  return RegisterClassExW(&window_class) != 0;
}

bool handle_follow_message(HWND dialog, UINT message, WPARAM wparam, LRESULT* result) {
  switch (message) {
    case kOpenTransferMessage: {
      if (!g_transfer) {
        g_transfer = open_transfer(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)));
      }
      if (wparam) {
        const HWND label = GetDlgItem(dialog, 100 + kFollowChangedIndex);
        SetWindowTextW(label, kFollowChangedText);
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, label, OBJID_WINDOW, CHILDID_SELF);
      }
      *result = g_transfer != nullptr;
      return true;
    }
    case kCloseTransferMessage:
      if (g_transfer) DestroyWindow(g_transfer);
      *result = TRUE;
      return true;
    case kCounterMessage:
      if (g_transfer && wparam == 1) {
        SetTimer(g_transfer, kCounterTimer, kCounterPeriodMs, nullptr);
      } else if (g_transfer && wparam == 0) {
        KillTimer(g_transfer, kCounterTimer);
      }
      *result = g_counter;
      return true;
    default:
      return false;
  }
}

}  // namespace foreign_demo
