#pragma once
// Runs a server until SIGINT or SIGTERM arrives, then stops it from an
// ordinary thread (not from inside a signal handler).
#include <functional>

namespace standin {

void run_until_signalled(const std::function<void()>& run, const std::function<void()>& stop);

}  // namespace standin
