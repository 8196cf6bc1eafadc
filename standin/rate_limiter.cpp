#include "standin/rate_limiter.h"

#include <cmath>

namespace standin {

RateLimiter::RateLimiter(double rate_per_second) {
  if (!(rate_per_second > 0)) return;
  double whole = std::floor(rate_per_second);
  capacity_ = whole < 1 ? 1 : static_cast<size_t>(whole);
  window_ = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(static_cast<double>(capacity_) / rate_per_second));
}

bool RateLimiter::admit(Clock::time_point now) {
  if (capacity_ == 0) return true;
  std::lock_guard<std::mutex> lock(mutex_);
  while (!admitted_.empty() && now - admitted_.front() >= window_) admitted_.pop_front();
  if (admitted_.size() >= capacity_) return false;
  admitted_.push_back(now);
  return true;
}

}  // namespace standin
