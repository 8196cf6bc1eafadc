// The settings file: which values are usable, reading them over the build's
// constants, and writing them back with the secrets protected.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "app/hotkey_text.h"
#include "app/settings.h"
#include "build_constants.h"
#include "platform/user_secret.h"
#include "runtime/codepage.h"
#include "tests/support/test_environment.h"

namespace {

// A settings file with the given bytes, in a scratch folder of its own.
runtime::ProfileFile file_with(const std::string& name, const std::string& bytes) {
  const std::string dir = test_support::scratch_dir_unix("settings-" + name);
  const std::string path = test_support::to_windows_path(dir + "/moqiao.ini");
  std::ofstream(path, std::ios::binary) << bytes;
  return runtime::ProfileFile(path);
}

TEST(SettingValues, HotkeysReadBackAsTheyAreWritten) {
  const struct {
    const char* text;
    UINT modifiers;
    UINT key;
    const char* written;
  } cases[] = {
      {"Ctrl+Alt+T", MOD_CONTROL | MOD_ALT, 'T', "Ctrl+Alt+T"},
      {"alt+CONTROL+r", MOD_CONTROL | MOD_ALT, 'R', "Ctrl+Alt+R"},
      {"Win+Shift+F7", MOD_WIN | MOD_SHIFT, VK_F7, "Shift+Win+F7"},
      {"Ctrl+Alt+5", MOD_CONTROL | MOD_ALT, '5', "Ctrl+Alt+5"},
      {"无", 0, 0, "无"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    app::Hotkey hotkey;
    ASSERT_TRUE(app::parse_hotkey(c.text, &hotkey));
    EXPECT_EQ(hotkey.modifiers, c.modifiers);
    EXPECT_EQ(hotkey.key, c.key);
    EXPECT_EQ(app::hotkey_text(hotkey), c.written);
  }
}

std::string file_text(const runtime::FilePath& path) {
  std::ifstream in(path.text(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every field's value, for comparing whole settings.
std::vector<std::string> values_of(const app::Settings& settings) {
  std::vector<std::string> values;
  for (const app::SettingField& field : app::setting_fields()) values.push_back(field.get(settings));
  return values;
}

std::vector<std::string> keys_of(const std::vector<app::SettingProblem>& problems) {
  std::vector<std::string> keys;
  for (const app::SettingProblem& problem : problems) keys.push_back(problem.key);
  return keys;
}

std::string protected_form(const std::string& secret) {
  std::string protected_text;
  EXPECT_TRUE(platform::protect_for_user(secret, &protected_text));
  return protected_text;
}

std::string utf16le(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) bytes += std::string(1, c) + '\0';
  return bytes;
}

const std::string kOwnService =
    "[service]\r\nHost=api.example.com\r\nAppId=20260101000000001\r\nSecretKey=OwnKey123\r\n";

void own_service(app::Settings* s) {
  s->service.host = "api.example.com";
  s->service.app_id = "20260101000000001";
  s->service.secret_key = "OwnKey123";
}

TEST(SettingValues, UsableOnlyWhenRequestsCanCarryThem) {
  struct Case {
    bool (*usable)(std::string_view);
    const char* text;
    bool expected;
  } const cases[] = {
      {&app::usable_service_host, "api.example.com", true},
      {&app::usable_service_host, "127.0.0.1:8090", true},
      {&app::usable_service_host, "", false},
      {&app::usable_service_host, "api example.com", false},
      {&app::usable_service_host, "host:0", false},
      {&app::usable_service_host, "host:65536", false},
      {&app::usable_service_host, "host:", false},
      {&app::usable_service_host, "http://host", false},
      {&app::usable_service_host, "host/path", false},
      {&app::usable_mail_host, "smtp.example.com", true},
      {&app::usable_mail_host, "smtp.example.com:25", false},
      {&app::usable_app_id, "20260101000000001", true},
      {&app::usable_app_id, "", false},
      {&app::usable_app_id, "2026 0101", false},
      {&app::usable_app_id, "2026&sign=x", false},
      {&app::usable_secret, "Kq7TzW2mRp9LxBv4NcHs", true},
      {&app::usable_secret, "", false},
      {&app::usable_secret, "line\nbreak", false},
      {&app::usable_rate, "1", true},
      {&app::usable_rate, "0.5", true},
      {&app::usable_rate, "10", true},
      {&app::usable_rate, "0.1", true},
      {&app::usable_rate, "100", true},
      {&app::usable_rate, "0.01", false},
      {&app::usable_rate, "0.0000000000000000000000000000001", false},
      {&app::usable_rate, "100.5", false},
      {&app::usable_rate, "0", false},
      {&app::usable_rate, "0.0", false},
      {&app::usable_rate, "-1", false},
      {&app::usable_rate, "abc", false},
      {&app::usable_rate, "1e3", false},
      {&app::usable_rate, "inf", false},
      {&app::usable_rate, ".", false},
      {&app::usable_rate, "1.2.3", false},
      {&app::usable_hotkey, "Ctrl+Alt+T", true},
      {&app::usable_hotkey, " ctrl + shift + f12 ", true},
      {&app::usable_hotkey, "Win+R", true},
      {&app::usable_hotkey, "无", true},  // none
      {&app::usable_hotkey, "Shift+T", false},  // would take a capital letter from typing
      {&app::usable_hotkey, "Ctrl+Alt+", false},
      {&app::usable_hotkey, "Ctrl+Ctrl+T", false},
      {&app::usable_hotkey, "Ctrl+Alt+TT", false},
      {&app::usable_hotkey, "Ctrl+F25", false},
      {&app::usable_hotkey, "Ctrl+F0", false},
      {&app::usable_hotkey, "T", false},
      {&app::usable_port, "1", true},
      {&app::usable_port, "65535", true},
      {&app::usable_port, "0", false},
      {&app::usable_port, "65536", false},
      {&app::usable_port, "99999999999", false},
      {&app::usable_port, "25a", false},
      {&app::usable_address, "someone@example.com", true},
      {&app::usable_address, "some one@example.com", false},
      {&app::usable_address, "", false},
      {&app::usable_engine, "service", true},
      {&app::usable_engine, "chat", true},
      {&app::usable_engine, "Chat", false},
      {&app::usable_engine, "", false},
      {&app::usable_base_url, "http://127.0.0.1:11434/v1", true},
      {&app::usable_base_url, "https://api.example.com/v1", true},
      {&app::usable_base_url, "https://api.example.com", true},
      {&app::usable_base_url, "127.0.0.1:11434/v1", false},
      {&app::usable_base_url, "ftp://example.com/v1", false},
      {&app::usable_base_url, "http:///v1", false},
      {&app::usable_base_url, "http://", false},
      {&app::usable_base_url, "http://my host/v1", false},
      {&app::usable_model, "qwen2.5:7b", true},
      {&app::usable_model, "", false},
      {&app::usable_model, "my model", false},
      {&app::usable_api_key, "sk-abc123", true},
      {&app::usable_api_key, "", true},  // a local server needs none
      {&app::usable_api_key, "sk-\r\nX-Injected: 1", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.usable(c.text), c.expected) << c.text;
}

TEST(SettingsFile, UnitsOverrideTheConstantsWholeOrNotAtAll) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::string> problems;
    void (*change)(app::Settings*);  // what differs from the constants
    const char* reason = "";         // in the first problem's reason
  } const cases[] = {
      {"missing", "", {}, [](app::Settings*) {}},
      {"own account",
       kOwnService + "RequestsPerSecond=0.5\r\n[update]\r\nHost=updates.example.com:8080\r\n"
                     "[mail]\r\nHost=smtp.example.com\r\nPort=587\r\nUser=me@example.com\r\n"
                     "Password=MailPass\r\n",
       {},
       [](app::Settings* s) {
         own_service(s);
         s->service.requests_per_second = 0.5;
         s->update_host = "updates.example.com:8080";
         s->mail.host = "smtp.example.com";
         s->mail.port = 587;
         s->mail.user = "me@example.com";
         s->mail.password = "MailPass";
       }},
      {"unusable single values",
       "[service]\r\nRequestsPerSecond=fast\r\n[update]\r\nHost=my host\r\n[mail]\r\nTo=\r\n",
       {"[service] RequestsPerSecond", "[update] Host", "[mail] To"}, [](app::Settings*) {},
       "每秒请求数"},
      // The user's AppId with the built-in key would fail every request.
      {"key another user protected",
       "[service]\r\nHost=api.example.com\r\nAppId=20260101000000001\r\n"
       "SecretKeyProtected=bm90IHByb3RlY3RlZA==\r\nRequestsPerSecond=2\r\n",
       {"[service] SecretKeyProtected"},
       [](app::Settings* s) { s->service.requests_per_second = 2; }, "Windows 用户无法解密"},
      {"unusable app id", "[service]\r\nHost=api.example.com\r\nAppId=\r\nSecretKey=OwnKey123\r\n",
       {"[service] AppId"}, [](app::Settings*) {}, "APP ID"},
      {"account without key", "[service]\r\nAppId=20260101000000001\r\n",
       {"[service] Host", "[service] SecretKey 或 SecretKeyProtected"}, [](app::Settings*) {},
       "没有写"},
      // The built-in password must never go to the user's mail server.
      {"mail host without password",
       "[mail]\r\nHost=smtp.example.com\r\nPort=25\r\nUser=me@example.com\r\nFrom=me@example.com\r\n",
       {"[mail] Password 或 PasswordProtected"},
       [](app::Settings* s) { s->mail.from = "me@example.com"; }, "没有写"},
      {"plain key beside an unreadable protected one",
       "[service]\r\nHost=api.example.com\r\nAppId=20260101000000001\r\nSecretKeyProtected=%%%\r\n"
       "SecretKey=OwnKey123\r\n",
       {}, &own_service},
      {"plain key beside a readable protected one",
       "[service]\r\nHost=api.example.com\r\nAppId=20260101000000001\r\nSecretKeyProtected=" +
           protected_form("OldKey") + "\r\nSecretKey=OwnKey123\r\n",
       {}, &own_service},
      {"protected key alone",
       "[service]\r\nHost=api.example.com\r\nAppId=20260101000000001\r\nSecretKeyProtected=" +
           protected_form("OwnKey123") + "\r\n",
       {}, &own_service},
      {"utf-8 with byte-order mark", "\xEF\xBB\xBF" + kOwnService, {}, &own_service},
      {"utf-8 without byte-order mark",
       std::string(u8"; 我的账号\r\n") + kOwnService +
           u8"[mail]\r\nHost=smtp.example.com\r\nPort=25\r\nUser=me\r\nPassword=密码1\r\n",
       {},
       [](app::Settings* s) {
         own_service(s);
         s->mail.host = "smtp.example.com";
         s->mail.port = 25;
         s->mail.user = "me";
         s->mail.password = "密码1";
       }},
      {"gbk", "; 我的账号\r\n" + kOwnService, {}, &own_service},
      {"utf-16", utf16le(kOwnService), {}, &own_service},
      {"names in any case, quotes and spaces",
       "[SERVICE]\nhost = api.example.com\nAPPID=\"20260101000000001\"\n  SecretKey=  OwnKey123\n",
       {}, &own_service},
      // A rate the pacer could not keep (0.01: one request in 105 s).
      {"rate out of range", "[service]\r\nRequestsPerSecond=0.01\r\n",
       {"[service] RequestsPerSecond"}, [](app::Settings*) {}, "0.1 到 100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const app::ReadSettings read = app::read_settings(file_with(c.name, c.bytes));
    EXPECT_EQ(keys_of(read.problems), c.problems);
    if (!read.problems.empty()) {
      EXPECT_NE(read.problems.front().reason.find(c.reason), std::string::npos)
          << read.problems.front().reason;
    }
    app::Settings expected = app::built_in_settings();
    c.change(&expected);
    EXPECT_EQ(values_of(read.values), values_of(expected));
  }
  const app::ReadSettings read =
      app::read_settings(file_with("notice", "[service]\r\nAppId=1\r\n[mail]\r\nPort=70000\r\n"));
  const std::string notice = app::unusable_settings_notice(read.problems);
  for (const char* part : {"moqiao.ini", "[service] Host", "翻译服务账号整组改用内置的值", "[mail] Port",
                           "1 到 65535", "发信账号整组改用内置的值"}) {
    EXPECT_NE(notice.find(part), std::string::npos) << part << " in " << notice;
  }
  EXPECT_EQ(app::unusable_settings_notice({}), "");
}

TEST(SettingsFile, SavingProtectsSecretsAndWritesWholeUnitsThatDiffer) {
  runtime::ProfileFile file = file_with(
      "save", "\xEF\xBB\xBF; kept\r\n[service]\r\nSecretKey=PlainOld\r\nAppId=1\r\n[mail]\r\n"
              "Password=PlainMail\r\n[hotkeys]\r\nOther=1\r\n");
  app::Settings chosen = app::built_in_settings();
  chosen.service.app_id = "20260101000000002";
  chosen.service.secret_key = "NewSecretKey42";
  chosen.service.requests_per_second = 2;
  ASSERT_TRUE(app::write_settings(file, chosen));

  const std::string text = file_text(file.path());
  for (const char* absent : {"SecretKey=", "PlainOld", "NewSecretKey42", "Password", "PlainMail",
                             "Port", ".tmp"}) {
    EXPECT_EQ(text.find(absent), std::string::npos) << absent << " in\n" << text;
  }
  for (const std::string& present :
       {std::string("\xEF\xBB\xBF; kept\r\n[service]\r\n"), std::string("SecretKeyProtected="),
        "Host=" + std::string(moqiao::build::kTranslateHost), std::string("AppId=20260101000000002"),
        std::string("RequestsPerSecond=2"), std::string("[hotkeys]\r\nOther=1\r\n")}) {
    EXPECT_NE(text.find(present), std::string::npos) << present << " in\n" << text;
  }

  const app::ReadSettings read = app::read_settings(runtime::ProfileFile(file.path()));
  EXPECT_TRUE(read.problems.empty());
  EXPECT_EQ(read.values.service.app_id, "20260101000000002");
  EXPECT_EQ(read.values.service.secret_key, "NewSecretKey42");
  EXPECT_EQ(read.values.service.requests_per_second, 2);
  EXPECT_EQ(read.values.mail.password, moqiao::build::kSmtpPassword);

  // Back to the constants: nothing of them is left in the file.
  ASSERT_TRUE(app::write_settings(file, app::built_in_settings()));
  const std::string emptied = file_text(file.path());
  for (const char* absent : {"AppId", "SecretKey", "RequestsPerSecond", "Host"}) {
    EXPECT_EQ(emptied.find(absent), std::string::npos) << absent << " in\n" << emptied;
  }
}

// A save that fails half-way leaves the file as it was, and a reader during
// saves sees one whole file or the other.
TEST(SettingsFile, ASaveReplacesTheFileWholeOrNotAtAll) {
  const std::string old_text = kOwnService;
  app::Settings chosen = app::built_in_settings();
  chosen.service.app_id = "20260101000000009";
  chosen.service.secret_key = "Replaced";
  struct Case {
    const char* name;
    bool saves;
    // Gets in the way of the save; returns what to release afterwards.
    std::function<std::shared_ptr<void>(const std::wstring& ini)> obstacle;
  } const cases[] = {
      {"nothing in the way", true, [](const std::wstring&) { return nullptr; }},
      {"ini held open by another program", false,
       [](const std::wstring& ini) -> std::shared_ptr<void> {
         HANDLE held = CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
         EXPECT_NE(held, INVALID_HANDLE_VALUE);
         return std::shared_ptr<void>(held, &CloseHandle);
       }},
      {"temporary name taken by a folder", false,
       [](const std::wstring& ini) -> std::shared_ptr<void> {
         const std::wstring folder = ini + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
         EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
         return std::shared_ptr<void>(nullptr, [folder](void*) { RemoveDirectoryW(folder.c_str()); });
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    runtime::ProfileFile file = file_with(std::string("atomic-") + c.name, old_text);
    {
      const std::shared_ptr<void> in_the_way = c.obstacle(file.path().wide());
      EXPECT_EQ(app::write_settings(file, chosen), c.saves);
    }
    const app::ReadSettings read = app::read_settings(runtime::ProfileFile(file.path()));
    EXPECT_EQ(read.values.service.app_id, c.saves ? "20260101000000009" : "20260101000000001");
    if (!c.saves) {
      EXPECT_EQ(file_text(file.path()), old_text);
    }
    // No temporary file stays behind.
    const std::string dir = file.path().text().substr(0, file.path().text().rfind('\\'));
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(runtime::widen(dir + "\\*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
  }

  // Two accounts saved in turn while another reader reads the file.
  runtime::ProfileFile file = file_with("atomic-readers", old_text);
  std::atomic<bool> saving{true};
  std::thread saver([&] {
    for (int i = 0; i < 40; ++i) app::write_settings(file, i % 2 ? chosen : app::built_in_settings());
    saving = false;
  });
  int reads = 0;
  while (saving || reads == 0) {
    const app::ReadSettings read = app::read_settings(runtime::ProfileFile(file.path()));
    EXPECT_TRUE(read.problems.empty()) << keys_of(read.problems).front();
    const std::string app_id = read.values.service.app_id;
    EXPECT_TRUE(app_id == moqiao::build::kAppId || app_id == "20260101000000009" ||
                app_id == "20260101000000001")
        << app_id;
    ++reads;
  }
  saver.join();
  EXPECT_GT(reads, 1);
}

TEST(SettingsFile, TheChatEngineIsReadAndSavedWithItsKeyProtected) {
  const translate::ChatAccount local = translate::built_in_chat_account();
  struct Case {
    const char* name;
    std::string lines;
    std::vector<std::string> unusable;
    translate::Engine engine;
    std::string base_url, model, api_key;
    double rate;
  } const cases[] = {
      {"chat missing", "", {}, translate::Engine::kService, local.base_url, local.model, "", 1},
      {"hosted model",
       "[translate]\r\nEngine=chat\r\n[chat]\r\nBaseUrl=https://api.example.com/v1\r\n"
       "Model=deepseek-chat\r\nApiKey=sk-abc123\r\nRequestsPerSecond=3\r\n",
       {}, translate::Engine::kChat, "https://api.example.com/v1", "deepseek-chat", "sk-abc123", 3},
      {"local model without a key",
       "[translate]\r\nEngine=chat\r\n[chat]\r\nModel=llama3.1:8b\r\nApiKey=\r\n",
       {}, translate::Engine::kChat, local.base_url, "llama3.1:8b", "", 1},
      {"chat unusable",
       "[translate]\r\nEngine=gpt\r\n[chat]\r\nBaseUrl=api.example.com\r\nModel=\r\n"
       "RequestsPerSecond=0\r\n",
       {"[translate] Engine", "[chat] BaseUrl", "[chat] Model", "[chat] RequestsPerSecond"},
       translate::Engine::kService, local.base_url, local.model, "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const app::ReadSettings read = app::read_settings(file_with(c.name, c.lines));
    EXPECT_EQ(keys_of(read.problems), c.unusable);
    EXPECT_EQ(read.values.engine, c.engine);
    EXPECT_EQ(read.values.chat.base_url, c.base_url);
    EXPECT_EQ(read.values.chat.model, c.model);
    EXPECT_EQ(read.values.chat.api_key, c.api_key);
    EXPECT_EQ(read.values.chat.requests_per_second, c.rate);
  }

  runtime::ProfileFile file = file_with("save-chat", "[chat]\r\nApiKey=sk-plain-old\r\n");
  app::Settings chosen = app::built_in_settings();
  chosen.engine = translate::Engine::kChat;
  chosen.chat = {"https://api.example.com/v1", "deepseek-chat", "sk-new-key-77", 2};
  ASSERT_TRUE(app::write_settings(file, chosen));
  const std::string text = file_text(file.path());
  EXPECT_NE(text.find("Engine=chat"), std::string::npos) << text;
  EXPECT_NE(text.find("ApiKeyProtected="), std::string::npos) << text;
  for (const char* absent : {"ApiKey=", "sk-plain-old", "sk-new-key-77"}) {
    EXPECT_EQ(text.find(absent), std::string::npos) << absent << " in\n" << text;
  }
  const app::ReadSettings read = app::read_settings(file);
  EXPECT_TRUE(read.problems.empty());
  EXPECT_EQ(read.values.engine, translate::Engine::kChat);
  EXPECT_EQ(read.values.chat.api_key, "sk-new-key-77");
  EXPECT_EQ(read.values.chat.base_url, "https://api.example.com/v1");
}

}  // namespace
