#pragma once
// The base of the control wrappers. A control is a child window of its form
// (or of the form's tab control), addressed by its layout name. Text and
// visibility go through the window system, so they can be read and written
// from any thread of the process; the cursor and picture belong to the
// form's own thread.
#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "platform/unique_handle.h"
#include "toolkit/layout.h"

namespace toolkit {

class Form;

class Control {
 public:
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;

  const std::string& name() const { return place_.name; }
  HWND window_handle() const { return hwnd_; }
  Form& form() const { return form_; }
  int tab_page() const { return place_.tab_page; }

  // The caption or content (GBK). Any thread.
  std::string text() const;
  void set_text(const std::string& text);

  // Wanted visibility; a control on a tab page is shown only while its page
  // is the selected one.
  bool visible() const { return wanted_visible_; }
  void set_visible(bool visible);

  // The cursor shown while the mouse is over the control; null: the class's.
  HCURSOR cursor() const { return cursor_; }

  // Used by the form: show or hide with the tab page, answer WM_CTLCOLOR*.
  void show_with_page(bool page_selected);
  std::optional<LRESULT> answer_colour_message(HDC dc);

  // Kind-specific handling inside the control's subclass procedure; true
  // when the message was handled and *result is the answer.
  virtual bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

 protected:
  Control(Form& form, const Placement& place, const Colours& colours);

  // Creates the child window (hidden until show_with_page) and installs the
  // common subclass procedure. create_height overrides the layout height.
  bool create_window(const wchar_t* class_name, DWORD style, DWORD ex_style, HWND parent, int id,
                     const std::string& text, std::optional<int> create_height = std::nullopt);
  void set_font(HFONT font);
  // The system colour (COLOR_*) behind this kind when no background is set.
  virtual int default_background() const { return COLOR_BTNFACE; }
  COLORREF background_colour() const;
  HBRUSH background_brush();
  const Colours& colours() const { return colours_; }
  bool transparent_ = false;
  HCURSOR cursor_ = nullptr;

 private:
  Form& form_;
  Placement place_;
  Colours colours_;
  HWND hwnd_ = nullptr;  // set once at creation, before any other thread sees the control
  std::atomic<bool> wanted_visible_;
  std::atomic<bool> page_selected_{true};
  platform::GdiObject<HBRUSH> brush_;
};

// Installed on every control: forwards the left mouse button to the form's
// event dispatch (the second press of a double click counts as a press), shows the control's cursor, then lets the kind handle the
// message.
LRESULT CALLBACK control_subclass_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                            UINT_PTR id, DWORD_PTR reference);

}  // namespace toolkit
