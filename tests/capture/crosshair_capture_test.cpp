// The crosshair capture on a form of this process with the crosshair picture
// box and the preview timer, over the foreign demo program: what a press, a
// tick and a release do, and what they do when their messages come in an
// unexpected order (a release during a press or during the frame's flash, a
// release without a press, a lost mouse capture).
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "capture/crosshair_capture.h"
#include "capture/harvest_thread.h"
#include "capture/status_texts.h"
#include "runtime/codepage.h"
#include "runtime/system.h"
#include "tests/capture/recording_hooks.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"
#include "tests/support/cursor.h"
#include "tests/support/test_environment.h"
#include "toolkit/form.h"

namespace {

using capture_test::Record;
using capture_test::recording_hooks;
using capture_test::Translator;
using capture_test::upper_case;
using foreign_demo::DemoProcess;
using Statuses = std::vector<std::string>;

std::string crosshair_bytes() {
  std::string bytes;
  runtime::read_file(
      test_support::to_windows_path(test_support::source_dir_unix() + "/app/assets/crosshair.cur"),
      &bytes);
  return bytes;
}

class CrosshairCaptureTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.start());
    crosshair_ = crosshair_bytes();
    ASSERT_FALSE(crosshair_.empty());

    toolkit::FormArgs layout;
    layout.name = "capture_test";
    layout.caption = "capture test";
    layout.x = 20;
    layout.y = 20;
    layout.width = 200;
    layout.height = 160;
    layout.frame = toolkit::FrameKind::fixed;
    toolkit::PictureArgs box;
    box.place = toolkit::Placement{"crosshair", 10, 10, 60, 60};
    box.picture = crosshair_;
    box.cursor = IDC_CROSS;
    layout.controls.push_back(box);
    layout.controls.push_back(toolkit::TimerArgs{"preview", 0});

    // The messages a user's mouse sends reach the same capture object.
    toolkit::EventTable events = {
        {"crosshair", toolkit::EventKind::left_button_down,
         [this](toolkit::Form&) { capture_.press(crosshair(), hooks()); }},
        {"crosshair", toolkit::EventKind::left_button_up,
         [this](toolkit::Form&) { release(); }},
    };
    form_ = toolkit::Form::open(layout, events);
    ASSERT_NE(form_, nullptr);
  }

  void TearDown() override {
    ReleaseCapture();
    capture::wait_for_harvests(10000);
    if (form_) DestroyWindow(form_->handle());
  }

  void move_cursor(POINT point) {
    EXPECT_TRUE(test_support::move_cursor(point, demo_.dialog()))
        << "the cursor does not stay at " << point.x << "," << point.y;
  }

  capture::Crosshair crosshair() {
    return {form_->picture_box("crosshair"), form_->timer("preview")};
  }
  HWND box() { return form_->picture_box("crosshair").window_handle(); }

  capture::HarvestHooks hooks() {
    capture::HarvestHooks hooks = recording_hooks(record_, translator_);
    // The stored window is what the next release looks at, as the program's
    // state is.
    hooks.store_captured_window = [record = record_, this](HWND window) {
      std::lock_guard<std::mutex> lock(record->mutex);
      record->captured.push_back(window);
      captured_window_ = window;
    };
    return hooks;
  }

  bool release() { return capture_.release(crosshair(), captured_window_, hooks()); }

  // The crosshair is back in the box, the mouse free, the timer stopped.
  void expect_idle() {
    EXPECT_FALSE(capture_.running());
    EXPECT_EQ(form_->picture_box("crosshair").picture_bytes(), crosshair_);
    EXPECT_TRUE(form_->picture_box("crosshair").cursor_bytes().empty());
    EXPECT_NE(GetCapture(), box());
    EXPECT_EQ(form_->timer("preview").period(), 0u);
  }

  Statuses statuses_after_harvests() {
    EXPECT_TRUE(capture::wait_for_harvests(10000));
    return record_->statuses_copy();
  }

  DemoProcess demo_;
  std::string crosshair_;
  std::shared_ptr<toolkit::Form> form_;
  capture::CrosshairCapture capture_;
  std::shared_ptr<Record> record_ = std::make_shared<Record>();
  Translator translator_ = upper_case;
  std::atomic<HWND> captured_window_{nullptr};
};

TEST_F(CrosshairCaptureTest, PressLiftsTheCrosshairAndReleasePutsItBack) {
  capture_.press(crosshair(), hooks());
  EXPECT_TRUE(capture_.running());
  EXPECT_TRUE(form_->picture_box("crosshair").picture_bytes().empty());
  EXPECT_FALSE(form_->picture_box("crosshair").has_picture());
  EXPECT_EQ(form_->picture_box("crosshair").cursor_bytes(), crosshair_);
  EXPECT_EQ(GetCapture(), box());
  EXPECT_EQ(form_->timer("preview").period(), capture::kPreviewPeriodMs);
  EXPECT_EQ(record_->statuses_copy(), Statuses{capture::kStatusCapturing});

  // The very first capture, released before any preview: nothing to harvest.
  EXPECT_FALSE(release());
  expect_idle();
  EXPECT_EQ(statuses_after_harvests(), Statuses{capture::kStatusCapturing});

  // A second capture lifts the crosshair again.
  capture_.press(crosshair(), hooks());
  EXPECT_EQ(form_->picture_box("crosshair").cursor_bytes(), crosshair_);
  release();
  expect_idle();
}

TEST_F(CrosshairCaptureTest, TickPreviewsTheWindowUnderTheCursor) {
  const HWND help = demo_.control(foreign_demo::kButtonInGroupIndex);
  const HWND edit = demo_.control(4);
  const std::string options = runtime::narrow(foreign_demo::kControls[foreign_demo::kGroupBoxIndex].text);
  const std::string title = runtime::narrow(foreign_demo::kDialogTitle);
  struct Case {
    const char* name;
    POINT point;
    Translator translator;
    HWND expected_window;
    std::vector<std::string> expected_shown;  // the text, then its translation
    size_t translations_asked;
  };
  const Translator failing = [](const std::string&) { return std::string(); };
  const Case cases[] = {
      // The pick finds the button; the text is the group box's, which the
      // system reports at that point.
      {"button inside a group box", DemoProcess::centre_of(help), upper_case, help,
       {options, upper_case(options)}, 1},
      {"free spot of the dialog", demo_.dialog_point(foreign_demo::kDialogEmptyPoint), upper_case,
       demo_.dialog(), {title, upper_case(title)}, 1},
      // No translation (yet): the box keeps the text rather than going blank.
      {"translation fails", DemoProcess::centre_of(help), failing, help, {options}, 1},
      {"window without text", DemoProcess::centre_of(edit), upper_case, edit, {""}, 0},
  };
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    record_ = std::make_shared<Record>();
    translator_ = c.translator;
    move_cursor(c.point);
    capture_.press(crosshair(), hooks());
    const capture::Preview preview = capture_.tick(crosshair(), hooks());

    EXPECT_TRUE(preview.ran);
    EXPECT_EQ(preview.window, c.expected_window);
    EXPECT_EQ(record_->captured, std::vector<HWND>{c.expected_window});
    EXPECT_EQ(record_->shown, c.expected_shown);
    EXPECT_EQ(record_->translated.size(), c.translations_asked);
    EXPECT_EQ(record_->statuses_copy(),
              (Statuses{capture::kStatusCapturing, capture::kStatusCaptured}));
    // The preview keeps the capture going.
    EXPECT_TRUE(capture_.running());
    EXPECT_EQ(GetCapture(), box());

    // Released elsewhere than over the demo: the harvest of this form's
    // own picture box has nothing to translate.
    move_cursor(DemoProcess::centre_of(box()));
    EXPECT_TRUE(release());
    expect_idle();
    EXPECT_EQ(statuses_after_harvests().back(), capture::kStatusHarvestDone);
  }
}

TEST_F(CrosshairCaptureTest, ReleaseHarvestsTheWindowUnderTheCursorOnceAWindowWasCaptured) {
  struct Case {
    const char* name;
    bool tick_first;
    Statuses expected;
  };
  const Case cases[] = {
      {"released before the first tick", false, {capture::kStatusCapturing}},
      {"released after a tick", true,
       {capture::kStatusCapturing, capture::kStatusCaptured, capture::kStatusHarvesting,
        capture::kStatusHarvestDone}},
      // The earlier capture's window is still stored: the harvest runs, and
      // picks the window under the cursor itself.
      {"quick release after an earlier capture", false,
       {capture::kStatusCapturing, capture::kStatusHarvesting, capture::kStatusHarvestDone}},
  };
  const HWND open_button = demo_.control(0);
  int dialog_hides = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    record_ = std::make_shared<Record>();
    move_cursor(DemoProcess::centre_of(demo_.plain_window()));
    capture_.press(crosshair(), hooks());
    if (c.tick_first) capture_.tick(crosshair(), hooks());
    move_cursor(demo_.dialog_point(foreign_demo::kDialogEmptyPoint));
    const bool harvesting = release();
    expect_idle();
    EXPECT_EQ(statuses_after_harvests(), c.expected);
    EXPECT_EQ(harvesting, c.expected.size() > 1);
    if (harvesting) {
      EXPECT_EQ(record_->captured.back(), demo_.dialog());
      EXPECT_EQ(foreign_demo::window_text(open_button), "OPEN");
      // The next case needs the dialog back under the cursor, and the demo
      // done showing it: until then it reports the pointer's moves late,
      // and the system takes the cursor to be where it was.
      ++dialog_hides;
      ASSERT_TRUE(test_support::wait_until(
          [&] {
            return DemoProcess::hide_count(demo_.dialog()) == dialog_hides &&
                   IsWindowVisible(demo_.dialog());
          },
          10000));
      ASSERT_EQ(DemoProcess::hide_count(demo_.dialog()), dialog_hides);
    } else {
      EXPECT_EQ(foreign_demo::window_text(open_button), "Open");
    }
  }
}

TEST_F(CrosshairCaptureTest, StrayMessagesLeaveTheCrosshairInPlace) {
  captured_window_ = demo_.dialog();  // as after an earlier capture
  move_cursor(demo_.dialog_point(foreign_demo::kDialogEmptyPoint));

  // Pressed elsewhere and released over the box.
  EXPECT_FALSE(release());
  expect_idle();
  // A tick that was queued before the release.
  EXPECT_FALSE(capture_.tick(crosshair(), hooks()).ran);
  EXPECT_TRUE(record_->captured.empty());
  EXPECT_TRUE(statuses_after_harvests().empty());
  EXPECT_EQ(foreign_demo::window_text(demo_.control(0)), "Open");

  // A second press while capturing keeps the crosshair in the cursor.
  capture_.press(crosshair(), hooks());
  capture_.press(crosshair(), hooks());
  EXPECT_EQ(form_->picture_box("crosshair").cursor_bytes(), crosshair_);
  EXPECT_EQ(record_->statuses_copy(), Statuses{capture::kStatusCapturing});
  captured_window_ = nullptr;
  release();
  expect_idle();
}

TEST_F(CrosshairCaptureTest, LostMouseCaptureEndsTheCaptureWithoutAHarvest) {
  move_cursor(demo_.dialog_point(foreign_demo::kDialogEmptyPoint));
  captured_window_ = demo_.dialog();
  capture_.press(crosshair(), hooks());
  ReleaseCapture();  // as when another window takes the mouse

  EXPECT_FALSE(capture_.tick(crosshair(), hooks()).ran);
  expect_idle();
  EXPECT_TRUE(record_->translated.empty());
  EXPECT_EQ(statuses_after_harvests(), Statuses{capture::kStatusCapturing});
}

TEST_F(CrosshairCaptureTest, ReleaseWhileThePressDispatchesMessagesLeavesTheMouseFree) {
  // A quick click: the release is queued before the press has captured the
  // mouse, and the press dispatches it.
  PostMessageW(box(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  capture_.press(crosshair(), hooks());
  expect_idle();
  EXPECT_EQ(record_->statuses_copy(), Statuses{});
}

TEST_F(CrosshairCaptureTest, ReleaseDuringTheFlashLeavesTheHarvestStatus) {
  move_cursor(DemoProcess::centre_of(demo_.plain_window()));
  capture_.press(crosshair(), hooks());
  // Dispatched during the frame's flash, after the window has been stored.
  PostMessageW(box(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  const capture::Preview preview = capture_.tick(crosshair(), hooks());

  EXPECT_TRUE(preview.ran);
  expect_idle();
  EXPECT_EQ(statuses_after_harvests(),
            (Statuses{capture::kStatusCapturing, capture::kStatusHarvesting,
                      capture::kStatusHarvestDone}));
  EXPECT_EQ(record_->captured,
            (std::vector<HWND>{demo_.plain_window(), demo_.plain_window()}));
}

}  // namespace
