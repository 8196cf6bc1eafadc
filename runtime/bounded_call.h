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
// limits of its own.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace runtime {

// The work's result, or nullopt when limit passed first. When no thread can
// be started the work runs on the caller's thread.
template <typename Work>
auto call_within(std::chrono::milliseconds limit, Work work) -> std::optional<decltype(work())> {
  using Result = decltype(work());
  struct Shared {
    std::mutex mutex;
    std::condition_variable done_signal;
    std::optional<Result> result;
  };
  auto shared = std::make_shared<Shared>();
  try {
    std::thread([shared, work]() mutable {
      Result result = work();
      std::lock_guard<std::mutex> lock(shared->mutex);
      shared->result = std::move(result);
      shared->done_signal.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return work();
  }
  std::unique_lock<std::mutex> lock(shared->mutex);
  if (!shared->done_signal.wait_for(lock, limit, [&] { return shared->result.has_value(); })) {
    return std::nullopt;
  }
  return std::move(shared->result);
}

}  // namespace runtime
