#include "app/settings_window.h"

#include <windows.h>

#include "app/event_table.h"
#include "app/layouts.h"
#include "runtime/codepage.h"
#include "runtime/text.h"
#include "translate/chat_translate.h"
#include "translate/manual_translate.h"

namespace app {
namespace {

constexpr char kCaption[] = "设置";
constexpr char kTestText[] = "hello";
constexpr unsigned kStopIcon = MB_ICONHAND;

// A message box owned by the settings window, so that it stays modal to it.
void tell(toolkit::Form& form, const std::string& text, unsigned icon) {
  MessageBoxW(form.handle(), runtime::widen(text).c_str(), runtime::widen(kCaption).c_str(),
              MB_OK | icon);
}

// The settings the fields describe: every field checked, an empty secret
// field meaning the secret in force. On the first field that cannot be
// used, says which and why, puts the caret into it and gives false.
bool settings_from_fields(toolkit::Form& form, Settings* chosen) {
  *chosen = settings_in_force();
  for (const SettingField& field : setting_fields()) {
    if (!field.choices.empty()) {
      const int index = form.combo_box(settings_field_name(field)).selected_index();
      if (index >= 0 && index < static_cast<int>(field.choices.size())) {
        field.set(chosen, field.choices[static_cast<size_t>(index)].value);
      }
      continue;
    }
    toolkit::EditBox& box = form.edit_box(settings_field_name(field));
    const std::string text = runtime::trim(box.text());
    if (field.protected_key && text.empty()) continue;
    if (!field.usable(text)) {
      tell(form, std::string("“") + field.caption + "”无法使用：" + field.rule, kStopIcon);
      SetFocus(box.window_handle());
      SendMessageW(box.window_handle(), EM_SETSEL, 0, -1);
      return false;
    }
    field.set(chosen, text);
  }
  return true;
}

// "测试" with the chat engine chosen: "hello" through the endpoint in the fields.
void test_chat_model(toolkit::Form& form, const translate::ChatAccount& account) {
  translate::ChatReport report;
  const std::string translation =
      translate::chat_translate({kTestText}, "en", "zh", account, &report).front();
  if (report.refused) {
    tell(form, translate::chat_refusal_message(report), kStopIcon);
  } else if (!translation.empty()) {
    tell(form, std::string("测试成功。“") + kTestText + "”的译文：" + translation, MB_ICONINFORMATION);
  } else if (!report.error.empty()) {
    tell(form, "对话模型没有给出译文。接口的回答：" + report.error, kStopIcon);
  } else {
    tell(form, "对话模型没有给出译文，请检查接口地址、模型名称和网络连接", kStopIcon);
  }
}

}  // namespace

std::string settings_field_name(const SettingField& field) {
  return std::string(field.choices.empty() ? "编辑框_" : "组合框_") + field.caption;
}

void open_settings_window(HWND owner) {
  toolkit::Form::open_modal(settings_window_layout(), settings_window_events(), owner);
}

void on_settings_menu_item(toolkit::Form& form) { open_settings_window(form.handle()); }

void on_settings_window_created(toolkit::Form& form) {
  const Settings in_force = settings_in_force();
  for (const SettingField& field : setting_fields()) {
    // Secrets stay out of every window, masked or not: another program (or
    // this one's own crosshair) can read a window's text.
    if (field.protected_key) continue;
    if (!field.choices.empty()) {
      const std::string value = field.get(in_force);
      for (size_t i = 0; i < field.choices.size(); ++i) {
        if (value == field.choices[i].value) {
          form.combo_box(settings_field_name(field)).select(static_cast<int>(i));
        }
      }
      continue;
    }
    form.edit_box(settings_field_name(field)).set_text(field.get(in_force));
  }
}

void on_settings_test_clicked(toolkit::Form& form) {
  Settings chosen;
  if (!settings_from_fields(form, &chosen)) return;
  if (chosen.engine == translate::Engine::kChat) {
    test_chat_model(form, chosen.chat);
    return;
  }
  const translate::ServiceAccount& account = chosen.service;
  const translate::ManualAnswer answer = translate::manual_translate(
      {kTestText, "en", "zh", account.app_id, account.secret_key}, account.host);
  switch (answer.kind) {
    case translate::ManualAnswer::Kind::kResults:
      tell(form,
           std::string("测试成功。“") + kTestText + "”的译文：" +
               (answer.lines.empty() ? std::string() : answer.lines.front()),
           MB_ICONINFORMATION);
      break;
    case translate::ManualAnswer::Kind::kError:
      tell(form, answer.message, kStopIcon);
      break;
    case translate::ManualAnswer::Kind::kNothing:
      tell(form, "翻译服务没有回答，请检查翻译服务地址和网络连接", kStopIcon);
      break;
  }
}

void on_settings_save_clicked(toolkit::Form& form) {
  Settings chosen;
  if (!settings_from_fields(form, &chosen)) return;
  runtime::ProfileFile file = settings_file();
  if (!write_settings(file, chosen)) {
    tell(form, "无法写入设置文件：" + file.path(), kStopIcon);
    return;
  }
  // What is in force is what the file now says, read the same way as at start.
  const std::vector<std::string> unusable = load_settings();
  form.close();
  report_unusable_settings(unusable);
}

void on_settings_cancel_clicked(toolkit::Form& form) { form.close(); }

}  // namespace app
