#include "app/settings.h"

#include <cmath>
#include <cstdlib>

#include "app/state.h"
#include "app/timed_notice.h"
#include "platform/user_secret.h"
#include "runtime/system.h"
#include "runtime/text.h"

namespace app {
namespace {

constexpr char kFileName[] = "moqiao.ini";
constexpr char kServiceEngine[] = "service";
constexpr char kChatEngine[] = "chat";
constexpr size_t kLongestValue = 256;

bool is_ascii_letter_or_digit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool all_digits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Printable ASCII without spaces: what goes into a URL, a form or an SMTP
// command as it is must not be able to split or end it.
bool printable_without_spaces(std::string_view text) {
  if (text.empty() || text.size() > kLongestValue) return false;
  for (char c : text) {
    if (c <= ' ' || c >= 0x7F) return false;
  }
  return true;
}

bool usable_host_name(std::string_view host) {
  if (host.empty() || host.size() > kLongestValue) return false;
  for (char c : host) {
    if (!is_ascii_letter_or_digit(c) && c != '.' && c != '-' && c != '_') return false;
  }
  return true;
}

double rate_of(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

std::string key_name(const char* section, const char* key) {
  return std::string("[") + section + "] " + key;
}

const Settings& built_in() {
  static const Settings* const settings = new Settings(built_in_settings());
  return *settings;
}

}  // namespace

bool usable_service_host(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return usable_host_name(text);
  return usable_host_name(text.substr(0, colon)) && usable_port(text.substr(colon + 1));
}

bool usable_mail_host(std::string_view text) { return usable_host_name(text); }

bool usable_app_id(std::string_view text) {
  if (text.empty() || text.size() > kLongestValue) return false;
  for (char c : text) {
    if (!is_ascii_letter_or_digit(c)) return false;
  }
  return true;
}

bool usable_secret(std::string_view text) {
  if (text.empty() || text.size() > kLongestValue) return false;
  for (char c : text) {
    if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) return false;
  }
  return true;
}

bool usable_rate(std::string_view text) {
  // Digits with at most one decimal point: no signs, exponents, "inf" or "nan".
  if (text.empty() || text.size() > 16 || text == ".") return false;
  bool point = false;
  for (char c : text) {
    if (c == '.') {
      if (point) return false;
      point = true;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  const double rate = rate_of(std::string(text));
  return std::isfinite(rate) && rate > 0;
}

bool usable_port(std::string_view text) {
  if (!all_digits(text) || text.size() > 5) return false;
  const long port = std::strtol(std::string(text).c_str(), nullptr, 10);
  return port >= 1 && port <= 65535;
}

bool usable_address(std::string_view text) { return printable_without_spaces(text); }

bool usable_engine(std::string_view text) { return text == kServiceEngine || text == kChatEngine; }

bool usable_base_url(std::string_view text) {
  if (!printable_without_spaces(text)) return false;
  for (const std::string_view scheme : {"http://", "https://"}) {
    if (text.substr(0, scheme.size()) == scheme) {
      const std::string_view rest = text.substr(scheme.size());
      return !rest.empty() && rest.front() != '/';
    }
  }
  return false;
}

bool usable_model(std::string_view text) { return printable_without_spaces(text); }

// A local model server needs no key: an empty one is a choice, not a mistake.
bool usable_api_key(std::string_view text) { return text.empty() || usable_secret(text); }

Settings built_in_settings() {
  return Settings{translate::built_in_service_account(), update::built_in_update_host(),
                  update::built_in_mail_account(), translate::Engine::kService,
                  translate::built_in_chat_account()};
}

Settings settings_in_force() {
  return Settings{translate::current_service_account(), update::current_update_host(),
                  update::current_mail_account(), translate::current_engine(),
                  translate::current_chat_account()};
}

const std::vector<SettingField>& setting_fields() {
  static const std::vector<SettingField>* const fields = new std::vector<SettingField>{
      {"service", "Host", nullptr, "翻译服务地址", "主机名或 IP 地址，可带“:端口”，不能有空格",
       &usable_service_host, [](const Settings& s) { return s.service.host; },
       [](Settings* s, const std::string& v) { s->service.host = v; }},
      {"service", "AppId", nullptr, "APP ID", "不能为空，只能由字母和数字组成", &usable_app_id,
       [](const Settings& s) { return s.service.app_id; },
       [](Settings* s, const std::string& v) { s->service.app_id = v; }},
      {"service", "SecretKey", "SecretKeyProtected", "密钥", "不能为空，不能含控制字符",
       &usable_secret, [](const Settings& s) { return s.service.secret_key; },
       [](Settings* s, const std::string& v) { s->service.secret_key = v; }},
      {"service", "RequestsPerSecond", nullptr, "每秒请求数", "应为大于 0 的数字，例如 1 或 0.5",
       &usable_rate,
       [](const Settings& s) { return runtime::double_to_text(s.service.requests_per_second); },
       [](Settings* s, const std::string& v) { s->service.requests_per_second = rate_of(v); }},
      {"translate", "Engine", nullptr, "翻译引擎", "应为 service 或 chat", &usable_engine,
       [](const Settings& s) {
         return std::string(s.engine == translate::Engine::kChat ? kChatEngine : kServiceEngine);
       },
       [](Settings* s, const std::string& v) {
         s->engine = v == kChatEngine ? translate::Engine::kChat : translate::Engine::kService;
       },
       {{kServiceEngine, "翻译服务"}, {kChatEngine, "对话模型（OpenAI 兼容接口）"}}},
      {"chat", "BaseUrl", nullptr, "接口地址",
       "应为以 http:// 或 https:// 开头的网址，例如 http://127.0.0.1:11434/v1，不能有空格",
       &usable_base_url, [](const Settings& s) { return s.chat.base_url; },
       [](Settings* s, const std::string& v) { s->chat.base_url = v; }},
      {"chat", "Model", nullptr, "模型", "不能为空，不能有空格", &usable_model,
       [](const Settings& s) { return s.chat.model; },
       [](Settings* s, const std::string& v) { s->chat.model = v; }},
      {"chat", "ApiKey", "ApiKeyProtected", "API 密钥", "不能含控制字符", &usable_api_key,
       [](const Settings& s) { return s.chat.api_key; },
       [](Settings* s, const std::string& v) { s->chat.api_key = v; }},
      {"chat", "RequestsPerSecond", nullptr, "每秒请求次数", "应为大于 0 的数字，例如 1 或 0.5",
       &usable_rate,
       [](const Settings& s) { return runtime::double_to_text(s.chat.requests_per_second); },
       [](Settings* s, const std::string& v) { s->chat.requests_per_second = rate_of(v); }},
      {"update", "Host", nullptr, "更新服务器地址", "主机名或 IP 地址，可带“:端口”，不能有空格",
       &usable_service_host, [](const Settings& s) { return s.update_host; },
       [](Settings* s, const std::string& v) { s->update_host = v; }},
      {"mail", "Host", nullptr, "发信服务器", "主机名或 IP 地址，不能有空格", &usable_mail_host,
       [](const Settings& s) { return s.mail.host; },
       [](Settings* s, const std::string& v) { s->mail.host = v; }},
      {"mail", "Port", nullptr, "端口", "应为 1 到 65535 之间的整数", &usable_port,
       [](const Settings& s) { return std::to_string(s.mail.port); },
       [](Settings* s, const std::string& v) { s->mail.port = std::atoi(v.c_str()); }},
      {"mail", "User", nullptr, "邮箱用户名", "不能为空，不能有空格", &usable_address,
       [](const Settings& s) { return s.mail.user; },
       [](Settings* s, const std::string& v) { s->mail.user = v; }},
      {"mail", "Password", "PasswordProtected", "邮箱密码", "不能为空，不能含控制字符",
       &usable_secret, [](const Settings& s) { return s.mail.password; },
       [](Settings* s, const std::string& v) { s->mail.password = v; }},
      {"mail", "From", nullptr, "发件地址", "不能为空，不能有空格", &usable_address,
       [](const Settings& s) { return s.mail.from; },
       [](Settings* s, const std::string& v) { s->mail.from = v; }},
      {"mail", "To", nullptr, "收件地址", "不能为空，不能有空格", &usable_address,
       [](const Settings& s) { return s.mail.to; },
       [](Settings* s, const std::string& v) { s->mail.to = v; }},
  };
  return *fields;
}

runtime::ProfileFile settings_file() {
  return runtime::ProfileFile(runtime::run_dir() + "\\" + kFileName);
}

ReadSettings read_settings(const runtime::ProfileFile& file) {
  ReadSettings result{built_in(), {}};
  for (const SettingField& field : setting_fields()) {
    // The protected form is what the window wrote, so it wins; when it
    // cannot be read back, a plain value written by hand may still serve.
    if (field.protected_key) {
      if (const auto stored = file.read(field.section, field.protected_key)) {
        std::string secret;
        if (platform::unprotect_for_user(runtime::trim(*stored), &secret) &&
            field.usable(secret)) {
          field.set(&result.values, secret);
          continue;
        }
        result.unusable.push_back(key_name(field.section, field.protected_key));
      }
    }
    if (const auto stored = file.read(field.section, field.key)) {
      const std::string text = runtime::trim(*stored);
      if (field.usable(text)) {
        field.set(&result.values, text);
      } else {
        result.unusable.push_back(key_name(field.section, field.key));
      }
    }
  }
  return result;
}

bool write_settings(runtime::ProfileFile& file, const Settings& chosen) {
  bool written = true;
  for (const SettingField& field : setting_fields()) {
    const std::string value = field.get(chosen);
    const bool differs = value != field.get(built_in());
    if (!field.protected_key) {
      written &= differs ? file.write(field.section, field.key, value)
                         : file.remove(field.section, field.key);
      continue;
    }
    written &= file.remove(field.section, field.key);
    if (!differs) {
      written &= file.remove(field.section, field.protected_key);
      continue;
    }
    std::string protected_value;
    written &= platform::protect_for_user(value, &protected_value) &&
               file.write(field.section, field.protected_key, protected_value);
  }
  return written;
}

void apply_settings(const Settings& settings) {
  translate::set_service_account(settings.service);
  translate::set_engine(settings.engine);
  translate::set_chat_account(settings.chat);
  update::set_update_host(settings.update_host);
  update::set_mail_account(settings.mail);
  // The plain translator signs with the application state's account, which
  // start-up fills once the main window is ready; until then it stays empty.
  AppState& s = state();
  if (!s.app_id.get().empty()) {
    s.app_id.set(settings.service.app_id);
    s.secret_key.set(settings.service.secret_key);
  }
}

std::string unusable_settings_notice(const std::vector<std::string>& keys) {
  if (keys.empty()) return {};
  std::string list;
  for (const std::string& key : keys) list += (list.empty() ? "" : "、") + key;
  return std::string("设置文件 ") + kFileName + " 中这些值无法使用，已改用程序内置的值：" + list;
}

std::vector<std::string> load_settings() {
  ReadSettings read = read_settings(settings_file());
  apply_settings(read.values);
  return std::move(read.unusable);
}

void report_unusable_settings(const std::vector<std::string>& keys) {
  if (!keys.empty()) show_timed_notice(unusable_settings_notice(keys));
}

}  // namespace app
