#include "tests/e2e/foreign_demo_client.h"

#include <algorithm>
#include <vector>

#include "runtime/codepage.h"
#include "tests/e2e/foreign_demo_layout.h"
#include "tests/support/test_environment.h"

namespace foreign_demo {
namespace {

struct Search {
  DWORD process_id;
  const wchar_t* window_class;
  HWND found;
};

BOOL CALLBACK find_top_level(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (process_id == search->process_id && lstrcmpW(name, search->window_class) == 0 &&
      IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND find_window_of(DWORD process_id, const wchar_t* window_class) {
  Search search{process_id, window_class, nullptr};
  EnumWindows(&find_top_level, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> direct_children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

}  // namespace

bool DemoProcess::start(const std::wstring& arguments, int timeout_ms) {
  stop();
  const std::wstring exe = runtime::widen(test_support::to_windows_path(MOQIAO_FOREIGN_DEMO_EXE));
  std::wstring command = L"\"" + exe + L"\"";
  if (!arguments.empty()) command += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process_.reset(info.hProcess);
  process_id_ = info.dwProcessId;
  const bool up = test_support::wait_until(
      [this] {
        dialog_ = find_window_of(process_id_, kDialogClass);
        plain_ = find_window_of(process_id_, kPlainClass);
        explorer_ = find_window_of(process_id_, kExplorerClass);
        return dialog_ && plain_ && explorer_;
      },
      timeout_ms);
  // Answering a message means the demo's loop is running.
  return up && hide_count(dialog_) >= 0;
}

void DemoProcess::stop() {
  if (!process_) return;
  if (dialog_) PostMessageW(dialog_, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 10000);
  }
  process_.reset();
  process_id_ = 0;
  dialog_ = plain_ = explorer_ = nullptr;
}

HWND DemoProcess::control(int index) const {
  const std::vector<HWND> children = direct_children(dialog_);
  // Direct children come in creation order; the combo box's edit is not one.
  for (HWND child : children) {
    if (GetDlgCtrlID(child) == 100 + index) return child;
  }
  return nullptr;
}

HWND DemoProcess::explorer_control(const wchar_t* window_class) const {
  return FindWindowExW(explorer_, nullptr, window_class, nullptr);
}

unsigned DemoProcess::explorer_failed_checks() const {
  DWORD_PTR failed = 0;
  if (!SendMessageTimeoutW(explorer_, kExplorerCheckMessage, 0, 0, SMTO_NORMAL, 5000, &failed)) {
    return ~0u;
  }
  return static_cast<unsigned>(failed);
}

int DemoProcess::explorer_english_count() const {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(explorer_, kExplorerEnglishCountMessage, 0, 0, SMTO_NORMAL, 5000,
                           &count)) {
    return -1;
  }
  return static_cast<int>(count);
}

HWND DemoProcess::extra_control(int index) const {
  return GetDlgItem(dialog_, kExtraControlFirstId + index);
}

bool DemoProcess::change_text(int control_id) const {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(dialog_, kChangeTextMessage, control_id, 0, SMTO_NORMAL, 5000,
                             &result) &&
         result;
}

int DemoProcess::control_count() const { return static_cast<int>(direct_children(dialog_).size()); }

POINT DemoProcess::dialog_point(POINT client) const {
  ClientToScreen(dialog_, &client);
  return client;
}

POINT DemoProcess::centre_of(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

int DemoProcess::hide_count(HWND top_level) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(top_level, kHideCountMessage, 0, 0, SMTO_NORMAL, 5000, &count)) {
    return -1;
  }
  return static_cast<int>(count);
}

void DemoProcess::hang(HWND top_level, unsigned milliseconds) {
  // Sent, not posted: a posted message would wait behind messages sent
  // meanwhile. The short time-out returns while the demo sleeps.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(top_level, kHangMessage, milliseconds, 0, SMTO_NORMAL, 200, &ignored);
}

std::string window_text(HWND window) {
  // WM_GETTEXT itself: GetWindowText does not ask another process's
  // controls for their content.
  const auto length = static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  const auto copied = SendMessageW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return runtime::narrow(text);
}

}  // namespace foreign_demo

namespace foreign_demo {

std::wstring wide_window_text(HWND window) {
  std::wstring text(4096, L'\0');
  const auto copied =
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? std::min<size_t>(static_cast<size_t>(copied), text.size() - 1) : 0);
  return text;
}

}  // namespace foreign_demo
