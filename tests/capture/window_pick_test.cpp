// Picking the window under the cursor over another program's windows: the
// smallest control wins over the group box that WindowFromPoint reports.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "capture/window_pick.h"
#include "runtime/codepage.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"
#include "tests/support/cursor.h"
#include "tests/support/test_environment.h"

namespace {

using foreign_demo::DemoProcess;

class WindowPickTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    demo_ = new DemoProcess;
    ASSERT_TRUE(demo_->start());
  }
  static void TearDownTestSuite() {
    delete demo_;
    demo_ = nullptr;
  }

  static void move_cursor(POINT point) {
    ASSERT_TRUE(test_support::move_cursor(point, demo_->dialog()))
        << "the cursor does not stay at " << point.x << "," << point.y;
  }

  static DemoProcess* demo_;
};

DemoProcess* WindowPickTest::demo_ = nullptr;

TEST_F(WindowPickTest, FindsTheSmallestWindowUnderTheCursor) {
  using foreign_demo::kButtonInGroupIndex;
  using foreign_demo::kControls;
  using foreign_demo::kGroupBoxIndex;
  struct Case {
    const char* name;
    POINT point;
    HWND expected_pick;
    HWND expected_from_point;   // what the system itself reports there
    std::string expected_text;  // text_at_point reads the system's window
  };
  const HWND group_box = demo_->control(kGroupBoxIndex);
  const HWND button_in_group = demo_->control(kButtonInGroupIndex);
  const std::string group_text = runtime::narrow(kControls[kGroupBoxIndex].text);
  const Case cases[] = {
      {"button inside a group box", DemoProcess::centre_of(button_in_group), button_in_group,
       group_box, group_text},
      {"group box beside the button", demo_->dialog_point(POINT{300, 150}), group_box, group_box,
       group_text},
      {"plain button", DemoProcess::centre_of(demo_->control(1)), demo_->control(1),
       demo_->control(1), runtime::narrow(kControls[1].text)},
      {"edit control", DemoProcess::centre_of(demo_->control(4)), demo_->control(4),
       demo_->control(4), runtime::narrow(kControls[4].text)},
      {"empty part of the dialog", demo_->dialog_point(foreign_demo::kDialogEmptyPoint),
       demo_->dialog(), demo_->dialog(), runtime::narrow(foreign_demo::kDialogTitle)},
      {"top-level window without children", DemoProcess::centre_of(demo_->plain_window()),
       demo_->plain_window(), demo_->plain_window(), runtime::narrow(foreign_demo::kPlainTitle)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    move_cursor(c.point);
    EXPECT_EQ(WindowFromPoint(c.point), c.expected_from_point);
    EXPECT_EQ(capture::pick_window_under_cursor(), c.expected_pick);
    EXPECT_EQ(capture::pick_window_at(c.point), c.expected_pick);
    EXPECT_EQ(capture::text_at_point(), c.expected_text);
  }
}

TEST_F(WindowPickTest, HiddenSiblingIsNotPicked) {
  const HWND button = demo_->control(foreign_demo::kButtonInGroupIndex);
  const POINT point = DemoProcess::centre_of(button);
  move_cursor(point);
  ShowWindow(button, SW_HIDE);
  ASSERT_TRUE(test_support::wait_until([button] { return !IsWindowVisible(button); }, 2000));
  EXPECT_EQ(capture::pick_window_under_cursor(), demo_->control(foreign_demo::kGroupBoxIndex));
  ShowWindow(button, SW_SHOW);
  ASSERT_TRUE(test_support::wait_until([button] { return IsWindowVisible(button); }, 2000));
  EXPECT_EQ(capture::pick_window_under_cursor(), button);
}

}  // namespace
