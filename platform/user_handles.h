#pragma once
// Owners of USER objects the program creates itself: icons, cursors, menus.
#include <windows.h>

#include "platform/unique_handle.h"

namespace platform {

// Icons and cursors made by CreateIconFromResourceEx (DestroyIcon frees both).
struct IconHandleTraits {
  using Handle = HICON;
  static Handle invalid() { return nullptr; }
  static bool valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { DestroyIcon(h); }
};
using IconHandle = UniqueHandle<IconHandleTraits>;

// A menu not (yet) attached to a window; once SetMenu hands it over, release().
struct MenuHandleTraits {
  using Handle = HMENU;
  static Handle invalid() { return nullptr; }
  static bool valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { DestroyMenu(h); }
};
using MenuHandle = UniqueHandle<MenuHandleTraits>;

// A WinEvent hook; unhooked on the thread that set it, as the system requires.
struct WinEventHookTraits {
  using Handle = HWINEVENTHOOK;
  static Handle invalid() { return nullptr; }
  static bool valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { UnhookWinEvent(h); }
};
using WinEventHook = UniqueHandle<WinEventHookTraits>;

}  // namespace platform
