// Work run with a time limit: the caller gets the result when it comes in
// time, and its control back at the limit when it does not.
#include "runtime/bounded_call.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <stdexcept>
#include <thread>
#include <vector>

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

// What the caller sees of work that ends in other ways: an exception is no
// answer, at once; work told that its caller gave up can end early.
TEST(BoundedCallTest, ThrowingWorkIsNoAnswerAndGivingUpIsToldToTheWork) {
  const struct {
    const char* name;
    bool throws;
    milliseconds limit;
  } cases[] = {
      {"work that throws", true, milliseconds(10000)},
      {"work that waits for the give-up", false, milliseconds(300)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    const auto start = std::chrono::steady_clock::now();
    const std::optional<int> result =
        runtime::call_within(c.limit, [throws = c.throws, ended](runtime::GiveUpSignal& give_up) {
          struct Ends {
            std::shared_ptr<std::atomic<bool>> flag;
            ~Ends() { *flag = true; }
          } ends{ended};
          if (throws) throw std::runtime_error("no answer");
          auto told = std::make_shared<std::atomic<bool>>(false);
          give_up.on_give_up([told] { *told = true; });
          while (!*told) std::this_thread::sleep_for(milliseconds(5));
          return 1;
        });
    EXPECT_FALSE(result.has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - start, c.limit + milliseconds(2000));
    const auto until = std::chrono::steady_clock::now() + milliseconds(5000);
    while (!*ended && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(milliseconds(10));
    EXPECT_TRUE(*ended);
  }
  EXPECT_EQ(runtime::abandoned_calls(), 0);
}

// No more than kMaxAbandonedCalls abandoned works run at a time: beyond
// that a call fails at once without starting its work, until one ends.
TEST(BoundedCallTest, AbandonedWorkIsCapped) {
  auto release = std::make_shared<std::atomic<bool>>(false);
  auto started = std::make_shared<std::atomic<int>>(0);
  const auto blocked_work = [release, started] {
    ++*started;
    while (!*release) std::this_thread::sleep_for(milliseconds(5));
    return 1;
  };
  for (int i = 0; i < runtime::kMaxAbandonedCalls; ++i) {
    EXPECT_FALSE(runtime::call_within(milliseconds(50), blocked_work).has_value());
  }
  EXPECT_EQ(runtime::abandoned_calls(), runtime::kMaxAbandonedCalls);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(runtime::call_within(milliseconds(5000), [] { return 1; }).has_value());
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(1000));
  // The abandoned works have all begun by now (threads may start late), and
  // the refused call started none.
  const auto begun = std::chrono::steady_clock::now() + milliseconds(3000);
  while (*started < runtime::kMaxAbandonedCalls && std::chrono::steady_clock::now() < begun) {
    std::this_thread::sleep_for(milliseconds(10));
  }
  EXPECT_EQ(*started, runtime::kMaxAbandonedCalls);

  *release = true;
  const auto until = std::chrono::steady_clock::now() + milliseconds(5000);
  while (runtime::abandoned_calls() > 0 && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(milliseconds(10));
  }
  EXPECT_EQ(runtime::abandoned_calls(), 0);
  EXPECT_EQ(runtime::call_within(milliseconds(5000), [] { return 7; }), std::optional<int>(7));
}

}  // namespace
