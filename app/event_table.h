#pragma once
// Which handler serves which event of which window, control, timer or menu
// item. New handlers are added to these tables (app/event_table.cpp).
#include "toolkit/events.h"

namespace app {

toolkit::EventTable main_window_events();
toolkit::EventTable sponsor_window_events();
toolkit::EventTable update_window_events();
toolkit::EventTable settings_window_events();

}  // namespace app
