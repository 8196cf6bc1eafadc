#pragma once
// The settings window: the user's own translation account, the update
// server and the feedback mail account, tried with "测试" and written to
// the settings file with "保存".
#include <string>

#include "app/settings.h"
#include "toolkit/form.h"

namespace app {

// Layout names of the window's buttons.
inline constexpr char kSettingsTest[] = "按钮_测试";
inline constexpr char kSettingsSave[] = "按钮_保存";
inline constexpr char kSettingsCancel[] = "按钮_取消";

// Layout name of a field's edit box.
std::string settings_field_name(const SettingField& field);

// Opens the window modal to owner; returns when it has been closed.
void open_settings_window(HWND owner);

// Handlers.
void on_settings_menu_item(toolkit::Form& form);
void on_settings_window_created(toolkit::Form& form);
void on_settings_test_clicked(toolkit::Form& form);
void on_settings_save_clicked(toolkit::Form& form);
void on_settings_cancel_clicked(toolkit::Form& form);

}  // namespace app
