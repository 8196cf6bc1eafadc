// The harvest against the foreign demo program with fake translators: what
// is translated, in which order, what is written back, and what is left
// alone.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "capture/harvest.h"
#include "capture/status_texts.h"
#include "runtime/codepage.h"
#include "tests/capture/recording_hooks.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"
#include "tests/support/test_environment.h"

namespace {

using capture_test::Record;
using capture_test::recording_hooks;
using capture_test::Translator;
using capture_test::upper_case;
using foreign_demo::DemoProcess;
using foreign_demo::kControls;
using foreign_demo::window_text;

constexpr int kControlCount = sizeof kControls / sizeof kControls[0];

std::string original_text(int index) { return runtime::narrow(kControls[index].text); }

// The demo's texts in enumeration order: the combo box's inner edit comes
// right after the combo box and shows the same text.
std::vector<std::string> enumeration_texts() {
  std::vector<std::string> texts;
  for (int i = 0; i < kControlCount; ++i) texts.push_back(original_text(i));
  texts.push_back(original_text(foreign_demo::kComboIndex));
  return texts;
}

HWND combo_edit(const DemoProcess& demo) {
  return FindWindowExW(demo.control(foreign_demo::kComboIndex), nullptr, L"EDIT", nullptr);
}

// The current texts of the demo's controls, the combo box's edit last.
std::vector<std::string> control_texts(const DemoProcess& demo) {
  std::vector<std::string> texts;
  for (int i = 0; i < kControlCount; ++i) texts.push_back(window_text(demo.control(i)));
  texts.push_back(window_text(combo_edit(demo)));
  return texts;
}

void move_cursor(POINT point) {
  SetCursorPos(point.x, point.y);
  test_support::wait_until(
      [point] {
        POINT now{};
        GetCursorPos(&now);
        return now.x == point.x && now.y == point.y;
      },
      2000);
}

bool wait_for_repaint(HWND window, int hides) {
  return test_support::wait_until(
      [&] { return DemoProcess::hide_count(window) == hides && IsWindowVisible(window); }, 5000);
}

class HarvestTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(demo_.start()); }
  DemoProcess demo_;
};

TEST_F(HarvestTest, CollectsEveryDescendantInEnumerationOrder) {
  capture::WindowList list;
  ASSERT_EQ(capture::collect_child_windows(demo_.dialog(), list), kControlCount + 1);
  for (int i = 0; i < kControlCount; ++i) EXPECT_EQ(list[i + 1], demo_.control(i)) << i;
  EXPECT_EQ(list[kControlCount + 1], combo_edit(demo_));

  list.append(demo_.dialog());  // the list is emptied first
  EXPECT_EQ(capture::collect_child_windows(demo_.plain_window(), list), 0);
  EXPECT_EQ(list.count(), 0);
}

TEST_F(HarvestTest, TranslatesEveryControlUnderTheCursorAndRepaintsTheWindow) {
  move_cursor(demo_.dialog_point(foreign_demo::kDialogEmptyPoint));
  auto record = std::make_shared<Record>();
  const capture::HarvestReport report =
      capture::harvest_and_translate(recording_hooks(record, upper_case));

  const std::vector<std::string> sources = enumeration_texts();
  std::vector<std::string> expected_calls = sources;
  // The combo box's edit already holds the combo box's translation.
  expected_calls.back() = upper_case(sources.back());
  EXPECT_EQ(record->translated, expected_calls);

  std::vector<std::string> expected_texts;
  for (const std::string& text : sources) expected_texts.push_back(upper_case(text));
  EXPECT_EQ(control_texts(demo_), expected_texts);
  EXPECT_EQ(window_text(demo_.dialog()), runtime::narrow(foreign_demo::kDialogTitle));

  // Progress: each text, then its translation; the last translation stays.
  ASSERT_EQ(record->shown.size(), 2 * expected_calls.size());
  EXPECT_EQ(record->shown[0], sources[0]);
  EXPECT_EQ(record->shown[1], upper_case(sources[0]));
  EXPECT_EQ(record->shown.back(), expected_texts.back());

  EXPECT_EQ(record->captured, std::vector<HWND>{demo_.dialog()});
  EXPECT_EQ(record->statuses, std::vector<std::string>{capture::kStatusHarvestDone});
  EXPECT_EQ(report.controls, kControlCount + 1);
  EXPECT_EQ(report.requests, kControlCount + 1);
  EXPECT_EQ(report.written, kControlCount + 1);
  EXPECT_TRUE(wait_for_repaint(demo_.dialog(), 1));
}

TEST_F(HarvestTest, EmptyTranslationsLeaveTheControlsUnchanged) {
  const std::map<std::string, std::string> glossary = {
      {"Open", "打开"}, {"Cancel", "取消"}, {"File name", "文件名"}, {"Options", "选项"}};
  struct Case {
    const char* name;
    Translator translator;
  };
  const Case cases[] = {
      {"service down", [](const std::string&) { return std::string(); }},
      {"some texts unknown",
       [glossary](const std::string& text) {
         const auto found = glossary.find(text);
         return found == glossary.end() ? std::string() : found->second;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(demo_.start());
    auto record = std::make_shared<Record>();
    const capture::HarvestReport report =
        capture::harvest_window(demo_.dialog(), recording_hooks(record, c.translator));

    std::vector<std::string> expected;
    int untranslated = 0;
    for (const std::string& text : enumeration_texts()) {
      const std::string translation = c.translator(text);
      expected.push_back(translation.empty() ? text : translation);
      untranslated += translation.empty() ? 1 : 0;
    }
    EXPECT_EQ(control_texts(demo_), expected);
    EXPECT_EQ(record->translated, enumeration_texts());
    EXPECT_EQ(report.untranslated, untranslated);
    EXPECT_EQ(record->statuses, std::vector<std::string>{capture::kStatusHarvestDone});
  }
}

TEST_F(HarvestTest, ControlWithoutTextIsNotSentForTranslation) {
  const HWND edit = demo_.control(4);
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  auto record = std::make_shared<Record>();
  const capture::HarvestReport report =
      capture::harvest_window(demo_.dialog(), recording_hooks(record, upper_case));

  std::vector<std::string> expected_calls = enumeration_texts();
  expected_calls.erase(expected_calls.begin() + 4);
  expected_calls.back() = upper_case(expected_calls.back());
  EXPECT_EQ(record->translated, expected_calls);
  EXPECT_EQ(window_text(edit), "");
  EXPECT_EQ(report.without_text, 1);
}

TEST_F(HarvestTest, TranslatesIntoChineseThatTheForeignWindowKeeps) {
  auto record = std::make_shared<Record>();
  const Translator chinese = [](const std::string& text) { return "中文：" + text; };
  capture::harvest_window(demo_.dialog(), recording_hooks(record, chinese));
  EXPECT_EQ(window_text(demo_.control(0)), "中文：Open");
  EXPECT_EQ(window_text(demo_.control(foreign_demo::kComboIndex)), "中文：中文：Advanced");
  // The combo box's edit was read back in GBK and translated once more.
  EXPECT_EQ(record->translated.back(), "中文：Advanced");
}

TEST_F(HarvestTest, WindowWithoutChildrenOnlyBlinks) {
  move_cursor(DemoProcess::centre_of(demo_.plain_window()));
  auto record = std::make_shared<Record>();
  const capture::HarvestReport report =
      capture::harvest_and_translate(recording_hooks(record, upper_case));

  EXPECT_TRUE(record->translated.empty());
  EXPECT_EQ(report.controls, 0);
  EXPECT_EQ(record->captured, std::vector<HWND>{demo_.plain_window()});
  EXPECT_EQ(record->statuses, std::vector<std::string>{capture::kStatusHarvestDone});
  EXPECT_EQ(window_text(demo_.plain_window()), runtime::narrow(foreign_demo::kPlainTitle));
  EXPECT_TRUE(wait_for_repaint(demo_.plain_window(), 1));
}

TEST_F(HarvestTest, NoWindowAndTheDesktopAreNotHarvested) {
  for (HWND window : {HWND(nullptr), GetDesktopWindow()}) {
    auto record = std::make_shared<Record>();
    // Should the guard fail, an empty translation keeps every window intact.
    const capture::HarvestReport report = capture::harvest_window(
        window, recording_hooks(record, [](const std::string&) { return std::string(); }));
    EXPECT_EQ(report.controls, 0);
    EXPECT_TRUE(record->translated.empty());
    EXPECT_EQ(record->statuses, std::vector<std::string>{capture::kStatusHarvestDone});
  }
}

TEST_F(HarvestTest, WindowThatStopsAnsweringDoesNotHoldTheHarvest) {
  auto record = std::make_shared<Record>();
  capture::HarvestHooks hooks = recording_hooks(record, upper_case);
  hooks.message_timeout_ms = 500;
  DemoProcess::hang(demo_.dialog(), 3000);

  const auto start = std::chrono::steady_clock::now();
  const capture::HarvestReport report = capture::harvest_window(demo_.dialog(), hooks);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);

  // One time-out, then the rest of the same thread's controls are passed over.
  EXPECT_LT(elapsed.count(), 2000);
  EXPECT_EQ(report.unanswered, kControlCount + 1);
  EXPECT_TRUE(record->translated.empty());
  EXPECT_EQ(record->statuses, std::vector<std::string>{capture::kStatusHarvestDone});
  // Once awake again, the demo still repaints and keeps its texts.
  EXPECT_TRUE(wait_for_repaint(demo_.dialog(), 1));
  EXPECT_EQ(window_text(demo_.control(0)), original_text(0));
}

TEST_F(HarvestTest, StopRequestEndsTheHarvestEarly) {
  auto record = std::make_shared<Record>();
  capture::HarvestHooks hooks = recording_hooks(record, upper_case);
  hooks.stop_requested = [record] { return record->translated_copy().size() >= 3; };
  const capture::HarvestReport report = capture::harvest_window(demo_.dialog(), hooks);
  EXPECT_EQ(report.requests, 3);
  EXPECT_EQ(window_text(demo_.control(3)), original_text(3));
  EXPECT_EQ(record->statuses, std::vector<std::string>{capture::kStatusHarvestDone});
}

}  // namespace
