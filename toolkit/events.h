#pragma once
// Event bindings: which handler runs when a window or control reports an
// event. A window is created with its table; the toolkit looks handlers up
// by the source's layout name and the event kind.
#include <functional>
#include <string>
#include <vector>

namespace toolkit {

class Form;

enum class EventKind {
  created,            // a window: it and its controls exist and it is shown
  menu_selected,      // a menu item (source: the item's name)
  clicked,            // a button
  item_selected,      // a combo box: the user picked a list item
  left_button_down,   // a picture box or an edit box; every press, a double click's second too
  left_button_up,     // a picture box or an edit box
  timer_elapsed,      // a timer
};

// Handlers get the window the event happened in, to reach its controls.
using EventHandler = std::function<void(Form& form)>;

struct EventBinding {
  std::string source;  // layout name of the window, control, timer or menu item
  EventKind kind;
  EventHandler handler;
};

using EventTable = std::vector<EventBinding>;

// The handlers bound to (source, kind), in table order.
std::vector<const EventHandler*> find_handlers(const EventTable& table, const std::string& source,
                                               EventKind kind);

}  // namespace toolkit
