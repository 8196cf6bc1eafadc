// What following costs while nothing happens: a foreign demo window of 100
// push buttons is left idle, first unwatched, then followed (its top-level
// windows and texts polled, its WinEvents hooked), each for the same time.
// For both it prints the CPU time (user + kernel) this process and the demo
// spent, per minute and as a share of one core; the difference is what
// following costs. Nothing is translated: the demo never changes.
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

struct Cost {
  double own_ms = 0;
  double demo_ms = 0;
};

// CPU time spent while seconds pass, this thread waiting.
Cost measure(HANDLE demo, int seconds) {
  const double own_before = cpu_ms(GetCurrentProcess());
  const double demo_before = cpu_ms(demo);
  Sleep(static_cast<DWORD>(seconds) * 1000);
  return Cost{cpu_ms(GetCurrentProcess()) - own_before, cpu_ms(demo) - demo_before};
}

void print(const char* name, const Cost& cost, int seconds) {
  const double per_minute = 60.0 / seconds;
  std::printf("%-26s this process %8.1f ms/min (%.3f %% of a core)   demo %8.1f ms/min\n", name,
              cost.own_ms * per_minute, cost.own_ms / (seconds * 10.0), cost.demo_ms * per_minute);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  foreign_demo::DemoProcess demo;
  if (!demo.start(L"--controls " + std::to_wstring(kControls))) {
    std::fprintf(stderr, "the demo did not start\n");
    return 1;
  }
  DWORD demo_id = 0;
  GetWindowThreadProcessId(demo.dialog(), &demo_id);
  const HANDLE demo_process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, demo_id);
  std::printf("demo dialog with %d controls, %d seconds each\n", demo.control_count(), seconds);

  const Cost idle = measure(demo_process, seconds);
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
  const Cost followed = measure(demo_process, seconds);
  print("idle, followed", followed, seconds);
  const Cost extra{followed.own_ms - idle.own_ms, followed.demo_ms - idle.demo_ms};
  print("following costs", extra, seconds);
  const capture::FollowCounts counts = follower.counts();
  std::printf("followed: %d process(es), %d window(s); rounds %d, texts asked %d\n",
              counts.processes, counts.windows, counts.rounds, asked);
  follower.finish(5000);
  CloseHandle(demo_process);
  return 0;
}
