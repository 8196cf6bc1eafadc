#pragma once
// The harvest: every descendant window of the window under the cursor is
// read, translated and written back, then the window is hidden and shown
// again so that it repaints with its new texts.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/foreign_window.h"
#include "capture/original_texts.h"
#include "runtime/array.h"

namespace capture {

// What the harvest needs from the program around it. Every member may be
// left empty; without either translator nothing is translated.
struct HarvestHooks {
  // Every text of the window at once (GBK, in enumeration order) in, their
  // Chinese translations out: result[i] translates texts[i], the empty text
  // when none came. When set, the harvest first reads every control, then
  // translates all texts in this one call, then writes the translations
  // back. It runs on the harvest's thread, where harvest_should_stop()
  // tells whether to give up early.
  std::function<std::vector<std::string>(const std::vector<std::string>&)> translate_texts;
  // Used when translate_texts is empty: one control's text in, its Chinese
  // translation out (both GBK), the empty text when no translation came (no
  // service, an error answer, a limit). Each control is then read,
  // translated and written before the next one is read.
  std::function<std::string(const std::string&)> translate;
  // Shows the progress: each control's text, then its translation.
  std::function<void(const std::string&)> show_text;
  // Asked once translate_texts' translations are written: a line about the
  // texts that got none ("" when all did), shown under the last translation.
  std::function<std::string()> untranslated_note;
  // Sets the status line; the harvest sets kStatusHarvestDone at its end.
  std::function<void(const std::string&)> set_status;
  // Receives the window under the cursor when the harvest starts.
  std::function<void(HWND)> store_captured_window;
  // Chooses the window to harvest instead of pick_window_under_cursor (a
  // hotkey takes the whole top-level window under the pointer).
  std::function<HWND()> pick_window;
  // Told, at the very end, which window was harvested (not called for no
  // window or the desktop): the program follows it from then on.
  std::function<void(HWND)> harvested;
  // Asked before each control is read (and, all at once, before the
  // translation); true ends the harvest early: translations already come
  // are still written, the window still repainted and the status still set.
  std::function<bool()> stop_requested;
  // Remembers the original and the translation of every text written, for
  // restore_originals; null: nothing is remembered.
  std::shared_ptr<OriginalTexts> originals;
  // Bound on every message to the foreign window.
  unsigned message_timeout_ms = kForeignMessageTimeoutMs;
};

// What one harvest did, for the caller's information.
struct HarvestReport {
  HWND window = nullptr;
  int controls = 0;        // descendant windows enumerated
  int requests = 0;        // texts handed to the translator
  int written = 0;         // translations the controls accepted
  int rejected = 0;        // translations a control answered but refused
  int without_text = 0;    // controls with no text: nothing to translate
  int untranslated = 0;    // empty translations: the control keeps its text
  int unanswered = 0;      // controls of a thread that did not answer in time
  int changed = 0;         // showed another text by the time of writing: left to its program
  int unholdable = 0;      // texts GBK cannot hold, or not read whole: left alone
};

using WindowList = runtime::Array<HWND>;

// Empties list and fills it with every descendant window of window, in the
// order the system enumerates them (the window itself is not included).
// Returns the number of windows in the list, 0 when the enumeration failed.
int collect_child_windows(HWND window, WindowList& list);

// The EnumChildWindows callback of collect_child_windows; list is a
// WindowList*. Appends the window and continues; stops at a null handle.
BOOL CALLBACK child_window_visitor(HWND window, LPARAM list);

// Translates the texts of every descendant of window, in enumeration order,
// through hooks.translate_texts (all at once) or else hooks.translate (one
// by one). The progress shows each text, then its translation. A control
// without text is passed over (no request), as is one whose text GBK cannot
// hold or that could not be read whole (it keeps its text exactly); an
// empty translation leaves the control's text unchanged, and once a
// control's thread fails to answer in time the rest of that thread's
// controls are passed over. Each text is written only while the control
// still shows what was read; harvests and restores of one top-level window
// take turns (WindowTurn). Whatever happens, the window is then hidden and
// shown again and the status becomes kStatusHarvestDone. No window, or the
// desktop itself, is not harvested.
HarvestReport harvest_window(HWND window, const HarvestHooks& hooks);

// On a harvest's thread while its translator runs: true once the harvest
// has been asked to stop (hooks.stop_requested). False on other threads.
bool harvest_should_stop();

// Body of a harvest thread: the window under the cursor is stored through
// hooks.store_captured_window and harvested with harvest_window.
HarvestReport harvest_and_translate(const HarvestHooks& hooks);

}  // namespace capture
