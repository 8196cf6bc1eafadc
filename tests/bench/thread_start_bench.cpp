// Threads started one after another, each sleeping a moment and ending
// while the next starts, as the program's short-lived workers do: how many
// never run within 5 s. The program's own way (runtime::start_thread) should
// lose none; --std starts them with std::thread(...).detach() instead,
// which under Wine loses about one in ten thousand, or takes the process
// down. Run a few at once on a loaded machine, e.g.
//   wine build/test/windows/tests/bench/thread_start_bench.exe [--std] [threads]
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "runtime/system.h"

int main(int argc, char** argv) {
  bool use_std = false;
  int threads = 10000;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--std") {
      use_std = true;
    } else {
      threads = std::atoi(argv[i]);
    }
  }
  int lost = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < threads; ++i) {
    auto ran = std::make_shared<std::atomic<bool>>(false);
    const auto routine = [ran] {
      Sleep(2);
      *ran = true;
    };
    if (use_std) {
      std::thread(routine).detach();
    } else if (!runtime::start_thread(routine)) {
      std::printf("thread %d could not be started\n", i);
      return 1;
    }
    const DWORD until = GetTickCount() + 5000;
    while (!*ran && static_cast<LONG>(until - GetTickCount()) > 0) Sleep(1);
    if (!*ran) ++lost;
  }
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s: %d of %d threads never ran (%.1f s)\n", use_std ? "std::thread" : "start_thread", lost,
              threads, took);
  std::fflush(stdout);
  return lost == 0 ? 0 : 1;
}
