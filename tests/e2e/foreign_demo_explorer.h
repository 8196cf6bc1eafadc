#pragma once
// The foreign demo's explorer window: a list box, a combo box, a tab
// control, a report-view list view, a tree view and a status bar, all with
// English texts inside them, and the checks it runs on itself on request.
#include <windows.h>

namespace foreign_demo {

// Registers the class and creates the window at its fixed position. With
// list_items > 0 the list view holds that many rows. Null on failure.
HWND create_explorer(HINSTANCE instance, int list_items);

}  // namespace foreign_demo
