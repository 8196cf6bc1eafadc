// Texts inside common controls: read from and written into the foreign
// demo's explorer (another process), with everything but the texts left as
// the program made it; and controls of this thread for the cases the demo
// does not show (owner-drawn lists, virtual list views, texts outside GBK,
// controls that change between reading and writing).
#include "capture/inner_texts.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "capture/harvest.h"
#include "capture/original_texts.h"
#include "capture/restore.h"
#include "runtime/codepage.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"

namespace {

using capture::InnerKind;
using capture::InnerText;
using capture::read_inner_texts;
using capture::write_inner_texts;
using foreign_demo::DemoProcess;

std::string gbk(const wchar_t* text) { return runtime::narrow(text); }

std::vector<std::string> texts_of(const std::vector<InnerText>& items) {
  std::vector<std::string> texts;
  for (const InnerText& item : items) texts.push_back(item.text);
  return texts;
}

std::vector<std::string> marked(const std::vector<InnerText>& items, const std::string& mark) {
  std::vector<std::string> texts;
  for (const InnerText& item : items) texts.push_back(mark + item.text);
  return texts;
}

std::vector<std::string> marked_texts(const std::vector<std::string>& texts) {
  std::vector<std::string> result;
  for (const std::string& text : texts) result.push_back("中" + text);
  return result;
}

template <typename T, std::size_t N>
std::vector<std::string> gbk_all(const T (&texts)[N]) {
  std::vector<std::string> result;
  for (const wchar_t* text : texts) result.push_back(gbk(text));
  return result;
}

// The explorer's texts per control, in the order read_inner_texts gives them.
struct ExplorerControl {
  const char* name;
  const wchar_t* window_class;
  InnerKind first_kind;
  std::vector<std::string> texts;
};

std::vector<ExplorerControl> explorer_controls() {
  using namespace foreign_demo;
  std::vector<std::string> list_view = gbk_all(kExplorerColumns);
  for (const auto& row : kExplorerRows) {
    for (const wchar_t* cell : row) list_view.push_back(gbk(cell));
  }
  std::vector<std::string> tree;
  for (const TreeBranch& branch : kExplorerTree) {
    tree.push_back(gbk(branch.text));
    for (const wchar_t* child : branch.children) tree.push_back(gbk(child));
  }
  std::vector<std::string> status;
  for (const StatusPart& part : kExplorerStatusParts) status.push_back(gbk(part.text));
  return {
      {"list box", L"ListBox", InnerKind::kListBoxItem, gbk_all(kExplorerListBoxItems)},
      {"combo box", L"ComboBox", InnerKind::kComboBoxItem, gbk_all(kExplorerComboItems)},
      {"tab control", WC_TABCONTROLW, InnerKind::kTabCaption, gbk_all(kExplorerTabs)},
      {"list view", WC_LISTVIEWW, InnerKind::kListViewColumn, list_view},
      {"tree view, collapsed branch too", WC_TREEVIEWW, InnerKind::kTreeViewItem, tree},
      {"status bar", STATUSCLASSNAMEW, InnerKind::kStatusBarPart, status},
  };
}

class InnerTextsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    demo_ = new DemoProcess;
    ASSERT_TRUE(demo_->start());
  }
  static void TearDownTestSuite() {
    delete demo_;
    demo_ = nullptr;
  }
  static DemoProcess* demo_;
};
DemoProcess* InnerTextsTest::demo_ = nullptr;

TEST_F(InnerTextsTest, ReadsWritesAndRestoresEveryControlOfAnotherProcess) {
  for (const ExplorerControl& c : explorer_controls()) {
    SCOPED_TRACE(c.name);
    const HWND control = demo_->explorer_control(c.window_class);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(capture::has_inner_texts(control));

    const std::vector<InnerText> before = read_inner_texts(control);
    EXPECT_EQ(texts_of(before), c.texts);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before.front().kind, c.first_kind);

    const std::vector<std::string> translated = marked(before, "中文：");
    ASSERT_TRUE(write_inner_texts(control, before, translated));
    const std::vector<InnerText> after = read_inner_texts(control);
    EXPECT_EQ(texts_of(after), translated);
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
      EXPECT_TRUE(capture::same_slot(before[i], after[i])) << i;
      EXPECT_EQ(capture::read_inner_text(control, before[i]).text, translated[i]) << i;
    }
    EXPECT_EQ(demo_->explorer_failed_checks(), 0u);

    ASSERT_TRUE(write_inner_texts(control, after, texts_of(before)));
    EXPECT_EQ(texts_of(read_inner_texts(control)), c.texts);
    EXPECT_EQ(demo_->explorer_failed_checks(), 0u);
  }
  EXPECT_EQ(demo_->explorer_english_count(), foreign_demo::kExplorerTextCount);
}

TEST_F(InnerTextsTest, StatusBarPartsKeepTheirDrawingFlags) {
  const HWND status = demo_->explorer_control(STATUSCLASSNAMEW);
  EXPECT_TRUE(capture::window_text_is_inner(status));
  const std::vector<InnerText> parts = read_inner_texts(status);
  ASSERT_EQ(parts.size(), std::size(foreign_demo::kExplorerStatusParts));
  for (std::size_t i = 0; i < parts.size(); ++i) {
    EXPECT_EQ(parts[i].flags, foreign_demo::kExplorerStatusParts[i].flags) << i;
  }
}

TEST_F(InnerTextsTest, LeavesSlotsAloneWhenTold) {
  struct Case {
    const char* name;
    std::vector<std::string> translations;  // for the combo box's four items
    bool written;
    std::vector<std::string> after;
  };
  const Case cases[] = {
      {"empty translations keep their items",
       {"", "中", "", ""},
       true,
       {"Small", "中", "Large", "Custom"}},
      {"the same text is not written",
       {"Small", "Medium", "Large", "Custom"},
       true,
       {"Small", "Medium", "Large", "Custom"}},
      {"translations not matching the items",
       {"一", "二"},
       false,
       {"Small", "Medium", "Large", "Custom"}},
  };
  const HWND combo = demo_->explorer_control(L"ComboBox");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<InnerText> items = read_inner_texts(combo);
    EXPECT_EQ(write_inner_texts(combo, items, c.translations), c.written);
    EXPECT_EQ(texts_of(read_inner_texts(combo)), c.after);
    EXPECT_EQ(demo_->explorer_failed_checks(), 0u);
    const std::vector<InnerText> now = read_inner_texts(combo);
    write_inner_texts(combo, now, gbk_all(foreign_demo::kExplorerComboItems));
  }
}

// --- controls of this thread ------------------------------------------------

// A parent window and one control in it, destroyed with the object.
class LocalControl {
 public:
  LocalControl(const wchar_t* window_class, DWORD style)
      : registered_(register_common_controls()),
        parent_(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr,
                                nullptr, nullptr)),
        control_(CreateWindowExW(0, window_class, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 200,
                                 100, parent_, nullptr, nullptr, nullptr)) {}
  ~LocalControl() { DestroyWindow(parent_); }
  HWND get() const { return control_; }
  LRESULT send(UINT message, WPARAM wparam, LPARAM lparam) const {
    return SendMessageW(control_, message, wparam, lparam);
  }
  LRESULT send_text(UINT message, WPARAM wparam, const wchar_t* text) const {
    return send(message, wparam, reinterpret_cast<LPARAM>(text));
  }

 private:
  static bool register_common_controls() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
  }

  bool registered_;
  HWND parent_;
  HWND control_;
};

void add_column(const LocalControl& view, int index, const wchar_t* text, bool subitem = true) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | (subitem ? LVCF_SUBITEM : 0);
  column.pszText = const_cast<wchar_t*>(text);
  column.iSubItem = index;
  column.cx = 50;
  view.send(LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void add_row(const LocalControl& view, int index, const wchar_t* text) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = const_cast<wchar_t*>(text);
  view.send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void set_cell(const LocalControl& view, int row, int column, const wchar_t* text) {
  LVITEMW cell{};
  cell.iSubItem = column;
  cell.pszText = const_cast<wchar_t*>(text);
  view.send(LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell));
}

TEST(InnerTextsLocal, SkipsWhatCannotBeRewrittenSafely) {
  struct Case {
    const char* name;
    const wchar_t* window_class;
    DWORD style;
    void (*fill)(const LocalControl&);
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"owner-drawn list box without strings",
       L"LISTBOX",
       LBS_OWNERDRAWFIXED,
       [](const LocalControl& c) { c.send(LB_ADDSTRING, 0, 1234); },
       {}},
      {"owner-drawn list box with strings",
       L"LISTBOX",
       LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
       [](const LocalControl& c) { c.send_text(LB_ADDSTRING, 0, L"Open"); },
       {}},
      {"owner-drawn combo box with strings",
       L"COMBOBOX",
       CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS,
       [](const LocalControl& c) { c.send_text(CB_ADDSTRING, 0, L"Open"); },
       {}},
      {"list view columns inserted without LVCF_SUBITEM",
       WC_LISTVIEWW,
       LVS_REPORT,
       [](const LocalControl& c) {
         add_column(c, 0, L"Name", false);
         add_column(c, 1, L"Size", false);
         add_row(c, 0, L"Open");
         set_cell(c, 0, 1, L"Large");
       },
       {"Name", "Size", "Open", "Large"}},
      {"list-view texts supplied on demand",
       WC_LISTVIEWW,
       LVS_REPORT,
       [](const LocalControl& c) {
         add_column(c, 0, L"Name");
         add_column(c, 1, L"Size");
         add_row(c, 0, LPSTR_TEXTCALLBACKW);
         set_cell(c, 0, 1, L"Large");
         add_row(c, 1, L"Open");
         set_cell(c, 1, 1, LPSTR_TEXTCALLBACKW);
       },
       {"Name", "Size", "Large", "Open"}},
      {"owner-drawn combo box without strings",
       L"COMBOBOX",
       CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
       [](const LocalControl& c) { c.send(CB_ADDSTRING, 0, 99); },
       {}},
      {"text outside GBK and empty item",
       L"LISTBOX",
       0,
       [](const LocalControl& c) {
         c.send_text(LB_ADDSTRING, 0, L"Open");
         c.send_text(LB_ADDSTRING, 0, L"ภาษาไทย");
         c.send_text(LB_ADDSTRING, 0, L"");
         c.send_text(LB_ADDSTRING, 0, L"保存");
       },
       {"Open", "保存"}},
      {"virtual list view: columns only",
       WC_LISTVIEWW,
       LVS_REPORT | LVS_OWNERDATA,
       [](const LocalControl& c) {
         add_column(c, 0, L"Name");
         c.send(LVM_SETITEMCOUNT, 5, 0);
       },
       {"Name"}},
      {"sorted list view: subitems only",
       WC_LISTVIEWW,
       LVS_REPORT | LVS_SORTASCENDING,
       [](const LocalControl& c) {
         add_column(c, 0, L"Name");
         add_column(c, 1, L"Size");
         add_row(c, 0, L"Open");
         LVITEMW cell{};
         cell.iSubItem = 1;
         cell.pszText = const_cast<wchar_t*>(L"Large");
         c.send(LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&cell));
       },
       {"Name", "Size", "Large"}},
      {"list view in icon view without columns",
       WC_LISTVIEWW,
       LVS_ICON,
       [](const LocalControl& c) { add_row(c, 0, L"Open"); },
       {"Open"}},
      {"plain button: no inner texts", L"BUTTON", 0, [](const LocalControl&) {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LocalControl control(c.window_class, c.style);
    ASSERT_NE(control.get(), nullptr);
    c.fill(control);
    EXPECT_EQ(texts_of(read_inner_texts(control.get())), c.expected);
  }
}

TEST(InnerTextsLocal, ListHeaderIsReadThroughItsListView) {
  LocalControl view(WC_LISTVIEWW, LVS_REPORT);
  add_column(view, 0, L"Name");
  const HWND header = reinterpret_cast<HWND>(view.send(LVM_GETHEADER, 0, 0));
  ASSERT_NE(header, nullptr);
  EXPECT_FALSE(capture::has_inner_texts(header));
  EXPECT_TRUE(read_inner_texts(header).empty());

  LocalControl lone(WC_HEADERW, 0);
  HDITEMW item{};
  item.mask = HDI_TEXT | HDI_WIDTH;
  item.pszText = const_cast<wchar_t*>(L"Date");
  item.cxy = 50;
  lone.send(HDM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  const std::vector<InnerText> items = read_inner_texts(lone.get());
  EXPECT_EQ(texts_of(items), std::vector<std::string>{"Date"});
  ASSERT_TRUE(write_inner_texts(lone.get(), items, {"日期"}));
  EXPECT_EQ(texts_of(read_inner_texts(lone.get())), std::vector<std::string>{"日期"});
}

// More cells than go into one copy to the control's process, with texts
// longer than a copy's buffer, both read and written: every text whole.
// Then put back: a cell its program changed meanwhile keeps its text.
TEST(InnerTextsLocal, LargeListViewIsReadWrittenAndPutBackWhole) {
  LocalControl view(WC_LISTVIEWW, LVS_REPORT);
  add_column(view, 0, L"Name");
  add_column(view, 1, L"Size");
  const std::wstring long_text(300, L'x');
  std::vector<std::string> expected{"Name", "Size"};
  constexpr int kRows = 300;
  for (int row = 0; row < kRows; ++row) {
    const std::wstring name = row == 150 ? long_text : L"Row " + std::to_wstring(row);
    add_row(view, row, name.c_str());
    set_cell(view, row, 1, L"Large");
    expected.push_back(runtime::narrow(name));
    expected.push_back("Large");
  }
  const std::vector<InnerText> items = read_inner_texts(view.get());
  ASSERT_EQ(texts_of(items), expected);

  std::vector<std::string> translations = marked(items, "中");
  translations[2 + 2 * 7] = std::string(400, 'y');
  ASSERT_TRUE(write_inner_texts(view.get(), items, translations));
  const std::vector<InnerText> written = read_inner_texts(view.get());
  ASSERT_EQ(texts_of(written), translations);

  set_cell(view, 9, 1, L"Changed");
  const capture::PutBackReport put = capture::put_back_inner_texts(view.get(), written, expected);
  EXPECT_TRUE(put.answered);
  expected[2 + 2 * 9 + 1] = "Changed";
  EXPECT_EQ(texts_of(read_inner_texts(view.get())), expected);
  ASSERT_EQ(put.outcomes.size(), written.size());
  EXPECT_EQ(put.outcomes[2 + 2 * 9 + 1], capture::PutBack::kChanged);
  EXPECT_EQ(std::count(put.outcomes.begin(), put.outcomes.end(), capture::PutBack::kWritten),
            static_cast<long>(written.size()) - 1);
  // Put back again: every slot already shows what it is to show.
  const capture::PutBackReport again = capture::put_back_inner_texts(view.get(), written, expected);
  EXPECT_EQ(std::count(again.outcomes.begin(), again.outcomes.end(), capture::PutBack::kAlready),
            static_cast<long>(written.size()));
}

TEST(InnerTextsLocal, ControlChangedSinceReadingIsLeftAsFound) {
  struct Case {
    const char* name;
    void (*change)(const LocalControl&);
    std::vector<std::string> after;
  };
  const Case cases[] = {
      {"an item added",
       [](const LocalControl& c) { c.send_text(LB_ADDSTRING, 0, L"Close"); },
       {"Open", "Save", "Close"}},
      {"an item's text changed",
       [](const LocalControl& c) {
         c.send(LB_DELETESTRING, 1, 0);
         c.send_text(LB_INSERTSTRING, 1, L"Print");
       },
       {"Open", "Print"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LocalControl list(L"LISTBOX", 0);
    list.send_text(LB_ADDSTRING, 0, L"Open");
    list.send_text(LB_ADDSTRING, 0, L"Save");
    const std::vector<InnerText> items = read_inner_texts(list.get());
    c.change(list);
    EXPECT_FALSE(write_inner_texts(list.get(), items, {"打开", "保存"}));
    EXPECT_EQ(texts_of(read_inner_texts(list.get())), c.after);
  }
}

TEST(InnerTextsLocal, ListsKeepDataSelectionAndTheirOwnText) {
  struct Case {
    const char* name;
    const wchar_t* window_class;
    DWORD style;
  };
  const Case cases[] = {
      {"sorted list box with several selected", L"LISTBOX", LBS_SORT | LBS_MULTIPLESEL},
      {"extended selection list box", L"LISTBOX", LBS_EXTENDEDSEL},
      {"drop-down combo box with a text of its own", L"COMBOBOX", CBS_DROPDOWN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool combo = std::wstring(c.window_class) == L"COMBOBOX";
    LocalControl list(c.window_class, c.style);
    const wchar_t* texts[] = {L"Apply", L"Close", L"Open", L"Save"};
    for (int i = 0; i < 4; ++i) {
      list.send_text(combo ? CB_ADDSTRING : LB_ADDSTRING, 0, texts[i]);
      list.send(combo ? CB_SETITEMDATA : LB_SETITEMDATA, i, 50 + i);
    }
    if (combo) {
      list.send(CB_SETCURSEL, 2, 0);
      SetWindowTextW(list.get(), L"typed");
    } else {
      list.send(LB_SETSEL, TRUE, 1);
      list.send(LB_SETSEL, TRUE, 3);
    }
    const std::vector<InnerText> items = read_inner_texts(list.get());
    ASSERT_TRUE(write_inner_texts(list.get(), items, {"应用", "关闭", "", "保存"}));
    EXPECT_EQ(texts_of(read_inner_texts(list.get())),
              (std::vector<std::string>{"应用", "关闭", "Open", "保存"}));
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(list.send(combo ? CB_GETITEMDATA : LB_GETITEMDATA, i, 0), 50 + i) << i;
      if (!combo) {
        EXPECT_EQ(list.send(LB_GETSEL, i, 0) > 0, i == 1 || i == 3) << i;
      }
    }
    if (combo) {
      EXPECT_EQ(list.send(CB_GETCURSEL, 0, 0), 2);
      EXPECT_EQ(capture::read_window_text(list.get()), "typed");
    }
  }
}

// A list box on a thread of its own that sleeps through the first item
// inserted once it is told to: the insertion times out, and is still
// handled later.
class SleepyListThread {
 public:
  SleepyListThread() : thread_([this] { run(); }) {
    while (!ready_) Sleep(10);
  }
  ~SleepyListThread() {
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND list() const { return list_; }
  static void sleep_on_next_insert(unsigned ms) { sleep_ms_ = ms; }

 private:
  static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == LB_INSERTSTRING && sleep_ms_ > 0) Sleep(sleep_ms_.exchange(0));
    return CallWindowProcW(system_proc_, window, message, wparam, lparam);
  }
  void run() {
    thread_id_ = GetCurrentThreadId();
    LocalControl control(L"LISTBOX", 0);
    list_ = control.get();
    system_proc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&proc)));
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists
    ready_ = true;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  }

  static inline std::atomic<unsigned> sleep_ms_{0};
  static inline WNDPROC system_proc_ = nullptr;
  std::atomic<bool> ready_{false};
  DWORD thread_id_ = 0;
  HWND list_ = nullptr;
  std::thread thread_;
};

TEST(InnerTextsLocal, ItemReplacementThatTimesOutLeavesNoItemTwice) {
  SleepyListThread sleepy;
  const HWND list = sleepy.list();
  const wchar_t* texts[] = {L"Apply", L"Close", L"Open"};
  for (int i = 0; i < 3; ++i) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[i]));
    SendMessageW(list, LB_SETITEMDATA, i, 50 + i);
  }
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  const std::vector<InnerText> items = read_inner_texts(list);
  ASSERT_EQ(texts_of(items), (std::vector<std::string>{"Apply", "Close", "Open"}));

  SleepyListThread::sleep_on_next_insert(1500);
  // The first insertion is handled late; it is finished then, and the
  // rest is left for another time.
  std::vector<bool> taken;
  EXPECT_FALSE(write_inner_texts(list, items, {"应用", "关闭", "打开"}, 300, &taken));
  EXPECT_EQ(taken, (std::vector<bool>{true, false, false}));
  EXPECT_EQ(texts_of(read_inner_texts(list)), (std::vector<std::string>{"应用", "Close", "Open"}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(SendMessageW(list, LB_GETITEMDATA, i, 0), 50 + i) << i;
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);

  // A harvest that meets the same time-out remembers what it did write, so
  // that the restore puts it back.
  ASSERT_TRUE(write_inner_texts(list, read_inner_texts(list), {"Apply", "Close", "Open"}));
  capture::HarvestHooks hooks;
  hooks.message_timeout_ms = 300;
  hooks.originals = std::make_shared<capture::OriginalTexts>();
  hooks.translate_texts = [](const std::vector<std::string>& texts) { return marked_texts(texts); };
  SleepyListThread::sleep_on_next_insert(1500);
  const capture::HarvestReport harvested = capture::harvest_window(GetParent(list), hooks);
  EXPECT_EQ(harvested.written, 1);
  EXPECT_EQ(harvested.rejected, 2);
  EXPECT_EQ(texts_of(read_inner_texts(list)), (std::vector<std::string>{"中Apply", "Close", "Open"}));
  const capture::RestoreReport restored =
      capture::restore_originals(*hooks.originals, capture::RestoreHooks());
  EXPECT_EQ(restored.restored, 1);
  EXPECT_EQ(texts_of(read_inner_texts(list)), (std::vector<std::string>{"Apply", "Close", "Open"}));
}

}  // namespace
