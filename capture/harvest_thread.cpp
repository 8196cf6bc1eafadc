#include "capture/harvest_thread.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>

#include "capture/pumped_wait.h"
#include "capture/status_texts.h"
#include "runtime/system.h"

namespace capture {
namespace {

// Process-wide bookkeeping of the running harvests. Never destroyed: a
// harvest thread may still be running while the process exits.
class HarvestRegistry {
 public:
  HarvestRegistry() : idle_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

  void enter() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_++ == 0) ResetEvent(idle_.get());
  }
  void leave() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (--running_ == 0) SetEvent(idle_.get());
  }
  int running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
  }
  HANDLE idle_event() const { return idle_.get(); }

  // A harvest stops once the generation it started in has passed.
  unsigned generation() const { return generation_.load(); }
  void next_generation() { ++generation_; }

 private:
  mutable std::mutex mutex_;
  int running_ = 0;
  platform::KernelHandle idle_;  // signalled while no harvest runs
  std::atomic<unsigned> generation_{0};
};

HarvestRegistry& registry() {
  static HarvestRegistry* const instance = new HarvestRegistry;
  return *instance;
}

// Counts a harvest as running for its whole life, even when it throws.
class RunningHarvest {
 public:
  RunningHarvest() { registry().enter(); }
  RunningHarvest(const RunningHarvest&) = delete;
  RunningHarvest& operator=(const RunningHarvest&) = delete;
  ~RunningHarvest() { registry().leave(); }
};

}  // namespace

bool start_harvest(HarvestHooks hooks, platform::KernelHandle* thread_out) {
  // Before the thread exists: set afterwards, it could overwrite the end
  // status of a harvest that is over at once.
  if (hooks.set_status) hooks.set_status(kStatusHarvesting);
  const unsigned generation = registry().generation();
  auto caller_stop = std::move(hooks.stop_requested);
  hooks.stop_requested = [generation, caller_stop] {
    return registry().generation() != generation || (caller_stop && caller_stop());
  };
  // Counted from here, so that a wait that begins right after this call
  // already sees the new harvest.
  auto running = std::make_shared<RunningHarvest>();
  const auto set_status = hooks.set_status;
  const bool started = runtime::start_thread(
      [hooks = std::move(hooks), running = std::move(running)]() mutable {
        harvest_and_translate(hooks);
        // The hooks may refer to the program's windows: let go of them before
        // the harvest counts as finished.
        hooks = HarvestHooks();
        running.reset();
      },
      thread_out);
  // No harvest will ever end the "translating" status it was given.
  if (!started && set_status) set_status(kStatusCaptured);
  return started;
}

bool start_restore(std::shared_ptr<OriginalTexts> originals, RestoreHooks hooks,
                   platform::KernelHandle* thread_out) {
  if (!originals) return false;
  auto running = std::make_shared<RunningHarvest>();
  return runtime::start_thread(
      [originals = std::move(originals), hooks = std::move(hooks),
       running = std::move(running)]() mutable {
        restore_originals(*originals, hooks);
        hooks = RestoreHooks();
        running.reset();
      },
      thread_out);
}

int running_harvests() { return registry().running(); }

void stop_harvests() { registry().next_generation(); }

bool wait_for_harvests(unsigned timeout_ms) {
  const HANDLE idle = registry().idle_event();
  const DWORD start = GetTickCount();
  bool pumping = true;
  for (;;) {
    if (running_harvests() == 0) return true;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeout_ms) return false;
    const DWORD remaining = timeout_ms - elapsed;
    const DWORD result = pumping ? MsgWaitForMultipleObjects(1, &idle, FALSE, remaining, QS_ALLINPUT)
                                 : WaitForSingleObject(idle, remaining);
    if (pumping && result == WAIT_OBJECT_0 + 1) {
      // After a WM_QUIT (left queued) only plain waiting is possible.
      pumping = dispatch_pending_messages();
    } else if (result == WAIT_FAILED) {
      return running_harvests() == 0;
    }
  }
}

}  // namespace capture
