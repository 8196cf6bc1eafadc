#include "capture/original_texts.h"

#include <utility>

namespace capture {

void OriginalTexts::remember(const TextSlot& slot, HWND harvested_window,
                             const std::string& read, const std::string& written) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto known = by_slot_.find(slot);
  if (known == by_slot_.end()) {
    entries_.push_back(WrittenText{slot, harvested_window, read, written});
    by_slot_.emplace(slot, std::prev(entries_.end()));
    return;
  }
  WrittenText& entry = *known->second;
  // A text the program itself changed since is the new original.
  if (entry.written != read) entry.original = read;
  entry.written = written;
  entry.harvested_window = harvested_window;
  // The slot's place in the listing may have moved: the key keeps up.
  entry.slot = slot;
  entries_.splice(entries_.end(), entries_, known->second);
}

std::vector<WrittenText> OriginalTexts::entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::vector<WrittenText>(entries_.begin(), entries_.end());
}

void OriginalTexts::forget(const std::vector<TextSlot>& slots) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const TextSlot& slot : slots) {
    const auto known = by_slot_.find(slot);
    if (known == by_slot_.end()) continue;
    entries_.erase(known->second);
    by_slot_.erase(known);
  }
}

void OriginalTexts::forget_gone_windows() {
  std::lock_guard<std::mutex> lock(mutex_);
  HWND checked = nullptr;
  bool exists = false;
  for (auto it = entries_.begin(); it != entries_.end();) {
    // Entries of one window mostly follow each other: one question each.
    if (it->slot.window != checked) {
      checked = it->slot.window;
      exists = slot_exists(it->slot);
    }
    if (exists) {
      ++it;
      continue;
    }
    by_slot_.erase(it->slot);
    it = entries_.erase(it);
  }
}

std::size_t OriginalTexts::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

}  // namespace capture
