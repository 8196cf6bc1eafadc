#pragma once
// One translation of what following found: the slots of windows that
// appeared, and single controls whose program changed their text. Every
// text goes to the translator in one call (so a new dialog and a changed
// label share one request), and each translation is written only where the
// slot still shows the text that was read: a text its program changed
// meanwhile is its program's.
#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "capture/foreign_window.h"
#include "capture/original_texts.h"
#include "capture/text_slot.h"

namespace capture {

using TextsTranslator = std::function<std::vector<std::string>(const std::vector<std::string>&)>;

struct FollowItem {
  TextSlot slot;
  HWND window = nullptr;         // the followed window it belongs to (repainted, restored)
  std::string source;            // GBK, as read
  bool remembered_only = false;  // a busy control: the memory may answer, the service is not asked
};

struct FollowRoundHooks {
  TextsTranslator translate_texts;   // the memory, then the service
  TextsTranslator remembered_texts;  // the memory alone
  std::shared_ptr<OriginalTexts> originals;
  // Held around each check and write; allowed() is asked under it, so that
  // once following has been stopped (and the lock taken once) nothing more
  // is written.
  std::mutex* write_lock = nullptr;
  std::function<bool()> allowed;
  unsigned message_timeout_ms = kForeignMessageTimeoutMs;
};

struct FollowWrite {
  TextSlot slot;
  std::string translation;
};

struct FollowRoundReport {
  int asked = 0;        // texts handed to the translator (memory and service)
  int remembered = 0;   // texts of busy controls looked up in the memory only
  int written = 0;
  int changed = 0;      // its program changed the slot meanwhile: left alone
  int untranslated = 0;
  std::vector<FollowWrite> writes;
};

// Appends every text slot of window's descendants that holds a text to
// translate: not empty, held whole by GBK, and not what this program wrote
// there itself.
void collect_follow_items(HWND window, const std::vector<WrittenText>& written,
                          unsigned timeout_ms, std::vector<FollowItem>& items);

// The text this program last wrote into the slot, or null.
const std::string* written_into(const std::vector<WrittenText>& written, const TextSlot& slot);

FollowRoundReport run_follow_round(const std::vector<FollowItem>& items,
                                   const FollowRoundHooks& hooks);

}  // namespace capture
