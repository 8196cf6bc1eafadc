#pragma once
// moqiao.exe started as a process of its own for an end-to-end test: its
// main window found, the update window it opens at start moved off the main
// window, and the process ended on destruction if it still runs.
#include <windows.h>

#include <string>
#include <vector>

namespace probe {

class ProgramProcess {
 public:
  ProgramProcess() = default;
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;
  ~ProgramProcess();

  // Starts the program (Unix path of the .exe) and waits for its main window
  // and its start-up update window; false when either did not turn up.
  bool start(const std::string& exe_unix_path);
  // The same with the .exe's Windows path, which may hold any character.
  bool start_windows_path(const std::wstring& exe_path);

  // Closes the main window and waits up to timeout_ms for the process to
  // end; true when it ended with exit code 0.
  bool close(int timeout_ms = 15000);

  DWORD id() const { return process_.dwProcessId; }
  HANDLE handle() const { return process_.hProcess; }
  HWND main_window() const { return main_; }
  // The tab control of the main window.
  HWND tab() const { return tab_; }

  std::vector<HWND> windows_of_class(const std::wstring& class_name) const;

  // Closes the start-up update window(s) and waits until they are gone,
  // for tests that need the screen around the main window clear.
  bool close_update_windows();

  // Brings a page of the tab control to the front by clicking its header.
  bool select_page(int page);

 private:
  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
  HWND tab_ = nullptr;
};

}  // namespace probe
