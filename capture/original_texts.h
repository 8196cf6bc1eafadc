#pragma once
// What the harvests wrote into other programs' windows: per text slot the
// text it showed before and the translation written over it, so that the
// originals can be put back. Shared by the harvest threads and the restore,
// so every member may be called from any thread. Remembering and forgetting
// cost the same however many texts are remembered.
#include <windows.h>

#include <list>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "capture/text_slot.h"

namespace capture {

struct WrittenText {
  TextSlot slot;
  HWND harvested_window = nullptr;  // hidden and shown again after a restore
  std::string original;             // GBK
  std::string written;              // the translation the harvest wrote
};

class OriginalTexts {
 public:
  // A translation was written into slot over the text read. When the slot
  // still showed the translation written there before, the original read
  // then is kept (a control translated twice keeps its first original);
  // otherwise the text read is the original.
  void remember(const TextSlot& slot, HWND harvested_window, const std::string& read,
                const std::string& written);

  // Everything remembered, in the order the slots were last written.
  std::vector<WrittenText> entries() const;
  // Drops the entries of these slots.
  void forget(const std::vector<TextSlot>& slots);
  // Drops the entries whose windows are gone, so that the memory does not
  // grow with every window ever translated.
  void forget_gone_windows();
  std::size_t size() const;

 private:
  using Entries = std::list<WrittenText>;
  mutable std::mutex mutex_;
  Entries entries_;  // in the order the slots were last written
  std::unordered_map<TextSlot, Entries::iterator, TextSlotHash> by_slot_;
};

}  // namespace capture
