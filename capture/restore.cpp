#include "capture/restore.h"

#include <algorithm>
#include <vector>

#include "capture/status_texts.h"
#include "capture/text_slot.h"

namespace capture {

RestoreReport restore_originals(OriginalTexts& originals, const RestoreHooks& hooks) {
  RestoreReport report;
  std::vector<TextSlot> done;
  std::vector<HWND> to_repaint;
  std::vector<DWORD> silent_threads;  // as in the harvest: one time-out per thread
  const std::vector<WrittenText> entries = originals.entries();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    const WrittenText& entry = *it;
    if (!slot_exists(entry.slot)) {
      ++report.gone;
      done.push_back(entry.slot);
      continue;
    }
    const DWORD thread = slot_thread(entry.slot);
    if (std::find(silent_threads.begin(), silent_threads.end(), thread) != silent_threads.end()) {
      ++report.unanswered;
      continue;
    }
    const WindowText now = read_slot(entry.slot, hooks.message_timeout_ms);
    if (!now.answered) {
      silent_threads.push_back(thread);
      ++report.unanswered;
      continue;
    }
    if (!now.whole || now.text != entry.written) {
      ++report.changed;
      done.push_back(entry.slot);
      continue;
    }
    switch (write_slot(entry.slot, entry.original, hooks.message_timeout_ms)) {
      case WriteOutcome::kAccepted:
        ++report.restored;
        done.push_back(entry.slot);
        if (std::find(to_repaint.begin(), to_repaint.end(), entry.harvested_window) ==
            to_repaint.end()) {
          to_repaint.push_back(entry.harvested_window);
        }
        break;
      case WriteOutcome::kRejected:
        ++report.rejected;
        break;
      case WriteOutcome::kUnanswered:
        silent_threads.push_back(thread);
        ++report.unanswered;
        break;
    }
  }
  originals.forget(done);

  for (HWND window : to_repaint) {
    if (!IsWindow(window)) continue;
    // Asynchronous, as after a harvest: a window that stopped answering
    // cannot hold the restore.
    ShowWindowAsync(window, SW_HIDE);
    ShowWindowAsync(window, SW_SHOW);
    ++report.repainted;
  }
  if (hooks.set_status) hooks.set_status(kStatusRestored);
  return report;
}

}  // namespace capture
