#pragma once
// A place in another program's window that holds one text the harvest
// translates and the restore puts back. Today that is a window's own text
// (its caption or content); other kinds (an item of a list, a tab's
// caption) are further kinds with their own read and write.
#include <windows.h>

#include <string>
#include <vector>

#include "capture/foreign_window.h"

namespace capture {

enum class SlotKind {
  kWindowText,  // WM_GETTEXT / WM_SETTEXT of the window itself
};

struct TextSlot {
  HWND window = nullptr;
  SlotKind kind = SlotKind::kWindowText;
  int item = 0;  // which text of the window, for kinds that hold several

  bool operator==(const TextSlot& other) const {
    return window == other.window && kind == other.kind && item == other.item;
  }
  bool operator!=(const TextSlot& other) const { return !(*this == other); }
};

// The text slots of one descendant window, in the order they are harvested.
std::vector<TextSlot> text_slots_of(HWND window);

// Reads or writes the slot's text; every message bounded by timeout_ms.
WindowText read_slot(const TextSlot& slot, unsigned timeout_ms);
WriteOutcome write_slot(const TextSlot& slot, const std::string& text, unsigned timeout_ms);

// The thread that answers for the slot, 0 when its window is gone.
DWORD slot_thread(const TextSlot& slot);

// The slot's window still exists (a slot of a window that is gone cannot
// answer, and is no reason to pass over the rest of its thread).
bool slot_exists(const TextSlot& slot);

}  // namespace capture
