// What a harvest of a big window costs through the chat engine: a foreign
// demo window of 100 push buttons, each given a different text of the
// stand-in's glossary, harvested through the program's path (a
// fresh translation memory, then chat_translate_batch for what it lacks)
// against the chat-model stand-in answering every request 500 ms late, as a
// model does. Rows: the model answering well, the model losing an element of
// every long list (the batch is split in halves), and a faster pace. For each
// it prints the requests the stand-in saw, the seconds and the controls
// translated; the second harvest of each row comes from the memory. Not a
// test: run it by hand under Wine, e.g.
//   WINEPREFIX=<build>/wineprefix wine <build>/windows/tests/bench/chat_harvest_bench.exe
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "capture/harvest.h"
#include "capture/restore.h"
#include "tests/e2e/foreign_demo_client.h"
#include "tests/support/chat_standin.h"
#include "tests/support/test_environment.h"
#include "translate/chat_translate.h"
#include "translate/translation_memory.h"

namespace {

using Clock = std::chrono::steady_clock;
using Texts = std::vector<std::string>;
using test_support::ChatStandin;

constexpr int kControls = 100;

struct Row {
  const char* name;
  std::string standin_options;
  double requests_per_second;
};

// The first count English texts of the glossary, one per line after its
// header, skipping comments.
std::vector<std::wstring> glossary_texts(int count) {
  std::ifstream in(test_support::to_windows_path(test_support::source_dir_unix() + "/standin/glossary.tsv"));
  std::vector<std::wstring> texts;
  bool header = true;
  for (std::string line; std::getline(in, line) && static_cast<int>(texts.size()) < count;) {
    if (line.empty() || line[0] == '#') continue;
    if (header) {
      header = false;
      continue;
    }
    const std::string english = line.substr(0, line.find('\t'));
    texts.emplace_back(english.begin(), english.end());
  }
  return texts;
}

bool wait_for_repaint(HWND window, int hides) {
  return test_support::wait_until(
      [&] { return foreign_demo::DemoProcess::hide_count(window) == hides && IsWindowVisible(window); },
      20000, 10);
}

void harvest(HWND window, const std::shared_ptr<capture::OriginalTexts>& originals,
             translate::TranslationMemory& memory, const ChatStandin& standin, const char* which) {
  capture::HarvestHooks hooks;
  hooks.translate_texts = [&memory](const Texts& texts) {
    return translate::translate_with_memory(
        texts, memory, [](const Texts& missing) { return translate::chat_translate_batch(missing); });
  };
  hooks.originals = originals;
  const std::size_t logged = standin.log_lines(0, 0).size();
  const Clock::time_point start = Clock::now();
  const capture::HarvestReport report = capture::harvest_window(window, hooks);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const std::size_t requests = standin.log_lines(0, 0).size() - logged;
  std::printf("  %-15s %4zu requests %7.2f s %4d of %d controls translated\n", which, requests,
              seconds, report.written, kControls);
  std::fflush(stdout);
}

}  // namespace

int main() {
  const Row rows[] = {
      {"a model answering well, 1 request a second", "--latency-ms 500", 1},
      {"a model losing the last element of long lists", "--latency-ms 500 --drop-element", 1},
      {"a model answering well, 5 requests a second", "--latency-ms 500", 5},
  };
  std::printf("harvest of %d controls in another process through the chat engine\n", kControls);
  for (const Row& row : rows) {
    ChatStandin standin;
    if (!standin.start(row.standin_options)) {
      std::fprintf(stderr, "chat_harvest_bench: the stand-in did not start on port %d\n", ChatStandin::port());
      return 1;
    }
    translate::set_chat_account(
        {ChatStandin::base_url(), ChatStandin::kModel, ChatStandin::kKey, row.requests_per_second});
    foreign_demo::DemoProcess demo;
    if (!demo.start(L"--controls " + std::to_wstring(kControls))) {
      std::fprintf(stderr, "chat_harvest_bench: the foreign demo did not start\n");
      return 1;
    }
    translate::TranslationMemory memory;
    memory.open(test_support::to_windows_path(test_support::scratch_dir_unix("chat-bench-memory") + "/" +
                                              translate::kTranslationMemoryFileName));
    const HWND window = demo.dialog();
    const std::vector<std::wstring> texts = glossary_texts(kControls);
    for (int i = 0; i < kControls && i < static_cast<int>(texts.size()); ++i) {
      SendMessageTimeoutW(GetDlgItem(window, 100 + i), WM_SETTEXT, 0,
                          reinterpret_cast<LPARAM>(texts[static_cast<size_t>(i)].c_str()), SMTO_NORMAL, 5000,
                          nullptr);
    }
    auto originals = std::make_shared<capture::OriginalTexts>();
    std::printf("%s (stand-in %s)\n", row.name, row.standin_options.c_str());
    harvest(window, originals, memory, standin, "first harvest");
    if (!wait_for_repaint(window, 1)) return 1;
    const capture::RestoreReport restored = capture::restore_originals(*originals, {});
    if (!wait_for_repaint(window, restored.repainted > 0 ? 2 : 1)) return 1;
    harvest(window, originals, memory, standin, "second harvest");
  }
  return 0;
}
