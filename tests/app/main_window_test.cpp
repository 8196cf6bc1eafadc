// The main window opened in this process: its creation handler (defaults and
// the version gate), its menu and fonts, and the accessors other threads use.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <iterator>
#include <vector>
#include <thread>

#include "app/layouts.h"
#include "app/main_window.h"
#include "app/state.h"
#include "build_constants.h"
#include "runtime/codepage.h"
#include "tests/support/message_pump.h"
#include "tests/support/test_environment.h"
#include "toolkit/message_loop.h"

namespace {

bool pump_until(const std::function<bool()>& condition, int timeout_ms = 10000) {
  return test_support::pump_until(condition, timeout_ms);
}

std::vector<HWND> own_windows_of_class(const wchar_t* class_name) {
  std::vector<HWND> found;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    if (process == GetCurrentProcessId() && std::wstring(name) == class_name) found.push_back(w);
  }
  return found;
}

void close_all_update_windows() {
  for (HWND w : own_windows_of_class(L"MoqiaoForm.update_window")) PostMessageW(w, WM_CLOSE, 0, 0);
}

void drain_quit_message() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

class MainWindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    app::state().server_version = 0.0f;
    app::state().own_version = 0.0f;
    form_ = app::open_main_window();
  }
  static void TearDownTestSuite() {
    if (form_ && form_->exists()) DestroyWindow(form_->handle());
    close_all_update_windows();
    // An update window closes only once its check has run: until then the
    // check may still set the versions that the next test sets itself.
    EXPECT_TRUE(pump_until([] { return own_windows_of_class(L"MoqiaoForm.update_window").empty(); }));
    drain_quit_message();
    form_.reset();
  }
  static std::shared_ptr<toolkit::Form> form_;
};
std::shared_ptr<toolkit::Form> MainWindowTest::form_;

TEST_F(MainWindowTest, CreationSetsTheTranslationDefaultsAndStartSelections) {
  ASSERT_NE(form_, nullptr);
  EXPECT_EQ(app::main_window(), form_);
  app::AppState& s = app::state();
  EXPECT_EQ(s.app_id.get(), moqiao::build::kAppId);
  EXPECT_EQ(s.secret_key.get(), moqiao::build::kSecretKey);
  EXPECT_EQ(s.source_language.get(), "auto");
  EXPECT_EQ(s.target_language.get(), "zh");
  EXPECT_EQ(app::source_language_index(), 0);
  EXPECT_EQ(app::target_language_index(), 1);
  EXPECT_EQ(app::capture_text(), "");
  // The start-up worker opened an update window of its own.
  EXPECT_TRUE(pump_until([] { return !own_windows_of_class(L"MoqiaoForm.update_window").empty(); }));
}

// The designed "菜单" first and unchanged, the program's additions after it.
TEST_F(MainWindowTest, MenuBarHasTheDesignedMenuAndTheTools) {
  struct Menu {
    const char* caption;
    std::vector<const char*> items;
    std::vector<bool> checked;
  };
  const Menu menus[] = {
      {"菜单", {"支持Orlek", "检测更新"}, {false, false}},
      {"工具", {"还原原文", "设置", "跟随翻译"}, {false, false, true}},
  };
  HMENU bar = GetMenu(form_->handle());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), static_cast<int>(std::size(menus)));
  for (int m = 0; m < static_cast<int>(std::size(menus)); ++m) {
    SCOPED_TRACE(menus[m].caption);
    wchar_t text[64] = {};
    GetMenuStringW(bar, m, text, 64, MF_BYPOSITION);
    EXPECT_EQ(runtime::narrow(text), menus[m].caption);
    HMENU popup = GetSubMenu(bar, m);
    ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(menus[m].items.size()));
    for (int i = 0; i < static_cast<int>(menus[m].items.size()); ++i) {
      GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
      EXPECT_EQ(runtime::narrow(text), menus[m].items[i]);
      EXPECT_EQ(GetMenuState(popup, i, MF_BYPOSITION) & (MF_CHECKED | MF_GRAYED | MF_DISABLED),
                menus[m].checked[i] ? UINT(MF_CHECKED) : 0u);
    }
  }
}

TEST_F(MainWindowTest, ControlsHaveTheirFontsCursorsAndPictures) {
  struct Case {
    const char* name;
    const char* face;  // null: the default GUI font
    int height;
  } const cases[] = {
      {"标签1_说明", "微软雅黑", -12}, {"留言编辑框", "微软雅黑", -14}, {"网站", "微软雅黑", -14},
      {"编辑框1_客户邮箱", nullptr, 0}, {"按钮1", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HFONT font = reinterpret_cast<HFONT>(
        SendMessageW(form_->find_control(c.name)->window_handle(), WM_GETFONT, 0, 0));
    if (!c.face) {
      EXPECT_EQ(font, GetStockObject(DEFAULT_GUI_FONT));
      continue;
    }
    LOGFONTW logical{};
    GetObjectW(font, sizeof logical, &logical);
    EXPECT_EQ(runtime::narrow(logical.lfFaceName), c.face);
    EXPECT_EQ(logical.lfHeight, c.height);
    EXPECT_EQ(logical.lfWeight, 400);
    EXPECT_EQ(logical.lfCharSet, 134);
  }
  toolkit::PictureBox& crosshair = form_->picture_box("图片框1_鼠标");
  EXPECT_TRUE(crosshair.has_picture());  // the crosshair cursor file
  EXPECT_EQ(crosshair.cursor(), LoadCursorW(nullptr, IDC_CROSS));
  EXPECT_EQ(crosshair.cursor_bytes(), "");
  EXPECT_EQ(form_->edit_box("留言编辑框").cursor(), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(form_->timer("时钟1_界面翻译").period(), 0u);
}

TEST_F(MainWindowTest, OtherThreadsReachTitleBoxesAndSelections) {
  std::atomic<bool> done{false};
  std::string read_back;
  std::thread worker([&] {
    app::set_main_title("窗口捕获中！");
    app::set_capture_text("Open File");
    read_back = app::capture_text();
    app::append_manual_result("第一行\r\n");
    app::append_manual_result("第二行");
    app::select_target_language(2);
    done = true;
  });
  ASSERT_TRUE(pump_until([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(read_back, "Open File");
  EXPECT_EQ(app::main_title(), "窗口捕获中！");
  EXPECT_EQ(form_->edit_box("编辑框_译文").text(), "第一行\r\n第二行");
  EXPECT_EQ(app::target_language_index(), 2);
}

// A plain press, and the second press of a double click (which the window
// system reports as a message of its own).
constexpr UINT kPressMessages[] = {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK};

TEST_F(MainWindowTest, PressingAFeedbackBoxEmptiesItEveryTime) {
  for (const char* name : {"编辑框1_客户邮箱", "留言编辑框"}) {
    toolkit::EditBox& box = form_->edit_box(name);
    for (const UINT press : kPressMessages) {
      SCOPED_TRACE(std::string(name) + (press == WM_LBUTTONDOWN ? " press" : " double click"));
      for (const char* typed : {"me@example.org", "again"}) {
        box.set_text(typed);
        SendMessageW(box.window_handle(), press, MK_LBUTTON, MAKELPARAM(3, 3));
        SendMessageW(box.window_handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        EXPECT_EQ(box.text(), "");
      }
    }
  }
}

TEST_F(MainWindowTest, EveryPressOnTheCrosshairStartsACapture) {
  HWND crosshair = form_->picture_box("图片框1_鼠标").window_handle();
  for (const UINT press : kPressMessages) {
    SCOPED_TRACE(press == WM_LBUTTONDOWN ? "press" : "double click");
    app::set_main_title("墨桥窗口翻译");
    app::state().captured_window = nullptr;  // the release then harvests nothing
    SendMessageW(crosshair, press, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(app::main_title(), "窗口捕获中！");
    EXPECT_EQ(GetCapture(), crosshair);
    SendMessageW(crosshair, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_NE(GetCapture(), crosshair);
  }
}

// Opens a main window of its own (the suite above has closed its one); the
// gate closes it.
TEST(VersionGateStartTest, NewerServerVersionClosesTheMainWindowAndOpensUpdateModal) {
  app::release_state();
  app::state().own_version = 1.0f;
  app::state().server_version = 1.1f;  // as if the check had answered within the head start
  std::atomic<bool> opened{false};
  std::atomic<bool> notice_answered{false};
  std::atomic<int> selection_during_notice{-2};
  std::thread user([&] {
    // Answer the notice, then close the update windows once the main window is gone.
    HWND box = nullptr;
    test_support::wait_until([&] {
      auto boxes = own_windows_of_class(L"#32770");
      box = boxes.empty() ? nullptr : boxes.front();
      return box != nullptr;
    }, 10000);
    if (box) {
      selection_during_notice = app::source_language_index();
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      notice_answered = true;
    }
    while (!opened) {
      if (own_windows_of_class(L"MoqiaoForm.main_window").empty()) close_all_update_windows();
      Sleep(50);
    }
  });
  std::shared_ptr<toolkit::Form> form = app::open_main_window();
  opened = true;
  user.join();
  EXPECT_TRUE(notice_answered);
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(form->exists());
  EXPECT_EQ(app::state().app_id.get(), "");
  EXPECT_EQ(selection_during_notice, -1);  // the layout's: the defaults never ran
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // the loop ends
  app::state().server_version = 0.0f;
}

}  // namespace
