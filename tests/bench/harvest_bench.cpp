// What a harvest costs per control: a foreign demo window of 100 push
// buttons is harvested
//   (a) with an instant translator: the program's own cost, and the parts
//       of it (enumeration, reading, writing) timed on their own;
//   (b) with quick_translate against the translation-service stand-in (no
//       added latency) on the compiled-in host: the whole cost.
// Prints milliseconds per round and per control. Not a test: run it by hand
// under Wine, e.g.
//   wine build/test/windows/tests/bench/harvest_bench.exe
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "build_constants.h"
#include "capture/foreign_window.h"
#include "capture/harvest.h"
#include "runtime/codepage.h"
#include "runtime/text.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"
#include "tests/support/test_environment.h"
#include "translate/quick_translate.h"
#include "translate/service_account.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kControls = 100;
constexpr int kInstantRounds = 5;
constexpr int kServiceRounds = 3;
constexpr int kServicePortOffset = 90;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void print(const char* what, const std::vector<double>& rounds) {
  const double m = median(rounds);
  std::printf("  %-34s median %9.2f ms per round, %8.3f ms per control\n", what, m, m / kControls);
}

// Puts the demo's own English texts back, so that every round starts alike.
void restore_texts(const capture::WindowList& list) {
  constexpr int kTextCount = sizeof foreign_demo::kGridTexts / sizeof foreign_demo::kGridTexts[0];
  int i = 0;
  for (HWND control : list) {
    capture::write_window_text(control, runtime::narrow(foreign_demo::kGridTexts[i++ % kTextCount]));
  }
}

// The harvest only posts the hide and show; the demo carries them out
// (under Wine without a window manager hiding takes it about 2 s) before the
// next round is timed.
bool wait_for_repaint(HWND window, int hides) {
  return test_support::wait_until(
      [&] {
        return foreign_demo::DemoProcess::hide_count(window) == hides && IsWindowVisible(window);
      },
      20000, 10);
}

struct TimedHarvest {
  double total_ms = 0;
  double translate_ms = 0;  // spent inside the translator
  capture::HarvestReport report;
};

TimedHarvest timed_harvest(HWND window,
                           const std::function<std::string(const std::string&)>& translator) {
  TimedHarvest timed;
  capture::HarvestHooks hooks;
  hooks.translate = [&](const std::string& text) {
    const Clock::time_point start = Clock::now();
    std::string translation = translator(text);
    timed.translate_ms += ms_since(start);
    return translation;
  };
  hooks.show_text = [](const std::string&) {};
  hooks.set_status = [](const std::string&) {};
  const Clock::time_point start = Clock::now();
  timed.report = capture::harvest_window(window, hooks);
  timed.total_ms = ms_since(start);
  return timed;
}

}  // namespace

int main() {
  foreign_demo::DemoProcess demo;
  if (!demo.start(L"--controls " + std::to_wstring(kControls))) {
    std::fprintf(stderr, "harvest_bench: the foreign demo did not start\n");
    return 1;
  }
  const HWND window = demo.dialog();
  capture::WindowList list;
  if (capture::collect_child_windows(window, list) != kControls) {
    std::fprintf(stderr, "harvest_bench: expected %d controls, found %d\n", kControls,
                 list.count());
    return 1;
  }
  int hides = 0;

  // (a) Instant translator.
  std::vector<double> collect, read, write, harvest;
  for (int round = 0; round < kInstantRounds; ++round) {
    Clock::time_point start = Clock::now();
    capture::collect_child_windows(window, list);
    collect.push_back(ms_since(start));

    start = Clock::now();
    for (HWND control : list) capture::read_window_text(control);
    read.push_back(ms_since(start));

    start = Clock::now();
    for (HWND control : list) capture::write_window_text(control, "Open");
    write.push_back(ms_since(start));

    const TimedHarvest timed = timed_harvest(window, [](const std::string& text) {
      return "[" + runtime::to_upper_ascii(text) + "]";
    });
    harvest.push_back(timed.total_ms);
    if (timed.report.written != kControls || !wait_for_repaint(window, ++hides)) {
      std::fprintf(stderr, "harvest_bench: round %d wrote %d of %d controls\n", round,
                   timed.report.written, kControls);
      return 1;
    }
  }
  std::printf("harvest of %d controls in another process\n", kControls);
  std::printf("(a) instant translator, %d rounds\n", kInstantRounds);
  print("enumeration", collect);
  print("read (2 messages per control)", read);
  print("write (1 message per control)", write);
  print("whole harvest", harvest);

  // (b) quick_translate against the stand-in.
  const int port = test_support::test_port(kServicePortOffset);
  test_support::UnixProcess standin;
  const std::string program = test_support::standin_dir_unix() + "/standin/translate-standin";
  if (!standin.start("exec '" + program + "' --port " + std::to_string(port) + " --app-id " +
                     moqiao::build::kAppId + " --secret-key " + moqiao::build::kSecretKey) ||
      !test_support::wait_for_port(port, 15000)) {
    std::fprintf(stderr, "harvest_bench: the stand-in did not start on port %d\n", port);
    return 1;
  }
  // The cost of a harvest is measured here, not the service's pace.
  translate::ServiceAccount unpaced = translate::current_service_account();
  unpaced.requests_per_second = std::numeric_limits<double>::infinity();
  translate::set_service_account(unpaced);
  std::vector<double> total, in_translate, own;
  for (int round = 0; round < kServiceRounds; ++round) {
    restore_texts(list);
    const TimedHarvest timed = timed_harvest(window, &translate::quick_translate);
    total.push_back(timed.total_ms);
    in_translate.push_back(timed.translate_ms);
    own.push_back(timed.total_ms - timed.translate_ms);
    if (timed.report.written != kControls || !wait_for_repaint(window, ++hides)) {
      std::fprintf(stderr, "harvest_bench: round %d wrote %d of %d controls (%d empty)\n", round,
                   timed.report.written, kControls, timed.report.untranslated);
      return 1;
    }
  }
  standin.stop();
  std::printf("(b) quick_translate against the stand-in on %s, %d rounds\n",
              moqiao::build::kTranslateHost, kServiceRounds);
  print("whole harvest", total);
  print("inside quick_translate", in_translate);
  print("the rest (messages, enumeration)", own);
  return 0;
}
