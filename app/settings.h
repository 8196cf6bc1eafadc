#pragma once
// The user's own settings: moqiao.ini next to the program overrides the
// build's constants (service account, update host, mail account). Read once
// at start and again whenever the settings window saved; a value that cannot
// be used is skipped, named in one notice, and its constant stays in force.
#include <string>
#include <string_view>
#include <vector>

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

// Every field, in the order the window shows them.
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

struct ReadSettings {
  Settings values;                    // the file's usable values over the constants
  std::vector<std::string> unusable;  // "[section] Key" of every skipped value
};
ReadSettings read_settings(const runtime::ProfileFile& file);

// Writes the chosen settings: a value equal to its constant is removed from
// the file, any other written; a secret only in its protected form (the
// plain one is removed). False when the file could not be written.
bool write_settings(runtime::ProfileFile& file, const Settings& chosen);

// Puts settings in force for every later request.
void apply_settings(const Settings& settings);

// The notice that names the skipped values; empty when there are none.
std::string unusable_settings_notice(const std::vector<std::string>& keys);

// Reads the settings file, puts it in force and returns the keys skipped.
std::vector<std::string> load_settings();

// Shows the notice for skipped keys (nothing when there are none).
void report_unusable_settings(const std::vector<std::string>& keys);

}  // namespace app
