#pragma once
// Waiting on the thread that owns windows: its messages are handled while
// the condition is polled, so the windows answer and their timers run. For
// test programs that link the toolkit.
#include <functional>

#include "tests/support/test_environment.h"
#include "toolkit/message_loop.h"

namespace test_support {

inline bool pump_until(const std::function<bool()>& condition, int timeout_ms) {
  return wait_until(
      [&] {
        toolkit::process_pending_messages();
        return condition();
      },
      timeout_ms, 5);
}

}  // namespace test_support
