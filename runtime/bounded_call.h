#pragma once
// Runs a piece of work on a thread of its own and waits for it at most a
// given time, so that a call which may block (a network exchange with a
// server that freezes) holds its caller no longer than that, whatever the
// system library underneath honours.
//
//   std::optional<Bytes> body = runtime::call_within(limit, [url] { return fetch(url); });
//
// Work that outlasts the wait runs on unobserved until it ends by itself:
// it must own everything it touches (capture by value) and end within time
// limits of its own. Work that takes a GiveUpSignal& is told when its
// caller stops waiting, so that it can close what it blocks on and end
// early:
//
//   runtime::call_within(limit, [url](runtime::GiveUpSignal& give_up) {
//     auto handles = std::make_shared<Handles>();
//     give_up.on_give_up([handles] { handles->close_all(); });
//     ...
//   });
//
// Abandoned work holds a thread (and whatever it blocks on) until it ends.
// So that a server that holds every exchange cannot pile them up, no new
// work starts while kMaxAbandonedCalls of them are still running: the call
// then fails at once.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "runtime/system.h"

namespace runtime {

inline constexpr int kMaxAbandonedCalls = 4;

// Shared by call_within and its work: the caller's side says when it stops
// waiting, the work's side says what to do then.
class GiveUpSignal {
 public:
  // Runs action when the caller gives up, on the caller's thread; at once,
  // on this thread, when it has given up already. Actions must not throw.
  void on_give_up(std::function<void()> action) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!given_up_) {
        actions_.push_back(std::move(action));
        return;
      }
    }
    action();
  }
  bool given_up() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return given_up_;
  }
  // The caller's side; later calls do nothing.
  void give_up() {
    std::vector<std::function<void()>> actions;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (given_up_) return;
      given_up_ = true;
      actions.swap(actions_);
    }
    for (const auto& action : actions) action();
  }

 private:
  mutable std::mutex mutex_;
  bool given_up_ = false;
  std::vector<std::function<void()>> actions_;
};

namespace detail {

template <typename Work>
auto run_work(Work& work, GiveUpSignal& signal) {
  if constexpr (std::is_invocable_v<Work&, GiveUpSignal&>) {
    return work(signal);
  } else {
    return work();
  }
}

template <typename Work>
using WorkResult = decltype(run_work(std::declval<Work&>(), std::declval<GiveUpSignal&>()));

inline std::atomic<int>& abandoned_count() {
  static std::atomic<int> count{0};
  return count;
}

}  // namespace detail

// Work whose caller gave up and that has not ended yet, in the whole process.
inline int abandoned_calls() { return detail::abandoned_count().load(); }

// The work's result, or nullopt when limit passed first, when the work
// threw (an exception is no answer; it never leaves the work's thread), or
// at once when kMaxAbandonedCalls abandoned works still run. When no
// thread can be started the work runs on the caller's thread.
template <typename Work>
auto call_within(std::chrono::milliseconds limit, Work work)
    -> std::optional<detail::WorkResult<Work>> {
  using Result = detail::WorkResult<Work>;
  struct Shared {
    std::mutex mutex;
    std::condition_variable done_signal;
    bool finished = false;
    bool abandoned = false;
    std::optional<Result> result;
    GiveUpSignal give_up;
  };
  if (detail::abandoned_count().load() >= kMaxAbandonedCalls) return std::nullopt;
  auto shared = std::make_shared<Shared>();
  const bool started = start_thread([shared, work]() mutable {
    std::optional<Result> result;
    try {
      result.emplace(detail::run_work(work, shared->give_up));
    } catch (...) {
      result.reset();
    }
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->result = std::move(result);
    shared->finished = true;
    if (shared->abandoned) --detail::abandoned_count();
    shared->done_signal.notify_all();
  });
  if (!started) {
    try {
      return detail::run_work(work, shared->give_up);
    } catch (...) {
      return std::nullopt;
    }
  }
  std::unique_lock<std::mutex> lock(shared->mutex);
  if (!shared->done_signal.wait_for(lock, limit, [&] { return shared->finished; })) {
    shared->abandoned = true;
    ++detail::abandoned_count();
    lock.unlock();
    shared->give_up.give_up();
    return std::nullopt;
  }
  return std::move(shared->result);
}

}  // namespace runtime
