#pragma once
// Runs the foreign demo program for a test: starts it, finds its windows,
// and closes it again when the object goes out of scope.
#include <windows.h>

#include <string>

#include "platform/unique_handle.h"

namespace foreign_demo {

class DemoProcess {
 public:
  DemoProcess() = default;
  DemoProcess(const DemoProcess&) = delete;
  DemoProcess& operator=(const DemoProcess&) = delete;
  ~DemoProcess() { stop(); }

  // Starts the demo with the given arguments (for example L"--controls 100")
  // and waits until both its windows are visible. False when it did not
  // come up within the time limit.
  bool start(const std::wstring& arguments = L"", int timeout_ms = 20000);
  // Closes the demo (WM_CLOSE, then TerminateProcess if it lingers).
  void stop();

  HWND dialog() const { return dialog_; }
  HWND plain_window() const { return plain_; }
  HWND explorer() const { return explorer_; }
  // The explorer's child of this window class (L"ListBox", WC_TREEVIEWW, ...).
  HWND explorer_control(const wchar_t* window_class) const;
  // Failed explorer checks (kExplorerCheckMessage), or ~0u on no answer.
  unsigned explorer_failed_checks() const;
  // How many explorer texts still read as made, or -1 on no answer.
  int explorer_english_count() const;
  // The control created with this index of kControls (ordinary layout only).
  HWND control(int index) const;
  // The control created with this index of kExtraControls (--extra-controls).
  HWND extra_control(int index) const;
  // The dialog's controls in creation order.
  int control_count() const;
  // The demo itself gives the control with this id the text kChangedText.
  bool change_text(int control_id) const;

  // Screen position of a point given in the dialog's client coordinates.
  POINT dialog_point(POINT client) const;
  // The centre of a window on the screen.
  static POINT centre_of(HWND window);

  // How often the top-level window has been hidden so far; -1 on no answer.
  static int hide_count(HWND top_level);
  // The demo stops answering for this long, starting before this returns.
  static void hang(HWND top_level, unsigned milliseconds);

 private:
  platform::KernelHandle process_;
  DWORD process_id_ = 0;
  HWND dialog_ = nullptr;
  HWND plain_ = nullptr;
  HWND explorer_ = nullptr;
};

// The text of a window as GBK, asked with plain WM_GETTEXT, for checks.
std::string window_text(HWND window);
// The same in UTF-16, for texts GBK cannot hold; at most 4096 units, so
// that a window lying about its length is still read.
std::wstring wide_window_text(HWND window);

}  // namespace foreign_demo
