// Work run with a time limit: the caller gets the result when it comes in
// time, and its control back at the limit when it does not.
#include "runtime/bounded_call.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace {

using std::chrono::milliseconds;

TEST(BoundedCallTest, ResultInTimeElseNothingAtTheLimit) {
  const struct {
    const char* name;
    milliseconds work_takes;
    milliseconds limit;
    bool result_expected;
  } cases[] = {
      // Generous limits: a loaded machine may be slow to start a thread.
      {"quick work", milliseconds(0), milliseconds(10000), true},
      {"work within the limit", milliseconds(200), milliseconds(10000), true},
      {"work past the limit", milliseconds(3000), milliseconds(300), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The abandoned work still runs to its end, with what it owns.
    auto finished = std::make_shared<std::atomic<bool>>(false);
    const auto start = std::chrono::steady_clock::now();
    const std::optional<std::string> result =
        runtime::call_within(c.limit, [takes = c.work_takes, finished] {
          std::this_thread::sleep_for(takes);
          *finished = true;
          return std::string("done");
        });
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result.has_value(), c.result_expected);
    if (result) {
      EXPECT_EQ(*result, "done");
      EXPECT_LT(took, c.limit);
    } else {
      EXPECT_GE(took, c.limit);
      EXPECT_LT(took, c.limit + milliseconds(2000));
      EXPECT_FALSE(*finished);
      const auto until = std::chrono::steady_clock::now() + c.work_takes + milliseconds(10000);
      while (!*finished && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(milliseconds(20));
      }
      EXPECT_TRUE(*finished);
    }
  }
}

}  // namespace
