#pragma once
// Looking at another process's windows through the window system: finding
// them, their placement, texts, and the contents of tab and combo controls.
#include <windows.h>

#include <string>
#include <vector>

namespace probe {

std::wstring class_name(HWND window);
std::wstring window_text(HWND window);
void set_window_text(HWND window, const std::wstring& text);

// Top-level windows of the process, optionally only those of one class.
std::vector<HWND> top_level_windows(DWORD process_id, const std::wstring& class_filter = L"");
// Direct children of a window, in Z order.
std::vector<HWND> children(HWND parent);

// The window's rectangle in the client coordinates of its parent (or of the
// screen for a top-level window).
RECT rect_in_parent(HWND window);

// The child of parent of the given class (case-insensitive) whose rectangle
// in the parent's client area is exactly x, y, width, height; null if none.
HWND child_at(HWND parent, const std::wstring& class_name, int x, int y, int width, int height);

// Captions of a tab control in another process, and its header rectangles.
std::vector<std::wstring> tab_captions(HWND tab);
RECT tab_header_rect(HWND tab, int index);

// The items of a combo box.
std::vector<std::wstring> combo_items(HWND combo);

// Chooses an item of a menu of the window's menu bar (the first one unless
// told) by keyboard, the way a user without a mouse does (the menu itself
// belongs to the other process and cannot be read from here).
void choose_menu_item(HWND window, int position, int menu = 0);

// Clicks with the left button at a client point by posting the messages.
void post_click(HWND window, int x, int y);

// Share of dark (sum of RGB < 200) and light (> 600) pixels in a screen area.
struct Shades {
  double dark = 0;
  double light = 0;
};
Shades screen_shades(const RECT& screen_rect);

}  // namespace probe
