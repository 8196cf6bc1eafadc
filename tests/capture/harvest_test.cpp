// The harvest against the foreign demo program with fake translators: what
// is translated, in which order, what is written back, and what is left
// alone.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture/harvest.h"
#include "capture/status_texts.h"
#include "runtime/codepage.h"
#include "tests/capture/recording_hooks.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"
#include "tests/support/cursor.h"
#include "tests/support/test_environment.h"

namespace {

using test_support::move_cursor;

using capture_test::kPaths;
using capture_test::Path;
using capture_test::path_name;
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

// What the translator is asked, in order: one by one, the combo box's edit
// is read after the combo box was written and already shows its translation.
std::vector<std::string> expected_requests(Path path, const Translator& translator) {
  std::vector<std::string> texts = enumeration_texts();
  if (path == Path::kOneByOne) texts.back() = translator(texts.back());
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
  int hides = 0;
  for (Path path : kPaths) {
    SCOPED_TRACE(path_name(path));
    ASSERT_TRUE(demo_.start());
    hides = 0;
    move_cursor(demo_.dialog_point(foreign_demo::kDialogEmptyPoint));
    auto record = std::make_shared<Record>();
    const capture::HarvestReport report =
        capture::harvest_and_translate(recording_hooks(record, upper_case, path));

    const std::vector<std::string> sources = enumeration_texts();
    const std::vector<std::string> expected_calls = expected_requests(path, upper_case);
    EXPECT_EQ(record->translated, expected_calls);
    EXPECT_EQ(record->batches, path == Path::kAllAtOnce
                                   ? std::vector<std::size_t>{expected_calls.size()}
                                   : std::vector<std::size_t>{});

    std::vector<std::string> expected_texts;
    for (const std::string& text : sources) expected_texts.push_back(upper_case(text));
    EXPECT_EQ(control_texts(demo_), expected_texts);
    EXPECT_EQ(window_text(demo_.dialog()), runtime::narrow(foreign_demo::kDialogTitle));

    // Progress: each text, then its translation; the last translation stays.
    ASSERT_EQ(record->shown.size(), 2 * expected_calls.size());
    for (std::size_t i = 0; i < expected_calls.size(); ++i) {
      EXPECT_EQ(record->shown[2 * i], expected_calls[i]) << i;
      EXPECT_EQ(record->shown[2 * i + 1], upper_case(expected_calls[i])) << i;
    }
    EXPECT_EQ(record->shown.back(), expected_texts.back());

    EXPECT_EQ(record->captured, std::vector<HWND>{demo_.dialog()});
    EXPECT_EQ(record->statuses, std::vector<std::string>{capture::kStatusHarvestDone});
    EXPECT_EQ(report.controls, kControlCount + 1);
    EXPECT_EQ(report.requests, kControlCount + 1);
    EXPECT_EQ(report.written, kControlCount + 1);
    EXPECT_TRUE(wait_for_repaint(demo_.dialog(), ++hides));
  }
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
  {
    const Path path = Path::kAllAtOnce;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ", " + path_name(path));
    ASSERT_TRUE(demo_.start());
    auto record = std::make_shared<Record>();
    const capture::HarvestReport report =
        capture::harvest_window(demo_.dialog(), recording_hooks(record, c.translator, path));

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
}

TEST_F(HarvestTest, ControlWithoutTextIsNotSentForTranslation) {
  {
    const Path path = Path::kAllAtOnce;
    SCOPED_TRACE(path_name(path));
    ASSERT_TRUE(demo_.start());
    const HWND edit = demo_.control(4);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    auto record = std::make_shared<Record>();
    const capture::HarvestReport report =
        capture::harvest_window(demo_.dialog(), recording_hooks(record, upper_case, path));

    std::vector<std::string> expected_calls = expected_requests(path, upper_case);
    expected_calls.erase(expected_calls.begin() + 4);
    EXPECT_EQ(record->translated, expected_calls);
    EXPECT_EQ(window_text(edit), "");
    EXPECT_EQ(report.without_text, 1);
  }
}

TEST_F(HarvestTest, TranslatesIntoChineseThatTheForeignWindowKeeps) {
  const Translator chinese = [](const std::string& text) { return "中文：" + text; };
  struct Case {
    Path path;
    const char* combo_text;
  };
  const Case cases[] = {
      // The combo box's edit was read back in GBK and translated once more.
      {Path::kOneByOne, "中文：中文：Advanced"},
      // Read before anything was written: the same translation for both.
      {Path::kAllAtOnce, "中文：Advanced"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(path_name(c.path));
    ASSERT_TRUE(demo_.start());
    auto record = std::make_shared<Record>();
    capture::harvest_window(demo_.dialog(), recording_hooks(record, chinese, c.path));
    EXPECT_EQ(window_text(demo_.control(0)), "中文：Open");
    EXPECT_EQ(window_text(demo_.control(foreign_demo::kComboIndex)), c.combo_text);
    EXPECT_EQ(record->translated.back(), expected_requests(c.path, chinese).back());
  }
}

// Texts GBK cannot hold would be read as "?" and overwritten with the
// translation of "?"; a window that misreports its text's length must
// neither exhaust the memory nor be given a translation of half its text.
TEST_F(HarvestTest, TextsThatCannotBeReadWholeAreLeftExactlyAsTheyAre) {
  constexpr int kExtras = sizeof foreign_demo::kExtraControls / sizeof foreign_demo::kExtraControls[0];
  {
    const Path path = Path::kAllAtOnce;
    SCOPED_TRACE(path_name(path));
    ASSERT_TRUE(demo_.start(L"--extra-controls"));
    auto record = std::make_shared<Record>();
    const capture::HarvestReport report =
        capture::harvest_window(demo_.dialog(), recording_hooks(record, upper_case, path));

    EXPECT_EQ(report.unholdable, kExtras);
    EXPECT_EQ(report.written, kControlCount + 1);
    EXPECT_EQ(record->translated, expected_requests(path, upper_case));
    for (int i = 0; i < kExtras; ++i) {
      EXPECT_EQ(foreign_demo::wide_window_text(demo_.extra_control(i)),
                foreign_demo::kExtraControls[i].text)
          << i;
    }
    EXPECT_EQ(window_text(demo_.control(0)), "OPEN");
    EXPECT_EQ(record->statuses, std::vector<std::string>{capture::kStatusHarvestDone});
  }
}

// Whatever the translator does, the harvest keeps its own promises: only
// real translations are written, and it ends with the repaint and the status.
TEST_F(HarvestTest, AMisbehavingTranslatorStillEndsTheHarvestProperly) {
  using Texts = std::vector<std::string>;
  struct Case {
    const char* name;
    std::function<Texts(const Texts&)> translate_texts;
    int written;
  };
  const Case cases[] = {
      {"answers for fewer texts",
       [](const Texts& texts) { return Texts{upper_case(texts[0]), upper_case(texts[1])}; }, 2},
      {"answers for more texts",
       [](const Texts& texts) {
         Texts out;
         for (const std::string& text : texts) out.push_back(upper_case(text));
         out.push_back("EXTRA");
         return out;
       },
       kControlCount + 1},
      {"throws", [](const Texts&) -> Texts { throw std::runtime_error("broken"); }, 0},
  };
  int hides = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto record = std::make_shared<Record>();
    capture::HarvestHooks hooks = recording_hooks(record, upper_case);
    hooks.translate = nullptr;
    hooks.translate_texts = c.translate_texts;
    ASSERT_TRUE(demo_.start());
    hides = 0;
    const capture::HarvestReport report = capture::harvest_window(demo_.dialog(), hooks);
    EXPECT_EQ(report.written, c.written);
    const std::vector<std::string> texts = control_texts(demo_);
    const std::vector<std::string> originals = enumeration_texts();
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (static_cast<int>(i) < c.written) {
        EXPECT_EQ(texts[i], upper_case(originals[i])) << i;
      } else {
        EXPECT_EQ(texts[i], originals[i]) << i;
      }
    }
    EXPECT_EQ(record->statuses, std::vector<std::string>{capture::kStatusHarvestDone});
    EXPECT_TRUE(wait_for_repaint(demo_.dialog(), ++hides));
  }
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
  {
    const Path path = Path::kAllAtOnce;
  SCOPED_TRACE(path_name(path));
  ASSERT_TRUE(demo_.start());
  auto record = std::make_shared<Record>();
  capture::HarvestHooks hooks = recording_hooks(record, upper_case, path);
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

// All at once: a stop asked for while the controls are read translates
// nothing; one asked for during the translation reaches the translator,
// and what it translated until then is still written.
TEST_F(HarvestTest, StopRequestReachesATranslatorOfAllTexts) {
  struct Case {
    const char* name;
    int stop_after_questions;  // -1: the translator itself asks for the stop after 3 texts
    int expected_written;
  };
  const Case cases[] = {
      {"while reading", 3, 0},
      {"while translating", -1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(demo_.start());
    auto questions = std::make_shared<int>(0);
    auto stop = std::make_shared<bool>(false);
    auto record = std::make_shared<Record>();
    capture::HarvestHooks hooks = recording_hooks(record, upper_case);
    hooks.translate = nullptr;
    hooks.stop_requested = [questions, stop, c] {
      ++*questions;
      return *stop || (c.stop_after_questions >= 0 && *questions > c.stop_after_questions);
    };
    bool stop_seen_before = true;
    bool stop_seen_after = false;
    hooks.translate_texts = [&](const std::vector<std::string>& texts) {
      stop_seen_before = capture::harvest_should_stop();
      std::vector<std::string> out;
      for (const std::string& text : texts) {
        if (out.size() == 3) *stop = true;
        if (capture::harvest_should_stop()) break;
        out.push_back(upper_case(text));
      }
      stop_seen_after = capture::harvest_should_stop();
      return out;
    };
    const capture::HarvestReport report = capture::harvest_window(demo_.dialog(), hooks);
    EXPECT_EQ(report.written, c.expected_written);
    if (c.expected_written > 0) {
      EXPECT_FALSE(stop_seen_before);
      EXPECT_TRUE(stop_seen_after);
      EXPECT_EQ(window_text(demo_.control(2)), "CANCEL");
    }
    EXPECT_EQ(window_text(demo_.control(3)), original_text(3));
    EXPECT_EQ(record->statuses, std::vector<std::string>{capture::kStatusHarvestDone});
  }
  // Outside a harvest nobody asks this thread to stop.
  EXPECT_FALSE(capture::harvest_should_stop());
}

}  // namespace
