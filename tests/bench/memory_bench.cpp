// How long the translation memory takes to read a file of 10,000
// translations (the program reads it once, at start), what a harvest of a
// window of 3,000 new texts costs in the memory (and how many writes to the
// file it makes), and what one new translation stored alone costs (a whole
// line appended and flushed to disk). Not a test:
// run it by hand under Wine, e.g.
//   wine build/test/windows/tests/bench/memory_bench.exe [entries]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/system.h"
#include "tests/support/test_environment.h"
#include "translate/memory_file_format.h"
#include "translate/translation_memory.h"

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of this thread, so that other programs on a busy machine do not
// count as the memory's cost.
double thread_cpu_millis() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e4;  // 100 ns units
}

double millis_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Texts shaped like those of a foreign program's controls: English labels
// and their Chinese translations, some with an accelerator or a line break.
translate::MemoryLine entry(int i) {
  static const char* const kWords[] = {"Open", "Save", "Options", "Advanced", "Network",
                                       "Print", "Preview", "Window", "Settings", "Help"};
  static const char* const kChinese[] = {"打开", "保存", "选项", "高级", "网络",
                                         "打印", "预览", "窗口", "设置", "帮助"};
  std::string text = std::string("&") + kWords[i % 10] + " " + kWords[(i / 10) % 10] + " item " +
                     std::to_string(i);
  std::string translation =
      std::string(kChinese[i % 10]) + kChinese[(i / 10) % 10] + "项目 " + std::to_string(i);
  if (i % 7 == 0) text += "...\tCtrl+" + std::to_string(i % 10);
  if (i % 11 == 0) text += "\r\nsecond line", translation += "\r\n第二行";
  return {translate::kInterfaceSourceLanguage, translate::kInterfaceTargetLanguage, text,
          translation};
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  const std::string dir = test_support::to_windows_path(test_support::scratch_dir_unix("memory_bench"));
  const std::string path = dir + "\\" + translate::kTranslationMemoryFileName;

  std::string file = translate::memory_file_header();
  for (int i = 0; i < count; ++i) file += translate::memory_file_line(entry(i));
  if (!runtime::write_file(path, file)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }

  constexpr int kRounds = 7;
  std::vector<double> loads, cpu;
  size_t entries = 0;
  for (int round = 0; round < kRounds; ++round) {
    translate::TranslationMemory memory;
    const double cpu_start = thread_cpu_millis();
    const Clock::time_point start = Clock::now();
    entries = memory.open(path).entries;
    loads.push_back(millis_since(start));
    cpu.push_back(thread_cpu_millis() - cpu_start);
  }
  std::sort(loads.begin(), loads.end());
  std::sort(cpu.begin(), cpu.end());
  std::printf("load %d entries (%zu bytes): %zu held; wall clock median %.1f ms, best %.1f ms, "
              "worst %.1f ms; CPU median %.1f ms\n",
              count, file.size(), entries, loads[kRounds / 2], loads.front(), loads.back(),
              cpu[kRounds / 2]);

  // One harvest of a window of 3,000 texts the memory does not hold yet,
  // against a translator that answers at once: all of the time is the
  // memory's (look-ups, storing, the file).
  constexpr int kWindowTexts = 3000;
  {
    translate::TranslationMemory harvest_memory;
    harvest_memory.open(dir + "\\harvest-" + translate::kTranslationMemoryFileName);
    std::vector<std::string> texts;
    for (int i = 0; i < kWindowTexts; ++i) texts.push_back(entry(i).text + " window");
    double service_ms = 0;
    const Clock::time_point harvest_start = Clock::now();
    translate::translate_with_memory(
        texts, harvest_memory, [&service_ms](const std::vector<std::string>& missing) {
          const Clock::time_point service_start = Clock::now();
          std::vector<std::string> answers;
          for (const std::string& text : missing) answers.push_back("[" + text + "]");
          service_ms += millis_since(service_start);
          return answers;
        });
    const double total_ms = millis_since(harvest_start);
    const Clock::time_point again_start = Clock::now();
    translate::translate_with_memory(texts, harvest_memory, nullptr);
    std::printf("harvest of %d new texts: %zu held, %zu file write(s), %.1f ms in the memory "
                "(%.1f ms in all); the same window again: %.1f ms\n",
                kWindowTexts, harvest_memory.size(), harvest_memory.file_writes(),
                total_ms - service_ms, total_ms, millis_since(again_start));
  }

  constexpr int kStores = 200;
  translate::TranslationMemory memory;
  memory.open(path);
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < kStores; ++i) memory.store("auto", "zh", "new text " + std::to_string(i), "新文字");
  std::printf("store (append and flush one line): %.2f ms each over %d\n",
              millis_since(start) / kStores, kStores);
  return 0;
}
