// Starts moqiao.exe as its own process and checks it through the window
// system: layout of every page, language lists, menu, the sponsor and update
// windows, the feedback boxes, and a clean exit.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/codepage.h"
#include "tests/app/program_process.h"
#include "tests/app/window_probe.h"
#include "tests/support/test_environment.h"
#include "translate/language_table.h"

namespace {

using test_support::wait_until;

constexpr wchar_t kUpdateClass[] = L"MoqiaoForm.update_window";
constexpr wchar_t kSponsorClass[] = L"MoqiaoForm.sponsor_window";

struct ExpectedControl {
  int page;  // -1: not on the tab control
  const wchar_t* class_name;
  int x, y, width, height;
  const wchar_t* text;  // null: not checked
};

const ExpectedControl kMainControls[] = {
    {0, L"Static", 8, 24, 80, 24, L"原文语言："},
    {0, L"ComboBox", 65, 26, 100, 20, nullptr},
    {0, L"Edit", 8, 54, 256, 80, L""},
    {0, L"Static", 8, 134, 80, 24, L"译文语言："},
    {0, L"ComboBox", 65, 136, 100, 20, nullptr},
    {0, L"Button", 165, 134, 49, 24, L"翻译"},
    {0, L"Button", 214, 134, 49, 24, L"播放"},
    {0, L"Edit", 8, 158, 256, 80, L""},
    {1, L"Static", 10, 44, 60, 60, nullptr},
    {1, L"Static", 81, 56, 168, 42, L"把十字型图标拖放到要翻译的主界面上,会自动识别文本！"},
    {1, L"Edit", 8, 130, 256, 104, L""},
    {2, L"Edit", 8, 32, 256, 138, L"意见反馈"},
    {2, L"Button", 12, 176, 72, 24, L"提交"},
    {2, L"Edit", 97, 176, 167, 24, L"请留下您的邮箱"},
    {2, L"Static", 72, 216, 128, 19, L"moqiao.example.org"},
};

const ExpectedControl kUpdateControls[] = {
    {-1, L"Static", 27, 24, 64, 24, L"当前版本："},
    {-1, L"Static", 107, 24, 64, 24, L"1"},  // own version
    {-1, L"Static", 27, 56, 72, 24, L"服务器版本："},
    {-1, L"Static", 107, 56, 72, 24, L"0"},  // no update server here: 0, nothing newer
    {-1, L"Static", 24, 88, 32, 16, L""},
    {-1, L"Static", 58, 88, 590, 16, L""},
    {-1, L"msctls_progress32", 16, 104, 641, 16, nullptr},
    {-1, L"Button", 80, 136, 120, 40, L"服务器自动更新"},
    {-1, L"Button", 480, 136, 120, 40, L"网盘更新"},
};

std::string screenshot_path(const std::string& name) {
  const std::string dir = test_support::binary_dir_unix() + "/screenshots";
  test_support::run_unix("mkdir -p '" + dir + "'");
  return dir + "/" + name + ".png";
}

class ProgramTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    program_ = new probe::ProgramProcess;
    ASSERT_TRUE(program_->start(MOQIAO_EXE_UNIX_PATH));
    main_ = program_->main_window();
    tab_ = program_->tab();
  }

  static void TearDownTestSuite() {
    delete program_;
    program_ = nullptr;
  }

  static std::vector<HWND> update_windows() { return program_->windows_of_class(kUpdateClass); }

  static HWND combo(int y) {
    return probe::child_at(tab_, L"ComboBox", 65, y, 100, 20);
  }

  static void select_page(int page) { ASSERT_TRUE(program_->select_page(page)); }

  static void choose_menu_item(int position) { probe::choose_menu_item(main_, position); }

  static probe::ProgramProcess* program_;
  static HWND main_;
  static HWND tab_;
};

probe::ProgramProcess* ProgramTest::program_ = nullptr;
HWND ProgramTest::main_ = nullptr;
HWND ProgramTest::tab_ = nullptr;

TEST_F(ProgramTest, MainWindowHasItsPlaceAndThreePages) {
  RECT r;
  GetWindowRect(main_, &r);
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 272);
  EXPECT_EQ(r.bottom - r.top, 302);

  const RECT tab = probe::rect_in_parent(tab_);
  EXPECT_EQ(tab.left, -3);
  EXPECT_EQ(tab.top, 6);
  EXPECT_EQ(tab.right - tab.left, 272);
  EXPECT_EQ(tab.bottom - tab.top, 248);
  EXPECT_EQ(probe::tab_captions(tab_),
            (std::vector<std::wstring>{L"普通翻译", L"界面提取", L"给Orlek发信息"}));
}

TEST_F(ProgramTest, EachPageShowsOnlyItsOwnControlsInTheirPlaces) {
  for (int page : {1, 2, 0}) {
    SCOPED_TRACE("page " + std::to_string(page));
    select_page(page);
    for (const ExpectedControl& c : kMainControls) {
      SCOPED_TRACE(testing::Message() << "control at " << c.x << "," << c.y);
      HWND control = probe::child_at(tab_, c.class_name, c.x, c.y, c.width, c.height);
      ASSERT_NE(control, nullptr);
      if (c.text) {
        EXPECT_EQ(probe::window_text(control), c.text);
      }
      EXPECT_EQ(IsWindowVisible(control) != FALSE, c.page == page);
    }
    RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(test_support::take_screenshot(screenshot_path("main_page_" + std::to_string(page))));
  }
}

TEST_F(ProgramTest, LanguageListsHold29ItemsAndStartWithAutoAndChinese) {
  struct Case {
    int y;
    std::string (*label)(int);
    int start_selection;
  } const cases[] = {{26, &translate::source_language_label, 0},
                     {136, &translate::target_language_label, 1}};
  for (const Case& c : cases) {
    HWND box = combo(c.y);
    ASSERT_NE(box, nullptr);
    std::vector<std::wstring> expected;
    for (int i = 0; i < translate::kLanguageCount; ++i) expected.push_back(runtime::widen(c.label(i)));
    EXPECT_EQ(probe::combo_items(box), expected);
    EXPECT_EQ(SendMessageW(box, CB_GETCURSEL, 0, 0), c.start_selection);
  }
}

TEST_F(ProgramTest, PressingAFeedbackBoxEmptiesIt) {
  select_page(2);
  struct Case {
    int x, y, width, height;
  } const boxes[] = {{97, 176, 167, 24}, {8, 32, 256, 138}};
  for (const Case& c : boxes) {
    HWND box = probe::child_at(tab_, L"Edit", c.x, c.y, c.width, c.height);
    ASSERT_NE(box, nullptr);
    probe::set_window_text(box, L"someone@example.org");
    ASSERT_EQ(probe::window_text(box), L"someone@example.org");
    probe::post_click(box, 5, 5);
    EXPECT_TRUE(wait_until([box] { return probe::window_text(box).empty(); }, 5000));
  }
}

TEST_F(ProgramTest, SupportItemOpensTheSponsorWindowWithBothPictures) {
  choose_menu_item(0);
  std::vector<HWND> sponsors;
  ASSERT_TRUE(wait_until([&] {
    sponsors = program_->windows_of_class(kSponsorClass);
    return !sponsors.empty();
  }, 10000));
  HWND sponsor = sponsors.front();
  RECT r;
  GetWindowRect(sponsor, &r);
  EXPECT_EQ(r.right - r.left, 500);
  EXPECT_EQ(r.bottom - r.top, 280);
  EXPECT_NE(GetWindowLongW(sponsor, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  EXPECT_EQ(probe::window_text(sponsor), L"");
  EXPECT_NE(probe::child_at(sponsor, L"Static", 83, 214, 88, 24), nullptr);
  EXPECT_NE(probe::child_at(sponsor, L"Static", 323, 214, 88, 24), nullptr);

  for (int x : {32, 272}) {
    SCOPED_TRACE(x);
    HWND picture = probe::child_at(sponsor, L"Static", x, 16, 190, 190);
    ASSERT_NE(picture, nullptr);
    RECT screen;
    GetWindowRect(picture, &screen);
    // A QR code: plenty of dark modules on a light ground.
    probe::Shades shades;
    EXPECT_TRUE(wait_until([&] {
      shades = probe::screen_shades(screen);
      return shades.dark > 0.2 && shades.light > 0.2;
    }, 5000)) << "dark " << shades.dark << " light " << shades.light;
  }
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("sponsor_window")));
  PostMessageW(sponsor, WM_CLOSE, 0, 0);
  EXPECT_TRUE(wait_until([sponsor] { return !IsWindow(sponsor); }, 5000));
}

TEST_F(ProgramTest, UpdateItemOpensAnotherUpdateWindowWithHiddenButtons) {
  const std::vector<HWND> before = update_windows();
  choose_menu_item(1);
  HWND opened = nullptr;
  ASSERT_TRUE(wait_until([&] {
    for (HWND w : update_windows()) {
      if (std::find(before.begin(), before.end(), w) == before.end()) opened = w;
    }
    return opened != nullptr;
  }, 10000));
  RECT r;
  GetWindowRect(opened, &r);
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 680);
  EXPECT_EQ(r.bottom - r.top, 250);
  for (const ExpectedControl& c : kUpdateControls) {
    SCOPED_TRACE(testing::Message() << "control at " << c.x << "," << c.y);
    HWND control = probe::child_at(opened, c.class_name, c.x, c.y, c.width, c.height);
    ASSERT_NE(control, nullptr);
    if (c.text) {
      EXPECT_EQ(probe::window_text(control), c.text);
    }
    const bool is_button = std::wstring(c.class_name) == L"Button";
    EXPECT_EQ(IsWindowVisible(control) != FALSE, !is_button);
  }
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("update_window")));
  PostMessageW(opened, WM_CLOSE, 0, 0);
  EXPECT_TRUE(wait_until([opened] { return !IsWindow(opened); }, 5000));
}

TEST_F(ProgramTest, ClosingTheMainWindowEndsTheProgramWithCodeZero) {
  EXPECT_TRUE(program_->close());
}

}  // namespace
