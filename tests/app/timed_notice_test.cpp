// The self-closing notice and the search for the program's own window.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/timed_notice.h"
#include "runtime/codepage.h"
#include "tests/support/test_environment.h"

namespace {

using Clock = std::chrono::steady_clock;

long long ms_since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The notice box of this process, once it is showing.
HWND find_notice_box() {
  HWND found = nullptr;
  test_support::wait_until(
      [&] {
        found = nullptr;
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
          DWORD process = 0;
          GetWindowThreadProcessId(w, &process);
          wchar_t name[16] = {};
          GetClassNameW(w, name, 16);
          if (process == GetCurrentProcessId() && std::wstring(name) == L"#32770") found = w;
        }
        return found != nullptr;
      },
      5000, 10);
  return found;
}

// A visible top-level window of this process, for the owner search.
class PlainWindow {
 public:
  explicit PlainWindow(bool visible) {
    handle_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED | WS_CAPTION, 300, 300, 200, 100,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (visible) ShowWindow(handle_, SW_SHOWNOACTIVATE);
  }
  ~PlainWindow() { DestroyWindow(handle_); }
  HWND handle() const { return handle_; }

 private:
  HWND handle_;
};

TEST(TimedNoticeTest, ClosesItselfAfterItsTimeOutOrReturnsThePressedButton) {
  struct Case {
    const char* name;
    unsigned timeout_ms;
    bool press_ok;
    int expected;
  } const cases[] = {
      {"nobody answers", 700, false, app::kNoticeTimedOut - 1},
      {"another time-out", 1500, false, app::kNoticeTimedOut - 1},
      {"OK pressed", 20000, true, 0},
  };
  // An owner is given, so no owner search delays the box.
  PlainWindow owner(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring title_seen;
    long long hidden_after_ms = -1;
    const auto start = Clock::now();
    std::thread watcher([&] {
      HWND box = find_notice_box();
      if (!box) return;
      wchar_t title[64] = {};
      GetWindowTextW(box, title, 64);
      title_seen = title;
      if (c.press_ok) PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      // Gone from the screen is what the user sees; the call itself may
      // return later on a system that waits for the window to be unmapped.
      if (test_support::wait_until([box] { return !IsWindowVisible(box); }, 30000, 10)) {
        hidden_after_ms = ms_since(start);
      }
    });
    const int result = app::show_timed_notice("需要更新", 0, "服务器有新版本", owner.handle(),
                                              c.timeout_ms);
    watcher.join();
    EXPECT_EQ(runtime::narrow(title_seen), "服务器有新版本");
    EXPECT_EQ(result, c.expected);
    ASSERT_GE(hidden_after_ms, 0);
    if (!c.press_ok) {
      EXPECT_GE(hidden_after_ms, static_cast<long long>(c.timeout_ms) - 50);
      EXPECT_LE(hidden_after_ms, static_cast<long long>(c.timeout_ms) + 700);
    } else {
      EXPECT_LT(hidden_after_ms, 5000);
    }
  }
}

TEST(TimedNoticeTest, DefaultsToTheFriendlyTitleAndTheOwnVisibleWindowAsOwner) {
  PlainWindow owner(true);
  HWND owner_seen = nullptr;
  std::wstring title_seen;
  std::thread watcher([&] {
    HWND box = find_notice_box();
    if (!box) return;
    owner_seen = GetWindow(box, GW_OWNER);
    wchar_t title[64] = {};
    GetWindowTextW(box, title, 64);
    title_seen = title;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  EXPECT_EQ(app::show_timed_notice("请输入您的宝贵意见"), 0);
  watcher.join();
  EXPECT_EQ(owner_seen, owner.handle());
  EXPECT_EQ(runtime::narrow(title_seen), "友情提醒");
}

TEST(FindOwnWindowTest, FindsOnlyAVisibleWindowOfTheProcessWithinTheLimit) {
  {
    PlainWindow hidden(false);
    const auto start = Clock::now();
    EXPECT_EQ(app::find_own_window(GetCurrentProcessId(), 300), nullptr);
    EXPECT_GE(ms_since(start), 290);
    EXPECT_LT(ms_since(start), 3000);
  }
  PlainWindow visible(true);
  EXPECT_EQ(app::find_own_window(GetCurrentProcessId(), 1000), visible.handle());
  // Another process's windows do not count (no process has id 0's windows).
  EXPECT_EQ(app::find_own_window(0xFFFFFFF0u, 100), nullptr);
}

}  // namespace
