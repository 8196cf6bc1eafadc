#include "capture/follow_round.h"

#include "capture/harvest.h"
#include "capture/inner_texts.h"
#include "capture/window_turns.h"

namespace capture {
namespace {

std::vector<std::string> sources_of(const std::vector<FollowItem>& items,
                                    const std::vector<std::size_t>& which) {
  std::vector<std::string> sources;
  sources.reserve(which.size());
  for (std::size_t i : which) sources.push_back(items[i].source);
  return sources;
}

// Calls the translator for the chosen items; missing answers stay empty.
void translate_into(const TextsTranslator& translator, const std::vector<FollowItem>& items,
                    const std::vector<std::size_t>& which, std::vector<std::string>& translations) {
  if (which.empty() || !translator) return;
  std::vector<std::string> answers = translator(sources_of(items, which));
  answers.resize(which.size());
  for (std::size_t j = 0; j < which.size(); ++j) translations[which[j]] = std::move(answers[j]);
}

class Writer {
 public:
  Writer(const FollowRoundHooks& hooks, FollowRoundReport& report) : hooks_(hooks), report_(report) {}

  // One control's inner texts in one go: its item data, selection and top
  // item are saved and put back once. write_inner_texts itself writes
  // nothing when the control changed since it was read.
  void write_inner(const std::vector<const FollowItem*>& group,
                   const std::vector<std::string>& translations) {
    if (group.empty()) return;
    // Harvests and restores of the window take turns with following too; the
    // turn comes before the lock, as in a harvest that starts following.
    const WindowTurn turn({group.front()->window});
    std::unique_lock<std::mutex> lock;
    if (hooks_.write_lock) lock = std::unique_lock<std::mutex>(*hooks_.write_lock);
    if (hooks_.allowed && !hooks_.allowed()) return;
    std::vector<InnerText> slots;
    for (const FollowItem* item : group) slots.push_back(item->slot.inner);
    std::vector<bool> taken;
    const bool all = write_inner_texts(group.front()->slot.window, slots, translations,
                                       hooks_.message_timeout_ms, &taken);
    // What was written before a refusal or a time-out counts as written.
    for (std::size_t i = 0; i < group.size(); ++i) {
      if (all || taken[i]) {
        accepted(*group[i], translations[i]);
      } else {
        ++report_.changed;
      }
    }
  }

  void write(const FollowItem& item, const std::string& translation) {
    const WindowTurn turn({item.window});
    std::unique_lock<std::mutex> lock;
    if (hooks_.write_lock) lock = std::unique_lock<std::mutex>(*hooks_.write_lock);
    if (hooks_.allowed && !hooks_.allowed()) return;
    // Written only while the control still shows what was read: the program
    // may have changed the text since.
    switch (write_slot(item.slot, item.source, translation, hooks_.message_timeout_ms)) {
      case WriteOutcome::kAccepted:
        accepted(item, translation);
        break;
      case WriteOutcome::kChanged:
        ++report_.changed;
        break;
      case WriteOutcome::kLate:
        // The window may take it yet: remembered for a restore.
        if (hooks_.originals) {
          hooks_.originals->remember(item.slot, item.window, item.source, translation);
        }
        break;
      default:
        break;
    }
  }

 private:
  void accepted(const FollowItem& item, const std::string& translation) {
    ++report_.written;
    if (hooks_.originals) hooks_.originals->remember(item.slot, item.window, item.source, translation);
    report_.writes.push_back(FollowWrite{item.slot, translation});
  }

  const FollowRoundHooks& hooks_;
  FollowRoundReport& report_;
};

}  // namespace

const std::string* written_into(const std::vector<WrittenText>& written, const TextSlot& slot) {
  for (auto it = written.rbegin(); it != written.rend(); ++it) {
    if (it->slot == slot) return &it->written;
  }
  return nullptr;
}

void collect_follow_items(HWND window, const std::vector<WrittenText>& written,
                          unsigned timeout_ms, std::vector<FollowItem>& items) {
  WindowList list;
  collect_child_windows(window, list);
  for (HWND control : list) {
    for (TextSlot& slot : text_slots_of(control, timeout_ms)) {
      WindowText text;
      if (slot.kind == SlotKind::kInnerText) {
        text.answered = true;
        text.text = slot.inner.text;
      } else {
        text = read_slot(slot, timeout_ms);
      }
      if (!text.answered || !text.whole || text.text.empty()) continue;
      const std::string* own = written_into(written, slot);
      if (own && *own == text.text) continue;
      items.push_back(FollowItem{std::move(slot), window, std::move(text.text), false});
    }
  }
}

FollowRoundReport run_follow_round(const std::vector<FollowItem>& items,
                                   const FollowRoundHooks& hooks) {
  FollowRoundReport report;
  std::vector<std::size_t> asked;
  std::vector<std::size_t> remembered;
  for (std::size_t i = 0; i < items.size(); ++i) {
    (items[i].remembered_only ? remembered : asked).push_back(i);
  }
  report.asked = static_cast<int>(asked.size());
  report.remembered = static_cast<int>(remembered.size());
  std::vector<std::string> translations(items.size());
  translate_into(hooks.translate_texts, items, asked, translations);
  translate_into(hooks.remembered_texts, items, remembered, translations);

  Writer writer(hooks, report);
  std::vector<const FollowItem*> inner_group;
  std::vector<std::string> inner_translations;
  const auto flush_inner = [&] {
    writer.write_inner(inner_group, inner_translations);
    inner_group.clear();
    inner_translations.clear();
  };
  for (std::size_t i = 0; i < items.size(); ++i) {
    // A failed translation never blanks another program's control, and one
    // equal to the text has nothing to change.
    if (translations[i].empty() || translations[i] == items[i].source) {
      ++report.untranslated;
      continue;
    }
    if (items[i].slot.kind != SlotKind::kInnerText) {
      writer.write(items[i], translations[i]);
      continue;
    }
    if (!inner_group.empty() && inner_group.front()->slot.window != items[i].slot.window) {
      flush_inner();
    }
    inner_group.push_back(&items[i]);
    inner_translations.push_back(translations[i]);
  }
  flush_inner();
  return report;
}

}  // namespace capture
