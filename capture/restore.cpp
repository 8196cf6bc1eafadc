#include "capture/restore.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "capture/inner_texts.h"
#include "capture/status_texts.h"
#include "capture/text_slot.h"
#include "capture/window_turns.h"

namespace capture {

namespace {

// One restore: what it did, and what it is done with.
struct RestoreRun {
  const RestoreHooks& hooks;
  RestoreReport& report;
  std::vector<TextSlot> done;
  std::vector<HWND> to_repaint;
  std::unordered_set<HWND> repaint_known;
  std::unordered_set<DWORD> silent_threads;  // as in the harvest: one time-out per thread

  void repaint_later(HWND window) {
    if (repaint_known.insert(window).second) to_repaint.push_back(window);
  }
};

// The remembered inner texts of one control, put back in one go: each slot
// is read once, and each that still shows the translation written there
// gets its original; the control's item data, selection and top item are
// saved and restored once.
void restore_inner_texts(HWND control, const std::vector<const WrittenText*>& entries,
                         RestoreRun& run) {
  RestoreReport& report = run.report;
  const int count = static_cast<int>(entries.size());
  if (!IsWindow(control)) {
    report.gone += count;
    for (const WrittenText* entry : entries) run.done.push_back(entry->slot);
    return;
  }
  const DWORD thread = GetWindowThreadProcessId(control, nullptr);
  if (run.silent_threads.count(thread)) {
    report.unanswered += count;
    return;
  }
  std::vector<InnerText> items;
  std::vector<std::string> originals;
  items.reserve(entries.size());
  originals.reserve(entries.size());
  for (const WrittenText* entry : entries) {
    items.push_back(entry->slot.inner);
    items.back().text = entry->written;
    originals.push_back(entry->original);
  }
  const PutBackReport put =
      put_back_inner_texts(control, items, originals, run.hooks.message_timeout_ms);
  if (!put.answered) {
    run.silent_threads.insert(thread);
    report.unanswered += count;
    return;
  }
  bool wrote = false;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    switch (put.outcomes[i]) {
      case PutBack::kAlready:  // two slots may show one text
        ++report.restored;
        break;
      case PutBack::kChanged:
        ++report.changed;
        break;
      case PutBack::kRefused:
        // Stays remembered, for a later restore.
        ++report.rejected;
        continue;
      case PutBack::kWritten:
        ++report.restored;
        wrote = true;
        break;
    }
    run.done.push_back(entries[i]->slot);
  }
  if (wrote) run.repaint_later(entries.front()->harvested_window);
}

void restore_window_text(const WrittenText& entry, RestoreRun& run) {
  RestoreReport& report = run.report;
  if (!slot_exists(entry.slot)) {
    ++report.gone;
    run.done.push_back(entry.slot);
    return;
  }
  const DWORD thread = slot_thread(entry.slot);
  if (run.silent_threads.count(thread)) {
    ++report.unanswered;
    return;
  }
  switch (write_slot(entry.slot, entry.written, entry.original, run.hooks.message_timeout_ms)) {
    case WriteOutcome::kAccepted:
      ++report.restored;
      run.done.push_back(entry.slot);
      run.repaint_later(entry.harvested_window);
      break;
    case WriteOutcome::kChanged:
      ++report.changed;
      run.done.push_back(entry.slot);
      break;
    case WriteOutcome::kRejected:
      ++report.rejected;
      break;
    case WriteOutcome::kLate:  // stays remembered: the next restore sees what landed
    case WriteOutcome::kUnanswered:
      run.silent_threads.insert(thread);
      ++report.unanswered;
      break;
  }
}

std::vector<HWND> windows_of(const std::vector<WrittenText>& entries) {
  std::unordered_set<HWND> seen;
  std::vector<HWND> windows;
  for (const WrittenText& entry : entries) {
    for (HWND window : {entry.slot.window, entry.harvested_window}) {
      if (seen.insert(window).second) windows.push_back(window);
    }
  }
  return windows;
}

}  // namespace

RestoreReport restore_originals(OriginalTexts& originals, const RestoreHooks& hooks) {
  RestoreReport report;
  RestoreRun run{hooks, report, {}, {}, {}, {}};
  {
    // A harvest of one of these windows that is still running finishes
    // first: what it writes is put back too.
    const WindowTurn turn(windows_of(originals.entries()));
    std::vector<WrittenText> entries = originals.entries();
    // What a harvest of another window remembered meanwhile waits for the
    // next restore. Asked once per window: many slots share one.
    std::unordered_map<HWND, bool> waits;
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const WrittenText& entry) {
                                   const HWND window = entry.slot.window;
                                   const auto known = waits.find(window);
                                   if (known != waits.end()) return known->second;
                                   const bool later = IsWindow(window) && !turn.covers(window);
                                   waits.emplace(window, later);
                                   return later;
                                 }),
                  entries.end());

    // Each control's inner texts go back together.
    std::unordered_map<HWND, std::vector<const WrittenText*>> inner_groups;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
      if (it->slot.kind == SlotKind::kInnerText) inner_groups[it->slot.window].push_back(&*it);
    }
    // The last written first, undoing the writes in reverse: two slots may
    // show one text, as a combo box and its edit do.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
      if (it->slot.kind != SlotKind::kInnerText) {
        restore_window_text(*it, run);
        continue;
      }
      // The first of a control's inner texts met brings all of them.
      const auto group = inner_groups.find(it->slot.window);
      if (group == inner_groups.end()) continue;
      restore_inner_texts(group->first, group->second, run);
      inner_groups.erase(group);
    }
    originals.forget(run.done);
  }

  for (HWND window : run.to_repaint) {
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
