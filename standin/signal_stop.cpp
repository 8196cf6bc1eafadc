#include "standin/signal_stop.h"

#include <pthread.h>
#include <signal.h>

#include <thread>

namespace standin {

void run_until_signalled(const std::function<void()>& run, const std::function<void()>& stop) {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  // Blocked here, so every thread started from now on leaves them to sigwait.
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread waiter([&] {
    int received = 0;
    sigwait(&signals, &received);
    stop();
  });
  run();
  // run() may also end on its own (a failed listen): wake the waiter.
  pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
}

}  // namespace standin
