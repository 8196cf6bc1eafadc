#include "app/event_table.h"

#include "app/capture_handlers.h"
#include "app/feedback.h"
#include "app/main_window.h"
#include "app/manual_translation.h"
#include "app/secondary_windows.h"
#include "app/settings_window.h"
#include "app/update_window.h"

namespace app {

using toolkit::EventKind;

toolkit::EventTable main_window_events() {
  return {
      {"main_window", EventKind::created, &on_main_window_created},
      {"支持Orlek", EventKind::menu_selected, &on_support_menu_item},
      {"检测更新", EventKind::menu_selected, &on_check_update_menu_item},
      {"还原原文", EventKind::menu_selected, &on_restore_originals},
      {"编辑框1_客户邮箱", EventKind::left_button_down, &on_address_box_pressed},
      {"留言编辑框", EventKind::left_button_down, &on_message_box_pressed},
      {"图片框1_鼠标", EventKind::left_button_down, &on_crosshair_pressed},
      {"时钟1_界面翻译", EventKind::timer_elapsed, &on_capture_tick},
      {"图片框1_鼠标", EventKind::left_button_up, &on_crosshair_released},
      {"按钮1", EventKind::clicked, &on_manual_translate_clicked},
      {"组合框_原文", EventKind::item_selected, &on_source_language_selected},
      {"组合框_译文", EventKind::item_selected, &on_target_language_selected},
      {"按钮1_提交", EventKind::clicked, &submit_feedback},
      // The 工具 menu.
      {"设置", EventKind::menu_selected, &on_settings_menu_item},
      {"跟随翻译", EventKind::menu_selected, &on_follow_menu_item},
  };
}

toolkit::EventTable sponsor_window_events() {
  return {
      {"sponsor_window", EventKind::created, &on_sponsor_window_created},
  };
}

toolkit::EventTable settings_window_events() {
  return {
      {"settings_window", EventKind::created, &on_settings_window_created},
      {kSettingsTest, EventKind::clicked, &on_settings_test_clicked},
      {kSettingsSave, EventKind::clicked, &on_settings_save_clicked},
      {kSettingsCancel, EventKind::clicked, &on_settings_cancel_clicked},
  };
}

toolkit::EventTable update_window_events() {
  return {
      {"update_window", EventKind::created, &check_for_update},
      {"下载更新", EventKind::clicked, &download_update},
  };
}

}  // namespace app
