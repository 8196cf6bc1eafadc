// Entry point of every test program.
#include <gtest/gtest.h>

#include <cstdio>

#include "runtime/fatal.h"

namespace {
void report_on_stderr(const char*) {}  // the message is already on stderr
}  // namespace

int main(int argc, char** argv) {
  runtime::set_runtime_error_reporter(&report_on_stderr);
  testing::InitGoogleTest(&argc, argv);
  // Death tests re-run this program; "threadsafe" works on Windows too.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  return RUN_ALL_TESTS();
}
