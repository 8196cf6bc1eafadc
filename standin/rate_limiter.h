#pragma once
// Admits at most `rate` requests per second, the way a metered service
// counts them: within any window of capacity / rate seconds no more than
// `capacity` requests (capacity = the whole part of rate, at least 1), so a
// rate of 0.5 admits one request every two seconds.
#include <chrono>
#include <deque>
#include <mutex>

namespace standin {

class RateLimiter {
 public:
  using Clock = std::chrono::steady_clock;

  explicit RateLimiter(double rate_per_second);  // 0 or less: no limit

  // True when a request at `now` is admitted; admitted requests are counted.
  bool admit(Clock::time_point now = Clock::now());

 private:
  size_t capacity_ = 0;
  Clock::duration window_{};
  std::mutex mutex_;
  std::deque<Clock::time_point> admitted_;
};

}  // namespace standin
