// The highlight frame on the real screen: read back through the screen's
// device context, the frame shows as the R2_NOTXORPEN mix of the pen and
// what was there, and drawing it again (or the flash) restores the screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "capture/highlight_frame.h"
#include "platform/device_context.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"
#include "tests/support/test_environment.h"

namespace {

using foreign_demo::DemoProcess;

std::vector<COLORREF> read_pixels(const std::vector<POINT>& points) {
  platform::WindowDc screen(GetDesktopWindow());
  std::vector<COLORREF> pixels;
  for (const POINT& p : points) pixels.push_back(GetPixel(screen.get(), p.x, p.y));
  return pixels;
}

// What R2_NOTXORPEN leaves where the pen passes: NOT (screen XOR pen).
COLORREF not_xor(COLORREF screen, COLORREF pen) { return ~(screen ^ pen) & 0x00FFFFFF; }

bool reddish(COLORREF colour) {
  return GetRValue(colour) >= 200 && GetGValue(colour) <= 60 && GetBValue(colour) <= 60;
}

std::string describe(COLORREF colour) {
  char text[32];
  wsprintfA(text, "#%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
  return text;
}

// Points on the frame's left, top, right and bottom edges and one inside,
// for a frame around rect drawn with a 3-pixel pen.
struct FramePoints {
  std::vector<POINT> edge;
  POINT inside;
};
FramePoints frame_points(const RECT& rect) {
  const int mid_x = (rect.left + rect.right) / 2;
  const int mid_y = (rect.top + rect.bottom) / 2;
  return {{{rect.left, mid_y}, {rect.left + 1, mid_y}, {mid_x, rect.top + 1},
           {rect.right - 2, mid_y}, {mid_x, rect.bottom - 2}},
          {rect.left + 12, mid_y}};
}

class HighlightFrameTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(demo_.start()); }

  // Moves the plain (white) window and waits until it is painted there.
  void move_plain_window(int left, int top) {
    const HWND window = demo_.plain_window();
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(test_support::wait_until(
        [&] {
          RECT rect{};
          GetWindowRect(window, &rect);
          if (rect.left != left || rect.top != top) return false;
          const POINT probe{std::max(0, left) + 20, top + 20};
          return read_pixels({probe})[0] == RGB(255, 255, 255);
        },
        5000));
    ASSERT_TRUE(wait_until_screen_quiet(POINT{std::max(0, left) + 20, top + 20}, 300, 10000));
  }

  // Waits until a pixel changed on the screen survives quiet_ms: a window
  // that has just appeared or moved is repainted once more a little later,
  // and such a repaint during a flash would overwrite the frame before it
  // is erased (as it would on any screen).
  static bool wait_until_screen_quiet(POINT probe, int quiet_ms, int timeout_ms) {
    platform::WindowDc screen(GetDesktopWindow());
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < static_cast<DWORD>(timeout_ms)) {
      const COLORREF original = GetPixel(screen.get(), probe.x, probe.y);
      SetPixel(screen.get(), probe.x, probe.y, ~original & 0x00FFFFFF);
      const COLORREF marked = GetPixel(screen.get(), probe.x, probe.y);
      const bool repainted = test_support::wait_until(
          [&] { return GetPixel(screen.get(), probe.x, probe.y) != marked; }, quiet_ms);
      if (!repainted) {
        SetPixel(screen.get(), probe.x, probe.y, original);
        return true;
      }
    }
    return false;
  }

  DemoProcess demo_;
};

TEST_F(HighlightFrameTest, FrameRectMovesOffScreenEdgesToZero) {
  struct Case {
    const char* name;
    int left, top;
    RECT expected;
  };
  const int w = foreign_demo::kPlainWidth;
  const int h = foreign_demo::kPlainHeight;
  const Case cases[] = {
      {"on the screen", 420, 420, {420, 420, 420 + w, 420 + h}},
      {"left edge off the screen", -60, 420, {0, 420, -60 + w, 420 + h}},
      {"top edge off the screen", 420, -30, {420, 0, 420 + w, -30 + h}},
      {"both off the screen", -60, -30, {0, 0, -60 + w, -30 + h}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetWindowPos(demo_.plain_window(), nullptr, c.left, c.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT rect = capture::highlight_frame_rect(demo_.plain_window());
    EXPECT_EQ(rect.left, c.expected.left);
    EXPECT_EQ(rect.top, c.expected.top);
    EXPECT_EQ(rect.right, c.expected.right);
    EXPECT_EQ(rect.bottom, c.expected.bottom);
  }
  const RECT none = capture::highlight_frame_rect(nullptr);
  EXPECT_TRUE(none.left == 0 && none.top == 0 && none.right == 0 && none.bottom == 0);
}

TEST_F(HighlightFrameTest, FrameShowsOnTheScreenAndTheSecondDrawingErasesIt) {
  struct Case {
    const char* name;
    int left, top;
    int width;
    COLORREF colour;
    COLORREF expected_pen;
  };
  const Case cases[] = {
      {"defaults", 420, 420, 0, 0, RGB(255, 0, 0)},
      {"left edge off the screen", -60, 420, 0, 0, RGB(255, 0, 0)},
      {"own colour", 420, 420, 3, RGB(0, 0, 255), RGB(0, 0, 255)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    move_plain_window(c.left, c.top);
    const FramePoints points = frame_points(capture::highlight_frame_rect(demo_.plain_window()));
    const std::vector<COLORREF> before = read_pixels(points.edge);
    const COLORREF inside_before = read_pixels({points.inside})[0];

    capture::draw_highlight_frame(demo_.plain_window(), c.width, c.colour, false);
    const std::vector<COLORREF> during = read_pixels(points.edge);
    EXPECT_EQ(read_pixels({points.inside})[0], inside_before) << "the inside stays untouched";
    for (size_t i = 0; i < during.size(); ++i) {
      SCOPED_TRACE("edge point " + std::to_string(i));
      EXPECT_EQ(describe(during[i]), describe(not_xor(before[i], c.expected_pen)));
      if (c.expected_pen == RGB(255, 0, 0) && before[i] == RGB(255, 255, 255)) {
        EXPECT_TRUE(reddish(during[i])) << describe(during[i]);
      }
    }

    capture::draw_highlight_frame(demo_.plain_window(), c.width, c.colour, false);
    const std::vector<COLORREF> after = read_pixels(points.edge);
    for (size_t i = 0; i < after.size(); ++i) {
      EXPECT_EQ(describe(after[i]), describe(before[i])) << "edge point " << i;
    }
  }
}

// Samples the screen when its message is dispatched, which happens inside
// the flash's message-pumping wait while the frame is shown.
class FlashSampler {
 public:
  explicit FlashSampler(std::vector<POINT> points) : points_(std::move(points)) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = &procedure;
    window_class.lpszClassName = L"FlashSampler";
    RegisterClassW(&window_class);
    window_ = CreateWindowExW(0, L"FlashSampler", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              nullptr, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~FlashSampler() { DestroyWindow(window_); }
  void sample_during_next_wait() { PostMessageW(window_, WM_APP, 0, 0); }
  const std::vector<COLORREF>& samples() const { return samples_; }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_APP) {
      auto* self = reinterpret_cast<FlashSampler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      self->samples_ = read_pixels(self->points_);
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }
  std::vector<POINT> points_;
  std::vector<COLORREF> samples_;
  HWND window_ = nullptr;
};

TEST_F(HighlightFrameTest, FlashShowsTheFrameForAMomentAndRestoresTheScreen) {
  move_plain_window(foreign_demo::kPlainLeft, foreign_demo::kPlainTop);
  const FramePoints points = frame_points(capture::highlight_frame_rect(demo_.plain_window()));
  const std::vector<COLORREF> before = read_pixels(points.edge);
  FlashSampler sampler(points.edge);
  sampler.sample_during_next_wait();

  const DWORD start = GetTickCount();
  capture::draw_highlight_frame(demo_.plain_window(), 0, 0, true);
  const DWORD elapsed = GetTickCount() - start;

  ASSERT_EQ(sampler.samples().size(), before.size()) << "no sample was taken during the flash";
  for (size_t i = 0; i < before.size(); ++i) {
    SCOPED_TRACE("edge point " + std::to_string(i));
    EXPECT_EQ(describe(sampler.samples()[i]), describe(not_xor(before[i], RGB(255, 0, 0))));
    EXPECT_TRUE(reddish(sampler.samples()[i]));
  }
  const std::vector<COLORREF> after = read_pixels(points.edge);
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(describe(after[i]), describe(before[i])) << "edge point " << i;
  }
  EXPECT_GE(elapsed, 90u);
  EXPECT_LT(elapsed, 1000u);
}

}  // namespace
