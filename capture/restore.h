#pragma once
// Putting back the texts the harvests replaced: every remembered text slot
// that still exists and still shows the translation written there gets its
// original again; a text its program changed since is its own and stays.
#include <windows.h>

#include <functional>
#include <string>

#include "capture/foreign_window.h"
#include "capture/original_texts.h"

namespace capture {

struct RestoreHooks {
  // Sets the status line; the restore sets kStatusRestored at its end.
  std::function<void(const std::string&)> set_status;
  // Bound on every message to the foreign windows.
  unsigned message_timeout_ms = kForeignMessageTimeoutMs;
};

struct RestoreReport {
  int restored = 0;    // originals written back
  int changed = 0;     // the slot shows another text than the one written: left alone
  int gone = 0;        // the window no longer exists
  int unanswered = 0;  // its thread did not answer in time: remembered for another try
  int rejected = 0;    // the control refused its original: remembered for another try
  int repainted = 0;   // harvested windows hidden and shown again
};

// Restores the slots last written first, undoing the writes in reverse
// (two slots may show one text, as a combo box and its edit do: the later
// write is undone before the earlier one), forgets every slot
// that was restored, changed or gone, hides and shows again each harvested
// window in which something was restored, and sets kStatusRestored. A
// harvest still running on one of the windows finishes first (WindowTurn);
// each original is written only while its slot still shows the
// translation, and a slot already showing its original counts as restored.
// The cost grows with the number of slots, no faster.
RestoreReport restore_originals(OriginalTexts& originals, const RestoreHooks& hooks);

}  // namespace capture
