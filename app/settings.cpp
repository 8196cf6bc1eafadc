#include "app/settings.h"

#include <cmath>
#include <cstdlib>

#include "app/hotkey_text.h"
#include "app/state.h"
#include "app/timed_notice.h"
#include "platform/user_secret.h"
#include "runtime/system.h"
#include "runtime/text.h"
#include "translate/service_pacer.h"

namespace app {
namespace {

constexpr char kFileName[] = "moqiao.ini";
constexpr char kServiceEngine[] = "service";
constexpr char kChatEngine[] = "chat";
constexpr size_t kLongestValue = 256;
constexpr char kHotkeyRule[] = "应写成“Ctrl+Alt+T”这样的组合键（需有 Ctrl、Alt 或 Win），或填“无”";

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

// One field's value as the file gives it.
struct FieldReading {
  enum class State { kMissing, kUsable, kUnusable } state = State::kMissing;
  std::string value;
  std::string key;     // the key it was read from
  std::string reason;  // when unusable
};

FieldReading read_field(const runtime::ProfileFile& file, const SettingField& field) {
  FieldReading reading;
  // A plain value beside a protected one wins: a person wrote it there.
  if (const auto plain = file.read(field.section, field.key)) {
    reading.key = key_name(field.section, field.key);
    reading.value = runtime::trim(*plain);
    if (field.usable(reading.value)) {
      reading.state = FieldReading::State::kUsable;
    } else {
      reading.state = FieldReading::State::kUnusable;
      reading.reason = std::string("无法使用（“") + field.caption + "”" + field.rule + "）";
    }
    return reading;
  }
  if (!field.protected_key) return reading;
  const auto stored = file.read(field.section, field.protected_key);
  if (!stored) return reading;
  reading.key = key_name(field.section, field.protected_key);
  reading.state = FieldReading::State::kUnusable;
  if (!platform::unprotect_for_user(runtime::trim(*stored), &reading.value)) {
    reading.reason = std::string("当前 Windows 用户无法解密（它是在别的电脑上或由别的 Windows 用户加密的），"
                                 "请在“设置”里重新填写“") + field.caption + "”";
  } else if (!field.usable(reading.value)) {
    reading.reason = std::string("解密后无法使用（“") + field.caption + "”" + field.rule + "）";
  } else {
    reading.state = FieldReading::State::kUsable;
  }
  return reading;
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
  return rate >= translate::kMinRequestsPerSecond && rate <= translate::kMaxRequestsPerSecond;
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
                  translate::built_in_chat_account(), HotkeySettings()};
}

Settings settings_in_force() {
  return Settings{translate::current_service_account(), update::current_update_host(),
                  update::current_mail_account(), translate::current_engine(),
                  translate::current_chat_account(), hotkey_settings_in_force()};
}

const std::vector<SettingUnit>& setting_units() {
  static const std::vector<SettingUnit>* const units = new std::vector<SettingUnit>{
      {"翻译服务账号",
       {{"service", "Host", nullptr, "翻译服务地址", "主机名或 IP 地址，可带“:端口”，不能有空格",
         &usable_service_host, [](const Settings& s) { return s.service.host; },
         [](Settings* s, const std::string& v) { s->service.host = v; }},
        {"service", "AppId", nullptr, "APP ID", "不能为空，只能由字母和数字组成", &usable_app_id,
         [](const Settings& s) { return s.service.app_id; },
         [](Settings* s, const std::string& v) { s->service.app_id = v; }},
        {"service", "SecretKey", "SecretKeyProtected", "密钥", "不能为空，不能含控制字符",
         &usable_secret, [](const Settings& s) { return s.service.secret_key; },
         [](Settings* s, const std::string& v) { s->service.secret_key = v; }}}},
      {"每秒请求数",
       {{"service", "RequestsPerSecond", nullptr, "每秒请求数", "应为 0.1 到 100 之间的数字，例如 1 或 0.5",
         &usable_rate,
         [](const Settings& s) { return runtime::double_to_text(s.service.requests_per_second); },
         [](Settings* s, const std::string& v) { s->service.requests_per_second = rate_of(v); }}}},
      {"翻译引擎",
       {{"translate", "Engine", nullptr, "翻译引擎", "应为 service 或 chat", &usable_engine,
         [](const Settings& s) {
           return std::string(s.engine == translate::Engine::kChat ? kChatEngine : kServiceEngine);
         },
         [](Settings* s, const std::string& v) {
           s->engine = v == kChatEngine ? translate::Engine::kChat : translate::Engine::kService;
         },
         {{kServiceEngine, "翻译服务"}, {kChatEngine, "对话模型（OpenAI 兼容接口）"}}}}},
      // Each of the endpoint's values stands alone: there is no built-in
      // key that could go to a host the user named, and a local server needs
      // none.
      {"接口地址",
       {{"chat", "BaseUrl", nullptr, "接口地址",
         "应为以 http:// 或 https:// 开头的网址，例如 http://127.0.0.1:11434/v1，不能有空格",
         &usable_base_url, [](const Settings& s) { return s.chat.base_url; },
         [](Settings* s, const std::string& v) { s->chat.base_url = v; }}}},
      {"模型",
       {{"chat", "Model", nullptr, "模型", "不能为空，不能有空格", &usable_model,
         [](const Settings& s) { return s.chat.model; },
         [](Settings* s, const std::string& v) { s->chat.model = v; }}}},
      {"API 密钥",
       {{"chat", "ApiKey", "ApiKeyProtected", "API 密钥", "不能含控制字符", &usable_api_key,
         [](const Settings& s) { return s.chat.api_key; },
         [](Settings* s, const std::string& v) { s->chat.api_key = v; }}}},
      {"每秒请求次数",
       {{"chat", "RequestsPerSecond", nullptr, "每秒请求次数", "应为 0.1 到 100 之间的数字，例如 1 或 0.5",
         &usable_rate,
         [](const Settings& s) { return runtime::double_to_text(s.chat.requests_per_second); },
         [](Settings* s, const std::string& v) { s->chat.requests_per_second = rate_of(v); }}}},
      {"更新服务器",
       {{"update", "Host", nullptr, "更新服务器地址", "主机名或 IP 地址，可带“:端口”，不能有空格",
         &usable_service_host, [](const Settings& s) { return s.update_host; },
         [](Settings* s, const std::string& v) { s->update_host = v; }}}},
      {"发信账号",
       {{"mail", "Host", nullptr, "发信服务器", "主机名或 IP 地址，不能有空格", &usable_mail_host,
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
         [](Settings* s, const std::string& v) { s->mail.password = v; }}}},
      {"发件地址",
       {{"mail", "From", nullptr, "发件地址", "不能为空，不能有空格", &usable_address,
         [](const Settings& s) { return s.mail.from; },
         [](Settings* s, const std::string& v) { s->mail.from = v; }}}},
      {"收件地址",
       {{"mail", "To", nullptr, "收件地址", "不能为空，不能有空格", &usable_address,
         [](const Settings& s) { return s.mail.to; },
         [](Settings* s, const std::string& v) { s->mail.to = v; }}}},
      {"翻译快捷键",
       {{"hotkeys", "Translate", nullptr, "翻译快捷键", kHotkeyRule, &usable_hotkey,
         [](const Settings& s) { return s.hotkeys.translate; },
         [](Settings* s, const std::string& v) { s->hotkeys.translate = v; }}}},
      {"还原快捷键",
       {{"hotkeys", "Restore", nullptr, "还原快捷键", kHotkeyRule, &usable_hotkey,
         [](const Settings& s) { return s.hotkeys.restore; },
         [](Settings* s, const std::string& v) { s->hotkeys.restore = v; }}}},
  };
  return *units;
}

const std::vector<SettingField>& setting_fields() {
  static const std::vector<SettingField>* const fields = [] {
    auto* all = new std::vector<SettingField>;
    for (const SettingUnit& unit : setting_units()) {
      all->insert(all->end(), unit.fields.begin(), unit.fields.end());
    }
    return all;
  }();
  return *fields;
}

runtime::ProfileFile settings_file() {
  return runtime::ProfileFile(runtime::beside_program(runtime::FilePath(kFileName).wide()));
}

ReadSettings read_settings(const runtime::ProfileFile& file) {
  ReadSettings result{built_in(), {}};
  for (const SettingUnit& unit : setting_units()) {
    std::vector<FieldReading> readings;
    std::vector<SettingProblem> problems;
    size_t missing = 0;
    for (const SettingField& field : unit.fields) {
      readings.push_back(read_field(file, field));
      const FieldReading& reading = readings.back();
      if (reading.state == FieldReading::State::kMissing) {
        ++missing;
        const std::string key = key_name(field.section, field.key);
        problems.push_back({field.protected_key ? key + " 或 " + field.protected_key : key,
                            std::string("没有写；") + unit.name + "的各项要写在一起", &unit});
      } else if (reading.state == FieldReading::State::kUnusable) {
        problems.push_back({reading.key, reading.reason, &unit});
      }
    }
    // A unit the file does not mention keeps the constants without a word.
    if (missing == unit.fields.size()) continue;
    if (!problems.empty()) {
      result.problems.insert(result.problems.end(), problems.begin(), problems.end());
      continue;
    }
    for (size_t i = 0; i < unit.fields.size(); ++i) {
      unit.fields[i].set(&result.values, readings[i].value);
    }
  }
  return result;
}

bool write_settings(runtime::ProfileFile& file, const Settings& chosen) {
  for (const SettingUnit& unit : setting_units()) {
    bool differs = false;
    for (const SettingField& field : unit.fields) {
      differs = differs || field.get(chosen) != field.get(built_in());
    }
    for (const SettingField& field : unit.fields) {
      if (!differs) {
        file.remove(field.section, field.key);
        if (field.protected_key) file.remove(field.section, field.protected_key);
        continue;
      }
      if (!field.protected_key) {
        file.set(field.section, field.key, field.get(chosen));
        continue;
      }
      std::string protected_value;
      if (!platform::protect_for_user(field.get(chosen), &protected_value)) return false;
      file.set(field.section, field.protected_key, protected_value);
      file.remove(field.section, field.key);
    }
  }
  return file.save();
}

void apply_settings(const Settings& settings) {
  translate::set_service_account(settings.service);
  translate::set_engine(settings.engine);
  translate::set_chat_account(settings.chat);
  update::set_update_host(settings.update_host);
  update::set_mail_account(settings.mail);
  use_hotkey_settings(settings.hotkeys);
  // The plain translator signs with the application state's account, which
  // start-up fills once the main window is ready; until then it stays empty.
  AppState& s = state();
  if (!s.app_id.get().empty()) {
    s.app_id.set(settings.service.app_id);
    s.secret_key.set(settings.service.secret_key);
  }
}

std::string unusable_settings_notice(const std::vector<SettingProblem>& problems) {
  if (problems.empty()) return {};
  std::string text = std::string("设置文件 ") + kFileName + " 中有些设置无法使用，已改用程序内置的值：";
  const SettingUnit* last_unit = nullptr;
  for (const SettingProblem& problem : problems) {
    text += "\r\n" + problem.key + "：" + problem.reason;
    // Once per unit: which values went back to the constants with it.
    if (problem.unit && problem.unit->fields.size() > 1 && problem.unit != last_unit) {
      text += std::string("（") + problem.unit->name + "整组改用内置的值）";
    }
    last_unit = problem.unit;
  }
  return text;
}

std::vector<SettingProblem> load_settings() {
  ReadSettings read = read_settings(settings_file());
  apply_settings(read.values);
  return std::move(read.problems);
}

void report_unusable_settings(const std::vector<SettingProblem>& problems) {
  if (!problems.empty()) show_timed_notice(unusable_settings_notice(problems));
}

}  // namespace app
