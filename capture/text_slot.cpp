#include "capture/text_slot.h"

namespace capture {

std::vector<TextSlot> text_slots_of(HWND window, unsigned timeout_ms) {
  std::vector<TextSlot> slots;
  if (!window_text_is_inner(window)) slots.push_back(TextSlot{window, SlotKind::kWindowText, 0, {}});
  if (!has_inner_texts(window)) return slots;
  std::vector<InnerText> inner = read_inner_texts(window, timeout_ms);
  for (std::size_t i = 0; i < inner.size(); ++i) {
    slots.push_back(TextSlot{window, SlotKind::kInnerText, static_cast<int>(i), std::move(inner[i])});
  }
  return slots;
}

WindowText read_slot(const TextSlot& slot, unsigned timeout_ms) {
  switch (slot.kind) {
    case SlotKind::kWindowText:
      return query_window_text(slot.window, timeout_ms);
    case SlotKind::kInnerText:
      return read_inner_text(slot.window, slot.inner, timeout_ms);
  }
  return WindowText();
}

WriteOutcome write_slot(const TextSlot& slot, const std::string& text, unsigned timeout_ms) {
  switch (slot.kind) {
    case SlotKind::kWindowText:
      return write_window_text(slot.window, text, timeout_ms);
    case SlotKind::kInnerText: {
      const WindowText now = read_inner_text(slot.window, slot.inner, timeout_ms);
      if (!now.answered) return WriteOutcome::kUnanswered;
      InnerText expected = slot.inner;
      expected.text = now.text;
      return write_inner_texts(slot.window, {expected}, {text}, timeout_ms)
                 ? WriteOutcome::kAccepted
                 : WriteOutcome::kRejected;
    }
  }
  return WriteOutcome::kRejected;
}

DWORD slot_thread(const TextSlot& slot) {
  return GetWindowThreadProcessId(slot.window, nullptr);
}

bool slot_exists(const TextSlot& slot) { return slot.window && IsWindow(slot.window); }

}  // namespace capture
