// Putting the originals back into the foreign demo after harvests: what is
// restored, what is left alone, and what the memory keeps between harvests.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "capture/harvest.h"
#include "capture/harvest_thread.h"
#include "capture/inner_texts.h"
#include "capture/restore.h"
#include "capture/status_texts.h"
#include "runtime/codepage.h"
#include "tests/capture/recording_hooks.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"
#include "tests/support/test_environment.h"

namespace {

using capture_test::Path;
using capture_test::path_name;
using capture_test::Record;
using capture_test::recording_hooks;
using capture_test::upper_case;
using foreign_demo::DemoProcess;
using foreign_demo::window_text;

constexpr int kControlCount = sizeof foreign_demo::kControls / sizeof foreign_demo::kControls[0];
constexpr int kExtraCount =
    sizeof foreign_demo::kExtraControls / sizeof foreign_demo::kExtraControls[0];

std::vector<std::string> texts_of(const DemoProcess& demo) {
  std::vector<std::string> texts;
  for (int i = 0; i < kControlCount; ++i) texts.push_back(window_text(demo.control(i)));
  return texts;
}

std::vector<std::string> english_texts() {
  std::vector<std::string> texts;
  for (const auto& control : foreign_demo::kControls) texts.push_back(runtime::narrow(control.text));
  return texts;
}

std::vector<std::wstring> extra_texts(const DemoProcess& demo) {
  std::vector<std::wstring> texts;
  for (int i = 0; i < kExtraCount; ++i) texts.push_back(foreign_demo::wide_window_text(demo.extra_control(i)));
  return texts;
}

struct Restore {
  capture::RestoreReport report;
  std::vector<std::string> statuses;
};

Restore restore(capture::OriginalTexts& originals) {
  Restore result;
  capture::RestoreHooks hooks;
  hooks.set_status = [&](const std::string& text) { result.statuses.push_back(text); };
  result.report = capture::restore_originals(originals, hooks);
  return result;
}

bool wait_for_hides(HWND window, int hides) {
  return test_support::wait_until(
      [&] { return DemoProcess::hide_count(window) == hides && IsWindowVisible(window); }, 5000);
}

class RestoreTest : public testing::Test {
 protected:
  // Harvests the demo's dialog, remembering into originals_.
  capture::HarvestReport harvest(Path path, const capture_test::Translator& translator = upper_case,
                                 unsigned timeout_ms = capture::kForeignMessageTimeoutMs) {
    capture::HarvestHooks hooks = recording_hooks(std::make_shared<Record>(), translator, path);
    hooks.originals = originals_;
    hooks.message_timeout_ms = timeout_ms;
    return capture::harvest_window(demo_.dialog(), hooks);
  }

  DemoProcess demo_;
  std::shared_ptr<capture::OriginalTexts> originals_ = std::make_shared<capture::OriginalTexts>();
};

// What a restore does after a harvest, depending on what happened to the
// demo in between.
TEST_F(RestoreTest, PutsBackTheOriginalsOfTextsThatStillShowTheTranslation) {
  struct Case {
    const char* name;
    void (*meanwhile)(const DemoProcess& demo);
    int changed_index;  // -1: none
  };
  const Case cases[] = {
      {"nothing changed", [](const DemoProcess&) {}, -1},
      {"its program changed a text", [](const DemoProcess& demo) { ASSERT_TRUE(demo.change_text(100 + 3)); }, 3},
  };
  {
    const Path path = Path::kAllAtOnce;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", " + path_name(path));
      originals_ = std::make_shared<capture::OriginalTexts>();
      ASSERT_TRUE(demo_.start(L"--extra-controls"));
      const std::vector<std::wstring> extras_before = extra_texts(demo_);
      ASSERT_EQ(harvest(path).written, kControlCount + 1);
      ASSERT_TRUE(wait_for_hides(demo_.dialog(), 1));
      c.meanwhile(demo_);

      const Restore done = restore(*originals_);
      std::vector<std::string> expected = english_texts();
      if (c.changed_index >= 0) expected[c.changed_index] = runtime::narrow(foreign_demo::kChangedText);
      EXPECT_EQ(texts_of(demo_), expected);
      // The texts GBK cannot hold were never touched.
      EXPECT_EQ(extra_texts(demo_), extras_before);
      EXPECT_EQ(done.statuses, std::vector<std::string>{capture::kStatusRestored});
      EXPECT_EQ(done.report.repainted, 1);
      EXPECT_TRUE(wait_for_hides(demo_.dialog(), 2));
      EXPECT_EQ(done.report.restored + done.report.changed, kControlCount + 1);
      EXPECT_EQ(done.report.changed, c.changed_index >= 0 ? 1 : 0);
      EXPECT_EQ(done.report.unanswered + done.report.gone + done.report.rejected, 0);
      // Everything was dealt with: a second restore has nothing to do.
      EXPECT_EQ(originals_->size(), 0u);
      EXPECT_EQ(restore(*originals_).report.restored, 0);
      EXPECT_EQ(texts_of(demo_), expected);
    }
  }
}

// A window that answers a write too late still takes the text: its original
// is remembered all the same, and the restore puts it back.
TEST_F(RestoreTest, AWriteAnsweredTooLateIsPutBackToo) {
  ASSERT_TRUE(demo_.start(L"--slow-first-write 1500"));
  EXPECT_EQ(harvest(Path::kAllAtOnce, upper_case, 300).written, 0);
  EXPECT_EQ(originals_->size(), 1u);
  ASSERT_TRUE(test_support::wait_until([&] { return window_text(demo_.control(0)) == "OPEN"; }, 5000));

  const Restore done = restore(*originals_);
  EXPECT_EQ(done.report.restored, 1);
  EXPECT_EQ(texts_of(demo_), english_texts());
  EXPECT_EQ(originals_->size(), 0u);
}

TEST_F(RestoreTest, TextTranslatedTwiceGetsItsFirstOriginalBack) {
  ASSERT_TRUE(demo_.start());
  const capture_test::Translator bracketed = [](const std::string& text) { return "[" + text + "]"; };
  harvest(Path::kAllAtOnce, bracketed);
  // Translated again over the first translation; meanwhile the program gave
  // one control a text of its own, which is that control's original now.
  ASSERT_TRUE(demo_.change_text(100 + 1));
  harvest(Path::kOneByOne, bracketed);
  EXPECT_EQ(window_text(demo_.control(0)), "[[Open]]");

  restore(*originals_);
  std::vector<std::string> expected = english_texts();
  expected[1] = runtime::narrow(foreign_demo::kChangedText);
  EXPECT_EQ(texts_of(demo_), expected);
}

TEST_F(RestoreTest, WindowsThatAreGoneAreForgotten) {
  ASSERT_TRUE(demo_.start());
  harvest(Path::kAllAtOnce);
  ASSERT_EQ(originals_->size(), static_cast<size_t>(kControlCount + 1));
  demo_.stop();
  const Restore done = restore(*originals_);
  EXPECT_EQ(done.report.gone, kControlCount + 1);
  EXPECT_EQ(done.report.repainted, 0);
  EXPECT_EQ(originals_->size(), 0u);
  EXPECT_EQ(done.statuses, std::vector<std::string>{capture::kStatusRestored});
}

TEST_F(RestoreTest, RestoreOnItsOwnThreadIsWaitedFor) {
  ASSERT_TRUE(demo_.start());
  harvest(Path::kAllAtOnce);
  auto statuses = std::make_shared<Record>();
  capture::RestoreHooks hooks;
  hooks.set_status = [statuses](const std::string& text) {
    std::lock_guard<std::mutex> lock(statuses->mutex);
    statuses->statuses.push_back(text);
  };
  ASSERT_TRUE(capture::start_restore(originals_, hooks));
  ASSERT_TRUE(capture::wait_for_harvests(30000));
  EXPECT_EQ(statuses->statuses_copy(), std::vector<std::string>{capture::kStatusRestored});
  EXPECT_EQ(texts_of(demo_), english_texts());
  EXPECT_FALSE(capture::start_restore(nullptr, hooks));
}

// The texts inside the explorer's controls on both harvest paths: every one
// translated with nothing else moved, and every one the program did not
// change meanwhile put back.
TEST_F(RestoreTest, TextsInsideControlsAreTranslatedAndPutBack) {
  const capture_test::Translator marked = [](const std::string& text) { return "中文：" + text; };
  {
    const Path path = Path::kAllAtOnce;
    SCOPED_TRACE(path_name(path));
    originals_ = std::make_shared<capture::OriginalTexts>();
    ASSERT_TRUE(demo_.start());
    capture::HarvestHooks hooks = recording_hooks(std::make_shared<Record>(), marked, path);
    hooks.originals = originals_;
    const capture::HarvestReport report = capture::harvest_window(demo_.explorer(), hooks);
    EXPECT_EQ(demo_.explorer_english_count(), 0);
    EXPECT_EQ(demo_.explorer_failed_checks(), 0u);
    // The drop-down list's own text is its selected item: only the item is
    // written, the window text is refused.
    EXPECT_EQ(report.written, foreign_demo::kExplorerTextCount);
    EXPECT_EQ(report.rejected, 1);
    ASSERT_TRUE(wait_for_hides(demo_.explorer(), 1));

    // Meanwhile the program renames its first tab.
    const HWND tab = demo_.explorer_control(WC_TABCONTROLW);
    const std::vector<capture::InnerText> tabs = capture::read_inner_texts(tab);
    ASSERT_FALSE(tabs.empty());
    ASSERT_TRUE(capture::write_inner_texts(tab, {tabs[0]}, {"Mine"}));

    const Restore done = restore(*originals_);
    EXPECT_EQ(done.report.restored, foreign_demo::kExplorerTextCount - 1);
    EXPECT_EQ(done.report.changed, 1);
    EXPECT_EQ(demo_.explorer_english_count(), foreign_demo::kExplorerTextCount - 1);
    EXPECT_EQ(capture::read_inner_text(tab, tabs[0]).text, "Mine");
    EXPECT_EQ(demo_.explorer_failed_checks(), 0u);
    EXPECT_EQ(originals_->size(), 0u);
  }
}

// Harvests and restores of one window take turns: a restore asked for
// while a harvest waits for its translations begins once the harvest is
// done, and puts back what it wrote too.
TEST_F(RestoreTest, RestoreDuringAHarvestWaitsForIt) {
  ASSERT_TRUE(demo_.start());
  harvest(Path::kAllAtOnce);
  std::promise<void> translating;
  std::promise<void> answer;
  std::shared_future<void> answered = answer.get_future().share();
  capture::HarvestHooks hooks = recording_hooks(std::make_shared<Record>(), upper_case, Path::kAllAtOnce);
  hooks.translate_texts = [&](const std::vector<std::string>& texts) {
    translating.set_value();
    answered.wait();
    return std::vector<std::string>(texts.size(), "[late]");
  };
  hooks.originals = originals_;
  std::thread harvesting([&] { capture::harvest_window(demo_.dialog(), hooks); });
  translating.get_future().wait();
  auto restoring = std::async(std::launch::async, [this] { return restore(*originals_); });
  EXPECT_EQ(restoring.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout);
  answer.set_value();
  harvesting.join();
  const Restore done = restoring.get();
  EXPECT_EQ(texts_of(demo_), english_texts());
  EXPECT_EQ(done.report.restored, kControlCount + 1);
  EXPECT_EQ(originals_->size(), 0u);
}

}  // namespace
