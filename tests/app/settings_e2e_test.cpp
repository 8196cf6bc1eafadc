// The user's own settings in moqiao.exe: a copy of the program in a folder
// of its own with a moqiao.ini beside it, the settings window driven by the
// keyboard and mouse messages a user produces, and the requests that reach
// the translation-service stand-in.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "build_constants.h"
#include "runtime/codepage.h"
#include "tests/app/program_process.h"
#include "tests/app/window_probe.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/support/chat_standin.h"
#include "tests/support/cursor.h"
#include "tests/support/test_environment.h"
#include "tests/support/translate_standin.h"

namespace {

using test_support::wait_until;

constexpr char kOwnAppId[] = "20261208000000777";
constexpr char kOwnKey[] = "OwnAccountKey2026";
constexpr wchar_t kSettingsClass[] = L"MoqiaoForm.settings_window";
constexpr wchar_t kMessageBoxClass[] = L"#32770";
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kToolsMenu = 1;
constexpr int kSettingsItem = 1;  // after "还原原文"
constexpr int kCapturePage = 1;

// The settings window's edit boxes, in the order of its fields.
enum Field {
  kServiceHost, kAppId, kSecretKey, kRate,
  kChatBaseUrl, kChatModel, kChatKey, kChatRate,
  kUpdateHost, kMailHost, kTranslateHotkey = 15, kFieldCount = 17
};

std::string own_account_options() {
  return std::string("--app-id ") + kOwnAppId + " --secret-key " + kOwnKey;
}

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}
bool contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

std::string signed_by(const std::string& app_id) { return "[\"appid\",\"" + app_id + "\"]"; }
bool answered_ok(const std::string& line) { return contains(line, "\"outcome\":\"ok\""); }

std::string screenshot_path(const std::string& name) {
  const std::string dir = test_support::binary_dir_unix() + "/screenshots";
  test_support::run_unix("mkdir -p '" + dir + "'");
  return dir + "/" + name + ".png";
}

// moqiao.exe copied into a fresh folder, with a settings file when lines
// are given: every test has its own settings and its own translation memory.
struct ProgramFolder {
  std::string exe_unix;
  std::string ini_windows;

  std::string ini_text() const {
    std::ifstream in(ini_windows, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool has_ini() const { return GetFileAttributesA(ini_windows.c_str()) != INVALID_FILE_ATTRIBUTES; }
};

ProgramFolder program_folder(const std::string& name, const std::string& ini_lines) {
  const std::string dir = test_support::scratch_dir_unix("settings-" + name);
  ProgramFolder folder{dir + "/moqiao.exe", test_support::to_windows_path(dir + "/moqiao.ini")};
  CopyFileA(test_support::to_windows_path(MOQIAO_EXE_UNIX_PATH).c_str(),
            test_support::to_windows_path(folder.exe_unix).c_str(), FALSE);
  if (!ini_lines.empty()) std::ofstream(folder.ini_windows, std::ios::binary) << ini_lines;
  return folder;
}

// A message box of the program with this caption, its text, and closing it.
struct Box {
  HWND window = nullptr;
  std::wstring text;
};

Box wait_for_box(const probe::ProgramProcess& program, const std::wstring& caption) {
  Box box;
  wait_until(
      [&] {
        for (HWND w : probe::top_level_windows(program.id(), kMessageBoxClass)) {
          if (IsWindowVisible(w) && probe::window_text(w) == caption) box.window = w;
        }
        return box.window != nullptr;
      },
      15000);
  if (box.window) box.text = probe::window_text(GetDlgItem(box.window, kMessageBoxTextId));
  return box;
}

bool close_box(const Box& box) {
  PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.window, IDOK)));
  return wait_until([&] { return !IsWindow(box.window); }, 10000);
}

// The plain translator page: "Open" translated, and the request it sent.
void translate_open_on_the_manual_page(probe::ProgramProcess& program,
                                       test_support::TranslateStandin& service,
                                       const std::string& app_id) {
  const HWND source = probe::child_at(program.tab(), L"Edit", 8, 54, 256, 80);
  const HWND result = probe::child_at(program.tab(), L"Edit", 8, 158, 256, 80);
  const HWND button = probe::child_at(program.tab(), L"Button", 165, 134, 49, 24);
  ASSERT_TRUE(source && result && button);
  const size_t logged = service.log_lines(0, 0).size();
  probe::set_window_text(result, L"");
  probe::set_window_text(source, L"Open");
  probe::post_click(button, 10, 10);
  EXPECT_TRUE(wait_until([&] { return probe::window_text(result) == L"打开\r\n"; }, 10000))
      << probe::window_text(result).size();
  const std::vector<std::string> lines = service.log_lines(logged + 1);
  ASSERT_EQ(lines.size(), logged + 1);
  EXPECT_TRUE(contains(lines.back(), "\"method\":\"POST\"")) << lines.back();
  EXPECT_TRUE(contains(lines.back(), signed_by(app_id))) << lines.back();
  EXPECT_TRUE(answered_ok(lines.back())) << lines.back();
}

// The settings window opened from the menu "工具", and its fields.
struct SettingsWindow {
  HWND window = nullptr;
  std::vector<HWND> fields;

  HWND button(const std::wstring& caption) const {
    for (HWND child : probe::children(window)) {
      if (probe::class_name(child) == L"Button" && probe::window_text(child) == caption) {
        return child;
      }
    }
    return nullptr;
  }
  void click(const std::wstring& caption) const { probe::post_click(button(caption), 10, 10); }
  void key(HWND field, WPARAM key) const { PostMessageW(field, WM_KEYDOWN, key, 0); }
};

SettingsWindow open_settings(const probe::ProgramProcess& program) {
  SettingsWindow settings;
  probe::choose_menu_item(program.main_window(), kSettingsItem, kToolsMenu);
  wait_until(
      [&] {
        const std::vector<HWND> found = program.windows_of_class(kSettingsClass);
        settings.window = found.empty() ? nullptr : found.front();
        return settings.window && IsWindowVisible(settings.window);
      },
      10000);
  if (!settings.window) return settings;
  for (HWND child : probe::children(settings.window)) {
    if (probe::class_name(child) == L"Edit") settings.fields.push_back(child);
  }
  // One field a row, from the top down.
  std::sort(settings.fields.begin(), settings.fields.end(),
            [](HWND a, HWND b) { return probe::rect_in_parent(a).top < probe::rect_in_parent(b).top; });
  return settings;
}

HWND focus_of(HWND window) {
  GUITHREADINFO info{sizeof info};
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

// The user's AppId beside a key protected by another Windows user: the whole
// account falls back, so requests go out with the built-in AppId and key
// instead of failing with the wrong key.
TEST(SettingsEndToEnd, UnusableValuesAreNamedInANoticeAndTheConstantsServe) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start());
  const ProgramFolder folder = program_folder(
      "unusable", std::string("[service]\r\nHost=") + moqiao::build::kTranslateHost +
                      "\r\nAppId=" + kOwnAppId +
                      "\r\nSecretKeyProtected=bm90IHByb3RlY3RlZA==\r\n"
                      "RequestsPerSecond=fast\r\n[mail]\r\nPort=70000\r\n[hotkeys]\r\nTranslate=Shift+T\r\n");
  probe::ProgramProcess program;
  ASSERT_TRUE(program.start(folder.exe_unix));

  const Box notice = wait_for_box(program, L"友情提醒");
  ASSERT_NE(notice.window, nullptr);
  for (const wchar_t* key : {L"moqiao.ini", L"[service] SecretKeyProtected", L"无法解密",
                             L"翻译服务账号整组改用内置的值", L"[service] RequestsPerSecond",
                             L"[mail] Port", L"[mail] Password",
                             L"[hotkeys] Translate"}) {
    EXPECT_TRUE(contains(notice.text, key)) << key;
  }
  test_support::take_screenshot(screenshot_path("settings_notice"));
  ASSERT_TRUE(close_box(notice));
  ASSERT_TRUE(program.close_update_windows());
  ASSERT_NO_FATAL_FAILURE(translate_open_on_the_manual_page(program, service, moqiao::build::kAppId));
  EXPECT_TRUE(program.close());
}

// Held by this test process before the program starts: the program names
// that combination, and only that one, in a notice.
TEST(SettingsEndToEnd, AHotkeyAnotherProgramHoldsIsNamedInANotice) {
  ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'T'));
  const ProgramFolder folder = program_folder("held-hotkey", "");
  probe::ProgramProcess program;
  ASSERT_TRUE(program.start(folder.exe_unix));
  const Box notice = wait_for_box(program, L"友情提醒");
  ASSERT_NE(notice.window, nullptr);
  EXPECT_TRUE(contains(notice.text, L"Ctrl+Alt+T")) << runtime::narrow(notice.text);
  EXPECT_FALSE(contains(notice.text, L"Ctrl+Alt+R")) << runtime::narrow(notice.text);
  ASSERT_TRUE(close_box(notice));
  UnregisterHotKey(nullptr, 1);
  EXPECT_TRUE(program.close());
}

TEST(SettingsEndToEnd, TheWindowTestsRefusesSavesProtectedAndTheNewKeyServes) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start(own_account_options()));
  const ProgramFolder folder = program_folder("window", "");
  probe::ProgramProcess program;
  ASSERT_TRUE(program.start(folder.exe_unix));
  ASSERT_TRUE(program.close_update_windows());

  SettingsWindow settings = open_settings(program);
  ASSERT_NE(settings.window, nullptr);
  ASSERT_EQ(settings.fields.size(), static_cast<size_t>(kFieldCount));
  EXPECT_EQ(probe::window_text(settings.fields[kTranslateHotkey]), L"Ctrl+Alt+T");
  test_support::take_screenshot(screenshot_path("settings_window"));
  EXPECT_EQ(probe::window_text(settings.window), L"设置");
  // The constants in force; no secret in any field.
  EXPECT_EQ(probe::window_text(settings.fields[kAppId]), wide(moqiao::build::kAppId));
  EXPECT_EQ(probe::window_text(settings.fields[kServiceHost]), wide(moqiao::build::kTranslateHost));
  EXPECT_EQ(probe::window_text(settings.fields[kSecretKey]), L"");
  EXPECT_EQ(probe::window_text(settings.fields[kRate]), L"1");
  for (HWND field : settings.fields) {
    EXPECT_FALSE(contains(probe::window_text(field), wide(moqiao::build::kSecretKey)));
  }
  test_support::take_screenshot(screenshot_path("settings_window"));

  // Tab moves from the first field to the next.
  EXPECT_TRUE(wait_until([&] { return focus_of(settings.window) == settings.fields[0]; }, 5000));
  settings.key(settings.fields[0], VK_TAB);
  EXPECT_TRUE(wait_until([&] { return focus_of(settings.window) == settings.fields[1]; }, 5000));

  // Input that cannot be used is refused, naming the field; nothing is saved.
  struct Refused {
    Field field;
    const wchar_t* text;
    const wchar_t* named;
  } const refused[] = {
      {kRate, L"0", L"每秒请求数"},
      {kAppId, L"", L"APP ID"},
      {kServiceHost, L"my host", L"翻译服务地址"},
      // A secret left empty keeps the one in force only for the same account.
      {kAppId, L"20261208000000999", L"请填写“密钥”"},
      {kMailHost, L"smtp.example.com", L"请填写“邮箱密码”"},
      {kTranslateHotkey, L"Ctrl+", L"翻译快捷键"},
  };
  for (const Refused& r : refused) {
    const std::wstring before = probe::window_text(settings.fields[r.field]);
    probe::set_window_text(settings.fields[r.field], r.text);
    settings.click(L"保存");
    const Box box = wait_for_box(program, L"设置");
    ASSERT_NE(box.window, nullptr) << r.named;
    EXPECT_TRUE(contains(box.text, r.named)) << r.named;
    ASSERT_TRUE(close_box(box));
    EXPECT_FALSE(folder.has_ini()) << r.named;
    probe::set_window_text(settings.fields[r.field], before);
  }

  // "测试" with the values in the fields: a wrong key, then the right one.
  probe::set_window_text(settings.fields[kAppId], wide(kOwnAppId));
  struct Tried {
    const char* key;
    const wchar_t* shown;
  } const tried[] = {
      {"WrongKey", L"签名错误，请检查您的签名生成方法"},
      {kOwnKey, L"测试成功。“hello”的译文："},
  };
  for (const Tried& t : tried) {
    probe::set_window_text(settings.fields[kSecretKey], wide(t.key));
    settings.click(L"测试");
    const Box box = wait_for_box(program, L"设置");
    ASSERT_NE(box.window, nullptr) << t.key;
    EXPECT_TRUE(contains(box.text, t.shown)) << t.key;
    EXPECT_FALSE(contains(box.text, wide(t.key))) << t.key;
    ASSERT_TRUE(close_box(box));
  }
  const std::vector<std::string> tests = service.log_lines(2);
  ASSERT_EQ(tests.size(), 2u);
  EXPECT_TRUE(contains(tests[0], "\"outcome\":\"54001\"")) << tests[0];
  EXPECT_TRUE(answered_ok(tests[1])) << tests[1];
  EXPECT_FALSE(folder.has_ini());

  // Enter saves and closes the window; the key is stored only protected.
  settings.key(settings.fields[kAppId], VK_RETURN);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(settings.window); }, 10000));
  const std::string ini = folder.ini_text();
  EXPECT_TRUE(contains(ini, std::string("AppId=") + kOwnAppId)) << ini;
  EXPECT_TRUE(contains(ini, "SecretKeyProtected=")) << ini;
  EXPECT_FALSE(contains(ini, "SecretKey=")) << ini;
  EXPECT_FALSE(contains(ini, kOwnKey)) << ini;

  // Without a restart the plain translator signs with the new account.
  ASSERT_NO_FATAL_FAILURE(translate_open_on_the_manual_page(program, service, kOwnAppId));

  // Esc closes the window again without writing anything.
  settings = open_settings(program);
  ASSERT_NE(settings.window, nullptr);
  EXPECT_EQ(probe::window_text(settings.fields[kAppId]), wide(kOwnAppId));
  probe::set_window_text(settings.fields[kRate], L"5");
  settings.key(settings.fields[kRate], VK_ESCAPE);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(settings.window); }, 10000));
  EXPECT_EQ(folder.ini_text(), ini);

  // The main window, as the program shows it with its manifest.
  test_support::take_screenshot(screenshot_path("main_window_styles"));
  EXPECT_TRUE(program.close());
}

// Files reached by their wide path: the whole program from a folder whose
// name GBK cannot write, with a settings file an editor saved as UTF-8.
bool write_wide(const std::wstring& path, const std::string& bytes) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::string read_wide(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes(1 << 16, '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

TEST(SettingsEndToEnd, RunsFromAFolderNamedInKorean) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start(own_account_options()));
  const std::wstring folder =
      wide(test_support::to_windows_path(test_support::scratch_dir_unix("settings-korean"))) +
      L"\\설정 폴더";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(wide(test_support::to_windows_path(MOQIAO_EXE_UNIX_PATH)).c_str(),
                        (folder + L"\\moqiao.exe").c_str(), FALSE));
  const std::string comment = u8"; 내 계정\r\n";
  ASSERT_TRUE(write_wide(folder + L"\\moqiao.ini",
                         "\xEF\xBB\xBF" + comment + "[service]\r\nHost=" +
                             moqiao::build::kTranslateHost + "\r\nAppId=" + kOwnAppId +
                             "\r\nSecretKey=" + kOwnKey + "\r\n"));
  probe::ProgramProcess program;
  ASSERT_TRUE(program.start_windows_path(folder + L"\\moqiao.exe"));
  ASSERT_TRUE(program.close_update_windows());
  ASSERT_NO_FATAL_FAILURE(translate_open_on_the_manual_page(program, service, kOwnAppId));
  // The translation memory and the download folder lie beside the program.
  EXPECT_NE(GetFileAttributesW((folder + L"\\moqiao-memory.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW((folder + L"\\gx").c_str()), INVALID_FILE_ATTRIBUTES);

  // Saving from the window protects the hand-written key in the same file,
  // which stays UTF-8 with its comment; the key read back still signs.
  const SettingsWindow settings = open_settings(program);
  ASSERT_NE(settings.window, nullptr);
  settings.key(settings.fields[kAppId], VK_RETURN);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(settings.window); }, 10000));
  const std::string ini = read_wide(folder + L"\\moqiao.ini");
  EXPECT_EQ(ini.rfind("\xEF\xBB\xBF" + comment, 0), 0u) << ini;
  EXPECT_TRUE(contains(ini, "SecretKeyProtected=")) << ini;
  EXPECT_FALSE(contains(ini, kOwnKey)) << ini;
  ASSERT_NO_FATAL_FAILURE(translate_open_on_the_manual_page(program, service, kOwnAppId));
  EXPECT_TRUE(program.close());
}

// The chat engine chosen in the file: the plain translator page and "测试"
// ask the chat endpoint, never the service.
TEST(SettingsEndToEnd, TheChatEngineServesTheManualPageAndTheTestButton) {
  using test_support::ChatStandin;
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start());
  ChatStandin chat;
  ASSERT_TRUE(chat.start());
  const ProgramFolder folder = program_folder(
      "chat", "[translate]\r\nEngine=chat\r\n[chat]\r\nBaseUrl=" + ChatStandin::base_url() +
                  "\r\nModel=" + ChatStandin::kModel + "\r\nApiKey=" + ChatStandin::kKey + "\r\n");
  probe::ProgramProcess program;
  ASSERT_TRUE(program.start(folder.exe_unix));
  ASSERT_TRUE(program.close_update_windows());

  // Two lines on the page, one request naming the page's target language.
  const HWND source = probe::child_at(program.tab(), L"Edit", 8, 54, 256, 80);
  const HWND result = probe::child_at(program.tab(), L"Edit", 8, 158, 256, 80);
  const HWND button = probe::child_at(program.tab(), L"Button", 165, 134, 49, 24);
  ASSERT_TRUE(source && result && button);
  probe::set_window_text(source, L"Open\r\nHelp");
  probe::post_click(button, 10, 10);
  EXPECT_TRUE(wait_until([&] { return probe::window_text(result) == L"打开\r\n帮助\r\n"; }, 10000));
  std::vector<std::string> lines = chat.log_lines(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(test_support::TranslateStandin::logged_param(lines[0], "q"), "Open\nHelp");
  EXPECT_EQ(test_support::TranslateStandin::logged_param(lines[0], "to"), "zh");
  EXPECT_EQ(test_support::TranslateStandin::logged_param(lines[0], "model"), ChatStandin::kModel);

  // The window shows the engine chosen and the endpoint, never the key.
  SettingsWindow settings = open_settings(program);
  ASSERT_NE(settings.window, nullptr);
  ASSERT_EQ(settings.fields.size(), static_cast<size_t>(kFieldCount));
  HWND engine = nullptr;
  for (HWND child : probe::children(settings.window)) {
    if (probe::class_name(child) == L"ComboBox") engine = child;
  }
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(SendMessageW(engine, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(probe::combo_items(engine), std::vector<std::wstring>({L"翻译服务", L"对话模型（OpenAI 兼容接口）"}));
  EXPECT_EQ(probe::window_text(settings.fields[kChatBaseUrl]), wide(ChatStandin::base_url()));
  EXPECT_EQ(probe::window_text(settings.fields[kChatModel]), wide(ChatStandin::kModel));
  EXPECT_EQ(probe::window_text(settings.fields[kChatKey]), L"");
  EXPECT_EQ(probe::window_text(settings.fields[kChatRate]), L"1");
  test_support::take_screenshot(screenshot_path("settings_window_chat"));

  // "测试" with the key and model in the fields: the endpoint's own words
  // on a wrong key and an unknown model, then "hello".
  const struct {
    const char* key;
    const char* model;
    const wchar_t* shown;
  } tried[] = {
      {"sk-typed-wrongly-9999", ChatStandin::kModel, L"Incorrect API key provided: sk-***9999."},
      {ChatStandin::kKey, "no-such-model", L"The model `no-such-model` does not exist."},
      {ChatStandin::kKey, ChatStandin::kModel, L"测试成功。“hello”的译文：hello"},
  };
  for (const auto& t : tried) {
    probe::set_window_text(settings.fields[kChatKey], wide(t.key));
    probe::set_window_text(settings.fields[kChatModel], wide(t.model));
    settings.click(L"测试");
    const Box box = wait_for_box(program, L"设置");
    ASSERT_NE(box.window, nullptr) << t.key;
    EXPECT_TRUE(contains(box.text, t.shown)) << t.key;
    ASSERT_TRUE(close_box(box));
  }
  lines = chat.log_lines(4);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(contains(lines[1], "\"outcome\":\"unauthorized\"")) << lines[1];
  EXPECT_TRUE(contains(lines[2], "\"outcome\":\"no-such-model\"")) << lines[2];
  EXPECT_EQ(test_support::TranslateStandin::logged_param(lines[3], "q"), "hello");
  EXPECT_TRUE(answered_ok(lines[3])) << lines[3];
  EXPECT_TRUE(service.log_lines(0, 0).empty());

  settings.key(settings.fields[kChatKey], VK_ESCAPE);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(settings.window); }, 10000));
  EXPECT_TRUE(program.close());
}

// Last: once this test (foreign demo, crosshair, harvest) has run, Wine
// gives this test process no usable socket any more (connect right after
// socket fails with WSAENOTSOCK), so no stand-in started after it could be
// waited for. The cause lies in the test process, not in the program.
TEST(SettingsEndToEnd, OwnAccountFromTheFileSignsTheQuickAndTheManualRequest) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start(own_account_options()));
  const ProgramFolder folder = program_folder(
      "own", std::string("[service]\r\nHost=") + moqiao::build::kTranslateHost + "\r\nAppId=" +
                 kOwnAppId + "\r\nSecretKey=" + kOwnKey + "\r\n");
  foreign_demo::DemoProcess demo;
  ASSERT_TRUE(demo.start());
  probe::ProgramProcess program;
  ASSERT_TRUE(program.start(folder.exe_unix));
  ASSERT_TRUE(program.close_update_windows());

  ASSERT_NO_FATAL_FAILURE(translate_open_on_the_manual_page(program, service, kOwnAppId));

  // The crosshair held over the demo's first button: the preview's GET.
  ASSERT_TRUE(program.select_page(kCapturePage));
  const HWND crosshair = probe::child_at(program.tab(), L"Static", 10, 44, 60, 60);
  ASSERT_NE(crosshair, nullptr);
  const POINT over = foreign_demo::DemoProcess::centre_of(demo.control(0));
  ASSERT_TRUE(test_support::move_cursor(over, demo.dialog()));
  const size_t logged = service.log_lines(0, 0).size();
  PostMessageW(crosshair, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
  std::vector<std::string> lines;
  EXPECT_TRUE(wait_until(
      [&] {
        lines = service.log_lines(0, 0);
        for (size_t i = logged; i < lines.size(); ++i) {
          if (contains(lines[i], "\"method\":\"GET\"")) return true;
        }
        return false;
      },
      10000));
  PostMessageW(crosshair, WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
  EXPECT_TRUE(wait_until([&] { return probe::window_text(program.main_window()) == L"翻译已完成！"; },
                         15000));
  lines = service.log_lines(0, 0);
  ASSERT_GT(lines.size(), logged);
  for (size_t i = logged; i < lines.size(); ++i) {
    EXPECT_TRUE(contains(lines[i], signed_by(kOwnAppId))) << lines[i];
    EXPECT_TRUE(answered_ok(lines[i])) << lines[i];
  }
  EXPECT_TRUE(program.close());
}

}  // namespace
