#include "tests/app/program_process.h"

#include <commctrl.h>

#include "tests/app/window_probe.h"
#include "tests/support/test_environment.h"

namespace probe {
namespace {

constexpr wchar_t kMainTitle[] = L"墨桥窗口翻译";
constexpr wchar_t kUpdateClass[] = L"MoqiaoForm.update_window";

}  // namespace

ProgramProcess::~ProgramProcess() {
  if (!process_.hProcess) return;
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.hProcess, 1);
  }
  CloseHandle(process_.hProcess);
  CloseHandle(process_.hThread);
}

bool ProgramProcess::start(const std::string& exe_unix_path) {
  const std::string exe = test_support::to_windows_path(exe_unix_path);
  return start_windows_path(std::wstring(exe.begin(), exe.end()));
}

bool ProgramProcess::start_windows_path(const std::wstring& exe_path) {
  std::wstring command = L"\"" + exe_path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process_)) {
    return false;
  }
  const bool found = test_support::wait_until(
      [this] {
        for (HWND w : top_level_windows(process_.dwProcessId)) {
          if (window_text(w) == kMainTitle) main_ = w;
        }
        return main_ != nullptr;
      },
      20000);
  if (!found) return false;
  // The start-up worker opens an update window over the main window. It
  // goes below the main window and below the screen's centre, where message
  // boxes appear: without a window manager, Wine may leave a box that
  // overlaps another thread's window unpainted on the X screen.
  if (!test_support::wait_until([this] { return !windows_of_class(kUpdateClass).empty(); },
                                10000)) {
    return false;
  }
  for (HWND w : windows_of_class(kUpdateClass)) {
    SetWindowPos(w, HWND_BOTTOM, 360, 700, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  }
  tab_ = FindWindowExW(main_, nullptr, WC_TABCONTROLW, nullptr);
  return tab_ != nullptr;
}

bool ProgramProcess::close(int timeout_ms) {
  PostMessageW(main_, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) {
    return false;
  }
  DWORD code = 1;
  GetExitCodeProcess(process_.hProcess, &code);
  return code == 0;
}

std::vector<HWND> ProgramProcess::windows_of_class(const std::wstring& class_name) const {
  return top_level_windows(process_.dwProcessId, class_name);
}

bool ProgramProcess::close_update_windows() {
  for (HWND w : windows_of_class(kUpdateClass)) PostMessageW(w, WM_CLOSE, 0, 0);
  return test_support::wait_until([this] { return windows_of_class(kUpdateClass).empty(); },
                                  10000);
}

bool ProgramProcess::select_page(int page) {
  const RECT header = tab_header_rect(tab_, page);
  post_click(tab_, (header.left + header.right) / 2, (header.top + header.bottom) / 2);
  return test_support::wait_until(
      [this, page] { return SendMessageW(tab_, TCM_GETCURSEL, 0, 0) == page; }, 5000);
}

}  // namespace probe
