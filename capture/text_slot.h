#pragma once
// A place in another program's window that holds one text the harvest
// translates and the restore puts back: a window's own text (its caption
// or content), or a text inside a common control (an item of a list, a
// tab's caption, a list-view cell, a status bar part).
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "capture/foreign_window.h"
#include "capture/inner_texts.h"

namespace capture {

enum class SlotKind {
  kWindowText,  // WM_GETTEXT / WM_SETTEXT of the window itself
  kInnerText,   // a text inside the control, through its own messages
};

struct TextSlot {
  HWND window = nullptr;
  SlotKind kind = SlotKind::kWindowText;
  int item = 0;  // which text of the window, for kinds that hold several
  // kInnerText: which inner text, and the text it held when the control's
  // slots were listed.
  InnerText inner;

  bool operator==(const TextSlot& other) const {
    if (window != other.window || kind != other.kind) return false;
    // An inner text's place in the listing may move between harvests.
    return kind == SlotKind::kInnerText ? same_slot(inner, other.inner) : item == other.item;
  }
  bool operator!=(const TextSlot& other) const { return !(*this == other); }
};

struct TextSlotHash {
  std::size_t operator()(const TextSlot& slot) const;
};

// The text slots of one descendant window, in the order they are harvested:
// its own text (unless that is one of its inner texts, as a status bar's
// is), then its inner texts, which are read whole while they are listed.
// *answered is false when the control did not answer while they were.
std::vector<TextSlot> text_slots_of(HWND window, unsigned timeout_ms = kForeignMessageTimeoutMs,
                                    bool* answered = nullptr);

// Reads the slot's text; every message bounded by timeout_ms.
WindowText read_slot(const TextSlot& slot, unsigned timeout_ms);
// Writes text into the slot, checked: the slot is read again just before,
// and written only while it still shows expected (kChanged otherwise; a
// slot already showing text is accepted as it is). write_inner_texts
// writes a whole control's inner texts at once, with the same check.
WriteOutcome write_slot(const TextSlot& slot, const std::string& expected, const std::string& text,
                        unsigned timeout_ms);

// The thread that answers for the slot, 0 when its window is gone.
DWORD slot_thread(const TextSlot& slot);

// The slot's window still exists (a slot of a window that is gone cannot
// answer, and is no reason to pass over the rest of its thread).
bool slot_exists(const TextSlot& slot);

}  // namespace capture
