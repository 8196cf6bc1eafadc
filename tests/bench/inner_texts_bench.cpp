// What the texts inside a large list view cost: the foreign demo's explorer
// with a list view of 1,000 rows (3 texts each)
//   (a) read and written with an instant translator: the messages alone;
//   (b) harvested like a drop of the crosshair, with the program's own
//       translation path against the translation-service stand-in answering
//       each request 300 ms late: requests sent and seconds taken.
//   (c) with --instant: the explorer harvested and restored with an instant
//       translator at 5,000 and 20,000 rows, three times each (the program's
//       own cost per text: it should grow with the rows, no faster).
// Not a test: run it by hand under Wine, e.g.
//   wine build/test/windows/tests/bench/inner_texts_bench.exe [rows] [--messages-only]
//   wine build/test/windows/tests/bench/inner_texts_bench.exe --instant
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "capture/harvest.h"
#include "capture/inner_texts.h"
#include "capture/original_texts.h"
#include "capture/restore.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"
#include "tests/support/test_environment.h"
#include "tests/support/translate_standin.h"
#include "translate/batch_translate.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultRows = 1000;
constexpr int kLatencyMs = 300;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Timing {
  double harvest_s = 0;
  double restore_s = 0;
  bool whole = false;
};

// (c) One harvest and one restore of the explorer with rows rows.
Timing harvest_and_restore(int rows) {
  Timing timing;
  foreign_demo::DemoProcess demo;
  if (!demo.start(L"--list-items " + std::to_wstring(rows))) return timing;
  capture::HarvestHooks hooks;
  hooks.translate_texts = [](const std::vector<std::string>& texts) {
    std::vector<std::string> out;
    out.reserve(texts.size());
    for (const std::string& text : texts) out.push_back("[" + text + "]");
    return out;
  };
  hooks.originals = std::make_shared<capture::OriginalTexts>();
  Clock::time_point start = Clock::now();
  const capture::HarvestReport harvested = capture::harvest_window(demo.explorer(), hooks);
  timing.harvest_s = seconds_since(start);
  start = Clock::now();
  const capture::RestoreReport restored =
      capture::restore_originals(*hooks.originals, capture::RestoreHooks());
  timing.restore_s = seconds_since(start);
  timing.whole = harvested.written >= rows * 3 && restored.restored == harvested.written &&
                 demo.explorer_english_count() == foreign_demo::kExplorerTextCount;
  std::printf("(c) %6d rows: %d texts written, harvest %.2f s, restore %.2f s (%d restored)%s\n",
              rows, harvested.written, timing.harvest_s, timing.restore_s, restored.restored,
              timing.whole ? "" : "  NOT WHOLE");
  std::fflush(stdout);
  return timing;
}

// The sizes alternate, three runs each, and each size counts with its
// median run: on a shared machine the message round trips of one run may
// take half as long again as those of the next, and the ratio should
// measure the rows, not that.
double median_of(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int instant_harvests() {
  constexpr int kSmall = 5000;
  constexpr int kLarge = 20000;
  constexpr int kRunsEach = 3;
  std::vector<double> harvest_s[2], restore_s[2];
  bool whole = true;
  for (int run = 0; run < kRunsEach * 2; ++run) {
    const int size = run % 2;
    const Timing timing = harvest_and_restore(size == 0 ? kSmall : kLarge);
    harvest_s[size].push_back(timing.harvest_s);
    restore_s[size].push_back(timing.restore_s);
    whole = whole && timing.whole;
  }
  const double harvest_ratio = median_of(harvest_s[1]) / median_of(harvest_s[0]);
  const double restore_ratio = median_of(restore_s[1]) / median_of(restore_s[0]);
  std::printf("(c) medians: 5,000 rows harvest %.2f s, restore %.2f s; 20,000 rows harvest %.2f s, "
              "restore %.2f s\n",
              median_of(harvest_s[0]), median_of(restore_s[0]), median_of(harvest_s[1]),
              median_of(restore_s[1]));
  std::printf("(c) 20,000 / 5,000 rows: harvest x%.2f, restore x%.2f (at most x4.5 wanted)\n",
              harvest_ratio, restore_ratio);
  return whole && harvest_ratio <= 4.5 && restore_ratio <= 4.5 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--instant") return instant_harvests();
  const int rows = argc > 1 ? std::atoi(argv[1]) : kDefaultRows;
  const bool messages_only = argc > 2 && std::string(argv[2]) == "--messages-only";
  if (rows <= 0) return 2;
  foreign_demo::DemoProcess demo;
  if (!demo.start(L"--list-items " + std::to_wstring(rows))) {
    std::fprintf(stderr, "inner_texts_bench: the foreign demo did not start\n");
    return 1;
  }
  const HWND list_view = demo.explorer_control(WC_LISTVIEWW);

  // (a) The messages alone.
  Clock::time_point start = Clock::now();
  const std::vector<capture::InnerText> items = capture::read_inner_texts(list_view);
  const double read_s = seconds_since(start);
  std::vector<std::string> marked;
  for (const capture::InnerText& item : items) marked.push_back("[" + item.text + "]");
  start = Clock::now();
  const bool written = capture::write_inner_texts(list_view, items, marked);
  const double write_s = seconds_since(start);
  std::vector<std::string> originals;
  for (const capture::InnerText& item : items) originals.push_back(item.text);
  const bool restored =
      capture::write_inner_texts(list_view, capture::read_inner_texts(list_view), originals);
  std::printf("list view of %d rows in another process: %zu texts\n", rows, items.size());
  std::printf("(a) read %.3f s, write %.3f s (%s), put back %s\n", read_s, write_s,
              written ? "all written" : "NOT all written", restored ? "yes" : "NO");
  std::fflush(stdout);
  if (items.size() != static_cast<std::size_t>(rows * 3 + 3) || !written || !restored) return 1;
  if (messages_only) return 0;

  // (b) A harvest of the explorer through the program's translation path.
  test_support::TranslateStandin standin;
  if (!standin.start("--latency-ms " + std::to_string(kLatencyMs))) {
    std::fprintf(stderr, "inner_texts_bench: the stand-in did not start\n");
    return 1;
  }
  capture::HarvestHooks hooks;
  // All texts in one call, batched into as few paced requests as the
  // service allows, as the program's harvest does (without its memory, so
  // that every run asks the service).
  std::vector<std::string> untranslated;
  translate::BatchReport batch;
  hooks.translate_texts = [&](const std::vector<std::string>& texts) {
    std::vector<std::string> translations = translate::translate_batch(texts, &batch);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (i >= translations.size() || translations[i].empty()) untranslated.push_back(texts[i]);
    }
    return translations;
  };
  start = Clock::now();
  const capture::HarvestReport report = capture::harvest_window(demo.explorer(), hooks);
  const double harvest_s = seconds_since(start);
  const std::size_t requests = standin.log_lines(0, 0).size();
  std::printf(
      "(b) harvest with %d ms service latency: %zu requests (%d sent, %d retried, %d fallbacks), "
      "%.1f s; %d texts, %d written, %d untranslated, %d refused\n",
      kLatencyMs, requests, batch.requests, batch.retries, batch.fallbacks, harvest_s,
      report.requests, report.written, report.untranslated, report.rejected);
  for (const std::string& text : untranslated) std::printf("  no translation came for: %s\n", text.c_str());
  return report.written + report.rejected == report.requests ? 0 : 1;
}
