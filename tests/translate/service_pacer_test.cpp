// The request pacer on its own: how far apart it hands out slots, that the
// non-waiting call never waits, and that a stop request ends a wait.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "translate/service_pacer.h"

namespace {

using translate::RequestPacer;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

long long ms_since(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

TEST(RequestPacerTest, SpacesSlotsByTheRateInForceAtEachRequest) {
  const struct {
    double rate;
    int slots;
    long long at_least_ms;  // (slots - 1) spacings
  } cases[] = {
      {10, 4, 3 * 105},
      {4, 3, 2 * 262},
      {0, 2, 1050},   // no usable rate: one a second
      {-3, 2, 1050},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    RequestPacer pacer([&] { return c.rate; });
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < c.slots; ++i) ASSERT_TRUE(pacer.acquire());
    const long long elapsed = ms_since(start);
    EXPECT_GE(elapsed, c.at_least_ms);
    EXPECT_LT(elapsed, c.at_least_ms + 1000);
  }

  // A new rate holds from the next request on.
  std::atomic<double> rate{1};
  RequestPacer pacer([&] { return rate.load(); });
  ASSERT_TRUE(pacer.acquire());
  rate = 20;
  const Clock::time_point start = Clock::now();
  ASSERT_TRUE(pacer.acquire());
  EXPECT_LT(ms_since(start), 700);
}

TEST(RequestPacerTest, SpacingStaysWithinTheAllowedRates) {
  const struct {
    double rate;
    long long expected_ms;
  } cases[] = {
      {1, 1050},
      {0.1, 10500},
      {100, 10},
      {1e-300, 10500},  // would overflow the clock's duration
      {0.01, 10500},
      {1e300, 10},
      {HUGE_VAL, 10},
      {std::nan(""), 1050},
      {0, 1050},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    EXPECT_EQ(std::chrono::duration_cast<milliseconds>(RequestPacer::spacing(c.rate)).count(),
              c.expected_ms);
  }
}

// A caller that waits is served before anyone who came later, however
// eagerly the later ones ask again (a harvest's batches against the page).
TEST(RequestPacerTest, WaitersAreServedInArrivalOrder) {
  RequestPacer pacer([] { return 10.0; });  // a slot every 105 ms
  ASSERT_TRUE(pacer.acquire());
  std::mutex mutex;
  std::vector<int> served;
  std::atomic<bool> first_waiting{false};
  std::thread eager([&] {
    first_waiting = true;
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(pacer.acquire());
      std::lock_guard<std::mutex> lock(mutex);
      served.push_back(1);
    }
  });
  while (!first_waiting) std::this_thread::yield();
  std::this_thread::sleep_for(milliseconds(30));  // the eager one is in line now
  std::thread late([&] {
    ASSERT_TRUE(pacer.acquire());
    std::lock_guard<std::mutex> lock(mutex);
    served.push_back(2);
  });
  eager.join();
  late.join();
  // Each of the eager one's later requests came after the late one's.
  EXPECT_EQ(served, (std::vector<int>{1, 2, 1, 1, 1}));
  EXPECT_FALSE(pacer.try_acquire());  // the last slot was just taken
}

TEST(RequestPacerTest, TryAcquireTakesOnlyAFreeSlot) {
  RequestPacer pacer([] { return 5.0; });  // a slot every 210 ms
  EXPECT_TRUE(pacer.try_acquire());
  const Clock::time_point taken = Clock::now();
  int refused = 0;
  while (ms_since(taken) < 150) {
    ASSERT_FALSE(pacer.try_acquire());
    ++refused;
    std::this_thread::sleep_for(milliseconds(10));
  }
  EXPECT_GT(refused, 5);
  std::this_thread::sleep_for(milliseconds(100));
  EXPECT_TRUE(pacer.try_acquire());
  // The blocking call counts the slot try_acquire took.
  const Clock::time_point start = Clock::now();
  EXPECT_TRUE(pacer.acquire());
  EXPECT_GE(ms_since(start), 150);
}

TEST(RequestPacerTest, SeveralThreadsNeverShareASlot) {
  RequestPacer pacer([] { return 20.0; });  // a slot every 52.5 ms
  std::vector<Clock::time_point> grants;
  std::mutex mutex;
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(pacer.acquire());
        std::lock_guard<std::mutex> lock(mutex);
        grants.push_back(Clock::now());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::sort(grants.begin(), grants.end());
  ASSERT_EQ(grants.size(), 12u);
  EXPECT_GE(std::chrono::duration_cast<milliseconds>(grants.back() - grants.front()).count(), 11 * 50);
}

TEST(RequestPacerTest, AStopRequestEndsTheWaitWithoutASlot) {
  RequestPacer pacer([] { return 0.2; });  // a slot every 5.25 s
  ASSERT_TRUE(pacer.acquire());
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(pacer.acquire([&] { return ms_since(start) >= 200; }));
  EXPECT_LT(ms_since(start), 1500);
  EXPECT_FALSE(pacer.acquire([] { return true; }));
  EXPECT_FALSE(pacer.try_acquire());
}

}  // namespace
