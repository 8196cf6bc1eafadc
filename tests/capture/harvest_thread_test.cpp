// Harvests on their own threads: each ends by returning, several may run at
// once, and capture work on this thread may go on meanwhile.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "capture/harvest_thread.h"
#include "capture/highlight_frame.h"
#include "capture/status_texts.h"
#include "capture/window_pick.h"
#include "runtime/codepage.h"
#include "tests/capture/recording_hooks.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"
#include "tests/support/cursor.h"
#include "tests/support/test_environment.h"

namespace {

using capture_test::Record;
using capture_test::recording_hooks;
using capture_test::upper_case;
using foreign_demo::DemoProcess;
using foreign_demo::window_text;
using test_support::move_cursor;

constexpr int kControlCount = sizeof foreign_demo::kControls / sizeof foreign_demo::kControls[0];

// A translator that takes its time, like a service on the network.
std::string slow_upper_case(const std::string& text) {
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  return upper_case(text);
}

class HarvestThreadTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.start());
    move_cursor(demo_.dialog_point(foreign_demo::kDialogEmptyPoint));
  }
  void TearDown() override { EXPECT_TRUE(capture::wait_for_harvests(30000)); }
  DemoProcess demo_;
};

TEST_F(HarvestThreadTest, EachHarvestEndsItsOwnThreadByReturning) {
  auto record = std::make_shared<Record>();
  platform::KernelHandle thread;
  ASSERT_TRUE(capture::start_harvest(recording_hooks(record, upper_case), &thread));
  ASSERT_TRUE(capture::wait_for_harvests(30000));
  EXPECT_EQ(capture::running_harvests(), 0);

  ASSERT_EQ(WaitForSingleObject(thread.get(), 5000), WAIT_OBJECT_0);
  DWORD exit_code = 1234;
  GetExitCodeThread(thread.get(), &exit_code);
  EXPECT_EQ(exit_code, 0u) << "ended from outside rather than by returning";
  EXPECT_EQ(record->statuses_copy(),
            (std::vector<std::string>{capture::kStatusHarvesting, capture::kStatusHarvestDone}));
  EXPECT_EQ(window_text(demo_.control(0)), "OPEN");
}

TEST_F(HarvestThreadTest, ConcurrentHarvestsAndCaptureWorkAllFinish) {
  constexpr int kHarvests = 4;
  std::vector<std::shared_ptr<Record>> records;
  std::vector<platform::KernelHandle> threads(kHarvests);
  for (int i = 0; i < kHarvests; ++i) {
    records.push_back(std::make_shared<Record>());
    ASSERT_TRUE(capture::start_harvest(recording_hooks(records.back(), slow_upper_case),
                                       &threads[i]));
  }
  EXPECT_GE(capture::running_harvests(), 1);

  // The user keeps capturing while the harvests run.
  for (int tick = 0; tick < 3; ++tick) {
    const HWND picked = capture::pick_window_under_cursor();
    EXPECT_EQ(picked, demo_.dialog());
    capture::text_at_point();
    capture::draw_highlight_frame(picked, 3, 0, true);
  }

  ASSERT_TRUE(capture::wait_for_harvests(60000));
  EXPECT_EQ(capture::running_harvests(), 0);
  for (int i = 0; i < kHarvests; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(WaitForSingleObject(threads[i].get(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(records[i]->translated_copy().size(), static_cast<size_t>(kControlCount + 1));
    EXPECT_EQ(records[i]->statuses_copy().back(), capture::kStatusHarvestDone);
  }
  // Upper case is its own translation, so every order ends the same.
  for (int i = 0; i < kControlCount; ++i) {
    EXPECT_EQ(window_text(demo_.control(i)),
              upper_case(runtime::narrow(foreign_demo::kControls[i].text)));
  }
  EXPECT_EQ(window_text(demo_.dialog()), runtime::narrow(foreign_demo::kDialogTitle));
}

TEST_F(HarvestThreadTest, StopEndsRunningHarvestsButNotLaterOnes) {
  auto stopped = std::make_shared<Record>();
  const auto very_slow = [](const std::string& text) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return upper_case(text);
  };
  ASSERT_TRUE(capture::start_harvest(recording_hooks(stopped, very_slow)));
  ASSERT_TRUE(test_support::wait_until([&] { return !stopped->translated_copy().empty(); }, 10000));
  capture::stop_harvests();

  auto later = std::make_shared<Record>();
  ASSERT_TRUE(capture::start_harvest(recording_hooks(later, upper_case)));
  ASSERT_TRUE(capture::wait_for_harvests(30000));

  EXPECT_LT(stopped->translated_copy().size(), static_cast<size_t>(kControlCount + 1));
  EXPECT_EQ(later->translated_copy().size(), static_cast<size_t>(kControlCount + 1));
  EXPECT_EQ(stopped->statuses_copy().back(), capture::kStatusHarvestDone);
}

TEST_F(HarvestThreadTest, WaitKeepsThisThreadsWindowsAnswering) {
  // A harvest that reports its progress into a window of this thread needs
  // this thread to answer while it waits for the harvest.
  const HWND progress = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr,
                                        nullptr, nullptr, nullptr);
  auto record = std::make_shared<Record>();
  capture::HarvestHooks hooks = recording_hooks(record, upper_case);
  hooks.show_text = [progress](const std::string& text) {
    SetWindowTextW(progress, runtime::widen(text).c_str());
  };
  ASSERT_TRUE(capture::start_harvest(hooks));
  EXPECT_TRUE(capture::wait_for_harvests(30000));
  EXPECT_EQ(window_text(progress), "ADVANCED");
  DestroyWindow(progress);
}

}  // namespace
