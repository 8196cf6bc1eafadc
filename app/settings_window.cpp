#include "app/settings_window.h"

#include <windows.h>

#include "app/button_request.h"
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

// Says which field cannot be used and why, and puts the caret into it.
void refuse(toolkit::Form& form, toolkit::EditBox& box, const std::string& text) {
  tell(form, text, kStopIcon);
  SetFocus(box.window_handle());
  SendMessageW(box.window_handle(), EM_SETSEL, 0, -1);
}

// The settings the fields describe: every field checked, an empty secret
// field meaning the secret in force. That holds only while the rest of its
// unit stays as it is: the secret in force belongs to that account, and
// must never go to another host or with another name. On the first field
// that cannot be used, says which and why and gives false.
bool settings_from_fields(toolkit::Form& form, Settings* chosen) {
  const Settings in_force = settings_in_force();
  *chosen = in_force;
  for (const SettingUnit& unit : setting_units()) {
    const SettingField* kept_secret = nullptr;
    bool unit_changed = false;
    for (const SettingField& field : unit.fields) {
      if (!field.choices.empty()) {
        const int index = form.combo_box(settings_field_name(field)).selected_index();
        if (index >= 0 && index < static_cast<int>(field.choices.size())) {
          field.set(chosen, field.choices[static_cast<size_t>(index)].value);
        }
        continue;
      }
      toolkit::EditBox& box = form.edit_box(settings_field_name(field));
      const std::string text = runtime::trim(box.text());
      if (field.protected_key && text.empty()) {
        kept_secret = &field;
        continue;
      }
      if (!field.usable(text)) {
        refuse(form, box, std::string("“") + field.caption + "”无法使用：" + field.rule);
        return false;
      }
      field.set(chosen, text);
      unit_changed = unit_changed || field.get(*chosen) != field.get(in_force);
    }
    if (kept_secret && unit_changed) {
      refuse(form, form.edit_box(settings_field_name(*kept_secret)),
             std::string("请填写“") + kept_secret->caption + "”：" + unit.name +
                 "的其他值改了，原来的" + kept_secret->caption + "不能用于新的账号");
      return false;
    }
  }
  return true;
}

// What "测试" found out: the service's answer, or the chat endpoint's.
struct TestAnswer {
  bool chat = false;
  translate::ManualAnswer manual;
  translate::ChatReport report;
  std::string translation;
};

void tell_test_answer(toolkit::Form& form, TestAnswer& test) {
  if (test.chat) {
    if (test.report.refused) {
      tell(form, translate::chat_refusal_message(test.report), kStopIcon);
    } else if (!test.translation.empty()) {
      tell(form, std::string("测试成功。“") + kTestText + "”的译文：" + test.translation,
           MB_ICONINFORMATION);
    } else if (!test.report.error.empty()) {
      tell(form, "对话模型没有给出译文。接口的回答：" + test.report.error, kStopIcon);
    } else {
      tell(form, "对话模型没有给出译文，请检查接口地址、模型名称和网络连接", kStopIcon);
    }
    return;
  }
  translate::ManualAnswer& answer = test.manual;
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
  // On a worker: the window keeps answering, and one closed meanwhile
  // shows no late box. "测试" asks the engine chosen in the window.
  run_button_request<TestAnswer>(
      form, kSettingsTest,
      [chosen](const WindowGone& gone) {
        TestAnswer test;
        if (chosen.engine == translate::Engine::kChat) {
          test.chat = true;
          test.translation =
              translate::chat_translate({kTestText}, "en", "zh", chosen.chat, &test.report, gone)
                  .front();
          return test;
        }
        const translate::ServiceAccount& account = chosen.service;
        test.manual = translate::manual_translate(
            {kTestText, "en", "zh", account.app_id, account.secret_key}, account.host, gone);
        return test;
      },
      &tell_test_answer);
}

void on_settings_save_clicked(toolkit::Form& form) {
  Settings chosen;
  if (!settings_from_fields(form, &chosen)) return;
  runtime::ProfileFile file = settings_file();
  if (!write_settings(file, chosen)) {
    tell(form, "无法写入设置文件：" + file.path().text(), kStopIcon);
    return;
  }
  // What is in force is what the file now says, read the same way as at start.
  const std::vector<SettingProblem> unusable = load_settings();
  form.close();
  report_unusable_settings(unusable);
}

void on_settings_cancel_clicked(toolkit::Form& form) { form.close(); }

}  // namespace app
