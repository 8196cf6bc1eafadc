#pragma once
// The user's own settings: moqiao.ini next to the program overrides the
// build's constants (service account, update host, mail account). Read once
// at start and again whenever the settings window saved.
//
// Values that belong together form a unit: an account's host, name and
// secret. A unit is taken from the file whole or not at all, so that a
// request never goes out with the user's name and the build's secret, nor
// the build's password to the user's server. When any value of a unit is
// missing or cannot be used, the whole unit keeps the build's values and one
// notice names the value and says why.
#include <string>
#include <string_view>
#include <vector>

#include "app/hotkeys.h"
#include "runtime/profile_file.h"
#include "translate/chat_account.h"
#include "translate/service_account.h"
#include "update/server_accounts.h"

namespace app {

struct Settings {
  translate::ServiceAccount service;
  std::string update_host;
  update::MailAccount mail;
  translate::Engine engine = translate::Engine::kService;
  translate::ChatAccount chat;
  HotkeySettings hotkeys;  // [hotkeys]
};

Settings built_in_settings();
// What every request uses now.
Settings settings_in_force();

// A value a field may take, when it takes one of a few: the text the file
// holds and the caption the window's list shows.
struct SettingChoice {
  const char* value;
  const char* caption;
};

// One value of the settings, as the file and the settings window know it.
struct SettingField {
  const char* section;
  const char* key;            // the plain form, for an administrator writing by hand
  const char* protected_key;  // secrets: the form encrypted for the user; else null
  const char* caption;        // the field's name in the window and its messages
  const char* rule;           // what a usable value looks like, for messages
  bool (*usable)(std::string_view text);
  std::string (*get)(const Settings& settings);
  void (*set)(Settings* settings, const std::string& usable_text);
  // Non-empty: the window offers these values in a list instead of a field.
  std::vector<SettingChoice> choices = {};
};

// Values used together or not at all. A unit of one field is just that
// value; a new setting is a new unit.
struct SettingUnit {
  const char* name;  // for messages, e.g. "翻译服务账号"
  std::vector<SettingField> fields;
};

// Every unit, in the order the window shows them.
const std::vector<SettingUnit>& setting_units();
// Every field of every unit, in the same order.
const std::vector<SettingField>& setting_fields();

// Checks of single values (texts as typed, without surrounding spaces).
bool usable_service_host(std::string_view text);  // host or host:port
bool usable_mail_host(std::string_view text);     // host only
bool usable_app_id(std::string_view text);
bool usable_secret(std::string_view text);
bool usable_rate(std::string_view text);          // a number above 0
bool usable_port(std::string_view text);          // 1 to 65535
bool usable_address(std::string_view text);       // mail user or address
bool usable_engine(std::string_view text);        // "service" or "chat"
bool usable_base_url(std::string_view text);      // http:// or https:// URL
bool usable_model(std::string_view text);         // a model name
bool usable_api_key(std::string_view text);       // a key, or none

// "moqiao.ini" in the program's folder.
runtime::ProfileFile settings_file();

// A value of the file that kept its unit from being used.
struct SettingProblem {
  std::string key;     // "[section] Key"
  std::string reason;  // why, for the notice
  const SettingUnit* unit = nullptr;
};

struct ReadSettings {
  Settings values;  // the file's usable units over the constants
  std::vector<SettingProblem> problems;
};
// A secret is read from its plain key when that is present (a person wrote
// it there; the window's next save protects it), else from its protected key.
ReadSettings read_settings(const runtime::ProfileFile& file);

// Puts the chosen settings into the file and saves it in one step: a unit
// equal to the constants is removed, any other written whole, its secret
// only in the protected form. False when a secret could not be protected or
// the file could not be replaced; the file is then as it was.
bool write_settings(runtime::ProfileFile& file, const Settings& chosen);

// Puts settings in force for every later request.
void apply_settings(const Settings& settings);

// The notice that names the values and why their units were not used;
// empty when there are none.
std::string unusable_settings_notice(const std::vector<SettingProblem>& problems);

// Reads the settings file, puts it in force and returns its problems.
std::vector<SettingProblem> load_settings();

// Shows the notice for the problems (nothing when there are none).
void report_unusable_settings(const std::vector<SettingProblem>& problems);

}  // namespace app
