// The update window of moqiao.exe, started as its own process from a copy in
// a scratch folder, against the update stand-in on the compiled-in update
// port: the version check at start-up and from the menu, the download into
// "gx" next to the program with its progress and status, failures, a
// resumed download, a long download during which the window keeps
// answering and that closing the window ends, and the exit during one.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/codepage.h"
#include "runtime/system.h"
#include "tests/app/window_probe.h"
#include "tests/net/download_peers.h"
#include "tests/support/test_environment.h"
#include "tests/update/update_peers.h"

namespace {

using test_support::to_windows_path;
using test_support::wait_until;

constexpr wchar_t kMainTitle[] = L"墨桥窗口翻译";
constexpr wchar_t kUpdateClass[] = L"MoqiaoForm.update_window";
constexpr size_t kArchiveSize = 1234567;  // 1.18 MB
constexpr size_t kPartSize = 50000;
constexpr std::int64_t kLongArchiveSize = 200LL * 1024 * 1024;

int update_port() { return test_support::test_port(91); }  // the compiled-in update host

std::string screenshot_path(const std::string& name) {
  const std::string dir = test_support::binary_dir_unix() + "/screenshots";
  test_support::run_unix("mkdir -p '" + dir + "'");
  return dir + "/" + name + ".png";
}

// The controls of one update window, found by their places in the layout.
struct UpdateControls {
  explicit UpdateControls(HWND window)
      : window(window),
        own_version(probe::child_at(window, L"Static", 107, 24, 64, 24)),
        server_version(probe::child_at(window, L"Static", 107, 56, 72, 24)),
        status(probe::child_at(window, L"Static", 24, 88, 32, 16)),
        progress_text(probe::child_at(window, L"Static", 58, 88, 590, 16)),
        bar(probe::child_at(window, PROGRESS_CLASSW, 16, 104, 641, 16)),
        download(probe::child_at(window, L"Button", 80, 136, 120, 40)),
        cloud(probe::child_at(window, L"Button", 480, 136, 120, 40)) {}

  bool complete() const {
    return own_version && server_version && status && progress_text && bar && download && cloud;
  }
  bool buttons_shown() const {
    return IsWindowVisible(download) && IsWindowVisible(cloud);
  }
  bool buttons_hidden() const {
    return !IsWindowVisible(download) && !IsWindowVisible(cloud);
  }
  // A round trip through the window's thread: true once it has finished
  // what it was doing (the check runs inside the window's creation; only
  // its new-version notice lets messages through earlier).
  bool settled() const {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result) != 0;
  }
  // The text of a control as its thread answers within timeout_ms: false
  // when the thread does not answer in time (busy, or "not responding").
  static bool answered_text(HWND control, unsigned timeout_ms, std::wstring* text) {
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, timeout_ms, &copied)) {
      return false;
    }
    *text = buffer;
    return true;
  }
  int bar_position() const { return static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)); }
  void click_download() const { PostMessageW(download, BM_CLICK, 0, 0); }
  bool shows_status(const wchar_t* text, int timeout_ms) const {
    return wait_until([&] { return probe::window_text(status) == text; }, timeout_ms, 100);
  }

  HWND window;
  HWND own_version, server_version, status, progress_text, bar, download, cloud;
};

std::wstring wide(const std::string& gbk) { return runtime::widen(gbk); }

int occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class UpdateWindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    archive_ = new std::string(test_support::update_archive_bytes(kArchiveSize));
    standin_ = new test_support::UpdateStandin;
    ASSERT_TRUE(standin_->start(update_port(), "1.1", *archive_));

    // A copy of the program in a folder of its own, so that its "gx" lands there.
    program_dir_unix_ = new std::string(test_support::scratch_dir_unix("update-window"));
    ASSERT_EQ(test_support::run_unix("cp '" MOQIAO_EXE_UNIX_PATH "' '" + *program_dir_unix_ +
                                     "/moqiao.exe'"),
              0);
    const std::string folder = to_windows_path(*program_dir_unix_);
    std::wstring command = L"\"" + wide(folder) + L"\\moqiao.exe\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               wide(folder).c_str(), &startup, &process_));
    ASSERT_TRUE(wait_until(
        [] {
          for (HWND w : probe::top_level_windows(process_.dwProcessId)) {
            if (probe::window_text(w) == kMainTitle) main_ = w;
          }
          return main_ != nullptr;
        },
        20000));
  }

  static void TearDownTestSuite() {
    close_file_manager_windows();
    if (process_.hProcess) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 1);
      }
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
    delete standin_;
    delete archive_;
    delete program_dir_unix_;
  }

  static std::string gx_path() { return to_windows_path(*program_dir_unix_) + "\\gx"; }
  static std::string archive_path() { return gx_path() + "\\墨桥翻译.rar"; }
  static std::string marker_path() { return gx_path() + "\\hygxb.rar"; }
  static std::string archive_on_disk() {
    runtime::Bytes content;
    runtime::read_file(archive_path(), &content);
    return content;
  }

  static std::vector<HWND> update_windows() {
    return probe::top_level_windows(process_.dwProcessId, kUpdateClass);
  }

  // Opens an update window from the menu and waits until its check is done:
  // the download offered, or (when no offer is expected) the window's thread
  // free again.
  static HWND open_update_window_from_menu(bool offer_expected) {
    const std::vector<HWND> before = update_windows();
    probe::choose_menu_item(main_, 1);
    HWND opened = nullptr;
    wait_until([&] {
      for (HWND w : update_windows()) {
        if (std::find(before.begin(), before.end(), w) == before.end()) opened = w;
      }
      return opened != nullptr;
    }, 15000);
    if (!opened) return nullptr;
    const UpdateControls controls(opened);
    if (offer_expected) {
      wait_until([&] { return controls.buttons_shown(); }, 20000);
    } else {
      controls.settled();
    }
    return opened;
  }

  static void close_window(HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(wait_until([window] { return !IsWindow(window); }, 10000));
  }

  // Visible top-level windows of other processes showing the download
  // folder: the file manager the program asked the shell for.
  static std::vector<HWND> file_manager_windows() {
    struct Search {
      std::vector<HWND> found;
    } search;
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner != GetCurrentProcessId() && owner != process_.dwProcessId &&
              IsWindowVisible(window) && probe::window_text(window).find(L"gx") != std::wstring::npos) {
            reinterpret_cast<Search*>(parameter)->found.push_back(window);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // Wine's file manager is a window of its own process (class
  // ExplorerWClass, titled with the folder's name); it closes on request.
  static void close_file_manager_windows() {
    for (HWND w : file_manager_windows()) PostMessageW(w, WM_CLOSE, 0, 0);
    wait_until([] { return file_manager_windows().empty(); }, 10000);
  }

  // Expects the file manager to come up exactly once for the download
  // folder, then closes it so that it covers nothing of later tests.
  static void expect_download_folder_opened_once() {
    EXPECT_TRUE(wait_until([] { return !file_manager_windows().empty(); }, 15000));
    // A second window would come right after the first, if it came at all.
    wait_until([] { return file_manager_windows().size() > 1; }, 1500);
    EXPECT_EQ(file_manager_windows().size(), 1u);
    close_file_manager_windows();
    EXPECT_TRUE(file_manager_windows().empty());
  }

  static std::string* archive_;
  static std::string* program_dir_unix_;
  static test_support::UpdateStandin* standin_;
  static PROCESS_INFORMATION process_;
  static HWND main_;
};

std::string* UpdateWindowTest::archive_ = nullptr;
std::string* UpdateWindowTest::program_dir_unix_ = nullptr;
test_support::UpdateStandin* UpdateWindowTest::standin_ = nullptr;
PROCESS_INFORMATION UpdateWindowTest::process_{};
HWND UpdateWindowTest::main_ = nullptr;

TEST_F(UpdateWindowTest, StartUpCheckOffersTheNewVersionWithoutStoppingTheProgram) {
  HWND window = nullptr;
  bool notice_seen = false;
  bool gate_notice_seen = false;
  // Watch the notices while the check runs; the new-version notice stays 500 ms.
  ASSERT_TRUE(wait_until([&] {
    for (HWND w : probe::top_level_windows(process_.dwProcessId, L"#32770")) {
      const std::wstring title = probe::window_text(w);
      if (title == L"服务器有新版本") notice_seen = true;
      if (title == L"有新版本") gate_notice_seen = true;
    }
    const std::vector<HWND> windows = update_windows();
    if (windows.empty()) return false;
    window = windows.front();
    UpdateControls controls(window);
    return controls.complete() && controls.buttons_shown();
  }, 20000, 10));
  UpdateControls controls(window);
  EXPECT_EQ(probe::window_text(window), L"检测更新");
  EXPECT_EQ(probe::window_text(controls.own_version), L"1");
  EXPECT_EQ(probe::window_text(controls.server_version), L"1.1");
  EXPECT_TRUE(notice_seen);
  // The check paused before it published the versions, so the start-up gate
  // let the program run: the main window stays.
  EXPECT_FALSE(gate_notice_seen);
  EXPECT_TRUE(IsWindow(main_) && IsWindowVisible(main_));
  EXPECT_EQ(probe::window_text(main_), kMainTitle);
  EXPECT_TRUE(runtime::file_exists(gx_path()));
  EXPECT_FALSE(runtime::file_exists(archive_path()));
  // Off the main window, for the menu.
  SetWindowPos(window, HWND_BOTTOM, 360, 420, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

TEST_F(UpdateWindowTest, DownloadFetchesTheArchiveIntoGxWithProgressAndReady) {
  const std::vector<HWND> windows = update_windows();
  ASSERT_EQ(windows.size(), 1u);
  UpdateControls start_up(windows.front());
  ASSERT_TRUE(start_up.complete());
  start_up.click_download();
  ASSERT_TRUE(start_up.shows_status(L"就绪", 60000)) << runtime::narrow(probe::window_text(start_up.status));
  EXPECT_TRUE(archive_on_disk() == *archive_);
  EXPECT_FALSE(runtime::file_exists(marker_path()));
  EXPECT_EQ(start_up.bar_position(), 100);

  const std::wstring text = probe::window_text(start_up.progress_text);
  EXPECT_EQ(text.rfind(L"正在下载新版本，文件大小：1.18MB\r\n已下载：1.18MB\r\n所用时间：", 0), 0u)
      << runtime::narrow(text);
  EXPECT_NE(text.find(L"秒\r\n下载速度："), std::wstring::npos);
  EXPECT_NE(text.find(L"KB/秒\r\n剩余时间：0时0分0秒"), std::wstring::npos);

  expect_download_folder_opened_once();
  SetWindowPos(start_up.window, HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE);
  RedrawWindow(start_up.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("update_window_downloaded")));
  close_window(start_up.window);
}

TEST_F(UpdateWindowTest, EqualVersionOnTheServerKeepsTheButtonsHidden) {
  ASSERT_TRUE(standin_->start(update_port(), "1", *archive_));
  HWND window = open_update_window_from_menu(false);
  ASSERT_NE(window, nullptr);
  UpdateControls controls(window);
  ASSERT_TRUE(controls.complete());
  EXPECT_EQ(probe::window_text(controls.own_version), L"1");
  EXPECT_EQ(probe::window_text(controls.server_version), L"1");
  EXPECT_TRUE(controls.buttons_hidden());
  close_window(window);
}

TEST_F(UpdateWindowTest, FailedDownloadShowsFailureAndKeepsThePartialArchive) {
  // nginx on the update port serves the version page but no archive (404).
  const std::string served = test_support::scratch_dir_unix("update-site");
  const std::string page_folder = to_windows_path(served) + "\\jiaoben\\update";
  ASSERT_EQ(test_support::run_unix("mkdir -p '" + served + "/jiaoben/update'"), 0);
  ASSERT_TRUE(runtime::write_file(page_folder + "\\deverira.html", "<p>版本号:1.1|</p>"));
  test_support::NginxPeer nginx;

  struct Case {
    const char* what;
    bool not_found;  // else: the stand-in stops after the check
  } const cases[] = {{"404 answer", true}, {"server gone", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    standin_->stop();
    if (c.not_found) {
      ASSERT_TRUE(nginx.start(served, update_port()));
    } else {
      nginx.stop();
      ASSERT_TRUE(standin_->start(update_port(), "1.1", *archive_));
    }
    const std::string part = archive_->substr(0, kPartSize);
    ASSERT_TRUE(runtime::write_file(archive_path(), part));
    ASSERT_TRUE(runtime::write_file(marker_path(), ""));

    HWND window = open_update_window_from_menu(true);
    ASSERT_NE(window, nullptr);
    UpdateControls controls(window);
    ASSERT_TRUE(controls.complete());
    ASSERT_TRUE(controls.buttons_shown());
    if (!c.not_found) standin_->stop();
    controls.click_download();
    EXPECT_TRUE(controls.shows_status(L"失败", 30000))
        << runtime::narrow(probe::window_text(controls.status));
    EXPECT_TRUE(archive_on_disk() == part);
    EXPECT_TRUE(runtime::file_exists(marker_path()));
    EXPECT_TRUE(file_manager_windows().empty());
    close_window(window);
  }
  nginx.stop();
  EXPECT_NE(nginx.access_log().find(" 404 "), std::string::npos) << nginx.access_log();
}

TEST_F(UpdateWindowTest, InterruptedDownloadResumesToAnIdenticalFile) {
  DeleteFileW(wide(archive_path()).c_str());
  DeleteFileW(wide(marker_path()).c_str());
  ASSERT_TRUE(standin_->start(update_port(), "1.1", *archive_, "--rate-limit-kbps 100"));
  HWND window = open_update_window_from_menu(true);
  ASSERT_NE(window, nullptr);
  UpdateControls controls(window);
  ASSERT_TRUE(controls.complete());
  ASSERT_TRUE(controls.buttons_shown());

  controls.click_download();
  ASSERT_TRUE(wait_until([] { return runtime::file_size(archive_path()) >= 200000; }, 30000, 50));
  standin_->stop();
  ASSERT_TRUE(controls.shows_status(L"失败", 30000))
      << runtime::narrow(probe::window_text(controls.status));
  const std::int64_t part = runtime::file_size(archive_path());
  EXPECT_LT(part, static_cast<std::int64_t>(kArchiveSize));
  EXPECT_TRUE(archive_on_disk() == archive_->substr(0, static_cast<size_t>(part)));
  EXPECT_TRUE(runtime::file_exists(marker_path()));
  EXPECT_TRUE(file_manager_windows().empty());

  ASSERT_TRUE(standin_->start(update_port(), "1.1", *archive_));
  // An impatient double click: the second one waits in the queue while the
  // first downloads, and must not start a second download afterwards.
  controls.click_download();
  controls.click_download();
  ASSERT_TRUE(controls.shows_status(L"就绪", 60000))
      << runtime::narrow(probe::window_text(controls.status));
  EXPECT_TRUE(archive_on_disk() == *archive_);
  EXPECT_FALSE(runtime::file_exists(marker_path()));
  const std::string log = standin_->log();
  EXPECT_NE(log.find("bytes=" + std::to_string(part) + "-"), std::string::npos) << log;
  EXPECT_EQ(occurrences(log, "\"outcome\":\"archive"), 1) << log;
  expect_download_folder_opened_once();
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("update_window_resumed")));
  close_window(window);
}

// A server that stops sending in the middle of the archive and keeps the
// connection open: closing the window ends the download at once, and an
// update window opened again from the menu starts it again right away,
// continuing the part to an identical archive.
TEST_F(UpdateWindowTest, StalledDownloadStartsAgainFromAReopenedWindow) {
  DeleteFileW(wide(archive_path()).c_str());
  DeleteFileW(wide(marker_path()).c_str());
  constexpr std::int64_t kStallAt = 200000;
  const std::string served = test_support::update_archive_bytes(300000);
  ASSERT_TRUE(standin_->start(update_port(), "1.1", served, "--stall-after " + std::to_string(kStallAt)));
  HWND window = open_update_window_from_menu(true);
  ASSERT_NE(window, nullptr);
  UpdateControls(window).click_download();
  ASSERT_TRUE(wait_until([] { return runtime::file_size(archive_path()) == kStallAt; }, 20000, 50));
  close_window(window);

  window = open_update_window_from_menu(true);
  ASSERT_NE(window, nullptr);
  UpdateControls again(window);
  ASSERT_TRUE(again.buttons_shown());
  const DWORD clicked = GetTickCount();
  again.click_download();
  const std::string range = "bytes=" + std::to_string(kStallAt) + "-";
  EXPECT_TRUE(wait_until([&] { return standin_->log().find(range) != std::string::npos; }, 5000))
      << standin_->log();
  std::printf("the request with Range came %lu ms after the click\n", GetTickCount() - clicked);
  ASSERT_TRUE(again.shows_status(L"就绪", 30000)) << runtime::narrow(probe::window_text(again.status));
  std::printf("the archive was complete %lu ms after the click\n", GetTickCount() - clicked);
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("update_window_restarted")));
  EXPECT_TRUE(archive_on_disk() == served);
  EXPECT_FALSE(runtime::file_exists(marker_path()));
  EXPECT_EQ(again.bar_position(), 100);
  expect_download_folder_opened_once();
  close_window(window);
}

TEST_F(UpdateWindowTest, WindowAnswersDuringALongDownloadAndClosingItKeepsThePart) {
  DeleteFileW(wide(archive_path()).c_str());
  DeleteFileW(wide(marker_path()).c_str());
  // 200 MB at 2 MB a second: far from done within this test.
  ASSERT_TRUE(standin_->start_generated(update_port(), "1.1", kLongArchiveSize,
                                        "--rate-limit-kbps 2048"));
  HWND window = open_update_window_from_menu(true);
  ASSERT_NE(window, nullptr);
  UpdateControls controls(window);
  ASSERT_TRUE(controls.complete());
  controls.click_download();
  ASSERT_TRUE(wait_until([] { return runtime::file_size(archive_path()) > 0; }, 20000, 50));

  // Every question to the window's thread is answered within a second, and
  // the progress text it gives keeps changing.
  std::vector<std::wstring> texts;
  int unanswered = 0;
  for (int i = 0; i < 15; ++i) {
    std::wstring text;
    if (!controls.answered_text(controls.progress_text, 1000, &text)) ++unanswered;
    if (texts.empty() || texts.back() != text) texts.push_back(text);
    Sleep(200);
  }
  EXPECT_EQ(unanswered, 0);
  EXPECT_GE(texts.size(), 5u);
  EXPECT_NE(texts.back().find(L"正在下载新版本，文件大小：200MB\r\n已下载："), std::wstring::npos)
      << runtime::narrow(texts.back());
  EXPECT_FALSE(IsHungAppWindow(window));
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("update_window_downloading")));

  // Closing the window ends the download and keeps its part.
  close_window(window);
  EXPECT_EQ(WaitForSingleObject(process_.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  std::int64_t part = -1;
  EXPECT_TRUE(wait_until([&] {
    const std::int64_t before = runtime::file_size(archive_path());
    Sleep(600);  // the stand-in sends a slice every 100 ms
    part = runtime::file_size(archive_path());
    return part == before;
  }, 15000, 0));
  EXPECT_GT(part, 0);
  EXPECT_LT(part, kLongArchiveSize);
  EXPECT_TRUE(runtime::file_exists(marker_path()));

  // The next download continues the part.
  window = open_update_window_from_menu(true);
  ASSERT_NE(window, nullptr);
  UpdateControls again(window);
  again.click_download();
  EXPECT_TRUE(wait_until([&] { return runtime::file_size(archive_path()) > part + 100000; }, 20000));
  const std::string log = standin_->log();
  EXPECT_NE(log.find("bytes=" + std::to_string(part) + "-"), std::string::npos) << log;
  EXPECT_NE(log.find("If-Range"), std::string::npos) << log;
  EXPECT_EQ(occurrences(log, "\"outcome\":\"archive, bytes " + std::to_string(part) + "-"), 1)
      << log;
  close_window(window);
}

TEST_F(UpdateWindowTest, ClosingTheMainWindowEndsTheProgramEvenDuringADownload) {
  ASSERT_TRUE(standin_->start_generated(update_port(), "1.1", kLongArchiveSize,
                                        "--rate-limit-kbps 2048"));
  HWND window = open_update_window_from_menu(true);
  ASSERT_NE(window, nullptr);
  const std::int64_t before = runtime::file_size(archive_path());
  UpdateControls(window).click_download();
  ASSERT_TRUE(wait_until([&] { return runtime::file_size(archive_path()) > before + 50000; }, 20000));

  PostMessageW(main_, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process_.hProcess, 15000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process_.hProcess, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(runtime::file_exists(marker_path()));
}

}  // namespace
