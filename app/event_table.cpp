#include "app/event_table.h"

#include "app/capture_handlers.h"
#include "app/main_window.h"
#include "app/secondary_windows.h"

namespace app {

using toolkit::EventKind;

// Still to be bound here, by the features that provide them:
//   图片框1_鼠标 left_button_down / left_button_up and 时钟1_界面翻译
//   timer_elapsed (the crosshair capture), 按钮1 clicked (manual
//   translation), 组合框_原文 and 组合框_译文 item_selected (language
//   choice), 按钮1_提交 clicked (feedback mail).
toolkit::EventTable main_window_events() {
  return {
      {"main_window", EventKind::created, &on_main_window_created},
      {"支持Orlek", EventKind::menu_selected, &on_support_menu_item},
      {"检测更新", EventKind::menu_selected, &on_check_update_menu_item},
      {"编辑框1_客户邮箱", EventKind::left_button_down, &on_address_box_pressed},
      {"留言编辑框", EventKind::left_button_down, &on_message_box_pressed},
      {"图片框1_鼠标", EventKind::left_button_down, &on_crosshair_pressed},
      {"时钟1_界面翻译", EventKind::timer_elapsed, &on_capture_tick},
      {"图片框1_鼠标", EventKind::left_button_up, &on_crosshair_released},
  };
}

toolkit::EventTable sponsor_window_events() {
  return {
      {"sponsor_window", EventKind::created, &on_sponsor_window_created},
  };
}

// Still to be bound here, by the update feature: update_window created (the
// version check) and 下载更新 clicked (the download).
toolkit::EventTable update_window_events() { return {}; }

}  // namespace app
