// The interface translation from end to end: moqiao.exe and the foreign
// demo program run as processes of their own, the translation-service
// stand-in answers on the compiled-in port, and the crosshair is dragged with
// the real mouse (SetCursorPos and SendInput). Everything is read back
// through the window system, the screen and the stand-in's request log.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
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
#include "tests/support/chat_standin.h"
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
constexpr int kFollowItem = 2;          // "跟随翻译", after "设置"
constexpr wchar_t kFollowOff[] = L"跟随翻译已关闭";
constexpr wchar_t kFollowOn[] = L"跟随翻译已开启";

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

bool contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

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

// --- a proxy in the way -----------------------------------------------------

// tinyproxy on a loopback port, logging every request it forwards.
class LoggingProxy {
 public:
  static int port() { return test_support::test_port(97); }

  bool start() {
    const std::string dir = test_support::scratch_dir_unix("logging-proxy");
    log_path_ = dir + "/proxy.log";
    write_file(test_support::to_windows_path(dir + "/tinyproxy.conf"),
               "Port " + std::to_string(port()) + "\nListen 127.0.0.1\nTimeout 30\nLogFile \"" +
                   log_path_ + "\"\nLogLevel Info\nMaxClients 20\nAllow 127.0.0.1\n");
    return process_.start("exec tinyproxy -d -c '" + dir + "/tinyproxy.conf'") &&
           test_support::wait_for_port(port());
  }
  std::string log() const { return read_file(test_support::to_windows_path(log_path_)); }

 private:
  test_support::UnixProcess process_;
  std::string log_path_;
};

// The proxy of the Internet settings (as the control panel sets it), for
// the life of the object.
class SystemProxySetting {
 public:
  SystemProxySetting() = default;
  SystemProxySetting(const SystemProxySetting&) = delete;
  SystemProxySetting& operator=(const SystemProxySetting&) = delete;
  ~SystemProxySetting() {
    if (!key_) return;
    const DWORD off = 0;
    RegSetValueExW(key_, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof off);
    RegDeleteValueW(key_, L"ProxyServer");
    RegCloseKey(key_);
  }

  bool set(const std::string& host_and_port) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER,
                        L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return false;
    }
    const std::wstring server = runtime::widen(host_and_port);
    const DWORD on = 1;
    return RegSetValueExW(key_, L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                          static_cast<DWORD>((server.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS &&
           RegSetValueExW(key_, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                          sizeof on) == ERROR_SUCCESS;
  }

 private:
  HKEY key_ = nullptr;
};

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
  // ini, when given, is the copy's settings file.
  static void start_program(bool fresh_memory = true, const std::string& ini = "") {
    if (fresh_memory || program_dir_.empty()) {
      program_dir_ = test_support::scratch_dir_unix("capture-program");
      ASSERT_TRUE(CopyFileA(test_support::to_windows_path(MOQIAO_EXE_UNIX_PATH).c_str(),
                            test_support::to_windows_path(program_dir_ + "/moqiao.exe").c_str(),
                            FALSE));
    }
    if (!ini.empty()) write_file(test_support::to_windows_path(program_dir_ + "/moqiao.ini"), ini);
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

  static void restart_program(bool fresh_memory, const std::string& ini = "") {
    if (program_ && program_->handle()) {
      ASSERT_TRUE(program_->close());
    }
    program_.reset();
    ASSERT_NO_FATAL_FAILURE(start_program(fresh_memory, ini));
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

// What the program has translated once it never asks for again: not when the
// window comes back, not after a restart. Its memory file is the user's to
// correct, and a line it cannot read costs only that line.
TEST_F(CaptureEndToEndTest, TranslationsOnceReceivedCostNoRequests) {
  enum class Change { kNone, kDemoReopened, kEditedAndRestarted };
  struct Case {
    const char* name;
    Change change;
    size_t max_requests;  // from the release to the end of the harvest
  };
  // The first harvest asks for the controls' texts in at most two requests.
  // The preview asks for the dialog's title once a run: the service gives
  // it back unchanged, which is never written to the file.
  const Case cases[] = {
      {"first drag with an empty memory", Change::kNone, 2},
      {"demo closed and opened again", Change::kDemoReopened, 0},
      {"program restarted after a translation was edited by hand and a line broken",
       Change::kEditedAndRestarted, 0},
  };
  ASSERT_TRUE(start_standin());
  ASSERT_NO_FATAL_FAILURE(restart_program(true));
  std::vector<std::string> expected = expected_texts(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NO_FATAL_FAILURE(fresh_demo());
    if (c.change == Change::kEditedAndRestarted) {
      std::string memory = read_file(memory_file());
      const std::string saved = u8"\tSave\t保存\r\n";
      const size_t at = memory.find(saved);
      ASSERT_NE(at, std::string::npos) << memory;
      memory.replace(at, saved.size(), u8"\tSave\t存盘\r\n");
      expected[1] = "存盘";
      // Before every translation the file holds, after its header.
      memory.insert(memory.find(u8"auto\tzh\t"), "auto\tzh\tbroken\\q escape\r\n\xff\xfe\tX\r\n");
      write_file(memory_file(), memory);
      ASSERT_NO_FATAL_FAILURE(restart_program(false));
    }
    if (c.change == Change::kNone) {
      EXPECT_TRUE(test_support::take_screenshot(screenshot_path("capture_demo_before")));
    }
    const int hides = DemoProcess::hide_count(demo_->dialog());
    const size_t logged_before = log_lines().size();

    ASSERT_NO_FATAL_FAILURE(press_on_crosshair());
    drag_to(demo_->dialog_point(foreign_demo::kDialogEmptyPoint));
    ASSERT_NO_FATAL_FAILURE(wait_for_preview());
    const size_t logged_at_release = log_lines().size();
    release_button();
    ASSERT_TRUE(title_becomes(kHarvestDone, 30000));

    EXPECT_EQ(demo_texts(), expected);
    const std::vector<std::string> lines = log_lines();
    EXPECT_LE(logged_at_release, logged_before + 1);
    EXPECT_LE(lines.size(), logged_at_release + c.max_requests);
    for (size_t i = logged_before; i < lines.size(); ++i) EXPECT_TRUE(answered_ok(lines[i])) << lines[i];
    ASSERT_TRUE(shown_again(demo_->dialog(), hides + 1));
    if (c.change != Change::kNone) continue;

    // The first harvest: every control translated, the dialog's own title
    // kept, the last translation in view, and each text asked for once, in
    // at most two requests.
    EXPECT_EQ(foreign_demo::window_text(demo_->dialog()), runtime::narrow(foreign_demo::kDialogTitle));
    EXPECT_EQ(runtime::narrow(capture_text()), kDemoTranslations[std::size(kDemoTranslations) - 1].after);
    EXPECT_GE(lines.size(), logged_at_release + 1);
    std::multiset<std::string> asked;
    for (size_t i = logged_at_release; i < lines.size(); ++i) {
      for (const std::string& text : queried_texts(lines[i])) asked.insert(text);
    }
    std::multiset<std::string> once;
    for (const Translated& t : kDemoTranslations) {
      if (!once.count(t.logged_query)) once.insert(t.logged_query);
    }
    EXPECT_EQ(asked, once);
    RedrawWindow(demo_->dialog(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(test_support::take_screenshot(screenshot_path("capture_demo_after")));
  }
}

// The memory learns whole translations only. The preview translates the
// first line of a text of two; the harvest then translates both. A text of
// English words and GBK punctuation goes with the English texts, not with
// the Chinese label beside it, which keeps its text.
TEST_F(CaptureEndToEndTest, TheMemoryLearnsOnlyWholeTranslations) {
  struct Expected {
    const wchar_t* before;
    const char* after;
  };
  const Expected controls[] = {
      {foreign_demo::kMemoryControls[0].text, "打印\r\n预览"},
      {foreign_demo::kMemoryControls[1].text, "文件名："},
      {foreign_demo::kMemoryControls[2].text, "选项…"},
  };
  const auto control = [](int i) { return GetDlgItem(demo_->dialog(), foreign_demo::kMemoryControlFirstId + i); };
  ASSERT_TRUE(start_standin());
  ASSERT_NO_FATAL_FAILURE(restart_program(true));
  ASSERT_TRUE(demo_->start(L"--memory-controls"));
  for (int i = 0; i < static_cast<int>(std::size(controls)); ++i) {
    ASSERT_EQ(foreign_demo::wide_window_text(control(i)), controls[i].before);
  }

  // Preview ticks over the label of two lines: each line is asked for on
  // its own, the box shows both translated, and no tick teaches the memory.
  ASSERT_NO_FATAL_FAILURE(press_on_crosshair());
  drag_to(DemoProcess::centre_of(control(0)));
  const auto previewed = [](const char* line) {
    size_t count = 0;
    for (const std::string& logged : log_lines()) count += logged_query(logged) == line;
    return count;
  };
  EXPECT_TRUE(wait_until([&] { return previewed("Print") == 1 && previewed("Preview") == 1; }, 6000));
  EXPECT_TRUE(wait_until([] { return runtime::narrow(capture_text()) == "打印\r\n预览"; }, 3000))
      << runtime::narrow(capture_text());
  EXPECT_EQ(read_file(memory_file()).find(u8"\t打印"), std::string::npos);
  drag_to(demo_->dialog_point(foreign_demo::kDialogEmptyPoint));
  ASSERT_NO_FATAL_FAILURE(wait_for_preview());
  release_button();
  ASSERT_TRUE(title_becomes(kHarvestDone, 30000));

  EXPECT_EQ(demo_texts(), expected_texts(true));
  for (int i = 0; i < static_cast<int>(std::size(controls)); ++i) {
    EXPECT_EQ(foreign_demo::window_text(control(i)), controls[i].after) << i;
  }
  // The file holds each line's whole translation, and nothing for the
  // Chinese label.
  const std::string memory = read_file(memory_file());
  EXPECT_NE(memory.find(u8"auto\tzh\tPrint\t打印\r\n"), std::string::npos) << memory;
  EXPECT_EQ(memory.find(u8"\t文件名："), std::string::npos) << memory;
  ASSERT_TRUE(shown_again(demo_->dialog(), 1));
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

// What the service does decides what is written: passing faults cost
// nothing, and when texts stay untranslated the controls keep their texts
// and the box under the crosshair says how many and why.
TEST_F(CaptureEndToEndTest, WhatTheServiceAnswersDecidesWhatIsWritten) {
  struct Case {
    const char* name;
    const char* service;   // the stand-in's options from the release on; null: stopped
    bool proxy;            // Internet settings name a logging proxy
    bool kill_after_post;  // the service dies once the harvest's request is in
    const char* note;      // shown in the box after the harvest; null: all translated
  };
  // The note counts distinct texts: the combo box and its edit show one.
  const Case cases[] = {
      {"54005 once, then one answer lost",
       "--force-error 54005 --force-error-count 1 --drop-answer-count 1", false, false, nullptr},
      {"behind a proxy set in the Internet settings", "", true, false, nullptr},
      {"every request refused", "--force-error 54004", false, false,
       "8 条未能翻译：账户余额不足，请前往管理控制台为账户充值"},
      {"service stopped during the harvest", "--never-answer", false, true,
       "8 条未能翻译：翻译服务没有应答"},
      {"service not running", nullptr, false, false, "8 条未能翻译：翻译服务没有应答"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoggingProxy proxy;
    SystemProxySetting setting;
    if (c.proxy) {
      ASSERT_TRUE(proxy.start()) << "tinyproxy (Debian package tinyproxy-bin) is needed";
      ASSERT_TRUE(setting.set("127.0.0.1:" + std::to_string(LoggingProxy::port())));
    }
    // The preview settles with a working service; nothing remembered
    // stands in for the service afterwards.
    ASSERT_TRUE(start_standin());
    ASSERT_NO_FATAL_FAILURE(restart_program(true));
    fresh_demo();
    const int hides = DemoProcess::hide_count(demo_->dialog());
    press_on_crosshair();
    drag_to(demo_->dialog_point(foreign_demo::kDialogEmptyPoint));
    ASSERT_NO_FATAL_FAILURE(wait_for_preview());
    if (!c.service) {
      standin_.stop();
    } else if (*c.service) {
      ASSERT_TRUE(start_standin(c.service));
    }
    release_button();
    if (c.kill_after_post) {
      // Logged as it is read, never answered: the request is surely out.
      ASSERT_TRUE(wait_until(
          [] {
            const std::vector<std::string> lines = log_lines();
            return !lines.empty() && lines.back().find("\"method\":\"POST\"") != std::string::npos;
          },
          10000));
      kill_standin();
    }

    EXPECT_TRUE(title_becomes(kHarvestDone, 40000));
    EXPECT_EQ(demo_texts(), expected_texts(c.note == nullptr));
    EXPECT_EQ(runtime::narrow(capture_text()),
              c.note ? c.note : kDemoTranslations[std::size(kDemoTranslations) - 1].after);
    if (c.service && std::string(c.service) == "--force-error 54004") {
      EXPECT_TRUE(test_support::take_screenshot(screenshot_path("capture_untranslated_note")));
    }
    if (c.proxy) {
      const std::string post = "POST http://127.0.0.1:" +
                               std::to_string(test_support::TranslateStandin::port()) +
                               "/api/trans/vip/translate";
      EXPECT_NE(proxy.log().find(post), std::string::npos) << proxy.log();
    }
    EXPECT_TRUE(shown_again(demo_->dialog(), hides + 1));
  }
}

// The demo's row of interface texts through a service that mangles
// placeholders and keeps the words it does not know: what each control
// shows after the harvest, and what went to the service for it (nullptr:
// nothing, its text is data).
struct InterfaceTextRow {
  const char* before;
  const char* after;
  const char* logged_query;
};
const InterfaceTextRow kInterfaceTextRows[] = {
    {"&Open", "打开(&O)", "Open"},
    {"%d files", "%d 文件", "QZX0 files"},
    {"readme.txt", "readme.txt", nullptr},
    {"C:\\Program Files\\Demo", "C:\\Program Files\\Demo", nullptr},
};

TEST_F(CaptureEndToEndTest, InterfaceTextsKeepAccessKeysPlaceholdersAndData) {
  ASSERT_TRUE(start_standin("--mangle-placeholders"));
  ASSERT_NO_FATAL_FAILURE(restart_program(true));
  ASSERT_TRUE(demo_->start(L"--interface-texts"));
  const auto row_text = [](size_t i) {
    return foreign_demo::window_text(
        GetDlgItem(demo_->dialog(), foreign_demo::kInterfaceTextFirstId + static_cast<int>(i)));
  };
  for (size_t i = 0; i < std::size(kInterfaceTextRows); ++i) {
    ASSERT_EQ(row_text(i), kInterfaceTextRows[i].before);
  }
  const int hides = DemoProcess::hide_count(demo_->dialog());

  ASSERT_NO_FATAL_FAILURE(harvest_demo());
  std::set<std::string> asked;
  for (const std::string& line : log_lines()) {
    EXPECT_TRUE(answered_ok(line)) << line;
    for (const std::string& text : queried_texts(line)) asked.insert(text);
  }
  for (size_t i = 0; i < std::size(kInterfaceTextRows); ++i) {
    const InterfaceTextRow& row = kInterfaceTextRows[i];
    SCOPED_TRACE(row.before);
    EXPECT_EQ(row_text(i), row.after);
    if (row.logged_query) {
      EXPECT_EQ(asked.count(row.logged_query), 1u);
    }
  }
  // Only cores went out: no access key, no placeholder, no file name or path.
  for (const std::string& text : asked) {
    SCOPED_TRACE(text);
    for (const char* kept_back : {"&", "%", "readme", "Program Files"}) {
      EXPECT_EQ(text.find(kept_back), std::string::npos) << kept_back;
    }
  }
  EXPECT_EQ(demo_texts(), expected_texts(true));
  ASSERT_TRUE(shown_again(demo_->dialog(), hides + 1));
  RedrawWindow(demo_->dialog(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("interface_texts_translated")));
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

// The settings file choosing the chat engine, pointed at the chat stand-in
// with its key written by hand, as an administrator would.
std::string chat_engine_ini() {
  using test_support::ChatStandin;
  return "[translate]\r\nEngine=chat\r\n[chat]\r\nBaseUrl=" + ChatStandin::base_url() +
         "\r\nModel=" + ChatStandin::kModel + "\r\nApiKey=" + ChatStandin::kKey +
         "\r\nRequestsPerSecond=10\r\n";
}

// The text of a visible message box of the process with this caption; ""
// when none turned up. The box is closed.
std::wstring take_message_box(DWORD process_id, const std::wstring& caption) {
  HWND box = nullptr;
  wait_until(
      [&] {
        for (HWND w : probe::top_level_windows(process_id, L"#32770")) {
          if (IsWindowVisible(w) && probe::window_text(w) == caption) box = w;
        }
        return box != nullptr;
      },
      10000);
  if (!box) return L"";
  const std::wstring text = probe::window_text(GetDlgItem(box, 0xFFFF));
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  wait_until([&] { return !IsWindow(box); }, 10000);
  return text;
}

// With the chat engine chosen, the preview and the harvest go to the chat
// endpoint, however its model writes the answer; the service gets nothing.
TEST_F(CaptureEndToEndTest, WithTheChatEngineADragTranslatesInEveryAnswerShape) {
  struct Case {
    const char* name;
    std::string options;
    bool translated;
    const wchar_t* notice;  // part of the notice shown, or null for none
  };
  const Case cases[] = {
      {"plain", "--shape plain", true, nullptr},
      {"fenced", "--shape fenced", true, nullptr},
      {"<think> first", "--shape think", true, nullptr},
      {"prose around", "--shape prose", true, nullptr},
      {"an element missing", "--drop-element", true, nullptr},
      {"a wrong key", "--api-key sk-not-the-users-key", false, L"Incorrect API key provided: sk-***2026."},
  };
  ASSERT_TRUE(start_standin());
  test_support::ChatStandin chat;
  const auto chat_log = [&chat] { return chat.log_lines(0, 0); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(chat.start(c.options));
    ASSERT_NO_FATAL_FAILURE(restart_program(true, chat_engine_ini()));
    ASSERT_NO_FATAL_FAILURE(fresh_demo());
    const int hides = DemoProcess::hide_count(demo_->dialog());
    const size_t service_before = log_lines().size();

    ASSERT_NO_FATAL_FAILURE(press_on_crosshair());
    drag_to(demo_->dialog_point(foreign_demo::kDialogEmptyPoint));
    ASSERT_TRUE(title_becomes(kCaptured, 5000));
    // The preview asked the endpoint; once the answer is in the memory (or
    // the endpoint refused the key) the ticks ask nothing more.
    ASSERT_TRUE(wait_until([&] { return !chat_log().empty(); }, 5000));
    for (size_t logged = 0, round = 0; logged != chat_log().size(); ++round) {
      ASSERT_LT(round, 10u) << "the preview keeps asking the endpoint";
      logged = chat_log().size();
      wait_until([&] { return chat_log().size() > logged; }, 1500);
    }
    const size_t chat_before = chat_log().size();
    release_button();
    ASSERT_TRUE(title_becomes(kHarvestDone, 30000));
    EXPECT_EQ(demo_texts(), expected_texts(c.translated));

    const std::vector<std::string> lines = chat_log();
    EXPECT_GT(lines.size(), chat_before);
    for (const std::string& line : lines) {
      EXPECT_EQ(test_support::TranslateStandin::logged_param(line, "model"), test_support::ChatStandin::kModel);
      EXPECT_EQ(test_support::TranslateStandin::logged_param(line, "authorization"),
                std::string("Bearer ") + test_support::ChatStandin::kKey);
    }
    EXPECT_EQ(log_lines().size(), service_before);
    if (c.notice) {
      EXPECT_TRUE(contains(take_message_box(program_->id(), L"翻译引擎"), c.notice));
    }
    ASSERT_TRUE(shown_again(demo_->dialog(), hides + 1));
    if (c.translated) {
      RedrawWindow(demo_->dialog(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      EXPECT_TRUE(test_support::take_screenshot(screenshot_path("chat_demo_translated")));
    }
  }
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

  // All texts travel in one request, which the ending program cut off:
  // no control was written, none half.
  EXPECT_EQ(demo_texts(), expected_texts(false));
}


// --- following ---------------------------------------------------------------

// The transfer window's texts in creation order, and as translated.
const char* const kTransferTranslated[] = {"进度", "暂停", "停止", "详细信息"};
constexpr char kFollowChangedTranslated[] = "就绪";

HWND transfer_window() { return FindWindowW(foreign_demo::kTransferClass, nullptr); }

std::vector<std::string> transfer_texts() {
  std::vector<std::string> texts;
  const HWND window = transfer_window();
  for (int i = 0; i < static_cast<int>(std::size(foreign_demo::kTransferControls)); ++i) {
    texts.push_back(window ? foreign_demo::window_text(GetDlgItem(window, foreign_demo::kTransferFirstId + i))
                           : std::string());
  }
  return texts;
}

bool transfer_translated() {
  return transfer_texts() == std::vector<std::string>(std::begin(kTransferTranslated),
                                                      std::end(kTransferTranslated));
}

bool transfer_english() {
  std::vector<std::string> english;
  for (const foreign_demo::ControlLayout& control : foreign_demo::kTransferControls) {
    english.push_back(runtime::narrow(control.text));
  }
  return transfer_texts() == english;
}

LRESULT tell_demo(HWND dialog, UINT message, WPARAM wparam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(dialog, message, wparam, 0, SMTO_NORMAL, 5000, &result);
  return static_cast<LRESULT>(result);
}

// Ctrl+Alt and a letter, pressed and let go, as the keyboard sends them.
void press_hotkey(WORD letter) {
  const WORD keys[] = {VK_CONTROL, VK_MENU, letter};
  INPUT inputs[6]{};
  for (int i = 0; i < 3; ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wVk = keys[i];
    inputs[5 - i].type = INPUT_KEYBOARD;
    inputs[5 - i].ki.wVk = keys[i];
    inputs[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  SendInput(6, inputs, sizeof inputs[0]);
}

// After one drag onto the demo, what the demo shows later is translated
// without another drag, through the memory where it can be; nothing once
// following is switched off.
TEST_F(CaptureEndToEndTest, FollowingTranslatesWhatTheProgramShowsLater) {
  enum class Step { kOpenAndChangeLabel, kCloseAndOpen, kSwitchOffCloseAndOpen };
  struct Case {
    const char* name;
    Step step;
    int within_ms;        // Chinese within this long; English for this long when not translated
    size_t max_requests;  // from the step to the check
    bool translated;
  };
  const Case cases[] = {
      {"second window opened and a label changed", Step::kOpenAndChangeLabel, 2000, 1, true},
      {"second window closed and opened again", Step::kCloseAndOpen, 500, 0, true},
      {"following switched off: a new window stays English", Step::kSwitchOffCloseAndOpen, 2000, 0,
       false},
  };
  ASSERT_TRUE(start_standin());
  ASSERT_NO_FATAL_FAILURE(restart_program(true));
  ASSERT_NO_FATAL_FAILURE(fresh_demo());
  ASSERT_NO_FATAL_FAILURE(harvest_demo());
  ASSERT_EQ(demo_texts(), expected_texts(true));
  const HWND label = demo_->control(foreign_demo::kFollowChangedIndex);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.step != Step::kOpenAndChangeLabel) {
      tell_demo(demo_->dialog(), foreign_demo::kCloseTransferMessage);
      ASSERT_TRUE(wait_until([] { return transfer_window() == nullptr; }, 5000));
    }
    if (c.step == Step::kSwitchOffCloseAndOpen) {
      probe::choose_menu_item(main_, kFollowItem, kToolsMenu);
      ASSERT_TRUE(title_becomes(kFollowOff)) << runtime::narrow(title());
    }
    const size_t logged_before = log_lines().size();
    const DWORD start = GetTickCount();
    ASSERT_TRUE(tell_demo(demo_->dialog(), foreign_demo::kOpenTransferMessage,
                          c.step == Step::kOpenAndChangeLabel));
    if (c.translated) {
      const bool done = wait_until(
          [&] {
            return transfer_translated() &&
                   foreign_demo::window_text(label) == kFollowChangedTranslated;
          },
          c.within_ms + 3000, 5);
      const DWORD took = GetTickCount() - start;
      EXPECT_TRUE(done) << foreign_demo::window_text(label);
      EXPECT_LE(took, static_cast<DWORD>(c.within_ms)) << "ms until translated";
      if (c.step == Step::kOpenAndChangeLabel) {
        EXPECT_TRUE(test_support::take_screenshot(screenshot_path("follow_second_window")));
      }
    } else {
      EXPECT_FALSE(wait_until([] { return !transfer_english(); }, c.within_ms));
    }
    const std::vector<std::string> lines = log_lines();
    std::string asked;
    for (size_t i = logged_before; i < lines.size(); ++i) {
      EXPECT_TRUE(answered_ok(lines[i])) << lines[i];
      asked += logged_query(lines[i]) + " | ";
    }
    EXPECT_LE(lines.size(), logged_before + c.max_requests) << asked;
  }
  probe::choose_menu_item(main_, kFollowItem, kToolsMenu);
  EXPECT_TRUE(title_becomes(kFollowOn)) << runtime::narrow(title());
}

// A counter costs one memory entry and one request at most, and each of its
// texts is shown translated with its own number.
TEST_F(CaptureEndToEndTest, ACounterIsTranslatedThroughOneTemplatedEntry) {
  ASSERT_TRUE(start_standin());
  ASSERT_NO_FATAL_FAILURE(restart_program(true));
  ASSERT_NO_FATAL_FAILURE(fresh_demo());
  ASSERT_TRUE(tell_demo(demo_->dialog(), foreign_demo::kOpenTransferMessage));
  ASSERT_TRUE(wait_until([] { return transfer_window() != nullptr; }, 5000));
  // Dragged onto the transfer window itself.
  ASSERT_NO_FATAL_FAILURE(press_on_crosshair());
  drag_to(POINT{foreign_demo::kTransferLeft + 280, foreign_demo::kTransferTop + 60});
  ASSERT_NO_FATAL_FAILURE(wait_for_preview());
  release_button();
  ASSERT_TRUE(title_becomes(kHarvestDone, 30000));
  ASSERT_TRUE(wait_until([] { return transfer_translated(); }, 5000));
  const HWND counter =
      GetDlgItem(transfer_window(), foreign_demo::kTransferFirstId + foreign_demo::kCounterIndex);

  const size_t logged_before = log_lines().size();
  tell_demo(demo_->dialog(), foreign_demo::kCounterMessage, 1);
  std::set<int> translated;
  std::set<std::string> wrong;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 10000) {
    // One message: a length asked first may be the former text's.
    const std::string text = runtime::narrow(foreign_demo::wide_window_text(counter));
    const int ticks = static_cast<int>(
        tell_demo(demo_->dialog(), foreign_demo::kCounterMessage, foreign_demo::kCounterRead));
    if (text.rfind("滴答 ", 0) == 0) {
      const int number = std::atoi(text.c_str() + std::strlen("滴答 "));
      // Its own number: the tick it translates, never another.
      if (number < 1 || number > ticks || "滴答 " + std::to_string(number) != text) wrong.insert(text);
      translated.insert(number);
    } else if (text.rfind("Tick ", 0) != 0 && text != kTransferTranslated[foreign_demo::kCounterIndex]) {
      wrong.insert(text);
    }
    Sleep(10);
  }
  const int ticks = static_cast<int>(tell_demo(demo_->dialog(), foreign_demo::kCounterMessage, 0));
  std::string wrong_texts;
  for (const std::string& text : wrong) wrong_texts += "[" + text + "] ";
  EXPECT_TRUE(wrong.empty()) << wrong_texts;
  EXPECT_GE(ticks, 25);
  // Nearly every tick, once the template is known.
  EXPECT_GE(static_cast<int>(translated.size()), ticks * 2 / 3) << translated.size() << " of " << ticks;
  EXPECT_LE(log_lines().size(), logged_before + 1);
  const std::string memory = read_file(memory_file());
  size_t entries = 0;
  for (size_t at = memory.find("Tick"); at != std::string::npos; at = memory.find("Tick", at + 1)) {
    ++entries;
  }
  EXPECT_EQ(entries, 1u) << memory;
  EXPECT_NE(memory.find(u8"\tTick {0}\t滴答 {0}"), std::string::npos) << memory;
}

// Ctrl+Alt+R puts every English text back (following stops); with the
// pointer over the demo, Ctrl+Alt+T translates it again from the memory.
TEST_F(CaptureEndToEndTest, HotkeysRestoreAndTranslateTheWindowUnderThePointer) {
  ASSERT_TRUE(start_standin());
  ASSERT_NO_FATAL_FAILURE(restart_program(true));
  ASSERT_NO_FATAL_FAILURE(fresh_demo());
  ASSERT_NO_FATAL_FAILURE(harvest_demo());
  ASSERT_TRUE(tell_demo(demo_->dialog(), foreign_demo::kOpenTransferMessage));
  ASSERT_TRUE(wait_until([] { return transfer_translated(); }, 3000));

  press_hotkey('R');
  EXPECT_TRUE(title_becomes(kRestored)) << runtime::narrow(title());
  EXPECT_TRUE(wait_until([] { return demo_texts() == expected_texts(false); }, 5000));
  EXPECT_TRUE(wait_until([] { return transfer_english(); }, 5000));
  // Not followed any more: a window opened now stays English.
  tell_demo(demo_->dialog(), foreign_demo::kCloseTransferMessage);
  tell_demo(demo_->dialog(), foreign_demo::kOpenTransferMessage);
  EXPECT_FALSE(wait_until([] { return !transfer_english(); }, 1500));

  const size_t logged_before = log_lines().size();
  drag_to(demo_->dialog_point(foreign_demo::kDialogEmptyPoint));
  press_hotkey('T');
  EXPECT_TRUE(title_becomes(kHarvestDone)) << runtime::narrow(title());
  EXPECT_TRUE(wait_until([] { return demo_texts() == expected_texts(true); }, 5000));
  EXPECT_EQ(log_lines().size(), logged_before);
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
    if (c.meanwhile == Meanwhile::kUserRestores) {
      // And they stay restored: the harvest it waited for leaves nothing
      // behind that would translate them again, and the title tells of the
      // restore, the last thing asked for.
      EXPECT_FALSE(wait_until([&] { return demo_texts() != expected; }, 3000));
      EXPECT_EQ(title(), kRestored);
    }
  }
}


}  // namespace
