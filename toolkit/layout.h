#pragma once
// Create arguments of windows and controls: one small struct per kind, with
// the defaults of an ordinary control, so that a layout table reads like the
// description of the window. Texts are GBK; colours are COLORREF values.
#include <windows.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace toolkit {

constexpr int kNotOnTab = -1;

// Empty face: the default GUI font. Otherwise the face with a character
// height in logical units (negative, as CreateFont takes it), weight 400 and
// the GB2312 character set.
struct FontSpec {
  std::string face;
  int height = 0;
};

// Where a control sits: relative to its window's client area, or, for a
// control on a tab page, to the tab control's client area.
struct Placement {
  std::string name;
  int x = 0, y = 0, width = 0, height = 0;
  int tab_page = kNotOnTab;  // index of the tab page holding the control
  bool visible = true;
};

struct Colours {
  std::optional<COLORREF> text;
  std::optional<COLORREF> background;  // none: the system's colour for the kind
};

enum class BorderKind { none, single_line, sunken };

// A system cursor (IDC_*) shown over a control; null: the class's own.
using SystemCursor = const wchar_t*;

struct EditArgs {
  Placement place;
  std::string text;
  bool multi_line = false;
  BorderKind border = BorderKind::sunken;
  Colours colours;
  FontSpec font;
  SystemCursor cursor = nullptr;
  bool masked = false;  // shows a mask character for every typed one (secrets)
};

struct ComboArgs {  // drop-down list with an editable field, unsorted
  Placement place;
  std::vector<std::string> items;
  Colours colours;
  FontSpec font;
  bool list_only = false;  // no editable field: only the list's items can be chosen
};

struct ButtonArgs {
  Placement place;
  std::string caption;
  FontSpec font;
  bool is_default = false;  // drawn as the button Enter presses
};

enum class HorizontalAlign { left, centre, right };

struct LabelArgs {
  Placement place;
  std::string caption;
  Colours colours;
  HorizontalAlign align = HorizontalAlign::left;
  bool centre_vertically = false;
  bool word_wrap = false;
  bool transparent = false;  // the background behind it shows through
  FontSpec font;
};

struct PictureArgs {
  Placement place;
  std::string picture;  // bytes of a JPEG, BMP, ICO or CUR file; empty: none
  Colours colours;
  SystemCursor cursor = nullptr;
};

struct ProgressArgs {
  Placement place;
  int minimum = 0, maximum = 100, position = 0;
};

struct TimerArgs {
  std::string name;
  unsigned period_ms = 0;  // 0: stopped
};

using ControlArgs =
    std::variant<EditArgs, ComboArgs, ButtonArgs, LabelArgs, PictureArgs, ProgressArgs, TimerArgs>;

struct TabArgs {
  Placement place;
  std::vector<std::string> pages;  // captions, in order
};

struct MenuItemArgs {
  std::string name;  // the name event bindings use
  std::string caption;
  bool checked = false;  // shown with a check mark at creation
};

struct MenuArgs {
  std::string caption;  // the top-level menu
  std::vector<MenuItemArgs> items;
};

enum class FrameKind {
  fixed,           // normal title bar, not resizable
  tool_fixed,      // narrow tool-window title bar, not resizable
  resizable,       // the ordinary overlapped window
};

struct FormArgs {
  std::string name;  // the window's layout name
  std::string caption;
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
  FrameKind frame = FrameKind::resizable;
  int icon_resource = 0;  // id of an icon resource of the executable; 0: none
  std::vector<MenuArgs> menus;
  std::optional<TabArgs> tab;
  std::vector<ControlArgs> controls;
  // Keyboard use as in a dialog box: Tab and Shift+Tab move through the
  // controls in layout order, Enter clicks default_button and Esc clicks
  // cancel_button (layout names of buttons; empty: the key does nothing).
  bool dialog_keys = false;
  std::string default_button;
  std::string cancel_button;
};

}  // namespace toolkit
