#pragma once
// Work that must not hold the user-interface thread (a network exchange, a
// wait for the service pacer, a mail) runs on a worker thread of its own;
// its result comes back to the user-interface thread as a posted message and
// is handled there like any other window message, so the windows keep
// moving, painting and answering meanwhile.
//
//   run_on_worker<Answer>([request] { return ask(request); },
//                         [page = weak form](Answer& answer) { ... show it ... });
//
// The work owns everything it touches (capture by value). done runs on the
// thread that called run_on_worker, which must pump messages (every
// user-interface thread does); it decides itself whether its window still
// exists. After close_ui_delivery (at exit) no result is handed on.
#include <functional>
#include <memory>
#include <utility>

namespace app {

// Hands task to the user-interface thread (the thread that first called
// run_on_worker or open_ui_delivery). Any thread; false when no delivery is
// open, and then task is dropped.
bool post_to_ui(std::function<void()> task);

// Opens the delivery on the calling thread. Later calls do nothing.
bool open_ui_delivery();

// At exit, on the user-interface thread: results that arrive from now on,
// and those not yet handed on, are dropped.
void close_ui_delivery();

// Starts work on a new thread. An exception inside it counts as the empty
// Result. False when no thread could be started (done never runs then).
template <typename Result>
bool run_on_worker(std::function<Result()> work, std::function<void(Result&)> done);

namespace detail {
bool start_worker(std::function<void()> routine);
}  // namespace detail

template <typename Result>
bool run_on_worker(std::function<Result()> work, std::function<void(Result&)> done) {
  if (!open_ui_delivery()) return false;
  return detail::start_worker([work = std::move(work), done = std::move(done)] {
    auto result = std::make_shared<Result>();
    try {
      *result = work();
    } catch (...) {
      *result = Result();
    }
    post_to_ui([done, result] { done(*result); });
  });
}

}  // namespace app
