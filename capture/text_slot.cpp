#include "capture/text_slot.h"

namespace capture {

std::vector<TextSlot> text_slots_of(HWND window) {
  return {TextSlot{window, SlotKind::kWindowText, 0}};
}

WindowText read_slot(const TextSlot& slot, unsigned timeout_ms) {
  switch (slot.kind) {
    case SlotKind::kWindowText:
      return query_window_text(slot.window, timeout_ms);
  }
  return WindowText();
}

WriteOutcome write_slot(const TextSlot& slot, const std::string& text, unsigned timeout_ms) {
  switch (slot.kind) {
    case SlotKind::kWindowText:
      return write_window_text(slot.window, text, timeout_ms);
  }
  return WriteOutcome::kRejected;
}

DWORD slot_thread(const TextSlot& slot) {
  return GetWindowThreadProcessId(slot.window, nullptr);
}

bool slot_exists(const TextSlot& slot) { return slot.window && IsWindow(slot.window); }

}  // namespace capture
