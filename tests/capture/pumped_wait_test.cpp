// The message-pumping wait: it lasts as long as asked and keeps the
// thread's windows served meanwhile.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <thread>

#include "capture/pumped_wait.h"

namespace {

using Clock = std::chrono::steady_clock;

// A message-only window of this thread that counts the WM_APP it receives.
class CountingWindow {
 public:
  CountingWindow() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = &procedure;
    window_class.lpszClassName = L"PumpedWaitCounter";
    RegisterClassW(&window_class);
    window_ = CreateWindowExW(0, L"PumpedWaitCounter", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              nullptr, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  }
  ~CountingWindow() { DestroyWindow(window_); }
  HWND get() const { return window_; }
  long long count() const { return GetWindowLongPtrW(window_, GWLP_USERDATA); }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_APP) {
      SetWindowLongPtrW(window, GWLP_USERDATA, GetWindowLongPtrW(window, GWLP_USERDATA) + 1);
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }
  HWND window_;
};

void drop_quit_message() {
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

TEST(PumpedWait, LastsAboutTheTimeAsked) {
  for (unsigned ms : {0u, 50u, 100u, 300u}) {
    SCOPED_TRACE(ms);
    const auto start = Clock::now();
    capture::pumped_wait(ms);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    EXPECT_GE(elapsed.count(), static_cast<long long>(ms) - 2);
    EXPECT_LT(elapsed.count(), static_cast<long long>(ms) + 250);
  }
}

TEST(PumpedWait, DispatchesMessagesThatArriveDuringTheWait) {
  CountingWindow window;
  // Queued before the wait and posted from another thread during it.
  PostMessageW(window.get(), WM_APP, 0, 0);
  std::thread poster([target = window.get()] {
    for (int i = 0; i < 3; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
      PostMessageW(target, WM_APP, 0, 0);
    }
  });
  capture::pumped_wait(400);
  poster.join();
  EXPECT_EQ(window.count(), 4);
}

TEST(PumpedWait, QuitMessageEndsTheWaitAndStaysQueued) {
  CountingWindow window;
  PostQuitMessage(7);
  const auto start = Clock::now();
  capture::pumped_wait(2000);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));

  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
  drop_quit_message();
}

TEST(DispatchPendingMessages, ReportsQuitAndDispatchesTheRest) {
  CountingWindow window;
  PostMessageW(window.get(), WM_APP, 0, 0);
  PostMessageW(window.get(), WM_APP, 0, 0);
  EXPECT_TRUE(capture::dispatch_pending_messages());
  EXPECT_EQ(window.count(), 2);

  PostQuitMessage(0);
  EXPECT_FALSE(capture::dispatch_pending_messages());
  drop_quit_message();
}

}  // namespace
