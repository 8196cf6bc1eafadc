// The plain translator page of moqiao.exe, driven through the window system
// as a user would drive it, against the translation-service stand-in on the
// program's compiled-in service port.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/internet_limits.h"
#include "tests/app/program_process.h"
#include "tests/app/window_probe.h"
#include "tests/support/test_environment.h"
#include "tests/support/translate_standin.h"

namespace {

using test_support::wait_until;

constexpr wchar_t kMessageBoxClass[] = L"#32770";
constexpr wchar_t kErrorCaption[] = L"错误！";
constexpr wchar_t kInfoCaption[] = L"信息：";
constexpr int kMessageBoxTextId = 0xFFFF;

// Entries of the language lists.
constexpr int kAuto = 0;
constexpr int kChinese = 1;
constexpr int kEnglish = 2;

std::string screenshot_path(const std::string& name) {
  const std::string dir = test_support::binary_dir_unix() + "/screenshots";
  test_support::run_unix("mkdir -p '" + dir + "'");
  return dir + "/" + name + ".png";
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A message box of the program, found by its caption.
struct OpenBox {
  HWND window = nullptr;
  std::wstring text;
  bool has_icon = false;
};

class ManualTranslationTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    program_ = std::make_unique<probe::ProgramProcess>();
    ASSERT_TRUE(program_->start(MOQIAO_EXE_UNIX_PATH));
    main_ = program_->main_window();
    tab_ = program_->tab();
    ASSERT_NE(tab_, nullptr);
    source_box_ = probe::child_at(tab_, L"Edit", 8, 54, 256, 80);
    result_box_ = probe::child_at(tab_, L"Edit", 8, 158, 256, 80);
    translate_button_ = probe::child_at(tab_, L"Button", 165, 134, 49, 24);
    source_list_ = probe::child_at(tab_, L"ComboBox", 65, 26, 100, 20);
    target_list_ = probe::child_at(tab_, L"ComboBox", 65, 136, 100, 20);
    ASSERT_NE(source_box_, nullptr);
    ASSERT_NE(result_box_, nullptr);
    ASSERT_NE(translate_button_, nullptr);
    ASSERT_NE(source_list_, nullptr);
    ASSERT_NE(target_list_, nullptr);
    ASSERT_EQ(probe::window_text(translate_button_), L"翻译");
  }

  static void TearDownTestSuite() {
    if (program_ && program_->handle()) program_->close();
    program_.reset();
  }

  void SetUp() override {
    ASSERT_TRUE(program_ && program_->handle());
    probe::set_window_text(result_box_, L"");
    choose(source_list_, kEnglish);
    choose(target_list_, kChinese);
  }

  void TearDown() override {
    // A box left open by a failed check would block the next test.
    for (HWND box : probe::top_level_windows(program_->id(), kMessageBoxClass)) close_box(box);
  }

  // The user picks entry index of a language list: the list shows it and
  // tells the window, which runs the list's handler. Both are posted, so
  // that choices and presses are handled in the order they were made.
  static void choose(HWND list, int index) {
    PostMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(GetParent(list), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  }

  static int selected(HWND list) {
    return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
  }

  static void press_translate(const std::wstring& source_text) {
    probe::set_window_text(source_box_, source_text);
    probe::post_click(translate_button_, 10, 10);
  }

  // Waits until the box with this caption is open.
  static OpenBox wait_for_box(const std::wstring& caption) {
    OpenBox box;
    wait_until(
        [&] {
          for (HWND w : probe::top_level_windows(program_->id(), kMessageBoxClass)) {
            if (IsWindowVisible(w) && probe::window_text(w) == caption) box.window = w;
          }
          return box.window != nullptr;
        },
        10000);
    if (!box.window) return box;
    box.text = probe::window_text(GetDlgItem(box.window, kMessageBoxTextId));
    for (HWND child : probe::children(box.window)) {
      if (probe::class_name(child) == L"Static" &&
          (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        box.has_icon = true;
      }
    }
    return box;
  }

  static bool close_box(HWND box) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    return wait_until([box] { return !IsWindow(box); }, 10000);
  }

  static bool result_box_shows(const std::wstring& text) {
    return wait_until([&] { return probe::window_text(result_box_) == text; }, 10000);
  }

  static std::unique_ptr<probe::ProgramProcess> program_;
  static HWND main_, tab_, source_box_, result_box_, translate_button_, source_list_,
      target_list_;
};

std::unique_ptr<probe::ProgramProcess> ManualTranslationTest::program_;
HWND ManualTranslationTest::main_ = nullptr;
HWND ManualTranslationTest::tab_ = nullptr;
HWND ManualTranslationTest::source_box_ = nullptr;
HWND ManualTranslationTest::result_box_ = nullptr;
HWND ManualTranslationTest::translate_button_ = nullptr;
HWND ManualTranslationTest::source_list_ = nullptr;
HWND ManualTranslationTest::target_list_ = nullptr;

TEST_F(ManualTranslationTest, AppendsOneLinePerLineOfTheTextAndAgainOnEveryPress) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start());
  const std::wstring once = L"打开\r\n保存\r\n退出\r\n";
  press_translate(L"Open\r\nSave\r\nExit");
  EXPECT_TRUE(result_box_shows(once)) << probe::window_text(result_box_).size();
  press_translate(L"Open\r\nSave\r\nExit");
  EXPECT_TRUE(result_box_shows(once + once));

  const std::vector<std::string> lines = service.log_lines(2);
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string& line : lines) {
    EXPECT_TRUE(contains(line, R"(["q","Open\r\nSave\r\nExit"],["from","en"],["to","zh"])")) << line;
    EXPECT_TRUE(contains(line, R"("outcome":"ok")")) << line;
  }
}

TEST_F(ManualTranslationTest, SendsTheLanguagesChosenInTheLists) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start());
  struct Case {
    int source, target;
    std::wstring text;
    std::wstring shown;
    std::string languages;  // as the stand-in logged them
  } const cases[] = {
      {kEnglish, kChinese, L"Copy", L"复制\r\n", R"(["from","en"],["to","zh"])"},
      {kAuto, kEnglish, L"复制", L"Copy\r\n", R"(["from","auto"],["to","en"])"},
      {kChinese, kEnglish, L"粘贴", L"Paste\r\n", R"(["from","zh"],["to","en"])"},
  };
  size_t sent = 0;
  for (const Case& c : cases) {
    probe::set_window_text(result_box_, L"");
    choose(source_list_, c.source);
    choose(target_list_, c.target);
    press_translate(c.text);
    EXPECT_TRUE(result_box_shows(c.shown)) << c.languages;
    const std::vector<std::string> lines = service.log_lines(++sent);
    ASSERT_EQ(lines.size(), sent);
    EXPECT_TRUE(contains(lines.back(), c.languages)) << lines.back();
  }
}

TEST_F(ManualTranslationTest, AnEmptySourceBoxIsRefusedWithoutARequest) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start());
  press_translate(L"");
  const OpenBox box = wait_for_box(kErrorCaption);
  ASSERT_NE(box.window, nullptr);
  EXPECT_EQ(box.text, L"请输入需要翻译的字符串");
  EXPECT_TRUE(box.has_icon);
  EXPECT_TRUE(close_box(box.window));
  EXPECT_EQ(probe::window_text(result_box_), L"");
  // A request sent for the empty text, however late, comes before the next
  // press's: the log then holds only that one.
  press_translate(L"Open");
  EXPECT_TRUE(result_box_shows(L"打开\r\n"));
  const std::vector<std::string> lines = service.log_lines(2, 1500);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(test_support::TranslateStandin::logged_param(lines[0], "q"), "Open");
}

TEST_F(ManualTranslationTest, ShowsTheMessageOfTheServicesErrorCode) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start("--force-error 54003"));
  press_translate(L"Open");
  const OpenBox box = wait_for_box(kInfoCaption);
  ASSERT_NE(box.window, nullptr);
  EXPECT_EQ(box.text, L"访问频率受限，请降低您的调用频率,或进行身份认证后切换为高级版尊享版");
  EXPECT_TRUE(box.has_icon);
  EXPECT_TRUE(close_box(box.window));
  EXPECT_EQ(probe::window_text(result_box_), L"");
  EXPECT_EQ(service.log_lines(1).size(), 1u);
}

// No answer, however it fails to come, shows nothing, and the window is
// held no longer than one exchange may take.
TEST_F(ManualTranslationTest, ShowsNothingWhenNoAnswerComes) {
  const struct {
    const char* why;
    const char* service_options;  // nullptr: no service at all
  } cases[] = {
      {"service down", nullptr},
      {"service never answers", "--never-answer"},
      {"service drips its answer", "--drip-ms 400"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    test_support::TranslateStandin service;
    if (c.service_options) {
      ASSERT_TRUE(service.start(c.service_options));
    }
    const auto pressed = std::chrono::steady_clock::now();
    press_translate(L"Open");
    // Posted messages of one thread are handled in order: once the list shows
    // the entry posted after the click, the press has been handled; its
    // request is over once the button is enabled again.
    PostMessageW(source_list_, CB_SETCURSEL, kChinese, 0);
    ASSERT_TRUE(wait_until([] { return selected(source_list_) == kChinese; }, 10000));
    ASSERT_TRUE(wait_until([] { return IsWindowEnabled(translate_button_) != FALSE; }, 30000));
    EXPECT_LE(std::chrono::steady_clock::now() - pressed,
              platform::kWholeExchangeLimit + std::chrono::seconds(3));
    EXPECT_TRUE(probe::top_level_windows(program_->id(), kMessageBoxClass).empty());
    EXPECT_EQ(probe::window_text(result_box_), L"");
    if (c.service_options) {
      EXPECT_EQ(service.log_lines(1).size(), 1u);  // the request did reach the service
    }
    choose(source_list_, kEnglish);
  }
}

TEST_F(ManualTranslationTest, TheTargetListRefusesAutomaticDetection) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start());
  choose(target_list_, kEnglish);
  choose(target_list_, kAuto);
  const OpenBox box = wait_for_box(kErrorCaption);
  ASSERT_NE(box.window, nullptr);
  EXPECT_EQ(box.text, L"请勿选择“自动选择”!");
  EXPECT_TRUE(box.has_icon);
  // Moved back before the box appeared.
  EXPECT_EQ(selected(target_list_), kChinese);
  EXPECT_EQ(probe::window_text(target_list_), L"中文");
  EXPECT_TRUE(close_box(box.window));

  // The choice before the refused one is gone: Chinese is the target.
  press_translate(L"Open");
  EXPECT_TRUE(result_box_shows(L"打开\r\n"));
  const std::vector<std::string> lines = service.log_lines(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(contains(lines[0], R"(["to","zh"])")) << lines[0];
}

TEST_F(ManualTranslationTest, FormSeparatorsAndQuotesArriveAndComeBackWhole) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start());
  // The stand-in gives back texts it has no translation for unchanged.
  press_translate(L"Tom & Jerry\r\na=b+c 100%\r\nSay \"hi\"");
  EXPECT_TRUE(result_box_shows(L"Tom & Jerry\r\na=b+c 100%\r\nSay \"hi\"\r\n"))
      << probe::window_text(result_box_).size();
  const std::vector<std::string> lines = service.log_lines(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(contains(lines[0], R"(["q","Tom & Jerry\r\na=b+c 100%\r\nSay \"hi\""])")) << lines[0];
  // The signature was checked over that text.
  EXPECT_TRUE(contains(lines[0], R"("outcome":"ok")")) << lines[0];

  press_translate(L"Open\r\nSave\r\nExit");
  EXPECT_TRUE(result_box_shows(
      L"Tom & Jerry\r\na=b+c 100%\r\nSay \"hi\"\r\n打开\r\n保存\r\n退出\r\n"));
  RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(test_support::take_screenshot(screenshot_path("manual_translation_results")));
}

}  // namespace
