#pragma once
// Following: once a window has been harvested, its process stays
// translated as it works. A top-level window of that process that appears
// is harvested once it is visible and its texts have been still for a
// moment; a text that its program changes in a followed window is
// translated (through the memory and the batches), except where the user
// types; a control that its program keeps changing is left to the memory
// alone. What following writes is remembered with the harvests' writes, so
// that a restore covers it, and its own writes are never taken for changes.
//
// One thread of its own watches every followed process: WinEvents where the
// system raises them (Windows raises creation, showing and text changes
// across processes; Wine only creation), and polling for the rest: the
// top-level windows often (cheap), the texts of followed windows rarely,
// and controls that changed lately often again. Following a process ends
// when it exits, when it is stopped, or when following is switched off.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "capture/follow_round.h"
#include "platform/unique_handle.h"

namespace capture {

struct FollowHooks {
  TextsTranslator translate_texts;   // the memory, then the service
  TextsTranslator remembered_texts;  // the memory alone
  std::shared_ptr<OriginalTexts> originals;
  unsigned message_timeout_ms = kForeignMessageTimeoutMs;
};

// How often what is looked at; the defaults keep an idle followed window
// cheap and a change quick.
struct FollowTiming {
  // The processes' top-level windows; their creation is also reported as
  // it happens (see kCreatedPollMs), so this finds what was only shown.
  unsigned top_level_poll_ms = 500;
  unsigned text_poll_ms = 1000;      // every text of the followed windows
  unsigned lively_poll_ms = 100;     // controls that changed within lively_for_ms
  unsigned lively_for_ms = 10000;
  unsigned stable_ms = 200;          // a new window's texts still this long
  unsigned settle_ms = 40;           // after the last change seen, before translating
  // Changes wait this long at most for a window that is still settling, so
  // that what happens together travels in one request.
  unsigned wait_for_window_ms = 1500;
};

struct FollowCounts {
  int processes = 0;
  int windows = 0;  // followed windows
  int rounds = 0;
  int written = 0;
};

class Follower {
 public:
  explicit Follower(FollowHooks hooks, FollowTiming timing = FollowTiming());
  Follower(const Follower&) = delete;
  Follower& operator=(const Follower&) = delete;
  // Ends the watching thread (finish with a short wait).
  ~Follower();

  // The harvested window's process is followed from now on (and the window
  // among its followed windows, as its texts stand now). Any thread. False
  // while following is off or when the watching thread cannot start, and
  // when all following was ended since stops_seen (what stops() said when
  // the harvest began): a restore asked for during the harvest would
  // otherwise see the texts it puts back translated again.
  bool follow(HWND harvested_window, std::optional<unsigned> stops_seen = std::nullopt);

  // Ends all following. Once this returns nothing more is written, also by
  // a translation that was under way. Any thread.
  void stop_all();
  // How many times all following was ended so far.
  unsigned stops() const;

  // Off stops all following and keeps later harvests from starting any.
  void set_enabled(bool enabled);
  bool enabled() const;

  FollowCounts counts() const;

  // Ends the watching thread, waiting for it at most timeout_ms (it may be
  // waiting for the service). Nothing is written after this returns.
  void finish(unsigned timeout_ms);

 private:
  class Watch;
  bool ensure_thread();

  FollowHooks hooks_;
  FollowTiming timing_;
  mutable std::mutex mutex_;  // enabled_, stops_, watch_, thread_
  bool enabled_ = true;
  unsigned stops_ = 0;
  std::shared_ptr<Watch> watch_;
  platform::KernelHandle thread_;
  // Held around every write of following; see FollowRoundHooks.
  std::shared_ptr<std::mutex> write_lock_;
};

}  // namespace capture
