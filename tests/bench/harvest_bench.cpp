// What a harvest of a big window costs against a service that limits its
// callers: a foreign demo window of 100 push buttons is harvested against
// the translation-service stand-in started with --rate 1 --latency-ms 300
// (about one request a second admitted, every answer 300 ms late), first
// through the one-request-per-control path (the translate hook), then
// through the path that hands all texts to one translator call (the
// translate_texts hook), last through what the program does: the
// translation memory (a fresh file) and batched requests for what it lacks.
// Every request waits for the process's pacer, at the service's rate. Each is run twice on a fresh demo: a first harvest,
// the originals restored, a second harvest. For every harvest it prints the
// requests the stand-in saw, the seconds, the controls translated and the
// 54003 answers.
//
// The translators are plain functions (see translators()), so that another
// one is measured by adding a line there. Not a test: run it by hand under Wine, e.g.
//   WINEPREFIX=<build>/wineprefix wine <build>/windows/tests/bench/harvest_bench.exe
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/harvest.h"
#include "capture/restore.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/e2e/foreign_demo_layout.h"
#include "tests/support/test_environment.h"
#include "tests/support/translate_standin.h"
#include "translate/batch_translate.h"
#include "translate/quick_translate.h"
#include "translate/translation_memory.h"

namespace {

using Clock = std::chrono::steady_clock;
using Texts = std::vector<std::string>;

constexpr int kControls = 100;
constexpr char kStandinOptions[] = "--rate 1 --latency-ms 300";

// A translator under test: exactly one of the two functions is set, and
// decides which path of the harvest runs.
struct Translator {
  const char* name;
  std::function<std::string(const std::string&)> one_text;
  std::function<Texts(const Texts&)> all_texts;
};

// All texts, one quick translation after the other.
Texts quick_translate_each(const Texts& texts) {
  Texts translations;
  for (const std::string& text : texts) translations.push_back(translate::quick_translate(text));
  return translations;
}

// The program's harvest translation, with a memory of its own in a fresh
// scratch folder: the first harvest fills it, the second costs nothing.
Texts remembered_batches(const Texts& texts) {
  static translate::TranslationMemory* const memory = [] {
    auto* opened = new translate::TranslationMemory;
    opened->open(test_support::to_windows_path(
        test_support::scratch_dir_unix("harvest-bench-memory") + "/" +
        translate::kTranslationMemoryFileName));
    return opened;
  }();
  return translate::translate_with_memory(
      texts, *memory, [](const Texts& missing) { return translate::translate_batch(missing); });
}

std::vector<Translator> translators() {
  return {
      {"instant translator, no service (the harvest's own cost)",
       [](const std::string& text) { return "[" + text + "]"; }, nullptr},
      {"one request per control (translate)", &translate::quick_translate, nullptr},
      {"all texts in one call (translate_texts over quick_translate)", nullptr,
       &quick_translate_each},
      {"the program's path (translate_texts over the memory and translate_batch)", nullptr,
       &remembered_batches},
  };
}

struct Figures {
  std::size_t requests = 0;
  std::size_t limited = 0;  // 54003 answers
  double seconds = 0;
  int translated = 0;
};

std::size_t count_limited(const std::vector<std::string>& lines, std::size_t from) {
  std::size_t limited = 0;
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (lines[i].find("\"outcome\":\"54003\"") != std::string::npos) ++limited;
  }
  return limited;
}

// The harvest only posts the hide and show; the demo carries them out
// before the next step starts.
bool wait_for_repaint(HWND window, int hides) {
  return test_support::wait_until(
      [&] {
        return foreign_demo::DemoProcess::hide_count(window) == hides && IsWindowVisible(window);
      },
      20000, 10);
}

Figures harvest(HWND window, const Translator& translator,
                const std::shared_ptr<capture::OriginalTexts>& originals,
                const test_support::TranslateStandin& standin) {
  capture::HarvestHooks hooks;
  hooks.translate = translator.one_text;
  hooks.translate_texts = translator.all_texts;
  hooks.originals = originals;
  const std::size_t logged = standin.log_lines(0, 0).size();
  const Clock::time_point start = Clock::now();
  const capture::HarvestReport report = capture::harvest_window(window, hooks);
  Figures figures;
  figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  figures.translated = report.written;
  // The log line of the last answer may still be on its way: at most one
  // request per text was made.
  const std::vector<std::string> lines =
      standin.log_lines(logged + static_cast<std::size_t>(report.requests), 1000);
  figures.requests = lines.size() - logged;
  figures.limited = count_limited(lines, logged);
  return figures;
}

void print(const char* which, const Figures& f) {
  std::printf("  %-15s %5zu requests %8.2f s %4d of %d controls translated %5zu answers 54003\n",
              which, f.requests, f.seconds, f.translated, kControls, f.limited);
  std::fflush(stdout);
}

}  // namespace

int main() {
  test_support::TranslateStandin standin;
  if (!standin.start(kStandinOptions)) {
    std::fprintf(stderr, "harvest_bench: the stand-in did not start on port %d\n",
                 test_support::TranslateStandin::port());
    return 1;
  }
  std::printf("harvest of %d controls in another process, stand-in with %s\n", kControls,
              kStandinOptions);
  for (const Translator& translator : translators()) {
    foreign_demo::DemoProcess demo;
    if (!demo.start(L"--controls " + std::to_wstring(kControls))) {
      std::fprintf(stderr, "harvest_bench: the foreign demo did not start\n");
      return 1;
    }
    const HWND window = demo.dialog();
    auto originals = std::make_shared<capture::OriginalTexts>();
    // Each translator starts with the service's limit at rest.
    Sleep(2000);
    std::printf("%s\n", translator.name);
    print("first harvest", harvest(window, translator, originals, standin));
    if (!wait_for_repaint(window, 1)) return 1;
    const capture::RestoreReport restored = capture::restore_originals(*originals, {});
    std::printf("  %-15s %d originals back\n", "restored", restored.restored);
    if (!wait_for_repaint(window, restored.repainted > 0 ? 2 : 1)) return 1;
    Sleep(2000);
    print("second harvest", harvest(window, translator, originals, standin));
  }
  return 0;
}
