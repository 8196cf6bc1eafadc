#include "app/secondary_windows.h"

#include "app/event_table.h"
#include "app/layouts.h"
#include "app/resource_ids.h"
#include "platform/resource.h"

namespace app {

std::shared_ptr<toolkit::Form> open_sponsor_window() {
  return toolkit::Form::open(sponsor_window_layout(), sponsor_window_events());
}

std::shared_ptr<toolkit::Form> open_update_window() {
  return toolkit::Form::open(update_window_layout(), update_window_events());
}

bool open_update_window_modal() {
  return toolkit::Form::open_modal(update_window_layout(), update_window_events());
}

void on_sponsor_window_created(toolkit::Form& form) {
  form.picture_box("图片_支付宝").set_picture_bytes(platform::resource_bytes(MOQIAO_PAYMENT_FIRST));
  form.picture_box("图片_微信").set_picture_bytes(platform::resource_bytes(MOQIAO_PAYMENT_SECOND));
}

void on_support_menu_item(toolkit::Form&) { open_sponsor_window(); }

// Every choice opens a new update window, even when one is open already.
void on_check_update_menu_item(toolkit::Form&) { open_update_window(); }

}  // namespace app
