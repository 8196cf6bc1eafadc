// The interface translation from end to end: moqiao.exe and the foreign
// demo program run as processes of their own, the translation-service
// stand-in answers on the compiled-in port, and the crosshair is dragged with
// the real mouse (SetCursorPos and SendInput). Everything is read back
// through the window system, the screen and the stand-in's request log.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "capture/inner_texts.h"
#include "runtime/codepage.h"
#include "tests/app/program_process.h"
#include "tests/app/window_probe.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"
#include "tests/support/cursor.h"
#include "tests/support/test_environment.h"
#include "tests/support/translate_standin.h"

namespace {

using foreign_demo::DemoProcess;
using test_support::wait_until;

constexpr int kCapturePage = 1;         // "界面提取"

constexpr wchar_t kCapturing[] = L"窗口捕获中！";
constexpr wchar_t kCaptured[] = L"捕获成功！";
constexpr wchar_t kHarvestDone[] = L"翻译已完成！";
constexpr wchar_t kRestored[] = L"已还原原文";
constexpr int kToolsMenu = 1;           // "工具", beside "菜单"
constexpr int kRestoreItem = 0;         // "还原原文"

// The demo's controls in enumeration order with their translations (GBK)
// and the q each request carries in the stand-in's log. The combo box's
// inner edit comes last: every text is read before any is written, so it
// still shows the combo box's English text.
struct Translated {
  const char* before;
  const char* after;
  const char* logged_query;
};
const Translated kDemoTranslations[] = {
    {"Open", "打开", "Open"},           {"Save", "保存", "Save"},
    {"Cancel", "取消", "Cancel"},       {"File name", "文件名", "File name"},
    {"Preview", "预览", "Preview"},     {"Options", "选项", "Options"},
    {"Help", "帮助", "Help"},           {"Advanced", "高级", "Advanced"},
    {"Advanced", "高级", "Advanced"},
};

std::string shell_quoted(const std::string& text) { return "'" + text + "'"; }

std::string screenshot_path(const std::string& name) {
  const std::string dir = test_support::binary_dir_unix() + "/screenshots";
  test_support::run_unix("mkdir -p " + shell_quoted(dir));
  return dir + "/" + name + ".png";
}

// --- the mouse ------------------------------------------------------------

// Where the driver last put the cursor.
POINT g_pointer{};

using test_support::cursor_at;

void move_cursor(POINT to) {
  g_pointer = to;
  SetCursorPos(to.x, to.y);
  wait_until([to] { return cursor_at(to); }, 2000, 5);
}

// Presses or releases the left button at a point. The move to the point goes
// in the same input: under Wine a program whose window the pointer crossed
// may report the crossing late, after the driver's last move, and the button
// would then be taken to happen where the crossing was.
void left_button_at(POINT at, bool down) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT inputs[2]{};
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dx = static_cast<LONG>((at.x * 65536LL + width - 1) / width);
  inputs[0].mi.dy = static_cast<LONG>((at.y * 65536LL + height - 1) / height);
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].type = INPUT_MOUSE;
  inputs[1].mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(2, inputs, sizeof inputs[0]);
}

// Releases the button where the driver put the cursor.
void release_button() { left_button_at(g_pointer, false); }

// --- the screen -------------------------------------------------------------

COLORREF screen_pixel(POINT at) {
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, at.x, at.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

// The pixel once it has kept its colour for a while: a window that has just
// appeared may still be painting.
COLORREF settled_pixel(POINT at) {
  COLORREF colour = screen_pixel(at);
  for (int round = 0; round < 20; ++round) {
    const COLORREF before = colour;
    if (!wait_until([&] { return (colour = screen_pixel(at)) != before; }, 300)) break;
  }
  return colour;
}

// What the frame's R2_NOTXORPEN with its red pen leaves on a pixel.
COLORREF framed(COLORREF original) { return ~(original ^ RGB(255, 0, 0)) & 0x00FFFFFF; }

RECT screen_rect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

// A point one pixel inside the left edge of a window, half way down.
POINT left_edge(HWND window) {
  const RECT r = screen_rect(window);
  return POINT{r.left + 1, (r.top + r.bottom) / 2};
}

// --- the stand-in's request log -------------------------------------------

// The q parameter of a logged request as the log writes it (JSON-escaped).
std::string logged_query(const std::string& line) {
  const std::string start = "\"params\":[[\"q\",\"";
  size_t pos = line.find(start);
  if (pos == std::string::npos) return "<no q>";
  pos += start.size();
  std::string value;
  for (; pos < line.size() && line[pos] != '"'; ++pos) {
    if (line[pos] == '\\' && pos + 1 < line.size()) value += line[pos++];
    value += line[pos];
  }
  return value;
}

bool answered_ok(const std::string& line) {
  return line.find("\"outcome\":\"ok\"") != std::string::npos;
}

// The lines of a logged request's q: the texts it asked for.
std::vector<std::string> queried_texts(const std::string& line) {
  std::vector<std::string> texts;
  const std::string q = test_support::TranslateStandin::logged_param(line, "q");
  for (size_t start = 0; start <= q.size();) {
    const size_t end = std::min(q.find('\n', start), q.size());
    if (end > start) texts.push_back(q.substr(start, end - start));
    start = end + 1;
  }
  return texts;
}

std::string read_file(const std::string& windows_path) {
  std::ifstream in(windows_path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& windows_path, const std::string& content) {
  std::ofstream(windows_path, std::ios::binary | std::ios::trunc) << content;
}

class CaptureEndToEndTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(start_standin());
    demo_ = new DemoProcess;
    ASSERT_TRUE(demo_->start());
    ASSERT_NO_FATAL_FAILURE(start_program());
  }

  static void TearDownTestSuite() {
    if (program_ && program_->handle()) program_->close();
    program_.reset();
    delete demo_;
    demo_ = nullptr;
    standin_.stop();
  }

  // A failed test leaves no button held.
  void TearDown() override { release_button(); }

  static bool start_standin(const std::string& extra_options = "") {
    return standin_.start(extra_options);
  }

  // Starts moqiao.exe. With a fresh memory it runs as a copy in a folder
  // of its own, whose translation memory starts empty: what earlier tests
  // taught it answers for the service only when a test asks for that.
  static void start_program(bool fresh_memory = true) {
    if (fresh_memory || program_dir_.empty()) {
      program_dir_ = test_support::scratch_dir_unix("capture-program");
      ASSERT_TRUE(CopyFileA(test_support::to_windows_path(MOQIAO_EXE_UNIX_PATH).c_str(),
                            test_support::to_windows_path(program_dir_ + "/moqiao.exe").c_str(),
                            FALSE));
    }
    program_ = std::make_unique<probe::ProgramProcess>();
    ASSERT_TRUE(program_->start(program_dir_ + "/moqiao.exe"));
    main_ = program_->main_window();
    // The update window opened at start-up lies over the main window.
    ASSERT_TRUE(program_->close_update_windows());

    HWND tab = program_->tab();
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(program_->select_page(kCapturePage));
    crosshair_ = probe::child_at(tab, L"Static", 10, 44, 60, 60);
    capture_box_ = probe::child_at(tab, L"Edit", 8, 130, 256, 104);
    ASSERT_NE(crosshair_, nullptr);
    ASSERT_NE(capture_box_, nullptr);
    ASSERT_TRUE(wait_until([] { return IsWindowVisible(crosshair_) != FALSE; }, 5000));
    ASSERT_TRUE(wait_until([] { return crosshair_in_box(); }, 5000));
  }

  static void restart_program(bool fresh_memory) {
    if (program_ && program_->handle()) {
      ASSERT_TRUE(program_->close());
    }
    program_.reset();
    ASSERT_NO_FATAL_FAILURE(start_program(fresh_memory));
  }

  // The translation memory of the running copy (Windows path).
  static std::string memory_file() {
    return test_support::to_windows_path(program_dir_ + "/moqiao-memory.txt");
  }

  // The service dies at once: open connections are cut, not answered.
  static void kill_standin() { standin_.kill(); }

  // Moves in steps, as a hand does, so that every window on the way sees
  // it. A move over a window is reported to the system by the program that
  // owns the window, once it takes it in; until then the system may still
  // give the former position. So both programs take in the moves before
  // anything looks at the cursor.
  static void drag_to(POINT to) {
    POINT from = g_pointer;
    constexpr int kSteps = 8;
    for (int i = 1; i <= kSteps; ++i) {
      move_cursor(
          POINT{from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps});
    }
    // Under Wine the pointer itself may also be left behind by a move, and
    // the former position come back a moment later: the last one must hold.
    for (int attempt = 0; attempt < 10; ++attempt) {
      for (HWND window : {demo_->dialog(), main_}) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
      }
      if (!wait_until([to] { return !cursor_at(to); }, 150, 5)) return;
      move_cursor(to);
    }
    ADD_FAILURE() << "the cursor does not stay at " << to.x << "," << to.y;
  }

  static std::wstring title() { return probe::window_text(main_); }
  static std::wstring capture_text() { return probe::window_text(capture_box_); }
  static bool title_becomes(const wchar_t* text, int timeout_ms = 10000) {
    return wait_until([text] { return title() == text; }, timeout_ms);
  }

  // The black crosshair on the box's white ground; a lifted one leaves it white.
  static bool crosshair_in_box() { return probe::screen_shades(screen_rect(crosshair_)).dark > 0; }

  // Presses the left button on the crosshair and waits until the program
  // has started the capture.
  static void press_on_crosshair() {
    const POINT centre = DemoProcess::centre_of(crosshair_);
    drag_to(centre);
    left_button_at(centre, true);
    ASSERT_TRUE(title_becomes(kCapturing, 5000));
    // Lifted into the cursor: the program has handled the press.
    ASSERT_TRUE(wait_until([] { return !crosshair_in_box(); }, 5000));
  }

  // What the log holds right now.
  static std::vector<std::string> log_lines() { return standin_.log_lines(0, 0); }

  // Waits until the preview is shown and asks the service nothing more: a
  // text it has translated once comes from the memory on every later tick,
  // so a release right now is the only thing that makes requests.
  static void wait_for_preview() {
    ASSERT_TRUE(title_becomes(kCaptured, 5000));
    for (int round = 0; round < 10; ++round) {
      const size_t logged = log_lines().size();
      if (!wait_until([logged] { return log_lines().size() > logged; }, 1500)) return;
    }
    FAIL() << "the preview keeps asking the service";
  }

  // Drags the crosshair onto the demo's dialog and releases it there, once
  // the preview has settled; *requests is what the harvest asked the service.
  static void harvest_demo(size_t* requests = nullptr) {
    ASSERT_NO_FATAL_FAILURE(press_on_crosshair());
    drag_to(demo_->dialog_point(foreign_demo::kDialogEmptyPoint));
    ASSERT_NO_FATAL_FAILURE(wait_for_preview());
    const size_t logged_before = log_lines().size();
    release_button();
    ASSERT_TRUE(title_becomes(kHarvestDone, 30000));
    if (requests) *requests = log_lines().size() - logged_before;
  }

  // Restarts the demo with its English texts.
  static void fresh_demo() {
    ASSERT_TRUE(demo_->start());
    ASSERT_EQ(foreign_demo::window_text(demo_->control(0)), "Open");
  }

  // The texts of the demo's controls in enumeration order.
  static std::vector<std::string> demo_texts() {
    std::vector<std::string> texts;
    for (int i = 0; i < static_cast<int>(std::size(foreign_demo::kControls)); ++i) {
      texts.push_back(foreign_demo::window_text(demo_->control(i)));
    }
    const HWND combo_edit =
        FindWindowExW(demo_->control(foreign_demo::kComboIndex), nullptr, L"EDIT", nullptr);
    texts.push_back(foreign_demo::window_text(combo_edit));
    return texts;
  }

  static std::vector<std::string> expected_texts(bool translated) {
    std::vector<std::string> texts;
    for (const Translated& t : kDemoTranslations) texts.push_back(translated ? t.after : t.before);
    return texts;
  }

  // Waits until the harvest's hide and show of a demo window are done. The
  // last question is answered once the demo is back in its message loop:
  // until then it reports the pointer's moves late, and the system takes the
  // cursor to be where it was.
  static bool shown_again(HWND window, int hides) {
    return wait_until(
               [&] { return DemoProcess::hide_count(window) == hides && IsWindowVisible(window); },
               10000) &&
           DemoProcess::hide_count(window) == hides;
  }

  static test_support::TranslateStandin standin_;
  static DemoProcess* demo_;
  static std::unique_ptr<probe::ProgramProcess> program_;
  static std::string program_dir_;  // Unix path of the running copy's folder
  static HWND main_;
  static HWND crosshair_;
  static HWND capture_box_;
};

test_support::TranslateStandin CaptureEndToEndTest::standin_;
DemoProcess* CaptureEndToEndTest::demo_ = nullptr;
std::unique_ptr<probe::ProgramProcess> CaptureEndToEndTest::program_;
std::string CaptureEndToEndTest::program_dir_;
HWND CaptureEndToEndTest::main_ = nullptr;
HWND CaptureEndToEndTest::crosshair_ = nullptr;
HWND CaptureEndToEndTest::capture_box_ = nullptr;

// Must run first: nothing has been captured since the program started.
TEST_F(CaptureEndToEndTest, QuickDragOnTheFirstCaptureTranslatesNothing) {
  press_on_crosshair();
  drag_to(demo_->dialog_point(foreign_demo::kDialogEmptyPoint));
  release_button();

  EXPECT_TRUE(wait_until([] { return crosshair_in_box(); }, 5000));
  // Nothing more happens: no preview, no harvest.
  EXPECT_FALSE(wait_until([] { return title() != kCapturing; }, 2000));
  EXPECT_TRUE(log_lines().empty());
  EXPECT_EQ(demo_texts(), expected_texts(false));
  EXPECT_EQ(DemoProcess::hide_count(demo_->dialog()), 0);
}

TEST_F(CaptureEndToEndTest, HoldingOverAButtonInAGroupBoxPreviewsAndFramesTheButton) {
  fresh_demo();
  const HWND help = demo_->control(foreign_demo::kButtonInGroupIndex);
  const HWND group = demo_->control(foreign_demo::kGroupBoxIndex);
  const POINT help_edge = left_edge(help);
  const POINT group_edge = left_edge(group);
  const COLORREF help_original = settled_pixel(help_edge);
  const COLORREF group_original = settled_pixel(group_edge);
  ASSERT_NE(framed(help_original), help_original);
  const size_t logged_before = log_lines().size();

  press_on_crosshair();
  drag_to(DemoProcess::centre_of(help));
  // Watch both edges over more than two ticks: the frame flashes for 100 ms
  // each second around the picked window only.
  bool help_framed = false;
  bool group_touched = false;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 2600) {
    help_framed = help_framed || screen_pixel(help_edge) == framed(help_original);
    group_touched = group_touched || screen_pixel(group_edge) != group_original;
  }
  EXPECT_TRUE(help_framed);
  EXPECT_FALSE(group_touched);

  EXPECT_EQ(title(), kCaptured);
  // The text under the cursor is the group box's, as the system reports it.
  EXPECT_TRUE(wait_until([] { return capture_text() == L"选项"; }, 5000)) << runtime::narrow(capture_text());
  // Asked once: every later tick finds the text in the memory.
  ASSERT_NO_FATAL_FAILURE(wait_for_preview());
  const std::vector<std::string> previews = log_lines();
  ASSERT_EQ(previews.size(), logged_before + 1);
  EXPECT_EQ(logged_query(previews.back()), "Options");
  EXPECT_TRUE(answered_ok(previews.back()));

  // Released over the button itself: the button has no children, so the
  // harvest only makes it repaint.
  ASSERT_NO_FATAL_FAILURE(wait_for_preview());
  const size_t logged_at_release = log_lines().size();
  release_button();
  EXPECT_TRUE(title_becomes(kHarvestDone));
  EXPECT_TRUE(wait_until([] { return crosshair_in_box(); }, 5000));
  EXPECT_FALSE(wait_until([&] { return log_lines().size() > logged_at_release; }, 1500));
  EXPECT_EQ(demo_texts(), expected_texts(false));
}

TEST_F(CaptureEndToEndTest, ReleasingOverTheDialogTranslatesEveryChildControl) {
  fresh_demo();
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("capture_demo_before")));
  const int hides = DemoProcess::hide_count(demo_->dialog());

  press_on_crosshair();
  drag_to(DemoProcess::centre_of(demo_->control(foreign_demo::kButtonInGroupIndex)));
  drag_to(demo_->dialog_point(foreign_demo::kDialogEmptyPoint));
  ASSERT_NO_FATAL_FAILURE(wait_for_preview());
  const size_t logged_before = log_lines().size();
  release_button();

  ASSERT_TRUE(title_becomes(kHarvestDone));
  EXPECT_EQ(demo_texts(), expected_texts(true));
  EXPECT_EQ(foreign_demo::window_text(demo_->dialog()), runtime::narrow(foreign_demo::kDialogTitle));
  // The last translation stays in view.
  EXPECT_EQ(runtime::narrow(capture_text()), kDemoTranslations[std::size(kDemoTranslations) - 1].after);

  // The controls' texts travel together: each text the memory did not
  // hold (the previews taught it some) is asked for once, in at most two
  // requests.
  const std::vector<std::string> lines = log_lines();
  ASSERT_GE(lines.size(), logged_before + 1);
  EXPECT_LE(lines.size(), logged_before + 2);
  std::multiset<std::string> asked;
  std::set<std::string> previewed;
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    if (i < logged_before) {
      previewed.insert(logged_query(lines[i]));
      continue;
    }
    EXPECT_TRUE(answered_ok(lines[i]));
    for (const std::string& text : queried_texts(lines[i])) asked.insert(text);
  }
  std::multiset<std::string> expected;
  for (const Translated& t : kDemoTranslations) {
    if (!previewed.count(t.logged_query) && !expected.count(t.logged_query)) {
      expected.insert(t.logged_query);
    }
  }
  EXPECT_EQ(asked, expected);

  ASSERT_TRUE(shown_again(demo_->dialog(), hides + 1));
  RedrawWindow(demo_->dialog(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("capture_demo_after")));
}

// What the program has translated once it never asks for again: not when the
// window comes back, not after a restart. Its memory file is the user's to
// correct, and a line it cannot read costs only that line.
TEST_F(CaptureEndToEndTest, TranslationsOnceReceivedCostNoRequests) {
  enum class Change { kNone, kDemoReopened, kProgramRestarted, kTranslationEdited, kGarbageLine };
  struct Case {
    const char* name;
    Change change;
    size_t max_requests;  // from the press to the end of the harvest
  };
  // The first drag asks for the dialog's title (the preview) and for the
  // controls' texts (at most two requests).
  const Case cases[] = {
      {"first drag with an empty memory", Change::kNone, 3},
      {"demo closed and opened again", Change::kDemoReopened, 0},
      {"program restarted", Change::kProgramRestarted, 0},
      {"one translation edited by hand", Change::kTranslationEdited, 0},
      {"a line that cannot be read", Change::kGarbageLine, 0},
  };
  ASSERT_TRUE(start_standin());
  ASSERT_NO_FATAL_FAILURE(restart_program(true));
  std::vector<std::string> expected = expected_texts(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NO_FATAL_FAILURE(fresh_demo());
    if (c.change == Change::kTranslationEdited) {
      std::string memory = read_file(memory_file());
      const std::string saved = u8"\tSave\t保存\r\n";
      const size_t at = memory.find(saved);
      ASSERT_NE(at, std::string::npos) << memory;
      write_file(memory_file(), memory.replace(at, saved.size(), u8"\tSave\t存盘\r\n"));
      expected[1] = "存盘";
    } else if (c.change == Change::kGarbageLine) {
      // Before every translation the file holds, after its header.
      std::string memory = read_file(memory_file());
      const size_t at = memory.find(u8"auto\tzh\t");
      ASSERT_NE(at, std::string::npos) << memory;
      write_file(memory_file(), memory.insert(at, "auto\tzh\tbroken\\q escape\r\n\xff\xfe\tX\r\n"));
    }
    if (c.change >= Change::kProgramRestarted) {
      ASSERT_NO_FATAL_FAILURE(restart_program(false));
    }
    const int hides = DemoProcess::hide_count(demo_->dialog());
    const size_t logged_before = log_lines().size();

    ASSERT_NO_FATAL_FAILURE(harvest_demo());
    EXPECT_EQ(demo_texts(), expected);
    const std::vector<std::string> lines = log_lines();
    EXPECT_LE(lines.size(), logged_before + c.max_requests);
    for (size_t i = logged_before; i < lines.size(); ++i) EXPECT_TRUE(answered_ok(lines[i])) << lines[i];
    ASSERT_TRUE(shown_again(demo_->dialog(), hides + 1));
  }
}

TEST_F(CaptureEndToEndTest, WindowWithoutChildrenIsOnlyRepainted) {
  const HWND notes = demo_->plain_window();
  const int hides = DemoProcess::hide_count(notes);

  press_on_crosshair();
  drag_to(DemoProcess::centre_of(notes));
  ASSERT_NO_FATAL_FAILURE(wait_for_preview());
  const size_t logged_before = log_lines().size();
  release_button();

  EXPECT_TRUE(title_becomes(kHarvestDone));
  EXPECT_TRUE(shown_again(notes, hides + 1));
  EXPECT_EQ(log_lines().size(), logged_before);
  EXPECT_EQ(foreign_demo::window_text(notes), runtime::narrow(foreign_demo::kPlainTitle));
}

TEST_F(CaptureEndToEndTest, WithoutTheServiceEveryControlKeepsItsText) {
  struct Case {
    const char* name;
    bool stop_during_harvest;
  };
  const Case cases[] = {{"service stopped during the harvest", true},
                        {"service not running", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.stop_during_harvest) {
      // Slow answers keep the harvest's request open while the service dies.
      ASSERT_TRUE(start_standin("--latency-ms 1500"));
    } else {
      standin_.stop();
    }
    // Nothing remembered stands in for the service.
    ASSERT_NO_FATAL_FAILURE(restart_program(true));
    fresh_demo();
    const int hides = DemoProcess::hide_count(demo_->dialog());

    press_on_crosshair();
    drag_to(demo_->dialog_point(foreign_demo::kDialogEmptyPoint));
    ASSERT_NO_FATAL_FAILURE(wait_for_preview());
    release_button();
    if (c.stop_during_harvest) {
      // The harvest's request goes out after the release, and its answer
      // takes 1.5 s: the service dies before any answer has left.
      Sleep(800);
      kill_standin();
    }

    EXPECT_TRUE(title_becomes(kHarvestDone, 30000));
    EXPECT_EQ(demo_texts(), expected_texts(false));
    EXPECT_TRUE(shown_again(demo_->dialog(), hides + 1));
  }
}

// The explorer's inner texts, control by control, in the order they are
// read, as the service translates them.
struct InnerTranslated {
  const wchar_t* window_class;
  std::vector<std::string> after;
};
const InnerTranslated kExplorerTranslations[] = {
    {L"ListBox", {"文档", "音乐", "视频", "图片", "桌面", "下载", "收藏夹", "历史记录"}},
    {L"ComboBox", {"小", "中", "大", "自定义"}},
    {WC_TABCONTROLW, {"常规", "安全", "高级"}},
    {WC_LISTVIEWW,
     {"名称", "大小", "类型", "文档", "小", "文本", "图片", "大", "图像", "音乐", "中", "音频"}},
    {WC_TREEVIEWW, {"计算机", "磁盘", "网络", "书签", "桌面", "下载"}},
    {STATUSCLASSNAMEW, {"就绪", "连接"}},
};

// A point of the explorer's client area that no control covers.
constexpr POINT kExplorerEmptyPoint = {330, 330};

std::vector<std::string> inner_texts_of(HWND control) {
  std::vector<std::string> texts;
  for (const capture::InnerText& item : capture::read_inner_texts(control)) texts.push_back(item.text);
  return texts;
}

TEST_F(CaptureEndToEndTest, ReleasingOverTheExplorerTranslatesTheTextsInsideItsControls) {
  fresh_demo();
  ASSERT_TRUE(start_standin());
  const HWND explorer = demo_->explorer();
  ASSERT_EQ(demo_->explorer_english_count(), foreign_demo::kExplorerTextCount);
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("explorer_before")));
  const int hides = DemoProcess::hide_count(explorer);

  press_on_crosshair();
  drag_to(DemoProcess::centre_of(demo_->explorer_control(WC_TREEVIEWW)));
  POINT empty = kExplorerEmptyPoint;
  ClientToScreen(explorer, &empty);
  drag_to(empty);
  ASSERT_NO_FATAL_FAILURE(wait_for_preview());
  release_button();

  ASSERT_TRUE(title_becomes(kHarvestDone, 30000));
  for (const InnerTranslated& control : kExplorerTranslations) {
    SCOPED_TRACE(runtime::narrow(control.window_class));
    EXPECT_EQ(inner_texts_of(demo_->explorer_control(control.window_class)), control.after);
  }
  EXPECT_EQ(demo_->explorer_english_count(), 0);
  // Item data, selections, top item, check boxes, the collapsed branch and
  // the status bar's drawing flags are as the demo made them.
  EXPECT_EQ(demo_->explorer_failed_checks(), 0u);
  EXPECT_EQ(foreign_demo::window_text(explorer), runtime::narrow(foreign_demo::kExplorerTitle));

  ASSERT_TRUE(shown_again(explorer, hides + 1));
  RedrawWindow(explorer, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("explorer_translated")));

  // "还原原文" brings every English text back, and still nothing else moved.
  probe::choose_menu_item(main_, kRestoreItem, kToolsMenu);
  ASSERT_TRUE(title_becomes(kRestored)) << runtime::narrow(title());
  EXPECT_EQ(demo_->explorer_english_count(), foreign_demo::kExplorerTextCount);
  EXPECT_EQ(demo_->explorer_failed_checks(), 0u);
  ASSERT_TRUE(shown_again(explorer, hides + 2));
  RedrawWindow(explorer, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("explorer_restored")));
}

TEST_F(CaptureEndToEndTest, RestoringFromTheToolsMenuBringsBackTheOriginals) {
  ASSERT_TRUE(start_standin());
  ASSERT_TRUE(demo_->start(L"--extra-controls"));
  std::vector<std::wstring> extras;
  for (int i = 0; i < static_cast<int>(std::size(foreign_demo::kExtraControls)); ++i) {
    extras.push_back(foreign_demo::wide_window_text(demo_->extra_control(i)));
    EXPECT_EQ(extras.back(), foreign_demo::kExtraControls[i].text);
  }
  const auto extras_now = [] {
    std::vector<std::wstring> texts;
    for (int i = 0; i < static_cast<int>(std::size(foreign_demo::kExtraControls)); ++i) {
      texts.push_back(foreign_demo::wide_window_text(demo_->extra_control(i)));
    }
    return texts;
  };
  int hides = DemoProcess::hide_count(demo_->dialog());

  ASSERT_NO_FATAL_FAILURE(harvest_demo());
  EXPECT_EQ(demo_texts(), expected_texts(true));
  EXPECT_EQ(extras_now(), extras);  // texts GBK cannot hold are not touched
  ASSERT_TRUE(shown_again(demo_->dialog(), ++hides));
  RedrawWindow(demo_->dialog(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("restore_demo_translated")));

  // The demo's own program changes one text meanwhile: that one is its own.
  constexpr int kChanged = 3;
  ASSERT_TRUE(demo_->change_text(100 + kChanged));
  probe::choose_menu_item(main_, kRestoreItem, kToolsMenu);
  ASSERT_TRUE(title_becomes(kRestored)) << runtime::narrow(title());
  std::vector<std::string> expected = expected_texts(false);
  expected[kChanged] = runtime::narrow(foreign_demo::kChangedText);
  EXPECT_EQ(demo_texts(), expected);
  EXPECT_EQ(extras_now(), extras);
  ASSERT_TRUE(shown_again(demo_->dialog(), ++hides));
  RedrawWindow(demo_->dialog(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("restore_demo_restored")));

  // Dragged onto the window again, it is translated again.
  ASSERT_NO_FATAL_FAILURE(harvest_demo());
  EXPECT_EQ(foreign_demo::window_text(demo_->control(0)), kDemoTranslations[0].after);
  EXPECT_EQ(foreign_demo::window_text(demo_->control(foreign_demo::kComboIndex)),
            kDemoTranslations[foreign_demo::kComboIndex].after);
  EXPECT_EQ(extras_now(), extras);
  ASSERT_TRUE(shown_again(demo_->dialog(), ++hides));
}

TEST_F(CaptureEndToEndTest, ClosingDuringAHarvestEndsTheProgram) {
  // Slow answers: the harvest is far from done when the window closes.
  ASSERT_TRUE(start_standin("--latency-ms 3000"));
  ASSERT_NO_FATAL_FAILURE(restart_program(true));
  fresh_demo();
  press_on_crosshair();
  drag_to(demo_->dialog_point(foreign_demo::kDialogEmptyPoint));
  // The preview's slow answer is in: the harvest's request goes out at
  // the release, and its answer is three seconds away at the close.
  ASSERT_NO_FATAL_FAILURE(wait_for_preview());
  release_button();
  Sleep(1000);

  PostMessageW(main_, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(program_->handle(), 20000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(program_->handle(), &code);
  EXPECT_EQ(code, 0u);

  // All texts travel in one request, whose answer came while the program
  // was ending: it was written, not thrown away.
  EXPECT_EQ(demo_texts(), expected_texts(true));
}


// --- Never harming the program being translated ----------------------------

class CaptureCareTest : public CaptureEndToEndTest {
 protected:
  static void harvest_explorer(int timeout_ms = 30000) {
    ASSERT_NO_FATAL_FAILURE(press_on_crosshair());
    drag_to(DemoProcess::centre_of(demo_->explorer_control(WC_TREEVIEWW)));
    POINT empty = kExplorerEmptyPoint;
    ClientToScreen(demo_->explorer(), &empty);
    drag_to(empty);
    ASSERT_NO_FATAL_FAILURE(wait_for_preview());
    release_button();
    ASSERT_TRUE(title_becomes(kHarvestDone, timeout_ms)) << runtime::narrow(title());
  }
  static void restore_from_menu() {
    probe::choose_menu_item(main_, kRestoreItem, kToolsMenu);
    ASSERT_TRUE(title_becomes(kRestored, 30000)) << runtime::narrow(title());
  }
  static HWND explorer_item(int id) { return GetDlgItem(demo_->explorer(), id); }
};

// The list view sleeps through the harvest's first question, which times
// out and is handled late: the memory it points to is still there, the
// harvest asks again once the list view answers, and nothing is lost.
TEST_F(CaptureCareTest, AListViewBusyOnTheFirstRequestIsWaitedForAndSurvives) {
  ASSERT_TRUE(start_standin());
  ASSERT_TRUE(demo_->start(L"--busy-list-view 7000"));
  ASSERT_NO_FATAL_FAILURE(harvest_explorer(60000));
  for (const InnerTranslated& control : kExplorerTranslations) {
    SCOPED_TRACE(runtime::narrow(control.window_class));
    EXPECT_EQ(inner_texts_of(demo_->explorer_control(control.window_class)), control.after);
  }
  // Still running well after the late question was handled, and whole.
  EXPECT_FALSE(wait_until([] { return !IsWindow(demo_->explorer()); }, 10000));
  EXPECT_EQ(demo_->explorer_failed_checks(), 0u);
}

// Texts supplied on demand stay on demand, owner-drawn lists are not
// touched, and a list view whose columns were inserted without
// LVCF_SUBITEM is translated cell by cell; after the restore too.
TEST_F(CaptureCareTest, ExplorerExtrasAreTranslatedWithCare) {
  ASSERT_TRUE(start_standin());
  ASSERT_TRUE(demo_->start(L"--explorer-extras"));
  const HWND plain_columns = explorer_item(foreign_demo::kPlainColumnsViewId);
  const std::vector<std::string> english = inner_texts_of(plain_columns);
  ASSERT_EQ(english, (std::vector<std::string>{"Name", "Size", "Document", "Large", "Picture",
                                               "Small", "Medium", "Music"}));
  ASSERT_EQ(demo_->explorer_failed_checks(), 0u);

  ASSERT_NO_FATAL_FAILURE(harvest_explorer());
  EXPECT_EQ(inner_texts_of(plain_columns),
            (std::vector<std::string>{"名称", "大小", "文档", "大", "图片", "小", "中", "音乐"}));
  EXPECT_EQ(demo_->explorer_english_count(), 0);
  EXPECT_EQ(demo_->explorer_failed_checks(), 0u);
  RedrawWindow(demo_->explorer(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("explorer_extras_translated")));

  ASSERT_NO_FATAL_FAILURE(restore_from_menu());
  EXPECT_EQ(inner_texts_of(plain_columns), english);
  EXPECT_EQ(demo_->explorer_english_count(), foreign_demo::kExplorerTextCount);
  EXPECT_EQ(demo_->explorer_failed_checks(), 0u);
}

// What a control shows by the time a slow answer comes is what is written
// over: a text its program set meanwhile stays, and a restore asked for
// meanwhile waits for the harvest and then puts back every original.
TEST_F(CaptureCareTest, TextsChangedWhileTheAnswerIsOnItsWayAreKept) {
  enum class Meanwhile { kProgramChangesALabel, kUserRestores };
  struct Case {
    const char* name;
    Meanwhile meanwhile;
  };
  const Case cases[] = {
      {"the demo changes a label", Meanwhile::kProgramChangesALabel},
      {"a restore during a harvest", Meanwhile::kUserRestores},
  };
  constexpr int kLabel = 3;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(start_standin());
    ASSERT_NO_FATAL_FAILURE(restart_program(true));
    ASSERT_NO_FATAL_FAILURE(fresh_demo());
    std::vector<std::string> expected = expected_texts(true);
    if (c.meanwhile == Meanwhile::kUserRestores) {
      // Translated once; the harvest to be restored beneath reads the
      // translations and one text of the demo's own.
      ASSERT_NO_FATAL_FAILURE(harvest_demo());
      ASSERT_EQ(demo_texts(), expected);
      ASSERT_TRUE(demo_->change_text(100 + kLabel));
      expected = expected_texts(false);
    }
    expected[kLabel] = runtime::narrow(foreign_demo::kChangedText);
    ASSERT_TRUE(start_standin("--latency-ms 3000"));

    ASSERT_NO_FATAL_FAILURE(press_on_crosshair());
    drag_to(demo_->dialog_point(foreign_demo::kDialogEmptyPoint));
    ASSERT_NO_FATAL_FAILURE(wait_for_preview());
    release_button();
    // The texts are read at once; their answer is three seconds away.
    Sleep(1000);
    if (c.meanwhile == Meanwhile::kProgramChangesALabel) {
      ASSERT_TRUE(demo_->change_text(100 + kLabel));
      ASSERT_TRUE(title_becomes(kHarvestDone, 30000));
    } else {
      ASSERT_NO_FATAL_FAILURE(restore_from_menu());
    }
    EXPECT_EQ(demo_texts(), expected);
  }
}


}  // namespace
