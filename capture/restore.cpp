#include "capture/restore.h"

#include <algorithm>
#include <vector>

#include "capture/inner_texts.h"
#include "capture/status_texts.h"
#include "capture/text_slot.h"

namespace capture {

namespace {

void add_once(std::vector<HWND>& windows, HWND window) {
  if (std::find(windows.begin(), windows.end(), window) == windows.end()) windows.push_back(window);
}

// The remembered inner texts of one control, put back in one go: the
// control is read once, and each of its slots that still shows the
// translation written there gets its original; the control's item data,
// selection and top item are saved and restored once.
void restore_inner_texts(HWND control, const std::vector<WrittenText>& entries,
                         const RestoreHooks& hooks, RestoreReport& report,
                         std::vector<TextSlot>& done, std::vector<HWND>& to_repaint,
                         std::vector<DWORD>& silent_threads) {
  const int count = static_cast<int>(entries.size());
  if (!IsWindow(control)) {
    report.gone += count;
    for (const WrittenText& entry : entries) done.push_back(entry.slot);
    return;
  }
  const DWORD thread = GetWindowThreadProcessId(control, nullptr);
  if (std::find(silent_threads.begin(), silent_threads.end(), thread) != silent_threads.end()) {
    report.unanswered += count;
    return;
  }
  const std::vector<InnerText> now = read_inner_texts(control, hooks.message_timeout_ms);
  // Nothing read: either the control does not answer (try again later) or
  // it holds nothing of what was written any more.
  if (now.empty() && !query_window_text(control, hooks.message_timeout_ms).answered) {
    silent_threads.push_back(thread);
    report.unanswered += count;
    return;
  }
  std::vector<InnerText> items;
  std::vector<std::string> originals;
  std::vector<TextSlot> restoring;
  for (const WrittenText& entry : entries) {
    const auto found = std::find_if(now.begin(), now.end(), [&](const InnerText& item) {
      return same_slot(item, entry.slot.inner);
    });
    if (found == now.end() || found->text != entry.written) {
      ++report.changed;
      done.push_back(entry.slot);
      continue;
    }
    items.push_back(*found);
    originals.push_back(entry.original);
    restoring.push_back(entry.slot);
  }
  if (items.empty()) return;
  if (!write_inner_texts(control, items, originals, hooks.message_timeout_ms)) {
    report.rejected += static_cast<int>(items.size());
    return;
  }
  report.restored += static_cast<int>(items.size());
  done.insert(done.end(), restoring.begin(), restoring.end());
  add_once(to_repaint, entries.front().harvested_window);
}

}  // namespace

RestoreReport restore_originals(OriginalTexts& originals, const RestoreHooks& hooks) {
  RestoreReport report;
  std::vector<TextSlot> done;
  std::vector<HWND> to_repaint;
  std::vector<DWORD> silent_threads;  // as in the harvest: one time-out per thread
  const std::vector<WrittenText> entries = originals.entries();
  std::vector<HWND> inner_done;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    const WrittenText& entry = *it;
    if (entry.slot.kind == SlotKind::kInnerText) {
      // The first of a control's inner texts met brings all of them.
      const HWND control = entry.slot.window;
      if (std::find(inner_done.begin(), inner_done.end(), control) != inner_done.end()) continue;
      inner_done.push_back(control);
      std::vector<WrittenText> group;
      for (auto other = it; other != entries.rend(); ++other) {
        if (other->slot.kind == SlotKind::kInnerText && other->slot.window == control) {
          group.push_back(*other);
        }
      }
      restore_inner_texts(control, group, hooks, report, done, to_repaint, silent_threads);
      continue;
    }
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
        add_once(to_repaint, entry.harvested_window);
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
