#include "runtime/fatal.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "runtime/codepage.h"

namespace runtime {
namespace {

void report_in_box(const char* gbk_message) {
  MessageBoxW(nullptr, widen(gbk_message).c_str(), widen("运行时错误").c_str(),
              MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

std::atomic<RuntimeErrorReporter> g_reporter{&report_in_box};

}  // namespace

void set_runtime_error_reporter(RuntimeErrorReporter reporter) {
  g_reporter.store(reporter ? reporter : &report_in_box);
}

void stop_with_runtime_error(const char* gbk_message) {
  std::fprintf(stderr, "%s\n", gbk_message);
  std::fflush(stderr);
  g_reporter.load()(gbk_message);
  ExitProcess(1);
}

}  // namespace runtime
