// Forms built from layouts in this process: event dispatch through the
// event table, tab pages, colours and fonts, combo boxes, edit boxes.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <map>
#include <thread>

#include "runtime/codepage.h"
#include "tests/support/message_pump.h"
#include "tests/support/test_environment.h"
#include "toolkit/form.h"
#include "toolkit/message_loop.h"

namespace {

using namespace toolkit;

bool pump_until(const std::function<bool()>& condition, int timeout_ms = 5000) {
  return test_support::pump_until(condition, timeout_ms);
}

FormArgs sample_layout() {
  FormArgs form;
  form.name = "sample";
  form.caption = "样例";
  form.x = 20;
  form.y = 20;
  form.width = 320;
  form.height = 300;
  form.frame = FrameKind::fixed;
  form.menus = {MenuArgs{"菜单", {{"first", "第一项"}, {"second", "第二项"}}}};
  form.tab = TabArgs{Placement{"tab", 0, 0, 300, 240}, {"甲", "乙"}};

  EditArgs edit;
  edit.place = Placement{"edit", 8, 30, 200, 60, 0};
  edit.text = "初始内容";
  edit.multi_line = true;
  edit.colours = Colours{RGB(0x80, 0x80, 0x80), RGB(255, 255, 255)};
  edit.font = FontSpec{"微软雅黑", -14};
  form.controls.push_back(edit);

  EditArgs single;
  single.place = Placement{"single", 210, 100, 80, 24, 0};
  single.text = "请留下";
  single.border = BorderKind::single_line;
  single.colours = Colours{RGB(0x80, 0x80, 0x80), RGB(255, 255, 255)};
  form.controls.push_back(single);

  form.controls.push_back(
      ComboArgs{Placement{"combo", 8, 100, 120, 20, 0}, {"零", "一", "二"}, {}, {}});
  form.controls.push_back(ButtonArgs{Placement{"button", 140, 100, 60, 24, 0}, "按钮", {}});

  PictureArgs picture;
  picture.place = Placement{"picture", 10, 40, 60, 60, 1};
  picture.colours.background = RGB(255, 255, 255);
  form.controls.push_back(picture);

  LabelArgs label;
  label.place = Placement{"label", 80, 40, 160, 40, 1};
  label.caption = "说明文字";
  label.colours = Colours{RGB(255, 0, 0), RGB(255, 255, 255)};
  label.word_wrap = true;
  label.centre_vertically = true;
  form.controls.push_back(label);

  LabelArgs see_through;
  see_through.place = Placement{"see_through", 80, 90, 80, 20, 1};
  see_through.caption = "透明";
  see_through.transparent = true;
  form.controls.push_back(see_through);

  ButtonArgs hidden;
  hidden.place = Placement{"hidden", 10, 250, 80, 20};
  hidden.place.visible = false;
  hidden.caption = "隐藏";
  form.controls.push_back(hidden);
  form.controls.push_back(TimerArgs{"timer", 0});
  return form;
}

// Counts the events each (source, kind) pair reported.
struct Recorder {
  std::map<std::pair<std::string, EventKind>, int> counts;
  EventTable table() {
    EventTable events;
    const std::pair<const char*, EventKind> bound[] = {
        {"sample", EventKind::created},          {"first", EventKind::menu_selected},
        {"second", EventKind::menu_selected},    {"button", EventKind::clicked},
        {"combo", EventKind::item_selected},     {"picture", EventKind::left_button_down},
        {"picture", EventKind::left_button_up},  {"edit", EventKind::left_button_down},
        {"timer", EventKind::timer_elapsed},
    };
    for (const auto& [source, kind] : bound) {
      events.push_back({source, kind, [this, s = std::string(source), k = kind](Form&) {
                          ++counts[{s, k}];
                        }});
    }
    return events;
  }
  int count(const std::string& source, EventKind kind) { return counts[{source, kind}]; }
};

class FormTest : public testing::Test {
 protected:
  void SetUp() override {
    form_ = Form::open(sample_layout(), recorder_.table());
    ASSERT_NE(form_, nullptr);
  }
  void TearDown() override {
    if (form_->exists()) DestroyWindow(form_->handle());
  }
  Recorder recorder_;
  std::shared_ptr<Form> form_;
};

TEST_F(FormTest, CreatedRunsOnceWithControlsInPlace) {
  EXPECT_EQ(recorder_.count("sample", EventKind::created), 1);
  EXPECT_EQ(form_->caption(), "样例");
  EXPECT_EQ(form_->edit_box("edit").text(), "初始内容");
  EXPECT_EQ(form_->edit_box("single").text(), "请留下");
  EXPECT_EQ(form_->button("button").text(), "按钮");
  EXPECT_EQ(form_->label("label").text(), "说明文字");
}

TEST_F(FormTest, EventsReachTheirHandlersThroughTheWindowSystem) {
  struct Case {
    const char* name;
    std::function<void(Form&)> act;
    const char* source;
    EventKind kind;
  } const cases[] = {
      {"button click", [](Form& f) { SendMessageW(f.button("button").window_handle(), BM_CLICK, 0, 0); },
       "button", EventKind::clicked},
      {"picture press",
       [](Form& f) { SendMessageW(f.picture_box("picture").window_handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)); },
       "picture", EventKind::left_button_down},
      {"second press of a double click on the picture",
       [](Form& f) { SendMessageW(f.picture_box("picture").window_handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5)); },
       "picture", EventKind::left_button_down},
      {"second press of a double click in the edit box",
       [](Form& f) { SendMessageW(f.edit_box("edit").window_handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5)); },
       "edit", EventKind::left_button_down},
      {"picture release",
       [](Form& f) { SendMessageW(f.picture_box("picture").window_handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5)); },
       "picture", EventKind::left_button_up},
      {"edit press",
       [](Form& f) {
         HWND edit = f.edit_box("edit").window_handle();
         SendMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
         SendMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
       },
       "edit", EventKind::left_button_down},
      {"user picks a list item",
       [](Form& f) {
         // The selection changes the way a user's choice does: the list's
         // notification travels through the tab control to the form.
         HWND combo = f.combo_box("combo").window_handle();
         SendMessageW(GetParent(combo), WM_COMMAND,
                      MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
       },
       "combo", EventKind::item_selected},
      {"second menu item",
       [](Form& f) {
         HMENU popup = GetSubMenu(GetMenu(f.handle()), 0);
         SendMessageW(f.handle(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(popup, 1), 0), 0);
       },
       "second", EventKind::menu_selected},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int before = recorder_.count(c.source, c.kind);
    c.act(*form_);
    EXPECT_EQ(recorder_.count(c.source, c.kind), before + 1);
  }
  EXPECT_EQ(recorder_.count("first", EventKind::menu_selected), 0);
}

TEST_F(FormTest, KeyboardSelectionInTheComboReportsItemSelected) {
  ComboBox& combo = form_->combo_box("combo");
  combo.select(0);
  HWND field = FindWindowExW(combo.window_handle(), nullptr, L"Edit", nullptr);
  ASSERT_NE(field, nullptr);
  SendMessageW(field, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(combo.selected_index(), 1);
  EXPECT_EQ(recorder_.count("combo", EventKind::item_selected), 1);
}

TEST_F(FormTest, TimerTicksWhileItHasAPeriodAndStopsAtZero) {
  Timer& timer = form_->timer("timer");
  EXPECT_EQ(timer.period(), 0u);
  timer.set_period(30);
  ASSERT_TRUE(pump_until([&] { return recorder_.count("timer", EventKind::timer_elapsed) >= 2; }));
  timer.set_period(0);
  process_pending_messages();
  const int stopped_at = recorder_.count("timer", EventKind::timer_elapsed);
  pump_until([] { return false; }, 150);
  EXPECT_EQ(recorder_.count("timer", EventKind::timer_elapsed), stopped_at);
}

TEST_F(FormTest, TabPagesShowOnlyTheirOwnControls) {
  TabControl& tab = form_->tab_control("tab");
  EXPECT_EQ(tab.page_count(), 2);
  EXPECT_EQ(tab.page_caption(1), "乙");
  const std::pair<const char*, int> controls[] = {
      {"edit", 0}, {"combo", 0}, {"button", 0}, {"picture", 1}, {"label", 1}, {"see_through", 1}};
  for (int page : {0, 1, 0}) {
    // As a click on a header does: select, then tell the parent.
    SendMessageW(tab.window_handle(), TCM_SETCURSEL, page, 0);
    NMHDR header{tab.window_handle(), static_cast<UINT_PTR>(GetDlgCtrlID(tab.window_handle())),
                 static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(form_->handle(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    for (const auto& [name, on_page] : controls) {
      SCOPED_TRACE(testing::Message() << name << " on page " << page);
      EXPECT_EQ(IsWindowVisible(form_->find_control(name)->window_handle()) != FALSE, on_page == page);
    }
  }
}

TEST_F(FormTest, PageControlsArePlacedInTheTabControlsClientArea) {
  HWND tab = form_->tab_control("tab").window_handle();
  HWND edit = form_->edit_box("edit").window_handle();
  EXPECT_EQ(GetParent(edit), tab);
  RECT r;
  GetWindowRect(edit, &r);
  MapWindowPoints(nullptr, tab, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 8);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(r.bottom - r.top, 60);
  HWND hidden = form_->button("hidden").window_handle();
  EXPECT_EQ(GetParent(hidden), form_->handle());
  EXPECT_FALSE(IsWindowVisible(hidden));
  form_->button("hidden").set_visible(true);
  EXPECT_TRUE(IsWindowVisible(hidden));
}

TEST_F(FormTest, ColourMessagesFromPageControlsAreAnsweredByTheForm) {
  HWND tab = form_->tab_control("tab").window_handle();
  HWND edit = form_->edit_box("edit").window_handle();
  HDC dc = CreateCompatibleDC(nullptr);
  // The edit asks its parent, the tab control, which passes the question on.
  const LRESULT brush = SendMessageW(tab, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(edit));
  EXPECT_NE(brush, 0);
  EXPECT_EQ(GetTextColor(dc), RGB(0x80, 0x80, 0x80));
  EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
  DeleteDC(dc);
}

TEST_F(FormTest, FontsAreTheDefaultGuiFontOrTheNamedFace) {
  LOGFONTW named{};
  HFONT font = reinterpret_cast<HFONT>(
      SendMessageW(form_->edit_box("edit").window_handle(), WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  GetObjectW(font, sizeof named, &named);
  EXPECT_EQ(runtime::narrow(named.lfFaceName), "微软雅黑");
  EXPECT_EQ(named.lfHeight, -14);
  EXPECT_EQ(named.lfWeight, 400);
  EXPECT_EQ(named.lfCharSet, 134);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(form_->button("button").window_handle(),
                                                 WM_GETFONT, 0, 0)),
            GetStockObject(DEFAULT_GUI_FONT));
}

TEST_F(FormTest, ComboSelectionReadsAndWrites) {
  ComboBox& combo = form_->combo_box("combo");
  EXPECT_EQ(combo.item_count(), 3);
  EXPECT_EQ(combo.item_text(2), "二");
  EXPECT_EQ(combo.selected_index(), -1);
  const struct {
    int index;
    bool accepted;
    int selected_after;
  } cases[] = {{2, true, 2}, {0, true, 0}, {-1, true, -1}, {1, true, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(combo.select(c.index), c.accepted);
    EXPECT_EQ(combo.selected_index(), c.selected_after);
  }
  EXPECT_FALSE(combo.select(3));  // beyond the list
  EXPECT_EQ(recorder_.count("combo", EventKind::item_selected), 0);
}

TEST_F(FormTest, AppendAddsAtTheEndAndScrollsTheCaretIntoView) {
  EditBox& edit = form_->edit_box("edit");
  edit.set_text("");
  std::string expected;
  for (int i = 0; i < 30; ++i) {
    const std::string line = "第" + std::to_string(i) + "行\r\n";
    // A caret left at the start must not decide where the text goes.
    SendMessageW(edit.window_handle(), EM_SETSEL, 0, 0);
    edit.append(line);
    expected += line;
  }
  EXPECT_EQ(edit.text(), expected);
  EXPECT_GT(SendMessageW(edit.window_handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 20);
}

TEST_F(FormTest, TextsAndTitleCanBeWrittenFromAnotherThread) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    form_->edit_box("edit").set_text("来自线程");
    form_->set_caption("状态");
    form_->label("see_through").set_text("新的");
    done = true;
  });
  ASSERT_TRUE(pump_until([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(form_->edit_box("edit").text(), "来自线程");
  EXPECT_EQ(form_->caption(), "状态");
  EXPECT_EQ(form_->label("see_through").text(), "新的");
}

TEST_F(FormTest, AHandlerMayCloseItsOwnWindow) {
  EventTable events = {{"button", EventKind::clicked, [](Form& f) { DestroyWindow(f.handle()); }}};
  std::weak_ptr<Form> watched;
  {
    std::shared_ptr<Form> form = Form::open(sample_layout(), events);
    ASSERT_NE(form, nullptr);
    watched = form;
    SendMessageW(form->button("button").window_handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(form->exists());
  }
  EXPECT_TRUE(watched.expired());  // nothing keeps a closed form alive
}

TEST(FormModalTest, ModalOpenReturnsWhenTheWindowHasBeenClosed) {
  EventTable events = {{"sample", EventKind::created, [](Form& f) { f.close(); }}};
  EXPECT_TRUE(Form::open_modal(sample_layout(), events));
  // A quit request met inside the modal loop is kept for the outer loop.
  EventTable quitting = {{"sample", EventKind::created, [](Form& f) {
                            PostQuitMessage(7);
                            f.close();
                          }}};
  EXPECT_TRUE(Form::open_modal(sample_layout(), quitting));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

// A small form used like a dialog box: three fields, then "ok" (the
// default button) and "cancel".
FormArgs dialog_layout() {
  FormArgs form;
  form.name = "dialog";
  form.caption = "对话";
  form.x = 40;
  form.y = 40;
  form.width = 300;
  form.height = 200;
  form.frame = FrameKind::fixed;
  form.dialog_keys = true;
  form.default_button = "ok";
  form.cancel_button = "cancel";
  for (int i = 0; i < 3; ++i) {
    EditArgs field;
    // Placed bottom-up, so that neither position nor system order can stand
    // in for the layout's order.
    field.place = Placement{"field" + std::to_string(i), 8, 80 - 30 * i, 150, 22};
    form.controls.push_back(field);
  }
  ButtonArgs ok{Placement{"ok", 170, 120, 50, 24}, "确定", {}};
  ok.is_default = true;
  form.controls.push_back(ok);
  form.controls.push_back(ButtonArgs{Placement{"cancel", 230, 120, 50, 24}, "取消", {}});
  return form;
}

TEST(FormDialogKeysTest, TabFollowsTheLayoutEnterAndEscPressTheirButtons) {
  std::string pressed;
  EventTable events = {
      {"ok", EventKind::clicked, [&](Form&) { pressed += "ok;"; }},
      {"cancel", EventKind::clicked, [&](Form&) { pressed += "cancel;"; }},
  };
  std::shared_ptr<Form> form = Form::open(dialog_layout(), events);
  ASSERT_TRUE(form);
  auto handle_of = [&](const char* name) { return form->find_control(name)->window_handle(); };
  EXPECT_EQ(GetFocus(), handle_of("field0"));

  struct Step {
    const char* focus;     // where the key is typed
    WPARAM key;
    const char* focus_after;
    const char* pressed;   // buttons clicked so far
  } const steps[] = {
      {"field0", VK_TAB, "field1", ""},
      {"field1", VK_TAB, "field2", ""},
      {"field2", VK_TAB, "ok", ""},
      {"field1", VK_RETURN, "field1", "ok;"},
      {"field2", VK_ESCAPE, "field2", "ok;cancel;"},
      {"cancel", VK_RETURN, "cancel", "ok;cancel;cancel;"},  // the focused button
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(std::string(step.focus) + " key " + std::to_string(step.key));
    SetFocus(handle_of(step.focus));
    PostMessageW(handle_of(step.focus), WM_KEYDOWN, step.key, 0);
    EXPECT_TRUE(pump_until([&] { return pressed == step.pressed; }));
    EXPECT_TRUE(pump_until([&] { return GetFocus() == handle_of(step.focus_after); }));
  }
  DestroyWindow(form->handle());
  process_pending_messages();
}

}  // namespace
