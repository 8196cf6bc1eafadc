// What following costs while nothing happens: a foreign demo window of 100
// push buttons is left idle, first unwatched, then followed (its top-level
// windows and texts polled, its WinEvents hooked), each for the same time.
// For both it prints the CPU time (user + kernel) this process spent, per
// minute and as a share of one core; the difference is what following
// costs. Nothing is translated: the demo never changes. (The demo's own
// time cannot be asked for here: Wine answers GetProcessTimes for another
// process with the caller's times.)
//
// Not a test: run it by hand under Wine, e.g.
//   WINEPREFIX=<build>/wineprefix wine <build>/windows/tests/bench/follow_bench.exe [seconds]
// (60 seconds each by default).
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "capture/follower.h"
#include "tests/e2e/foreign_demo_client.h"

namespace {

constexpr int kControls = 100;

double cpu_ms(HANDLE process) {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return -1;
  const auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime) /
           10000.0;
  };
  return ms(kernel) + ms(user);
}

// CPU time this process spent while seconds pass, this thread waiting.
double measure(int seconds) {
  const double before = cpu_ms(GetCurrentProcess());
  Sleep(static_cast<DWORD>(seconds) * 1000);
  return cpu_ms(GetCurrentProcess()) - before;
}

void print(const char* name, double cost_ms, int seconds) {
  std::printf("%-22s %8.1f ms CPU per minute (%.3f %% of one core)\n", name,
              cost_ms * 60.0 / seconds, cost_ms / (seconds * 10.0));
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  foreign_demo::DemoProcess demo;
  if (!demo.start(L"--controls " + std::to_wstring(kControls))) {
    std::fprintf(stderr, "the demo did not start\n");
    return 1;
  }
  std::printf("demo dialog with %d controls, %d seconds each\n", demo.control_count(), seconds);

  const double idle = measure(seconds);
  print("idle, not followed", idle, seconds);

  capture::FollowHooks hooks;
  int asked = 0;
  hooks.translate_texts = [&asked](const std::vector<std::string>& texts) {
    asked += static_cast<int>(texts.size());
    return std::vector<std::string>(texts.size());
  };
  hooks.originals = std::make_shared<capture::OriginalTexts>();
  capture::Follower follower(hooks);
  follower.follow(demo.dialog());
  Sleep(2000);  // the first look at the window is not the idle cost
  const double followed = measure(seconds);
  print("idle, followed", followed, seconds);
  print("following costs", followed - idle, seconds);
  const capture::FollowCounts counts = follower.counts();
  std::printf("followed: %d process(es), %d window(s); rounds %d, texts asked %d\n",
              counts.processes, counts.windows, counts.rounds, asked);
  follower.finish(5000);
  return 0;
}
