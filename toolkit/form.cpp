#include "toolkit/form.h"

#include <commctrl.h>

#include "platform/user_handles.h"
#include "runtime/codepage.h"
#include "runtime/fatal.h"
#include "toolkit/message_loop.h"

namespace toolkit {
namespace {

constexpr int kTabId = 900;
constexpr int kFirstControlId = 1000;
constexpr UINT kFirstMenuItemId = 100;
constexpr UINT_PTR kFirstTimerId = 1;

DWORD style_for(FrameKind frame) {
  switch (frame) {
    case FrameKind::fixed:
      return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    case FrameKind::tool_fixed:
      return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    case FrameKind::resizable:
    default:
      return WS_OVERLAPPEDWINDOW;
  }
}

const Placement& placement_of(const ControlArgs& args) {
  static const Placement none;
  return std::visit(
      [](const auto& kind) -> const Placement& {
        using Kind = std::decay_t<decltype(kind)>;
        if constexpr (std::is_same_v<Kind, TimerArgs>) {
          return none;
        } else {
          return kind.place;
        }
      },
      args);
}

}  // namespace

Form::Form(const FormArgs& layout, EventTable events)
    : layout_(layout), events_(std::move(events)), name_(layout.name) {}

Form::~Form() = default;

std::shared_ptr<Form> Form::open(const FormArgs& layout, EventTable events, HWND parent) {
  std::shared_ptr<Form> form(new Form(layout, std::move(events)));
  if (!form->build_window(parent)) return nullptr;
  ShowWindow(form->handle(), SW_SHOW);
  UpdateWindow(form->handle());
  if (layout.dialog_keys) form->focus_first_field();
  form->dispatch(form->name_, EventKind::created);
  return form;
}

bool Form::open_modal(const FormArgs& layout, EventTable events, HWND parent) {
  if (parent) EnableWindow(parent, FALSE);
  std::shared_ptr<Form> form = open(layout, std::move(events), parent);
  if (form) run_until_closed(form->handle());
  if (parent) EnableWindow(parent, TRUE);
  return form != nullptr;
}

bool Form::build_window(HWND parent) {
  static const bool common_controls_ready = [] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)common_controls_ready;
  const std::wstring class_name = L"MoqiaoForm." + runtime::widen(layout_.name);
  HICON icon = nullptr;
  if (layout_.icon_resource) {
    icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                         MAKEINTRESOURCEW(layout_.icon_resource), IMAGE_ICON, 32,
                                         32, LR_DEFAULTCOLOR));
  }
  if (!register_class(class_name, icon)) return false;

  platform::MenuHandle menu_bar;
  if (!layout_.menus.empty()) {
    menu_bar.reset(CreateMenu());
    UINT id = kFirstMenuItemId;
    for (const MenuArgs& menu : layout_.menus) {
      HMENU popup = CreatePopupMenu();
      for (const MenuItemArgs& item : menu.items) {
        AppendMenuW(popup, MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED), id,
                    runtime::widen(item.caption).c_str());
        menu_items_[id++] = item.name;
      }
      AppendMenuW(menu_bar.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                  runtime::widen(menu.caption).c_str());
    }
  }

  const DWORD ex_style = layout_.frame == FrameKind::tool_fixed ? WS_EX_TOOLWINDOW : 0;
  self_ = shared_from_this();
  if (!create(ex_style, class_name, runtime::widen(layout_.caption),
              style_for(layout_.frame) | WS_CLIPCHILDREN, layout_.x, layout_.y, layout_.width,
              layout_.height, parent, menu_bar.get())) {
    self_.reset();
    return false;
  }
  menu_bar.release();  // destroyed with the window now
  if (layout_.dialog_keys) enable_dialog_keys(handle());
  return true;
}

void Form::OnFinalMessage() {
  self_.reset();  // may delete this object: nothing may follow
}

std::string Form::caption() const {
  const int length = GetWindowTextLengthW(handle());
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  wide.resize(static_cast<size_t>(GetWindowTextW(handle(), wide.data(), length + 1)));
  return runtime::narrow(wide);
}

void Form::set_caption(const std::string& caption) {
  SetWindowTextW(handle(), runtime::widen(caption).c_str());
}

void Form::close() { PostMessageW(handle(), WM_CLOSE, 0, 0); }

Control* Form::find_control(const std::string& name) const {
  auto found = controls_.find(name);
  return found == controls_.end() ? nullptr : found->second.get();
}

Timer* Form::find_timer(const std::string& name) const {
  for (const auto& [id, timer] : timers_) {
    if (timer->name() == name) return timer.get();
  }
  return nullptr;
}

Timer& Form::timer(const std::string& name) const {
  Timer* found = find_timer(name);
  if (!found) stop_for_missing(name);
  return *found;
}

void Form::stop_for_missing(const std::string& name) {
  const std::string message = "窗口中没有这个组件：" + name;
  runtime::stop_with_runtime_error(message.c_str());
}

UINT Form::menu_item_id(const std::string& item_name) const {
  for (const auto& [id, name] : menu_items_) {
    if (name == item_name) return id;
  }
  return 0;
}

void Form::dispatch(const std::string& source, EventKind kind) {
  std::shared_ptr<Form> keep_alive = shared_from_this();  // a handler may close the window
  for (const EventHandler* handler : find_handlers(events_, source, kind)) {
    try {
      (*handler)(*this);
    } catch (...) {
      // A failing handler must not unwind through the window system.
    }
  }
}

LRESULT Form::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_COMMAND:
      return OnCommand(wparam, lparam);
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<const NMHDR*>(lparam));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      return OnControlColour(message, wparam, lparam);
    case WM_TIMER:
      return OnTimer(static_cast<UINT_PTR>(wparam));
    case WM_CLOSE:
      DestroyWindow(handle());
      return 0;
    case WM_DESTROY:
      if (layout_.dialog_keys) disable_dialog_keys(handle());
      if (ends_message_loop_) PostQuitMessage(0);
      return 0;
    case DM_GETDEFID:
      return OnGetDefaultId();
    case WM_ACTIVATE:
      if (layout_.dialog_keys) OnActivate(LOWORD(wparam) != WA_INACTIVE);
      return DefWindowProcW(handle(), message, wparam, lparam);
    default:
      return DefWindowProcW(handle(), message, wparam, lparam);
  }
}

HWND Form::parent_for(const Placement& place) const {
  return place.tab_page != kNotOnTab && tab_ ? tab_->window_handle() : handle();
}

LRESULT Form::OnCreate() {
  if (layout_.tab) {
    auto tab = TabControl::create(*this, handle(), kTabId, *layout_.tab, fonts_.get(FontSpec{}));
    if (tab) {
      tab_ = tab.get();
      controls_by_handle_[tab->window_handle()] = tab.get();
      controls_[tab->name()] = std::move(tab);
    }
  }
  int id = kFirstControlId;
  for (const ControlArgs& args : layout_.controls) create_control(args, id++);
  if (layout_.dialog_keys) put_tab_order_in_layout_order();

  if (tab_) {
    tab_->show_with_page(true);
    tab_->select_page(0);
  }
  for (const auto& [name, control] : controls_) {
    if (control->tab_page() == kNotOnTab) control->show_with_page(true);
  }
  return 0;
}

void Form::create_control(const ControlArgs& args, int id) {
  if (const auto* timer_args = std::get_if<TimerArgs>(&args)) {
    const UINT_PTR timer_id = kFirstTimerId + timers_.size();
    auto timer = std::make_unique<Timer>(handle(), timer_id, timer_args->name);
    timer->set_period(timer_args->period_ms);
    timers_[timer_id] = std::move(timer);
    return;
  }
  const HWND parent = parent_for(placement_of(args));
  std::unique_ptr<Control> control = std::visit(
      [&](const auto& kind) -> std::unique_ptr<Control> {
        using Kind = std::decay_t<decltype(kind)>;
        if constexpr (std::is_same_v<Kind, EditArgs>) {
          return EditBox::create(*this, parent, id, kind, fonts_.get(kind.font));
        } else if constexpr (std::is_same_v<Kind, ComboArgs>) {
          return ComboBox::create(*this, parent, id, kind, fonts_.get(kind.font));
        } else if constexpr (std::is_same_v<Kind, ButtonArgs>) {
          return Button::create(*this, parent, id, kind, fonts_.get(kind.font));
        } else if constexpr (std::is_same_v<Kind, LabelArgs>) {
          return Label::create(*this, parent, id, kind, fonts_.get(kind.font));
        } else if constexpr (std::is_same_v<Kind, PictureArgs>) {
          return PictureBox::create(*this, parent, id, kind);
        } else if constexpr (std::is_same_v<Kind, ProgressArgs>) {
          return ProgressBar::create(*this, parent, id, kind);
        } else {
          return nullptr;
        }
      },
      args);
  if (!control) return;
  if (tab_ && control->tab_page() != kNotOnTab) tab_->add_page_control(control.get());
  controls_by_handle_[control->window_handle()] = control.get();
  controls_[control->name()] = std::move(control);
}

Control* Form::control_by_handle(HWND hwnd) const {
  auto found = controls_by_handle_.find(hwnd);
  if (found != controls_by_handle_.end()) return found->second;
  // The edit field of a combo box reports under its own handle.
  found = controls_by_handle_.find(GetParent(hwnd));
  return found == controls_by_handle_.end() ? nullptr : found->second;
}

// Tab follows the window order of the children, and where a new child goes
// in it differs between systems: every control is moved to the end of the
// order in layout order, so the order is the layout's everywhere.
void Form::put_tab_order_in_layout_order() {
  for (const ControlArgs& args : layout_.controls) {
    const Control* control = find_control(placement_of(args).name);
    if (!control) continue;
    SetWindowPos(control->window_handle(), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void Form::focus_first_field() {
  for (HWND child = GetWindow(handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED)) {
      SetFocus(child);
      return;
    }
  }
}

void Form::OnActivate(bool active) {
  if (!active) {
    const HWND focus = GetFocus();
    if (focus && IsChild(handle(), focus)) focus_before_deactivation_ = focus;
    return;
  }
  if (focus_before_deactivation_ && IsWindow(focus_before_deactivation_)) {
    SetFocus(focus_before_deactivation_);
  } else {
    focus_first_field();
  }
}

LRESULT Form::OnGetDefaultId() {
  // As in a dialog box, Enter presses the button that has the focus.
  const HWND focus = GetFocus();
  if (dynamic_cast<Button*>(control_by_handle(focus)) && IsChild(handle(), focus)) {
    return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
  }
  const Control* button = layout_.default_button.empty() ? nullptr
                                                         : find_control(layout_.default_button);
  if (!button) return 0;
  return MAKELRESULT(GetDlgCtrlID(button->window_handle()), DC_HASDEFID);
}

LRESULT Form::OnCommand(WPARAM wparam, LPARAM lparam) {
  const WORD code = HIWORD(wparam);
  // Esc through the dialog manager, which names no control.
  if (LOWORD(wparam) == IDCANCEL && lparam == 0 && !layout_.cancel_button.empty()) {
    dispatch(layout_.cancel_button, EventKind::clicked);
    return 0;
  }
  if (lparam == 0) {  // a menu item (code 0) or an accelerator (code 1)
    auto item = menu_items_.find(LOWORD(wparam));
    if (item != menu_items_.end()) dispatch(item->second, EventKind::menu_selected);
    return 0;
  }
  Control* control = control_by_handle(reinterpret_cast<HWND>(lparam));
  if (!control) return 0;
  if (code == BN_CLICKED && dynamic_cast<Button*>(control)) {
    dispatch(control->name(), EventKind::clicked);
  } else if (code == CBN_SELCHANGE && dynamic_cast<ComboBox*>(control)) {
    dispatch(control->name(), EventKind::item_selected);
  }
  return 0;
}

LRESULT Form::OnNotify(const NMHDR* header) {
  if (tab_ && header && header->hwndFrom == tab_->window_handle() &&
      header->code == static_cast<UINT>(TCN_SELCHANGE)) {
    tab_->show_selected_page_controls();
  }
  return 0;
}

LRESULT Form::OnControlColour(UINT message, WPARAM wparam, LPARAM lparam) {
  if (Control* control = control_by_handle(reinterpret_cast<HWND>(lparam))) {
    if (auto answer = control->answer_colour_message(reinterpret_cast<HDC>(wparam))) return *answer;
  }
  return DefWindowProcW(handle(), message, wparam, lparam);
}

LRESULT Form::OnTimer(UINT_PTR id) {
  auto timer = timers_.find(id);
  if (timer != timers_.end()) dispatch(timer->second->name(), EventKind::timer_elapsed);
  return 0;
}

}  // namespace toolkit
