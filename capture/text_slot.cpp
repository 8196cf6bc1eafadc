#include "capture/text_slot.h"

namespace capture {

std::size_t TextSlotHash::operator()(const TextSlot& slot) const {
  std::size_t hash = reinterpret_cast<std::size_t>(slot.window);
  hash = hash * 1000003u ^ static_cast<std::size_t>(slot.kind);
  return hash * 1000003u ^ (slot.kind == SlotKind::kInnerText
                                ? InnerSlotHash()(slot.inner)
                                : static_cast<std::size_t>(slot.item));
}

std::vector<TextSlot> text_slots_of(HWND window, unsigned timeout_ms, bool* answered) {
  std::vector<TextSlot> slots;
  if (answered) *answered = true;
  if (!window_text_is_inner(window)) slots.push_back(TextSlot{window, SlotKind::kWindowText, 0, {}});
  if (!has_inner_texts(window)) return slots;
  InnerTexts inner = list_inner_texts(window, timeout_ms);
  if (answered) *answered = inner.answered;
  for (std::size_t i = 0; i < inner.texts.size(); ++i) {
    slots.push_back(
        TextSlot{window, SlotKind::kInnerText, static_cast<int>(i), std::move(inner.texts[i])});
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

WriteOutcome write_slot(const TextSlot& slot, const std::string& expected, const std::string& text,
                        unsigned timeout_ms) {
  switch (slot.kind) {
    case SlotKind::kWindowText:
      return write_window_text_if(slot.window, expected, text, timeout_ms);
    case SlotKind::kInnerText: {
      const WindowText now = read_inner_text(slot.window, slot.inner, timeout_ms);
      if (!now.answered) return WriteOutcome::kUnanswered;
      if (now.whole && now.text == text) return WriteOutcome::kAccepted;
      if (!now.whole || now.text != expected) return WriteOutcome::kChanged;
      InnerText read = slot.inner;
      read.text = expected;
      return write_inner_texts(slot.window, {read}, {text}, timeout_ms) ? WriteOutcome::kAccepted
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
