#include "translate/service_pacer.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "translate/service_account.h"

namespace translate {
namespace {

// How often a waiting caller looks at its stop request.
constexpr auto kStopPollStep = std::chrono::milliseconds(50);
// The spacing is this much longer than 1/rate.
constexpr double kSpacingAllowance = 1.05;

}  // namespace

RequestPacer::RequestPacer(std::function<double()> rate) : rate_(std::move(rate)) {}

RequestPacer::Clock::duration RequestPacer::spacing(double rate) {
  if (!(rate > 0)) rate = 1;
  if (std::isinf(rate)) return Clock::duration::zero();
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(kSpacingAllowance / rate));
}

bool RequestPacer::take_slot(Clock::time_point now, Clock::duration* wait) {
  if (granted_any_) {
    const Clock::time_point free_at = last_grant_ + spacing(rate_ ? rate_() : 1);
    if (now < free_at) {
      *wait = free_at - now;
      return false;
    }
  }
  granted_any_ = true;
  last_grant_ = now;
  return true;
}

bool RequestPacer::try_acquire() {
  std::lock_guard<std::mutex> lock(mutex_);
  Clock::duration wait{};
  return take_slot(Clock::now(), &wait);
}

bool RequestPacer::acquire(const std::function<bool()>& stop_requested) {
  for (;;) {
    if (stop_requested && stop_requested()) return false;
    Clock::duration wait{};
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (take_slot(Clock::now(), &wait)) return true;
    }
    // Another caller may take the slot first; then this one waits again.
    std::this_thread::sleep_for(stop_requested ? std::min<Clock::duration>(wait, kStopPollStep) : wait);
  }
}

RequestPacer& service_pacer() {
  // Never destroyed: harvest threads may still send while the program ends.
  static RequestPacer* const pacer =
      new RequestPacer([] { return current_service_account().requests_per_second; });
  return *pacer;
}

}  // namespace translate
