#pragma once
// A top-level window built from its layout (FormArgs): menu, tab control,
// controls and timers, with an event table that binds handlers to the
// layout names. A form keeps itself alive while its window exists; whoever
// holds the shared pointer keeps the object (not the window) alive longer.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/button.h"
#include "toolkit/combo_box.h"
#include "toolkit/edit_box.h"
#include "toolkit/events.h"
#include "toolkit/fonts.h"
#include "toolkit/label.h"
#include "toolkit/layout.h"
#include "toolkit/picture_box.h"
#include "toolkit/progress_bar.h"
#include "toolkit/tab_control.h"
#include "toolkit/timer.h"
#include "toolkit/window.h"

namespace toolkit {

class Form : public Window, public std::enable_shared_from_this<Form> {
 public:
  // Creates and shows the window with its controls, then runs its
  // 'created' handlers. parent (optional) becomes the owner. Null on failure.
  static std::shared_ptr<Form> open(const FormArgs& layout, EventTable events,
                                    HWND parent = nullptr);
  // Opens the window modal: the owner (if any) is disabled and the call
  // returns when the window has been closed. False when it could not open.
  static bool open_modal(const FormArgs& layout, EventTable events, HWND parent = nullptr);

  ~Form() override;

  const std::string& name() const { return name_; }
  // The title (GBK). Any thread.
  std::string caption() const;
  void set_caption(const std::string& caption);
  // Queues the close; it takes effect when the window's messages are next processed.
  void close();
  bool exists() const { return IsWindow(handle()) != FALSE; }
  // The window ends the thread's message loop when it is destroyed.
  void end_message_loop_on_destroy() { ends_message_loop_ = true; }

  // Controls by layout name; null when there is none of that name and kind.
  Control* find_control(const std::string& name) const;
  template <typename Kind>
  Kind* find(const std::string& name) const {
    return dynamic_cast<Kind*>(find_control(name));
  }
  Timer* find_timer(const std::string& name) const;

  // The same, for names the layout is known to hold: a wrong name is a
  // programming error and stops the program with a run-time error.
  EditBox& edit_box(const std::string& name) const { return require<EditBox>(name); }
  ComboBox& combo_box(const std::string& name) const { return require<ComboBox>(name); }
  Button& button(const std::string& name) const { return require<Button>(name); }
  Label& label(const std::string& name) const { return require<Label>(name); }
  PictureBox& picture_box(const std::string& name) const { return require<PictureBox>(name); }
  ProgressBar& progress_bar(const std::string& name) const { return require<ProgressBar>(name); }
  TabControl& tab_control(const std::string& name) const { return require<TabControl>(name); }
  Timer& timer(const std::string& name) const;

  // Runs the handlers bound to (source, kind). Exceptions stop at the handler.
  void dispatch(const std::string& source, EventKind kind);

  // Ids of the menu items, for the menu_selected events (0 when unknown).
  UINT menu_item_id(const std::string& item_name) const;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnFinalMessage() override;

 private:
  Form(const FormArgs& layout, EventTable events);
  bool build_window(HWND parent);

  LRESULT OnCreate();
  LRESULT OnCommand(WPARAM wparam, LPARAM lparam);
  LRESULT OnNotify(const NMHDR* header);
  LRESULT OnControlColour(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnTimer(UINT_PTR id);
  LRESULT OnGetDefaultId();
  void OnActivate(bool active);
  void focus_first_field();
  void put_tab_order_in_layout_order();

  template <typename Kind>
  Kind& require(const std::string& name) const {
    Kind* control = find<Kind>(name);
    if (!control) stop_for_missing(name);
    return *control;
  }
  [[noreturn]] static void stop_for_missing(const std::string& name);

  void create_control(const ControlArgs& args, int id);
  HWND parent_for(const Placement& place) const;
  Control* control_by_handle(HWND hwnd) const;

  FormArgs layout_;
  EventTable events_;
  std::string name_;
  bool ends_message_loop_ = false;
  std::shared_ptr<Form> self_;  // while the window exists
  FontCache fonts_;
  TabControl* tab_ = nullptr;
  std::map<std::string, std::unique_ptr<Control>> controls_;
  std::map<HWND, Control*> controls_by_handle_;
  std::map<UINT_PTR, std::unique_ptr<Timer>> timers_;
  std::map<UINT, std::string> menu_items_;  // id -> item name
  HWND focus_before_deactivation_ = nullptr;  // with dialog keys
};

}  // namespace toolkit
