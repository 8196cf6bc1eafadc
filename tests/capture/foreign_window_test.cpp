// Reading and writing window texts through the bounded W messages: GBK
// round trips, the 255-byte cut, windows that are gone or do not answer.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "capture/foreign_window.h"
#include "platform/foreign_memory_held.h"
#include "runtime/codepage.h"
#include "runtime/text.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"

namespace {

using capture::query_window_text;
using capture::read_window_text;
using capture::write_window_text;
using capture::WriteOutcome;

// A window of this thread, destroyed with the object.
class LocalEdit {
 public:
  explicit LocalEdit(const std::string& text)
      : window_(CreateWindowExW(0, L"EDIT", runtime::widen(text).c_str(), WS_POPUP, 0, 0, 50, 20,
                                nullptr, nullptr, nullptr, nullptr)) {}
  ~LocalEdit() { DestroyWindow(window_); }
  HWND get() const { return window_; }

 private:
  HWND window_;
};

std::string repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(ForeignWindowText, RoundTripsGbkTexts) {
  struct Case {
    const char* name;
    std::string text;
  };
  const Case cases[] = {
      {"ascii", "File name"},
      {"chinese", "文件名"},
      {"mixed", "打开(O)... Ctrl+O"},
      {"empty", ""},
      {"long", repeat("选项", 2000)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LocalEdit edit("before");
    EXPECT_EQ(write_window_text(edit.get(), c.text), WriteOutcome::kAccepted);
    const capture::WindowText read = query_window_text(edit.get());
    EXPECT_TRUE(read.answered);
    EXPECT_EQ(read.text, c.text);
    EXPECT_EQ(read_window_text(edit.get()), c.text);
  }
}

TEST(ForeignWindowText, CutsToByteLimitWithoutSplittingCharacters) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t max_bytes;
    std::string expected;
  };
  const std::string ascii300 = repeat("a", 300);
  const std::string chinese150 = repeat("中", 150);  // 300 bytes
  const Case cases[] = {
      {"ascii over the limit", ascii300, 255, repeat("a", 255)},
      {"chinese over an odd limit", chinese150, 255, repeat("中", 127)},
      {"mixed pair across the limit", "ab" + chinese150, 5, "ab中"},
      {"short text", "Open", 255, "Open"},
      {"exactly the limit", repeat("中", 2), 4, repeat("中", 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LocalEdit edit(c.text);
    const capture::WindowText read = query_window_text(edit.get(), 1000, c.max_bytes);
    EXPECT_TRUE(read.answered);
    EXPECT_EQ(read.text, c.expected);
  }
}

TEST(ForeignWindowText, NoWindowGivesNothing) {
  LocalEdit edit("gone");
  const HWND destroyed = edit.get();
  DestroyWindow(destroyed);
  for (HWND window : {HWND(nullptr), destroyed}) {
    const capture::WindowText read = query_window_text(window);
    EXPECT_FALSE(read.answered);
    EXPECT_EQ(read.text, "");
    EXPECT_EQ(write_window_text(window, "x"), WriteOutcome::kUnanswered);
  }
}

TEST(ForeignWindowText, ReadsAndWritesAnotherProcess) {
  foreign_demo::DemoProcess demo;
  ASSERT_TRUE(demo.start());
  for (int index : {0, 3, 4, foreign_demo::kComboIndex}) {
    const HWND control = demo.control(index);
    ASSERT_NE(control, nullptr);
    const std::string original = runtime::narrow(foreign_demo::kControls[index].text);
    EXPECT_EQ(read_window_text(control), original);
    EXPECT_EQ(write_window_text(control, "确定 " + original), WriteOutcome::kAccepted);
    EXPECT_EQ(foreign_demo::window_text(control), "确定 " + original);
  }
}

// Texts that are not read exactly as the window holds them are flagged, and
// a window lying about its length costs neither a huge buffer nor a crash.
TEST(ForeignWindowText, FlagsTextsThatAreNotReadWhole) {
  foreign_demo::DemoProcess demo;
  ASSERT_TRUE(demo.start(L"--extra-controls"));
  struct Case {
    const char* name;
    HWND window;
    bool whole;
    std::string text;  // "": not checked
  };
  const Case cases[] = {
      {"english", demo.control(0), true, "Open"},
      {"korean", demo.extra_control(0), false, ""},
      {"emoji", demo.extra_control(1), false, ""},
      {"reports a length of 2^31", demo.extra_control(2), false, ""},
      {"gives more than the length it reports", demo.extra_control(3), false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(c.window, nullptr);
    const capture::WindowText read = query_window_text(c.window);
    EXPECT_TRUE(read.answered);
    EXPECT_EQ(read.whole, c.whole);
    if (!c.text.empty()) {
      EXPECT_EQ(read.text, c.text);
    }
  }

  // Longer than anything that is read: not whole either.
  const std::wstring huge(capture::kMaxForeignTextUnits + 10, L'a');
  const HWND local = CreateWindowExW(0, L"STATIC", huge.c_str(), WS_POPUP, 0, 0, 50, 20, nullptr,
                                     nullptr, nullptr, nullptr);
  ASSERT_NE(local, nullptr);
  const capture::WindowText read = query_window_text(local);
  DestroyWindow(local);
  EXPECT_TRUE(read.answered);
  EXPECT_FALSE(read.whole);
  EXPECT_LE(read.text.size(), capture::kMaxForeignTextUnits);
}

TEST(ForeignWindowText, GivesUpOnAWindowThatDoesNotAnswer) {
  foreign_demo::DemoProcess demo;
  ASSERT_TRUE(demo.start());
  const HWND button = demo.control(0);
  foreign_demo::DemoProcess::hang(demo.dialog(), 3000);

  const auto start = std::chrono::steady_clock::now();
  const capture::WindowText read = query_window_text(button, 400);
  const WriteOutcome write = write_window_text(button, "x", 400);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);

  EXPECT_FALSE(read.answered);
  EXPECT_EQ(write, WriteOutcome::kLate);
  EXPECT_LT(elapsed.count(), 2500);
}

// A window of this program on another thread gets the reader's own buffer:
// one that answers late still writes into it, so it is kept until then.
TEST(ForeignWindowText, BufferOfAnUnansweredReadOutlivesTheRead) {
  static std::atomic<bool> sleep_once{true};
  static WNDPROC edit_proc = nullptr;
  std::atomic<HWND> edit{nullptr};
  std::atomic<DWORD> thread_id{0};
  std::thread owner([&] {
    LocalEdit local("Late");
    edit_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        local.get(), GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
          if (message == WM_GETTEXT && sleep_once.exchange(false)) Sleep(1000);
          return CallWindowProcW(edit_proc, window, message, wparam, lparam);
        })));
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    thread_id = GetCurrentThreadId();
    edit = local.get();
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  });
  while (!edit) Sleep(10);
  const DWORD self = GetCurrentProcessId();
  const std::size_t held_before = platform::held_blocks(self);

  EXPECT_FALSE(query_window_text(edit, 200).answered);
  EXPECT_EQ(platform::held_blocks(self), held_before + 1);
  // Once the late message is handled, the buffer goes.
  EXPECT_TRUE(platform::release_answered_blocks(self, 5000));
  EXPECT_EQ(platform::held_blocks(self), held_before);
  EXPECT_EQ(read_window_text(edit), "Late");

  PostThreadMessageW(thread_id, WM_QUIT, 0, 0);
  owner.join();
}

}  // namespace
