#pragma once
// The foreign demo's explorer window: a list box, a combo box, a tab
// control, a report-view list view, a tree view and a status bar, all with
// English texts inside them, and the checks it runs on itself on request.
#include <windows.h>

namespace foreign_demo {

struct ExplorerOptions {
  int list_items = 0;       // > 0: the list view holds that many rows
  bool extras = false;      // the controls of --explorer-extras
  int busy_list_view_ms = 0;  // > 0: --busy-list-view
};

// Registers the class and creates the window at its fixed position. Null
// on failure.
HWND create_explorer(HINSTANCE instance, const ExplorerOptions& options);

}  // namespace foreign_demo
