#include "capture/original_texts.h"

#include <algorithm>
#include <utility>

namespace capture {

void OriginalTexts::remember(const TextSlot& slot, HWND harvested_window,
                             const std::string& read, const std::string& written) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto known = std::find_if(entries_.begin(), entries_.end(),
                                  [&](const WrittenText& entry) { return entry.slot == slot; });
  if (known == entries_.end()) {
    entries_.push_back(WrittenText{slot, harvested_window, read, written});
    return;
  }
  WrittenText entry = std::move(*known);
  entries_.erase(known);
  // A text the program itself changed since is the new original.
  if (entry.written != read) entry.original = read;
  entry.written = written;
  entry.harvested_window = harvested_window;
  entries_.push_back(std::move(entry));
}

std::vector<WrittenText> OriginalTexts::entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_;
}

void OriginalTexts::forget(const std::vector<TextSlot>& slots) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [&](const WrittenText& entry) {
                                  return std::find(slots.begin(), slots.end(), entry.slot) !=
                                         slots.end();
                                }),
                 entries_.end());
}

void OriginalTexts::forget_gone_windows() {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [](const WrittenText& entry) { return !slot_exists(entry.slot); }),
                 entries_.end());
}

std::size_t OriginalTexts::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

}  // namespace capture
