#pragma once
// The harvest: every descendant window of the window under the cursor is
// read, translated and written back, then the window is hidden and shown
// again so that it repaints with its new texts.
#include <windows.h>

#include <functional>
#include <string>

#include "capture/foreign_window.h"
#include "runtime/array.h"

namespace capture {

// What the harvest needs from the program around it. Every member except
// translate may be left empty.
struct HarvestHooks {
  // A control's text in, its Chinese translation out (both GBK); the empty
  // text when no translation came (no service, an error answer, a limit).
  std::function<std::string(const std::string&)> translate;
  // Shows the progress: each control's text, then its translation.
  std::function<void(const std::string&)> show_text;
  // Sets the status line; the harvest sets kStatusHarvestDone at its end.
  std::function<void(const std::string&)> set_status;
  // Receives the window under the cursor when the harvest starts.
  std::function<void(HWND)> store_captured_window;
  // Asked before each control; true ends the harvest early (the window is
  // still repainted and the status still set).
  std::function<bool()> stop_requested;
  // Bound on every message to the foreign window.
  unsigned message_timeout_ms = kForeignMessageTimeoutMs;
};

// What one harvest did, for the caller's information.
struct HarvestReport {
  HWND window = nullptr;
  int controls = 0;        // descendant windows enumerated
  int requests = 0;        // texts handed to translate
  int written = 0;         // translations the controls accepted
  int rejected = 0;        // translations a control answered but refused
  int without_text = 0;    // controls with no text: nothing to translate
  int untranslated = 0;    // empty translations: the control keeps its text
  int unanswered = 0;      // controls of a thread that did not answer in time
  int inner_texts = 0;     // texts inside controls (items, captions, parts) read
  int inner_written = 0;   // of those, translations written back
};

using WindowList = runtime::Array<HWND>;

// Empties list and fills it with every descendant window of window, in the
// order the system enumerates them (the window itself is not included).
// Returns the number of windows in the list, 0 when the enumeration failed.
int collect_child_windows(HWND window, WindowList& list);

// The EnumChildWindows callback of collect_child_windows; list is a
// WindowList*. Appends the window and continues; stops at a null handle.
BOOL CALLBACK child_window_visitor(HWND window, LPARAM list);

// Translates the texts of every descendant of window, in enumeration order;
// a control with texts inside it (list items, tab captions, ...) has those
// translated first.
// A control without text is passed over (no request), an empty translation
// leaves the control's text unchanged, and once a control's thread fails to
// answer in time the rest of that thread's controls are passed over. Then
// the window is hidden and shown again and the status becomes
// kStatusHarvestDone. No window, or the desktop itself, is not harvested.
HarvestReport harvest_window(HWND window, const HarvestHooks& hooks);

// Body of a harvest thread: the window under the cursor is stored through
// hooks.store_captured_window and harvested with harvest_window.
HarvestReport harvest_and_translate(const HarvestHooks& hooks);

}  // namespace capture
