// The settings file: which values are usable, reading them over the build's
// constants, and writing them back with the secrets protected.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "build_constants.h"
#include "tests/support/test_environment.h"

namespace {

// A settings file with the given lines, in a scratch folder of its own.
runtime::ProfileFile file_with(const std::string& name, const std::string& lines) {
  const std::string dir = test_support::scratch_dir_unix("settings-" + name);
  const std::string path = test_support::to_windows_path(dir + "/moqiao.ini");
  std::ofstream(path, std::ios::binary) << lines;
  return runtime::ProfileFile(path);
}

std::string file_text(const runtime::ProfileFile& file) {
  std::ifstream in(file.path(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
      {&app::usable_rate, "0", false},
      {&app::usable_rate, "0.0", false},
      {&app::usable_rate, "-1", false},
      {&app::usable_rate, "abc", false},
      {&app::usable_rate, "1e3", false},
      {&app::usable_rate, "inf", false},
      {&app::usable_rate, ".", false},
      {&app::usable_rate, "1.2.3", false},
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

TEST(SettingsFile, UsableValuesOverrideTheConstantsAndOthersAreNamed) {
  struct Case {
    const char* name;
    std::string lines;
    std::vector<std::string> unusable;
    std::string app_id, secret_key, host, update_host, mail_host;
    double rate;
    int port;
  } const cases[] = {
      {"missing", "", {}, moqiao::build::kAppId, moqiao::build::kSecretKey,
       moqiao::build::kTranslateHost, moqiao::build::kUpdateHost, moqiao::build::kSmtpHost,
       moqiao::build::kServiceQps, moqiao::build::kSmtpPort},
      {"own account",
       "[service]\r\nHost=api.example.com\r\nAppId=20260101000000001\r\nSecretKey=OwnKey123\r\n"
       "RequestsPerSecond=0.5\r\n[update]\r\nHost=updates.example.com:8080\r\n"
       "[mail]\r\nHost=smtp.example.com\r\nPort=587\r\n",
       {}, "20260101000000001", "OwnKey123", "api.example.com", "updates.example.com:8080",
       "smtp.example.com", 0.5, 587},
      {"unusable",
       "[service]\r\nAppId=\r\nSecretKeyProtected=bm90IHByb3RlY3RlZA==\r\n"
       "RequestsPerSecond=fast\r\n[update]\r\nHost=my host\r\n[mail]\r\nPort=70000\r\n",
       {"[service] AppId", "[service] SecretKeyProtected", "[service] RequestsPerSecond",
        "[update] Host", "[mail] Port"},
       moqiao::build::kAppId, moqiao::build::kSecretKey, moqiao::build::kTranslateHost,
       moqiao::build::kUpdateHost, moqiao::build::kSmtpHost, moqiao::build::kServiceQps,
       moqiao::build::kSmtpPort},
      // A protected value that cannot be read back leaves the plain one in force.
      {"plain after protected",
       "[service]\r\nSecretKeyProtected=%%%\r\nSecretKey=HandWritten\r\n",
       {"[service] SecretKeyProtected"}, moqiao::build::kAppId, "HandWritten",
       moqiao::build::kTranslateHost, moqiao::build::kUpdateHost, moqiao::build::kSmtpHost,
       moqiao::build::kServiceQps, moqiao::build::kSmtpPort},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const app::ReadSettings read = app::read_settings(file_with(c.name, c.lines));
    EXPECT_EQ(read.unusable, c.unusable);
    EXPECT_EQ(read.values.service.app_id, c.app_id);
    EXPECT_EQ(read.values.service.secret_key, c.secret_key);
    EXPECT_EQ(read.values.service.host, c.host);
    EXPECT_EQ(read.values.service.requests_per_second, c.rate);
    EXPECT_EQ(read.values.update_host, c.update_host);
    EXPECT_EQ(read.values.mail.host, c.mail_host);
    EXPECT_EQ(read.values.mail.port, c.port);
  }
  const std::string notice = app::unusable_settings_notice({"[service] AppId", "[mail] Port"});
  EXPECT_NE(notice.find("moqiao.ini"), std::string::npos);
  EXPECT_NE(notice.find("[service] AppId"), std::string::npos);
  EXPECT_NE(notice.find("[mail] Port"), std::string::npos);
  EXPECT_EQ(app::unusable_settings_notice({}), "");
}

TEST(SettingsFile, SavingProtectsSecretsAndKeepsOnlyWhatDiffersFromTheConstants) {
  runtime::ProfileFile file = file_with(
      "save", "[service]\r\nSecretKey=PlainOld\r\nAppId=1\r\n[mail]\r\nPassword=PlainMail\r\n");
  app::Settings chosen = app::built_in_settings();
  chosen.service.app_id = "20260101000000002";
  chosen.service.secret_key = "NewSecretKey42";
  chosen.service.requests_per_second = 2;
  ASSERT_TRUE(app::write_settings(file, chosen));

  const std::string text = file_text(file);
  for (const char* absent : {"SecretKey=", "PlainOld", "NewSecretKey42", "Password", "PlainMail",
                             "Host", "Port"}) {
    EXPECT_EQ(text.find(absent), std::string::npos) << absent << " in\n" << text;
  }
  EXPECT_NE(text.find("SecretKeyProtected="), std::string::npos) << text;
  EXPECT_NE(text.find("AppId=20260101000000002"), std::string::npos) << text;
  EXPECT_NE(text.find("RequestsPerSecond=2"), std::string::npos) << text;

  const app::ReadSettings read = app::read_settings(file);
  EXPECT_TRUE(read.unusable.empty());
  EXPECT_EQ(read.values.service.app_id, "20260101000000002");
  EXPECT_EQ(read.values.service.secret_key, "NewSecretKey42");
  EXPECT_EQ(read.values.service.requests_per_second, 2);
  EXPECT_EQ(read.values.mail.password, moqiao::build::kSmtpPassword);

  // Back to the constants: nothing of them is left in the file.
  ASSERT_TRUE(app::write_settings(file, app::built_in_settings()));
  const std::string emptied = file_text(file);
  for (const char* absent : {"AppId", "SecretKey", "RequestsPerSecond"}) {
    EXPECT_EQ(emptied.find(absent), std::string::npos) << absent << " in\n" << emptied;
  }
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
    EXPECT_EQ(read.unusable, c.unusable);
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
  const std::string text = file_text(file);
  EXPECT_NE(text.find("Engine=chat"), std::string::npos) << text;
  EXPECT_NE(text.find("ApiKeyProtected="), std::string::npos) << text;
  for (const char* absent : {"ApiKey=", "sk-plain-old", "sk-new-key-77"}) {
    EXPECT_EQ(text.find(absent), std::string::npos) << absent << " in\n" << text;
  }
  const app::ReadSettings read = app::read_settings(file);
  EXPECT_TRUE(read.unusable.empty());
  EXPECT_EQ(read.values.engine, translate::Engine::kChat);
  EXPECT_EQ(read.values.chat.api_key, "sk-new-key-77");
  EXPECT_EQ(read.values.chat.base_url, "https://api.example.com/v1");
}

}  // namespace
