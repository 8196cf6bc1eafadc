// What a harvest costs per control when translating is free: a foreign demo
// window of 100 push buttons is harvested with an instant translator, and
// the parts of the work (enumeration, reading, writing) are timed on their
// own as well. Prints milliseconds per round and per control.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "capture/foreign_window.h"
#include "capture/harvest.h"
#include "runtime/text.h"
#include "tests/e2e/foreign_demo_client.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kControls = 100;
constexpr int kRounds = 5;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void report(const char* what, const std::vector<double>& rounds, int per) {
  const double m = median(rounds);
  std::printf("%-28s median %8.2f ms per round, %7.3f ms per control\n", what, m, m / per);
}

}  // namespace

int main() {
  foreign_demo::DemoProcess demo;
  if (!demo.start(L"--controls " + std::to_wstring(kControls))) {
    std::fprintf(stderr, "the foreign demo did not start\n");
    return 1;
  }
  const HWND window = demo.dialog();
  capture::WindowList list;
  if (capture::collect_child_windows(window, list) != kControls) {
    std::fprintf(stderr, "expected %d controls, found %d\n", kControls, list.count());
    return 1;
  }

  std::vector<double> collect, read, write, harvest;
  int toggle = 0;
  for (int round = 0; round < kRounds; ++round) {
    auto start = Clock::now();
    capture::collect_child_windows(window, list);
    collect.push_back(ms_since(start));

    start = Clock::now();
    for (HWND control : list) capture::read_window_text(control);
    read.push_back(ms_since(start));

    start = Clock::now();
    for (HWND control : list) capture::write_window_text(control, "Open");
    write.push_back(ms_since(start));

    // Alternating translations, so every round really changes every text.
    ++toggle;
    capture::HarvestHooks hooks;
    hooks.translate = [toggle](const std::string& text) {
      return toggle % 2 ? runtime::to_upper_ascii(text) : runtime::to_lower_ascii(text);
    };
    hooks.show_text = [](const std::string&) {};
    hooks.set_status = [](const std::string&) {};
    start = Clock::now();
    const capture::HarvestReport result = capture::harvest_window(window, hooks);
    harvest.push_back(ms_since(start));
    if (result.written != kControls) {
      std::fprintf(stderr, "round %d wrote %d of %d controls\n", round, result.written, kControls);
      return 1;
    }
  }

  std::printf("harvest of %d controls in another process, %d rounds\n", kControls, kRounds);
  report("enumeration", collect, kControls);
  report("read (2 messages each)", read, kControls);
  report("write (1 message each)", write, kControls);
  report("whole harvest", harvest, kControls);
  return 0;
}
