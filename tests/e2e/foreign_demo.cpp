// A small program of "another vendor" for the crosshair to be dropped on: a
// dialog-like window with common controls in English, a second window
// without children and an explorer window whose texts sit inside its
// controls, at fixed screen positions away from the main program's window.
// Started beside the program by scripts/run.sh and by the tests.
//
//   foreign_demo.exe [--controls N] [--extra-controls] [--interface-texts]
//                    [--memory-controls] [--list-items N]
//                    [--explorer-extras] [--busy-list-view MS] [--slow-first-write MS]
//     --controls N         the dialog holds N push buttons instead (benchmarks)
//     --extra-controls     after the ordinary controls, kExtraControls
//     --interface-texts    after those, kInterfaceTextControls
//     --memory-controls    after those, kMemoryControls
//     --list-items N       the explorer's list view holds N rows (benchmarks)
//     --explorer-extras    the explorer also holds the controls of kPlainColumns
//                          and kOwnerDrawnItems
//     --busy-list-view MS  the explorer's list view is busy for MS on the
//                          first structure another process sends it
//     --slow-first-write MS  the dialog's first control takes MS over the
//                          first text it is given, and then takes it
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "tests/e2e/foreign_demo_explorer.h"
#include "tests/e2e/foreign_demo_follow.h"
#include "tests/e2e/foreign_demo_layout.h"

namespace {

using namespace foreign_demo;

struct Options {
  int grid_controls = 0;  // 0: the ordinary set of controls
  bool extra_controls = false;
  bool interface_texts = false;
  bool memory_controls = false;
  int slow_first_write_ms = 0;
  ExplorerOptions explorer;
};

Options parse_options() {
  Options options;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return options;
  for (int i = 1; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--controls") == 0 && i + 1 < argc) {
      options.grid_controls = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
      if (options.grid_controls < 0) options.grid_controls = 0;
    } else if (std::wcscmp(argv[i], L"--list-items") == 0 && i + 1 < argc) {
      options.explorer.list_items = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
    } else if (std::wcscmp(argv[i], L"--busy-list-view") == 0 && i + 1 < argc) {
      options.explorer.busy_list_view_ms = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
    } else if (std::wcscmp(argv[i], L"--slow-first-write") == 0 && i + 1 < argc) {
      options.slow_first_write_ms = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
    } else if (std::wcscmp(argv[i], L"--explorer-extras") == 0) {
      options.explorer.extras = true;
    } else if (std::wcscmp(argv[i], L"--extra-controls") == 0) {
      options.extra_controls = true;
    } else if (std::wcscmp(argv[i], L"--interface-texts") == 0) {
      options.interface_texts = true;
    } else if (std::wcscmp(argv[i], L"--memory-controls") == 0) {
      options.memory_controls = true;
    }
  }
  LocalFree(argv);
  return options;
}

// How often a top-level window has been hidden, kept in its user data.
void count_hide(HWND window) {
  SetWindowLongPtrW(window, GWLP_USERDATA, GetWindowLongPtrW(window, GWLP_USERDATA) + 1);
}

LRESULT CALLBACK demo_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT follow_result = 0;
  if (handle_follow_message(window, message, wparam, &follow_result)) return follow_result;
  switch (message) {
    case WM_SHOWWINDOW:
      if (!wparam) count_hide(window);
      break;
    case kHangMessage:
      Sleep(static_cast<DWORD>(wparam));
      return 0;
    case kHideCountMessage:
      return GetWindowLongPtrW(window, GWLP_USERDATA);
    case kChangeTextMessage: {
      const HWND control = GetDlgItem(window, static_cast<int>(wparam));
      return control && SetWindowTextW(control, kChangedText);
    }
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Controls that answer WM_GETTEXTLENGTH wrongly, like a careless or
// hostile program; everything else is the default behaviour.
LRESULT CALLBACK length_liar_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_GETTEXTLENGTH) return kLiarLength;
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK short_length_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_GETTEXTLENGTH) return kShortLength;
  return DefWindowProcW(window, message, wparam, lparam);
}

// --slow-first-write: the first control's own procedure, and the wait.
WNDPROC g_slow_control_proc = nullptr;
DWORD g_slow_write_ms = 0;

LRESULT CALLBACK slow_first_write_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SETTEXT && g_slow_write_ms > 0) {
    Sleep(g_slow_write_ms);
    g_slow_write_ms = 0;
  }
  return CallWindowProcW(g_slow_control_proc, window, message, wparam, lparam);
}

bool register_class(HINSTANCE instance, const wchar_t* name, int background,
                    WNDPROC procedure = &demo_window_proc) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
  window_class.lpszClassName = name;
  return RegisterClassExW(&window_class) != 0;
}

void create_control(HWND parent, HINSTANCE instance, const wchar_t* window_class,
                    const wchar_t* text, DWORD style, int x, int y, int width, int height,
                    int id) {
  const HWND control = CreateWindowExW(
      0, window_class, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (!control) return;
  SendMessageW(control, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  // A combo box takes its text only through WM_SETTEXT, not at creation.
  SetWindowTextW(control, text);
}

// Outer size of a window whose client area has the given size.
SIZE outer_size(DWORD style, int client_width, int client_height) {
  RECT rect{0, 0, client_width, client_height};
  AdjustWindowRectEx(&rect, style, FALSE, 0);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

HWND create_dialog(HINSTANCE instance, const Options& options) {
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  int client_width = kDialogWidth;
  int client_height = kDialogHeight;
  if (options.grid_controls > 0) {
    const int rows = (options.grid_controls + kGridColumns - 1) / kGridColumns;
    client_width = kGridColumns * kGridCellWidth + 20;
    client_height = rows * kGridCellHeight + 20;
  }
  const SIZE size = outer_size(kStyle, client_width, client_height);
  const HWND dialog = CreateWindowExW(0, kDialogClass, kDialogTitle, kStyle, kDialogLeft,
                                      kDialogTop, size.cx, size.cy, nullptr, nullptr, instance,
                                      nullptr);
  if (!dialog) return nullptr;

  if (options.grid_controls > 0) {
    constexpr int kTextCount = sizeof kGridTexts / sizeof kGridTexts[0];
    for (int i = 0; i < options.grid_controls; ++i) {
      create_control(dialog, instance, L"BUTTON", kGridTexts[i % kTextCount], BS_PUSHBUTTON,
                     10 + (i % kGridColumns) * kGridCellWidth,
                     10 + (i / kGridColumns) * kGridCellHeight, kGridCellWidth - 4,
                     kGridCellHeight - 4, 100 + i);
    }
    return dialog;
  }
  int id = 100;
  for (const ControlLayout& control : kControls) {
    create_control(dialog, instance, control.window_class, control.text, control.style,
                   control.x, control.y, control.width, control.height, id++);
  }
  // Each optional block of controls has ids of its own.
  const auto add_block = [&](bool wanted, const auto& block, int first_id) {
    if (!wanted) return;
    id = first_id;
    for (const ControlLayout& control : block) {
      create_control(dialog, instance, control.window_class, control.text, control.style,
                     control.x, control.y, control.width, control.height, id++);
    }
  };
  add_block(options.extra_controls, kExtraControls, kExtraControlFirstId);
  add_block(options.interface_texts, kInterfaceTextControls, kInterfaceTextFirstId);
  add_block(options.memory_controls, kMemoryControls, kMemoryControlFirstId);
  if (options.slow_first_write_ms > 0) {
    g_slow_write_ms = static_cast<DWORD>(options.slow_first_write_ms);
    g_slow_control_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        GetDlgItem(dialog, 100), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&slow_first_write_proc)));
  }
  return dialog;
}

HWND create_plain_window(HINSTANCE instance) {
  return CreateWindowExW(0, kPlainClass, kPlainTitle, WS_POPUP | WS_VISIBLE, kPlainLeft,
                         kPlainTop, kPlainWidth, kPlainHeight, nullptr, nullptr, instance,
                         nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const Options options = parse_options();
  if (!register_class(instance, kDialogClass, COLOR_BTNFACE) ||
      !register_class(instance, kPlainClass, COLOR_WINDOW) ||
      !register_class(instance, kLengthLiarClass, COLOR_WINDOW, &length_liar_proc) ||
      !register_class(instance, kShortLengthClass, COLOR_WINDOW, &short_length_proc) ||
      !register_follow_classes(instance)) {
    return 1;
  }
  if (!create_dialog(instance, options) || !create_plain_window(instance) ||
      !create_explorer(instance, options.explorer)) {
    return 1;
  }

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
