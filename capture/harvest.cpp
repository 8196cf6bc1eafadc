#include "capture/harvest.h"

#include <algorithm>
#include <new>
#include <vector>

#include "capture/inner_texts.h"
#include "capture/status_texts.h"
#include "capture/window_pick.h"

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

DWORD thread_of(HWND window) { return GetWindowThreadProcessId(window, nullptr); }

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

// Items, captions, columns and parts inside the control: each translated,
// then the control written in one go. Texts the harvest did not reach
// before a stop keep theirs.
void harvest_inner_texts(HWND control, const HarvestHooks& hooks, HarvestReport& report) {
  const std::vector<InnerText> items = read_inner_texts(control, hooks.message_timeout_ms);
  if (items.empty()) return;
  report.inner_texts += static_cast<int>(items.size());
  std::vector<std::string> translations;
  int translated = 0;
  for (const InnerText& item : items) {
    if (hooks.stop_requested && hooks.stop_requested()) break;
    call(hooks.show_text, item.text);
    ++report.requests;
    translations.push_back(hooks.translate ? hooks.translate(item.text) : std::string());
    call(hooks.show_text, translations.back());
    if (translations.back().empty()) {
      ++report.untranslated;
    } else {
      ++translated;
    }
  }
  translations.resize(items.size());
  if (translated > 0 && write_inner_texts(control, items, translations, hooks.message_timeout_ms)) {
    report.inner_written += translated;
  }
}

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

  WindowList list;
  const int count = collect_child_windows(window, list);
  report.controls = count;
  SilentThreads silent;
  for (int i = 1; i <= count; ++i) {
    if (hooks.stop_requested && hooks.stop_requested()) break;
    const HWND control = list[i];
    const DWORD thread = thread_of(control);
    if (silent.contains(thread)) {
      ++report.unanswered;
      continue;
    }
    if (has_inner_texts(control)) harvest_inner_texts(control, hooks, report);
    // Its window text is one of the inner texts just done.
    if (window_text_is_inner(control)) continue;
    const WindowText source = query_window_text(control, hooks.message_timeout_ms);
    if (!source.answered) {
      // A window that disappeared meanwhile is simply gone; one that is
      // still there did not answer.
      if (IsWindow(control)) {
        silent.add(thread);
        ++report.unanswered;
      }
      continue;
    }
    // Its translation could only be empty, which would leave it unchanged.
    if (source.text.empty()) {
      ++report.without_text;
      continue;
    }
    call(hooks.show_text, source.text);
    ++report.requests;
    const std::string translation = hooks.translate ? hooks.translate(source.text) : std::string();
    call(hooks.show_text, translation);
    // A failed translation never blanks another program's control.
    if (translation.empty()) {
      ++report.untranslated;
      continue;
    }
    switch (write_window_text(control, translation, hooks.message_timeout_ms)) {
      case WriteOutcome::kAccepted:
        ++report.written;
        break;
      case WriteOutcome::kRejected:
        ++report.rejected;
        break;
      case WriteOutcome::kUnanswered:
        if (IsWindow(control)) {
          silent.add(thread);
          ++report.unanswered;
        }
        break;
    }
  }

  repaint_by_hiding_and_showing(window);
  call(hooks.set_status, kStatusHarvestDone);
  return report;
}

HarvestReport harvest_and_translate(const HarvestHooks& hooks) {
  const HWND window = pick_window_under_cursor();
  if (hooks.store_captured_window) hooks.store_captured_window(window);
  return harvest_window(window, hooks);
}

}  // namespace capture
