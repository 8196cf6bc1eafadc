#include "capture/harvest.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "capture/status_texts.h"
#include "capture/text_slot.h"
#include "capture/window_pick.h"
#include "capture/window_turns.h"

namespace capture {
namespace {

// Threads that already let a message time out: their other windows would
// only make the harvest wait out the time-out once more for each.
class SilentThreads {
 public:
  bool contains(DWORD thread) const {
    return std::find(threads_.begin(), threads_.end(), thread) != threads_.end();
  }
  void add(DWORD thread) {
    if (thread && !contains(thread)) threads_.push_back(thread);
  }

 private:
  std::vector<DWORD> threads_;
};

// The stop question of the harvest running on this thread, for translators
// that take long enough to want to give up early.
thread_local const std::function<bool()>* t_stop_requested = nullptr;

class StopQuestionScope {
 public:
  explicit StopQuestionScope(const std::function<bool()>& stop_requested)
      : previous_(t_stop_requested) {
    t_stop_requested = &stop_requested;
  }
  StopQuestionScope(const StopQuestionScope&) = delete;
  StopQuestionScope& operator=(const StopQuestionScope&) = delete;
  ~StopQuestionScope() { t_stop_requested = previous_; }

 private:
  const std::function<bool()>* previous_;
};

void call(const std::function<void(const std::string&)>& hook, const std::string& text) {
  if (hook) hook(text);
}

// Hiding and showing makes the window repaint with the new texts. The
// asynchronous form only posts the change, so a window that stopped
// answering cannot hold the harvest; SW_SHOW keeps a maximized window
// maximized.
void repaint_by_hiding_and_showing(HWND window) {
  ShowWindowAsync(window, SW_HIDE);
  ShowWindowAsync(window, SW_SHOW);
}

// A text read from a slot, waiting for its translation.
struct ReadText {
  TextSlot slot;
  std::string source;
};

// One harvest of one window: the slots are read, translated and written
// in one of two orders, with the same rules for each slot.
class Harvest {
 public:
  Harvest(HWND window, const HarvestHooks& hooks, HarvestReport& report, SilentThreads& silent)
      : window_(window), hooks_(hooks), report_(report), silent_(silent) {}

  // Each slot read, translated and written before the next one is read.
  void one_by_one(const std::vector<TextSlot>& slots) {
    for (const TextSlot& slot : slots) {
      if (stop_requested()) return;
      ReadText text;
      if (!read(slot, text)) continue;
      call(hooks_.show_text, text.source);
      ++report_.requests;
      const std::string translation = hooks_.translate ? hooks_.translate(text.source) : "";
      call(hooks_.show_text, translation);
      write(text, translation);
    }
  }

  // Every slot read, all texts translated in one call, then written.
  void all_at_once(const std::vector<TextSlot>& slots) {
    std::vector<ReadText> texts;
    for (const TextSlot& slot : slots) {
      if (stop_requested()) return;
      ReadText text;
      if (read(slot, text)) texts.push_back(std::move(text));
    }
    if (texts.empty() || stop_requested()) return;
    std::vector<std::string> sources;
    sources.reserve(texts.size());
    for (const ReadText& text : texts) sources.push_back(text.source);
    report_.requests += static_cast<int>(sources.size());
    std::vector<std::string> translations = hooks_.translate_texts(sources);
    // A translator that answered for fewer texts left the rest untranslated.
    translations.resize(texts.size());
    // Translations that came are written even when a stop was asked for
    // meanwhile: that takes little time, and the work is not thrown away.
    // A control's inner texts are written together once its own text is:
    // its item data, selection and top item are saved and put back once.
    std::vector<std::vector<std::size_t>> inner_groups;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      call(hooks_.show_text, texts[i].source);
      call(hooks_.show_text, translations[i]);
      if (texts[i].slot.kind != SlotKind::kInnerText) {
        write(texts[i], translations[i]);
      } else if (!inner_groups.empty() &&
                 texts[inner_groups.back().front()].slot.window == texts[i].slot.window) {
        inner_groups.back().push_back(i);
      } else {
        inner_groups.push_back({i});
      }
    }
    for (const std::vector<std::size_t>& group : inner_groups) {
      write_inner_group(texts, translations, group);
    }
    const std::string note = hooks_.untranslated_note ? hooks_.untranslated_note() : "";
    if (!note.empty()) {
      const std::string& last = translations.back();
      call(hooks_.show_text, last.empty() ? note : last + "\r\n" + note);
    }
  }

 private:
  bool stop_requested() const { return hooks_.stop_requested && hooks_.stop_requested(); }

  // True with the slot's text when there is one to translate.
  bool read(const TextSlot& slot, ReadText& text) {
    // Inner texts were read while they were listed: their control answered.
    const DWORD thread = slot.kind == SlotKind::kInnerText ? 0 : slot_thread(slot);
    if (thread && silent_.contains(thread)) {
      ++report_.unanswered;
      return false;
    }
    WindowText read = read_listed(slot);
    if (!read.answered) {
      // A window that disappeared meanwhile is simply gone; one that is
      // still there did not answer.
      if (slot_exists(slot)) {
        silent_.add(thread);
        ++report_.unanswered;
      }
      return false;
    }
    // Written back, a text read as "?" or cut short would destroy the text
    // the control holds.
    if (!read.whole) {
      ++report_.unholdable;
      return false;
    }
    // Its translation could only be empty, which would leave it unchanged.
    if (read.text.empty()) {
      ++report_.without_text;
      return false;
    }
    text.slot = slot;
    text.source = std::move(read.text);
    return true;
  }

  // Inner texts were read whole, with their control, when its slots were
  // listed a moment ago; reading each again would cost as much once more.
  WindowText read_listed(const TextSlot& slot) {
    if (slot.kind != SlotKind::kInnerText) return read_slot(slot, hooks_.message_timeout_ms);
    WindowText listed;
    listed.answered = true;
    listed.text = slot.inner.text;
    return listed;
  }

  // One control's inner texts, written in one go; none is written when the
  // control changed since it was read.
  void write_inner_group(const std::vector<ReadText>& texts,
                         const std::vector<std::string>& translations,
                         const std::vector<std::size_t>& group) {
    const HWND control = texts[group.front()].slot.window;
    std::vector<InnerText> items;
    std::vector<std::string> values;
    std::vector<std::size_t> written;
    for (std::size_t i : group) {
      if (translations[i].empty()) {
        ++report_.untranslated;
        continue;
      }
      items.push_back(texts[i].slot.inner);
      values.push_back(translations[i]);
      written.push_back(i);
    }
    if (items.empty()) return;
    const int count = static_cast<int>(items.size());
    if (silent_.contains(GetWindowThreadProcessId(control, nullptr))) {
      report_.unanswered += count;
      return;
    }
    std::vector<bool> taken;
    const bool all = write_inner_texts(control, items, values, hooks_.message_timeout_ms, &taken);
    if (!all && !IsWindow(control)) return;
    // What was written before a refusal or a time-out is remembered too, so
    // that a restore can put it back.
    for (std::size_t k = 0; k < written.size(); ++k) {
      if (!all && !taken[k]) {
        ++report_.rejected;
        continue;
      }
      ++report_.written;
      const std::size_t i = written[k];
      if (hooks_.originals) {
        hooks_.originals->remember(texts[i].slot, window_, texts[i].source, translations[i]);
      }
    }
  }

  void write(const ReadText& text, const std::string& translation) {
    // A failed translation never blanks another program's control.
    if (translation.empty()) {
      ++report_.untranslated;
      return;
    }
    const DWORD thread = slot_thread(text.slot);
    if (silent_.contains(thread)) {
      ++report_.unanswered;
      return;
    }
    switch (write_slot(text.slot, text.source, translation, hooks_.message_timeout_ms)) {
      case WriteOutcome::kAccepted:
        ++report_.written;
        if (hooks_.originals) {
          hooks_.originals->remember(text.slot, window_, text.source, translation);
        }
        break;
      case WriteOutcome::kRejected:
        ++report_.rejected;
        break;
      case WriteOutcome::kChanged:
        ++report_.changed;
        break;
      case WriteOutcome::kLate:
        // Remembered as if written, so that a restore puts the original
        // back should the window take it yet.
        if (hooks_.originals) {
          hooks_.originals->remember(text.slot, window_, text.source, translation);
        }
        [[fallthrough]];
      case WriteOutcome::kUnanswered:
        if (slot_exists(text.slot)) {
          silent_.add(thread);
          ++report_.unanswered;
        }
        break;
    }
  }

  HWND window_;
  const HarvestHooks& hooks_;
  HarvestReport& report_;
  SilentThreads& silent_;
};

}  // namespace

BOOL CALLBACK child_window_visitor(HWND window, LPARAM list) {
  if (!window) return FALSE;
  try {
    reinterpret_cast<WindowList*>(list)->append(window);
  } catch (const std::bad_alloc&) {
    return FALSE;  // nothing may leave an enumeration callback
  }
  return TRUE;
}

int collect_child_windows(HWND window, WindowList& list) {
  list.clear();
  if (!EnumChildWindows(window, &child_window_visitor, reinterpret_cast<LPARAM>(&list))) return 0;
  return list.count();
}

HarvestReport harvest_window(HWND window, const HarvestHooks& hooks) {
  HarvestReport report;
  report.window = window;
  // Enumerating the children of no window, or of the desktop, would walk
  // every top-level window on the screen.
  if (!window || window == GetDesktopWindow() || !IsWindow(window)) {
    call(hooks.set_status, kStatusHarvestDone);
    return report;
  }

  // Held until the end status is set: a restore that waits for this
  // harvest comes after it, on the title too.
  std::unique_ptr<WindowTurn> turn;
  try {
    StopQuestionScope stop_question(hooks.stop_requested);
    turn = std::make_unique<WindowTurn>(std::vector<HWND>{window});
    if (hooks.originals) hooks.originals->forget_gone_windows();
    WindowList list;
    report.controls = collect_child_windows(window, list);
    SilentThreads silent;
    std::vector<TextSlot> slots;
    for (HWND control : list) {
      const DWORD thread = GetWindowThreadProcessId(control, nullptr);
      if (silent.contains(thread)) {
        // Its own text is passed over, and counted, with the others.
        slots.push_back(TextSlot{control, SlotKind::kWindowText, 0, {}});
        continue;
      }
      bool answered = true;
      for (TextSlot& slot : text_slots_of(control, hooks.message_timeout_ms, &answered)) {
        slots.push_back(std::move(slot));
      }
      if (!answered && IsWindow(control)) silent.add(thread);
    }
    Harvest harvest(window, hooks, report, silent);
    if (hooks.translate_texts) {
      harvest.all_at_once(slots);
    } else {
      harvest.one_by_one(slots);
    }
  } catch (...) {
    // A translator or a hook that failed ends the harvest like any other
    // end: the window repaints with what was written, the status is set.
  }

  repaint_by_hiding_and_showing(window);
  call(hooks.set_status, kStatusHarvestDone);
  turn.reset();
  if (hooks.harvested) {
    try {
      hooks.harvested(window);
    } catch (...) {
      // Not following it is all that is lost.
    }
  }
  return report;
}

bool harvest_should_stop() {
  return t_stop_requested && *t_stop_requested && (*t_stop_requested)();
}

HarvestReport harvest_and_translate(const HarvestHooks& hooks) {
  const HWND window = hooks.pick_window ? hooks.pick_window() : pick_window_under_cursor();
  if (hooks.store_captured_window) hooks.store_captured_window(window);
  return harvest_window(window, hooks);
}

}  // namespace capture
