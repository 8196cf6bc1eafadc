#include "capture/follower.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "capture/follow_rules.h"
#include "capture/harvest.h"
#include "platform/user_handles.h"
#include "runtime/codepage.h"
#include "runtime/system.h"

namespace capture {
namespace {

// Polls read at most this much of a text; a longer one is read whole when
// it seems to have changed.
constexpr std::size_t kPollBytes = 2048;

// After a top-level window of a followed process was created, the
// top-level windows are looked at this often for a while: Wine raises no
// event when the window is shown.
constexpr unsigned kCreatedPollMs = 50;
constexpr unsigned kCreatedPollForMs = 1500;
// A control created in a followed window is read this long after.
constexpr unsigned kNewControlDelayMs = 50;

// The text the window system keeps for a window, read without a message to
// its program (GetWindowText does not ask another process's windows): what
// WM_GETTEXT gives for every control that keeps its text the ordinary way,
// labels and buttons among them, at a fraction of the cost. What is
// translated is read with WM_GETTEXT once a change shows here.
WindowText kept_text(HWND window) {
  WindowText result;
  std::vector<wchar_t> buffer(kPollBytes + 1, L'\0');
  SetLastError(ERROR_SUCCESS);
  const int length = GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
  // Nothing read: an empty text, or no window any more.
  if (length <= 0 && GetLastError() == ERROR_INVALID_WINDOW_HANDLE) return result;
  result.answered = true;
  const std::wstring_view wide(buffer.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
  if (!runtime::narrow_exactly(wide, result.text)) {
    result.whole = false;
    result.text = runtime::narrow(wide);
  }
  return result;
}

bool due(std::uint32_t now, std::uint32_t when) { return static_cast<std::int32_t>(now - when) >= 0; }

// Windows that are never dialogs of their program.
bool never_harvested(HWND window) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  return lstrcmpW(name, L"#32768") == 0 || lstrcmpW(name, L"tooltips_class32") == 0 ||
         lstrcmpW(name, L"IME") == 0;
}

struct TopLevelSearch {
  const std::set<DWORD>* processes;
  std::vector<std::pair<HWND, DWORD>> found;
};

BOOL CALLBACK top_level_visitor(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<TopLevelSearch*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (!search->processes->count(process)) return TRUE;
  try {
    search->found.emplace_back(window, process);
  } catch (...) {
    return FALSE;  // nothing may leave an enumeration callback
  }
  return TRUE;
}

}  // namespace

class Follower::Watch {
 public:
  Watch(FollowHooks hooks, FollowTiming timing, std::shared_ptr<std::mutex> write_lock)
      : hooks_(std::move(hooks)),
        timing_(timing),
        write_lock_(std::move(write_lock)),
        wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

  bool usable() const { return static_cast<bool>(wake_); }

  // --- from any thread -----------------------------------------------------

  void post_follow(HWND window) { post(Command{Command::kFollow, window}); }
  void post_stop_all() { post(Command{Command::kStopAll, nullptr}); }
  void post_quit() { post(Command{Command::kQuit, nullptr}); }
  // Writes of rounds begun before this call are refused from now on.
  void refuse_earlier_writes() { ++generation_; }

  FollowCounts counts() const {
    return FollowCounts{processes_count_.load(), windows_count_.load(), rounds_.load(),
                        written_.load()};
  }

  // --- the watching thread -------------------------------------------------

  void run() {
    t_watch = this;
    for (;;) {
      std::vector<HANDLE> handles{wake_.get()};
      for (const Process& process : processes_) {
        if (handles.size() < MAXIMUM_WAIT_OBJECTS - 1) handles.push_back(process.handle.get());
      }
      const std::uint32_t now = runtime::tick_count();
      const std::uint32_t next = next_due(now);
      const DWORD timeout = processes_.empty() ? INFINITE : next - now;
      MsgWaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, timeout,
                                QS_ALLINPUT);
      // The WinEvents come as messages: dispatching them calls on_event.
      MSG msg;
      bool quit = false;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) quit = true;
        DispatchMessageW(&msg);
      }
      if (quit || !take_commands()) break;
      try {
        end_exited_processes();
        handle_events();
        step(runtime::tick_count());
      } catch (...) {
        // A failure (out of memory) costs what this pass was doing, not the
        // thread: the next pass starts from what is known.
      }
      publish_counts();
    }
    processes_.clear();  // unhooks, on this thread as the system requires
    t_watch = nullptr;
  }

 private:
  struct Command {
    enum Kind { kFollow, kStopAll, kQuit } kind;
    HWND window;
  };

  struct Watched {
    std::string seen;     // the text as last read
    std::string written;  // what following last wrote here
    bool follows = true;  // false: the user's text (follows_changes_of)
    ChangeHistory history;
    std::uint32_t lively_until = 0;
  };

  struct FollowedWindow {
    DWORD process = 0;
    std::unordered_map<HWND, Watched> controls;
    std::uint32_t next_scan = 0;
  };

  struct Appearing {
    DWORD process = 0;
    std::string snapshot;
    std::uint32_t snapshot_at = 0;
    std::uint32_t first_seen = 0;
    bool ready = false;
  };

  struct Process {
    DWORD id = 0;
    platform::KernelHandle handle;  // signalled when it exits
    std::vector<platform::WinEventHook> hooks;
    std::set<HWND> known;  // top-level windows already seen visible
  };

  struct Event {
    DWORD kind;
    HWND window;
  };

  struct Change {
    HWND window;
    HWND control;
  };

  static thread_local Watch* t_watch;

  static void CALLBACK on_event(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                                DWORD, DWORD) {
    if (!t_watch || !window || object != OBJID_WINDOW || child != CHILDID_SELF) return;
    try {
      t_watch->events_.push_back(Event{event, window});
    } catch (...) {
      // Polling finds what this event would have told.
    }
  }

  void post(Command command) {
    {
      std::lock_guard<std::mutex> lock(commands_mutex_);
      commands_.push_back(command);
    }
    SetEvent(wake_.get());
  }

  // False once asked to quit.
  bool take_commands() {
    std::vector<Command> commands;
    {
      std::lock_guard<std::mutex> lock(commands_mutex_);
      commands.swap(commands_);
    }
    for (const Command& command : commands) {
      switch (command.kind) {
        case Command::kQuit:
          return false;
        case Command::kStopAll:
          forget_everything();
          break;
        case Command::kFollow:
          try {
            start_following(command.window, runtime::tick_count());
          } catch (...) {
          }
          break;
      }
    }
    return true;
  }

  void forget_everything() {
    processes_.clear();
    followed_.clear();
    appearing_.clear();
    created_.clear();
    changes_.clear();
    events_.clear();
  }

  std::set<DWORD> process_ids() const {
    std::set<DWORD> ids;
    for (const Process& process : processes_) ids.insert(process.id);
    return ids;
  }

  std::vector<std::pair<HWND, DWORD>> top_levels() const {
    const std::set<DWORD> ids = process_ids();
    TopLevelSearch search{&ids, {}};
    EnumWindows(&top_level_visitor, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  Process* process_of(DWORD id) {
    for (Process& process : processes_) {
      if (process.id == id) return &process;
    }
    return nullptr;
  }

  void start_following(HWND window, std::uint32_t now) {
    if (!window || !IsWindow(window)) return;
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (!id || id == GetCurrentProcessId()) return;
    if (!process_of(id)) {
      Process process;
      process.id = id;
      process.handle.reset(OpenProcess(SYNCHRONIZE, FALSE, id));
      if (!process.handle) return;  // it is gone already
      // The process filter alone (it leaves this process out already): with
      // WINEVENT_SKIPOWNPROCESS added, Wine 8 delivers none of the followed
      // process's events.
      const DWORD flags = WINEVENT_OUTOFCONTEXT;
      process.hooks.emplace_back(SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr,
                                                 &on_event, id, 0, flags));
      process.hooks.emplace_back(SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE,
                                                 nullptr, &on_event, id, 0, flags));
      processes_.push_back(std::move(process));
      // What is on the screen now was there before: only what appears later
      // is new. (Events may be missed just after the hooks were set; this
      // look makes up for them.)
      Process& added = processes_.back();
      for (const auto& [top, owner] : top_levels()) {
        if (owner == id && IsWindowVisible(top)) added.known.insert(top);
      }
      next_top_level_ = now + timing_.top_level_poll_ms;
    }
    appearing_.erase(window);
    if (GetAncestor(window, GA_ROOT) == window) process_of(id)->known.insert(window);
    adopt(window, id, now);
  }

  // The window's texts as they stand now are its followed state.
  void adopt(HWND window, DWORD process, std::uint32_t now) {
    FollowedWindow followed;
    followed.process = process;
    followed.next_scan = now + timing_.text_poll_ms;
    const std::vector<WrittenText> written =
        hooks_.originals ? hooks_.originals->entries() : std::vector<WrittenText>();
    WindowList list;
    collect_child_windows(window, list);
    for (HWND control : list) {
      Watched watched;
      watched.follows = follows_changes_of(control);
      watched.seen = kept_text(control).text;
      if (const std::string* own = written_into(written, TextSlot{control, SlotKind::kWindowText, 0, {}})) {
        watched.written = *own;
      }
      followed.controls.emplace(control, std::move(watched));
    }
    followed_[window] = std::move(followed);
  }

  void end_exited_processes() {
    for (auto it = processes_.begin(); it != processes_.end();) {
      if (WaitForSingleObject(it->handle.get(), 0) != WAIT_OBJECT_0) {
        ++it;
        continue;
      }
      const DWORD id = it->id;
      forget_windows_of(id);
      it = processes_.erase(it);
    }
  }

  void forget_windows_of(DWORD id) {
    for (auto it = followed_.begin(); it != followed_.end();) {
      it = it->second.process == id ? followed_.erase(it) : std::next(it);
    }
    for (auto it = appearing_.begin(); it != appearing_.end();) {
      it = it->second.process == id ? appearing_.erase(it) : std::next(it);
    }
    changes_.erase(std::remove_if(changes_.begin(), changes_.end(),
                                  [this](const Change& c) { return !followed_.count(c.window); }),
                   changes_.end());
  }

  // The followed window that holds this control, or null.
  HWND followed_root_of(HWND control) const {
    for (HWND window = control; window; window = GetAncestor(window, GA_PARENT)) {
      if (followed_.count(window)) return window;
      if (window == GetDesktopWindow()) break;
    }
    return nullptr;
  }

  void handle_events() {
    if (events_.empty()) return;
    std::vector<Event> events;
    events.swap(events_);
    const std::uint32_t now = runtime::tick_count();
    for (const Event& event : events) {
      if (event.kind == EVENT_OBJECT_DESTROY) continue;  // found out by polling
      const bool top_level = GetAncestor(event.window, GA_ROOT) == event.window;
      if (top_level && event.kind != EVENT_OBJECT_NAMECHANGE) {
        next_top_level_ = now;
        created_poll_until_ = now + kCreatedPollForMs;
        // Changes seen meanwhile wait for it: it is likely to need the
        // service too, and both travel in one request.
        if (!followed_.count(event.window) && !appearing_.count(event.window)) {
          created_[event.window] = now;
        }
        continue;
      }
      const HWND root = followed_root_of(event.window);
      if (!root || root == event.window) continue;
      FollowedWindow& followed = followed_[root];
      const auto control = followed.controls.find(event.window);
      if (event.kind == EVENT_OBJECT_NAMECHANGE && control != followed.controls.end()) {
        check_control(root, control->first, control->second, now);
      } else {
        followed.next_scan = std::min(followed.next_scan, now + kNewControlDelayMs);
      }
    }
  }

  std::uint32_t next_due(std::uint32_t now) const {
    std::uint32_t next = now + 60000;
    const auto sooner = [&](std::uint32_t when) {
      if (static_cast<std::int32_t>(when - next) < 0) next = when;
    };
    sooner(next_top_level_);
    for (const auto& [window, appearing] : appearing_) {
      if (!appearing.ready) sooner(appearing.snapshot_at + timing_.stable_ms);
    }
    for (const auto& [window, followed] : followed_) sooner(followed.next_scan);
    if (any_lively_) sooner(next_lively_);
    if (!changes_.empty() || any_ready()) sooner(round_due());
    return due(now, next) ? now : next;
  }

  bool any_ready() const {
    for (const auto& [window, appearing] : appearing_) {
      if (appearing.ready) return true;
    }
    return false;
  }

  // When the pending changes and ready windows may be translated: once the
  // changes have settled and no window is still settling (for a while).
  std::uint32_t round_due() const {
    std::uint32_t when = changes_.empty() ? 0 : last_change_ + timing_.settle_ms;
    const auto no_sooner_than = [&when](std::uint32_t limit) {
      if (static_cast<std::int32_t>(limit - when) > 0) when = limit;
    };
    for (const auto& [window, appearing] : appearing_) {
      if (!appearing.ready) no_sooner_than(appearing.first_seen + timing_.wait_for_window_ms);
    }
    for (const auto& [window, created] : created_) no_sooner_than(created + kCreatedPollForMs);
    return when;
  }

  void step(std::uint32_t now) {
    if (due(now, next_top_level_)) {
      scan_top_levels(now);
      const bool created = !due(now, created_poll_until_);
      next_top_level_ = now + (created ? kCreatedPollMs : timing_.top_level_poll_ms);
    }
    watch_appearing(now);
    for (auto it = followed_.begin(); it != followed_.end();) {
      if (!IsWindow(it->first)) {
        it = followed_.erase(it);
        continue;
      }
      if (due(now, it->second.next_scan)) {
        scan_texts(it->first, it->second, now);
        it->second.next_scan = now + timing_.text_poll_ms;
      }
      ++it;
    }
    if (any_lively_ && due(now, next_lively_)) {
      check_lively(now);
      next_lively_ = now + timing_.lively_poll_ms;
    }
    if ((!changes_.empty() || any_ready()) && due(runtime::tick_count(), round_due())) {
      run_round(runtime::tick_count());
    }
  }

  void scan_top_levels(std::uint32_t now) {
    for (auto it = created_.begin(); it != created_.end();) {
      const bool settled = !IsWindow(it->first) || IsWindowVisible(it->first) ||
                           due(now, it->second + kCreatedPollForMs);
      it = settled ? created_.erase(it) : std::next(it);
    }
    for (Process& process : processes_) {
      for (auto it = process.known.begin(); it != process.known.end();) {
        it = IsWindow(*it) ? std::next(it) : process.known.erase(it);
      }
    }
    for (const auto& [window, id] : top_levels()) {
      Process* process = process_of(id);
      if (!process || process->known.count(window) || followed_.count(window)) continue;
      if (!IsWindowVisible(window) || never_harvested(window)) continue;
      process->known.insert(window);
      Appearing appearing;
      appearing.process = id;
      appearing.snapshot = snapshot(window);
      appearing.snapshot_at = now;
      appearing.first_seen = now;
      appearing_[window] = std::move(appearing);
    }
  }

  // Every text of the window's descendants, to tell whether it is still.
  std::string snapshot(HWND window) const {
    WindowList list;
    collect_child_windows(window, list);
    std::string all = std::to_string(list.count());
    for (HWND control : list) {
      all += '\x1f';
      all += kept_text(control).text;
    }
    return all;
  }

  void watch_appearing(std::uint32_t now) {
    for (auto it = appearing_.begin(); it != appearing_.end();) {
      const HWND window = it->first;
      Appearing& appearing = it->second;
      if (!IsWindow(window) || !IsWindowVisible(window)) {
        // Not shown long enough: it is new again when it shows.
        if (Process* process = process_of(appearing.process)) process->known.erase(window);
        it = appearing_.erase(it);
        continue;
      }
      if (!appearing.ready && due(now, appearing.snapshot_at + timing_.stable_ms)) {
        std::string now_shown = snapshot(window);
        if (now_shown == appearing.snapshot) {
          appearing.ready = true;
        } else {
          appearing.snapshot = std::move(now_shown);
          appearing.snapshot_at = now;
        }
      }
      ++it;
    }
  }

  void scan_texts(HWND window, FollowedWindow& followed, std::uint32_t now) {
    WindowList list;
    collect_child_windows(window, list);
    std::set<HWND> present;
    for (HWND control : list) {
      present.insert(control);
      auto found = followed.controls.find(control);
      if (found == followed.controls.end()) {
        // A control its program added: its text is as new as a changed one.
        Watched watched;
        watched.follows = follows_changes_of(control);
        found = followed.controls.emplace(control, std::move(watched)).first;
      }
      check_control(window, control, found->second, now);
    }
    for (auto it = followed.controls.begin(); it != followed.controls.end();) {
      it = present.count(it->first) ? std::next(it) : followed.controls.erase(it);
    }
  }

  void check_lively(std::uint32_t now) {
    any_lively_ = false;
    for (auto& [window, followed] : followed_) {
      for (auto& [control, watched] : followed.controls) {
        if (due(now, watched.lively_until)) continue;
        any_lively_ = true;
        check_control(window, control, watched, now);
      }
    }
  }

  void check_control(HWND window, HWND control, Watched& watched, std::uint32_t now) {
    const WindowText text = kept_text(control);
    if (!text.answered || text.text == watched.seen) return;
    watched.seen = text.text;
    if (!watched.follows || !text.whole || text.text.empty()) return;
    // Its own write, seen again (Windows reports it as a change too).
    if (!watched.written.empty() && watched.written.compare(0, text.text.size(), text.text) == 0 &&
        (text.text.size() == watched.written.size() || text.text.size() >= kPollBytes)) {
      return;
    }
    watched.history.add(now);
    watched.lively_until = now + timing_.lively_for_ms;
    if (!any_lively_) next_lively_ = now + timing_.lively_poll_ms;
    any_lively_ = true;
    const bool listed = std::any_of(changes_.begin(), changes_.end(),
                                    [control](const Change& c) { return c.control == control; });
    if (!listed) changes_.push_back(Change{window, control});
    last_change_ = now;
  }

  void run_round(std::uint32_t now) {
    const std::vector<WrittenText> written =
        hooks_.originals ? hooks_.originals->entries() : std::vector<WrittenText>();
    std::vector<FollowItem> items;
    std::vector<HWND> ready;
    for (auto it = appearing_.begin(); it != appearing_.end();) {
      if (!it->second.ready) {
        ++it;
        continue;
      }
      ready.push_back(it->first);
      // Followed from before its texts are read: what changes during the
      // translation is seen as a change afterwards.
      adopt(it->first, it->second.process, now);
      collect_follow_items(it->first, written, hooks_.message_timeout_ms, items);
      it = appearing_.erase(it);
    }
    for (const Change& change : changes_) {
      auto followed = followed_.find(change.window);
      if (followed == followed_.end()) continue;
      auto control = followed->second.controls.find(change.control);
      if (control == followed->second.controls.end()) continue;
      const TextSlot slot{change.control, SlotKind::kWindowText, 0, {}};
      const WindowText text = read_slot(slot, hooks_.message_timeout_ms);
      if (!text.answered || !text.whole || text.text.empty()) continue;
      const std::string* own = written_into(written, slot);
      if (own && *own == text.text) continue;
      items.push_back(FollowItem{slot, change.window, text.text, control->second.history.busy()});
    }
    changes_.clear();
    if (items.empty()) return;

    FollowRoundHooks round;
    round.translate_texts = hooks_.translate_texts;
    round.remembered_texts = hooks_.remembered_texts;
    round.originals = hooks_.originals;
    round.write_lock = write_lock_.get();
    const unsigned generation = generation_.load();
    round.allowed = [this, generation] { return generation_.load() == generation; };
    round.message_timeout_ms = hooks_.message_timeout_ms;
    const FollowRoundReport report = run_follow_round(items, round);
    ++rounds_;
    written_ += report.written;
    for (const FollowWrite& write : report.writes) {
      if (write.slot.kind != SlotKind::kWindowText) continue;
      const HWND root = followed_root_of(write.slot.window);
      if (!root) continue;
      Watched& watched = followed_[root].controls[write.slot.window];
      watched.written = write.translation;
      watched.seen = write.translation.substr(0, kPollBytes);
    }
  }

  void publish_counts() {
    processes_count_ = static_cast<int>(processes_.size());
    windows_count_ = static_cast<int>(followed_.size());
  }

  FollowHooks hooks_;
  FollowTiming timing_;
  std::shared_ptr<std::mutex> write_lock_;
  platform::KernelHandle wake_;
  std::mutex commands_mutex_;
  std::vector<Command> commands_;
  std::atomic<unsigned> generation_{0};
  std::atomic<int> processes_count_{0};
  std::atomic<int> windows_count_{0};
  std::atomic<int> rounds_{0};
  std::atomic<int> written_{0};

  // The watching thread's own.
  std::vector<Process> processes_;
  std::map<HWND, FollowedWindow> followed_;
  std::map<HWND, Appearing> appearing_;
  std::map<HWND, std::uint32_t> created_;  // top-level windows created, not shown yet
  std::vector<Change> changes_;
  std::vector<Event> events_;
  std::uint32_t last_change_ = 0;
  std::uint32_t next_top_level_ = 0;
  std::uint32_t created_poll_until_ = 0;
  std::uint32_t next_lively_ = 0;
  bool any_lively_ = false;
};

thread_local Follower::Watch* Follower::Watch::t_watch = nullptr;

Follower::Follower(FollowHooks hooks, FollowTiming timing)
    : hooks_(std::move(hooks)), timing_(timing), write_lock_(std::make_shared<std::mutex>()) {}

Follower::~Follower() { finish(2000); }

bool Follower::ensure_thread() {
  if (watch_) return true;
  auto watch = std::make_shared<Watch>(hooks_, timing_, write_lock_);
  if (!watch->usable()) return false;
  if (!runtime::start_thread([watch] { watch->run(); }, &thread_)) return false;
  watch_ = std::move(watch);
  return true;
}

bool Follower::follow(HWND harvested_window, std::optional<unsigned> stops_seen) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!enabled_ || (stops_seen && *stops_seen != stops_) || !ensure_thread()) return false;
  watch_->post_follow(harvested_window);
  return true;
}

void Follower::stop_all() {
  std::shared_ptr<Watch> watch;
  {
    // Counted under the lock that follow() checks it under: a follow posted
    // before this stop is ended by it, and one that comes later is refused.
    std::lock_guard<std::mutex> lock(mutex_);
    ++stops_;
    watch = watch_;
  }
  if (!watch) return;
  watch->refuse_earlier_writes();
  watch->post_stop_all();
  // A write under way ends before this returns; every later one is refused.
  std::lock_guard<std::mutex> wait_for_write(*write_lock_);
}

unsigned Follower::stops() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stops_;
}

void Follower::set_enabled(bool enabled) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    enabled_ = enabled;
  }
  if (!enabled) stop_all();
}

bool Follower::enabled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return enabled_;
}

FollowCounts Follower::counts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return watch_ ? watch_->counts() : FollowCounts();
}

void Follower::finish(unsigned timeout_ms) {
  std::shared_ptr<Watch> watch;
  platform::KernelHandle thread;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    enabled_ = false;
    watch = std::move(watch_);
    thread = std::move(thread_);
  }
  if (!watch) return;
  watch->refuse_earlier_writes();
  watch->post_quit();
  { std::lock_guard<std::mutex> wait_for_write(*write_lock_); }
  if (thread) WaitForSingleObject(thread.get(), timeout_ms);
}

}  // namespace capture
