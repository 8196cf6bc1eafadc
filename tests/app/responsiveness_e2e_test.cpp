// moqiao.exe keeps its main window answering while it waits for a slow
// server: every wait runs on a worker. Each row starts one wait through the
// window system, as a user would, sends WM_NULL to the main window until
// the wait has ended, and then checks what the user was shown.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "build_constants.h"
#include "runtime/codepage.h"
#include "tests/app/program_process.h"
#include "tests/app/window_probe.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/support/cursor.h"
#include "tests/support/test_environment.h"
#include "tests/support/translate_standin.h"
#include "tests/update/smtp_peer_process.h"

namespace {

using test_support::wait_until;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kMessageBoxClass[] = L"#32770";
constexpr wchar_t kSettingsClass[] = L"MoqiaoForm.settings_window";
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kToolsMenu = 1;
constexpr int kSettingsItem = 1;
constexpr int kCapturePage = 1;
constexpr int kAnswerLimitMs = 1000;
constexpr int kServiceLatencyMs = 3000;
constexpr int kMailDataDelayMs = 8000;

long long ms_since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The visible message boxes of the program with this caption.
std::vector<HWND> boxes(const probe::ProgramProcess& program, const std::wstring& caption) {
  std::vector<HWND> found;
  for (HWND w : probe::top_level_windows(program.id(), kMessageBoxClass)) {
    if (IsWindowVisible(w) && probe::window_text(w) == caption) found.push_back(w);
  }
  return found;
}

std::wstring box_text(HWND box) { return probe::window_text(GetDlgItem(box, kMessageBoxTextId)); }

bool close_box(HWND box) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  return wait_until([box] { return !IsWindow(box); }, 10000);
}

HWND button_captioned(HWND window, const std::wstring& caption) {
  for (HWND child : probe::children(window)) {
    if (probe::class_name(child) == L"Button" && probe::window_text(child) == caption) return child;
  }
  return nullptr;
}

// How the main window answered while a wait went on.
struct Answers {
  int asked = 0;
  int unanswered = 0;
  long long slowest_ms = 0;
  bool wait_ended = false;
};

Answers ask_until(HWND window, const std::function<bool()>& ended, int timeout_ms) {
  Answers answers;
  const Clock::time_point start = Clock::now();
  while (ms_since(start) < timeout_ms) {
    if (ended()) {
      answers.wait_ended = true;
      break;
    }
    const Clock::time_point sent = Clock::now();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerLimitMs + 1000, &result)) {
      ++answers.unanswered;
    }
    answers.slowest_ms = std::max(answers.slowest_ms, ms_since(sent));
    ++answers.asked;
    Sleep(100);
  }
  return answers;
}

// Public: the rows below reach the program through the fixture.
class ResponsivenessTest : public testing::Test {
 public:
  void SetUp() override {
    ASSERT_TRUE(service_.start("--latency-ms " + std::to_string(kServiceLatencyMs)));
    // A copy of its own, beside an empty translation memory: texts an
    // earlier run remembered would let the harvest skip the service.
    const std::string exe = test_support::scratch_dir_unix("responsiveness") + "/moqiao.exe";
    ASSERT_TRUE(CopyFileA(test_support::to_windows_path(MOQIAO_EXE_UNIX_PATH).c_str(),
                          test_support::to_windows_path(exe).c_str(), FALSE));
    ASSERT_TRUE(program_.start(exe));
    ASSERT_TRUE(program_.close_update_windows());
    source_ = probe::child_at(program_.tab(), L"Edit", 8, 54, 256, 80);
    result_ = probe::child_at(program_.tab(), L"Edit", 8, 158, 256, 80);
    translate_ = probe::child_at(program_.tab(), L"Button", 165, 134, 49, 24);
    message_ = probe::child_at(program_.tab(), L"Edit", 8, 32, 256, 138);
    contact_ = probe::child_at(program_.tab(), L"Edit", 97, 176, 167, 24);
    submit_ = probe::child_at(program_.tab(), L"Button", 12, 176, 72, 24);
    ASSERT_TRUE(source_ && result_ && translate_ && message_ && contact_ && submit_);
  }

  void TearDown() override {
    for (HWND box : probe::top_level_windows(program_.id(), kMessageBoxClass)) close_box(box);
    program_.close();
  }

  void press_translate(const std::wstring& text) {
    probe::set_window_text(result_, L"");
    probe::set_window_text(source_, text);
    probe::post_click(translate_, 10, 10);
  }

  // Opens the settings window from the menu "工具" and presses "测试".
  void press_settings_test() {
    probe::choose_menu_item(program_.main_window(), kSettingsItem, kToolsMenu);
    ASSERT_TRUE(wait_until(
        [&] {
          const std::vector<HWND> found = program_.windows_of_class(kSettingsClass);
          settings_ = found.empty() ? nullptr : found.front();
          return settings_ && IsWindowVisible(settings_);
        },
        10000));
    probe::post_click(button_captioned(settings_, L"测试"), 10, 10);
  }

  test_support::TranslateStandin service_;
  probe::ProgramProcess program_;
  HWND source_ = nullptr, result_ = nullptr, translate_ = nullptr;
  HWND message_ = nullptr, contact_ = nullptr, submit_ = nullptr;
  HWND settings_ = nullptr;
  std::unique_ptr<test_support::SmtpPeer> mail_server_;
  foreign_demo::DemoProcess demo_;
};

// The harvest row comes last: after a harvest of the foreign demo, Wine
// gives this test process no usable socket any more.
TEST_F(ResponsivenessTest, TheMainWindowAnswersWithinASecondDuringEveryWait) {
  using Self = ResponsivenessTest;
  const struct Row {
    const char* wait;
    int at_least_ms;                      // how long the wait lasts
    std::function<void(Self&)> begin;     // starts it
    std::function<bool(Self&)> ended;     // what the user sees at its end
    std::function<void(Self&)> after;     // checks once it ended
  } rows[] = {
      {"the translator page waits for a slow service", kServiceLatencyMs,
       [](Self& t) {
         t.press_translate(L"Open");
         // One press, one request: the button stays disabled meanwhile.
         EXPECT_TRUE(wait_until([&] { return !IsWindowEnabled(t.translate_); }, 2000));
         test_support::take_screenshot(test_support::binary_dir_unix() +
                                       "/screenshots/manual_translation_waiting.png");
         probe::post_click(t.translate_, 10, 10);
       },
       [](Self& t) { return probe::window_text(t.result_) == L"打开\r\n"; },
       [](Self& t) {
         EXPECT_TRUE(IsWindowEnabled(t.translate_));
         EXPECT_EQ(t.service_.log_lines(2, 1500).size(), 1u);
       }},
      {"\"测试\" of the settings window waits for a slow service", kServiceLatencyMs,
       [](Self& t) { ASSERT_NO_FATAL_FAILURE(t.press_settings_test()); },
       [](Self& t) { return !boxes(t.program_, L"设置").empty(); },
       [](Self& t) {
         const std::vector<HWND> shown = boxes(t.program_, L"设置");
         ASSERT_EQ(shown.size(), 1u);
         EXPECT_EQ(box_text(shown[0]).rfind(L"测试成功。“hello”的译文：", 0), 0u);
         EXPECT_TRUE(close_box(shown[0]));
         probe::post_click(button_captioned(t.settings_, L"取消"), 10, 10);
         EXPECT_TRUE(wait_until([&] { return !IsWindow(t.settings_); }, 10000));
       }},
      {"the settings window closes while \"测试\" waits", 0,
       [](Self& t) {
         ASSERT_NO_FATAL_FAILURE(t.press_settings_test());
         EXPECT_TRUE(wait_until(
             [&] { return !IsWindowEnabled(button_captioned(t.settings_, L"测试")); }, 2000));
         probe::post_click(button_captioned(t.settings_, L"取消"), 10, 10);
       },
       [](Self& t) { return !IsWindow(t.settings_); },
       [](Self& t) {
         // The answer comes after the window has gone: no box for it.
         EXPECT_FALSE(wait_until([&] { return !boxes(t.program_, L"设置").empty(); },
                                 kServiceLatencyMs + 1500));
       }},
      {"a mail waits for the server's reply to its end of data", kMailDataDelayMs,
       [](Self& t) {
         t.mail_server_ = std::make_unique<test_support::SmtpPeer>(
             moqiao::build::kSmtpPort, moqiao::build::kSmtpUser, moqiao::build::kSmtpPassword,
             "LOGIN,PLAIN", false, kMailDataDelayMs);
         ASSERT_TRUE(t.mail_server_->ready());
         probe::set_window_text(t.message_, L"慢慢回答的服务器");
         probe::set_window_text(t.contact_, L"someone@example.com");
         PostMessageW(t.submit_, BM_CLICK, 0, 0);
         EXPECT_TRUE(wait_until([&] { return !IsWindowEnabled(t.submit_); }, 2000));
         PostMessageW(t.submit_, BM_CLICK, 0, 0);  // ignored while the first is sent
       },
       [](Self& t) { return !boxes(t.program_, L"信息：").empty(); },
       [](Self& t) {
         const std::vector<HWND> shown = boxes(t.program_, L"信息：");
         ASSERT_EQ(shown.size(), 1u);
         EXPECT_EQ(box_text(shown[0]), L"发送成功！");
         EXPECT_TRUE(t.mail_server_->has_mail(1));
         EXPECT_TRUE(close_box(shown[0]));
         EXPECT_FALSE(wait_until([&] { return !boxes(t.program_, L"信息：").empty(); }, 1000));
         EXPECT_FALSE(t.mail_server_->has_mail(2));
         t.mail_server_.reset();
       }},
      {"the translator page waits for the pacer behind a harvest's batches", kServiceLatencyMs,
       [](Self& t) {
         ASSERT_TRUE(t.demo_.start(L"--controls 100"));
         ASSERT_TRUE(t.program_.select_page(kCapturePage));
         const HWND crosshair = probe::child_at(t.program_.tab(), L"Static", 10, 44, 60, 60);
         ASSERT_NE(crosshair, nullptr);
         // Over the dialog's own margin, so that the release harvests the
         // dialog with its 100 buttons rather than the one button.
         ASSERT_TRUE(test_support::move_cursor(t.demo_.dialog_point({4, 4}), t.demo_.dialog()));
         PostMessageW(crosshair, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
         ASSERT_TRUE(wait_until(
             [&] { return probe::window_text(t.program_.main_window()) == L"捕获成功！"; }, 10000));
         PostMessageW(crosshair, WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
         ASSERT_TRUE(wait_until(
             [&] { return probe::window_text(t.program_.main_window()) == L"正在翻译中..."; },
             10000))
             << runtime::narrow(probe::window_text(t.program_.main_window()));
         t.press_translate(L"Save");
       },
       [](Self& t) {
         return probe::window_text(t.result_) == L"保存\r\n" &&
                probe::window_text(t.program_.main_window()) == L"翻译已完成！";
       },
       [](Self& t) { EXPECT_TRUE(IsWindowEnabled(t.translate_)); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.wait);
    const Clock::time_point start = Clock::now();
    ASSERT_NO_FATAL_FAILURE(row.begin(*this));
    const Answers answers =
        ask_until(program_.main_window(), [&] { return row.ended(*this); }, 60000);
    EXPECT_TRUE(answers.wait_ended);
    EXPECT_GE(ms_since(start), row.at_least_ms);
    EXPECT_GE(answers.asked, row.at_least_ms / 1200);
    EXPECT_EQ(answers.unanswered, 0);
    EXPECT_LT(answers.slowest_ms, kAnswerLimitMs);
    ASSERT_NO_FATAL_FAILURE(row.after(*this));
  }
}

}  // namespace
