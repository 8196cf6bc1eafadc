#pragma once
// The two windows opened from the main window's menu and at start-up.
#include <memory>

#include "toolkit/form.h"

namespace app {

// Non-modal, without a parent, on the calling thread (which must pump
// messages for as long as the window should live).
std::shared_ptr<toolkit::Form> open_sponsor_window();
std::shared_ptr<toolkit::Form> open_update_window();
// Modal, without a parent: returns when the window has been closed.
bool open_update_window_modal();

// Handlers.
void on_sponsor_window_created(toolkit::Form& form);
void on_support_menu_item(toolkit::Form& form);
void on_check_update_menu_item(toolkit::Form& form);

}  // namespace app
