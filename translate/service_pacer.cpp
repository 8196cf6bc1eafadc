#include "translate/service_pacer.h"

#include <algorithm>
#include <cmath>

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
  // Bounded, so the duration below can neither overflow nor be zero.
  if (!(rate > 0)) rate = 1;
  rate = std::clamp(rate, kMinRequestsPerSecond, kMaxRequestsPerSecond);
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

void RequestPacer::leave_line(std::uint64_t ticket) {
  line_.erase(std::find(line_.begin(), line_.end(), ticket));
  line_moved_.notify_all();
}

bool RequestPacer::try_acquire() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!line_.empty()) return false;  // the slot is theirs
  Clock::duration wait{};
  return take_slot(Clock::now(), &wait);
}

bool RequestPacer::acquire(const std::function<bool()>& stop_requested) {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::uint64_t ticket = next_ticket_++;
  line_.push_back(ticket);
  for (;;) {
    if (stop_requested) {
      lock.unlock();
      bool stop = true;  // a stop request that fails ends the wait
      try {
        stop = stop_requested();
      } catch (...) {
      }
      lock.lock();
      if (stop) {
        leave_line(ticket);
        return false;
      }
    }
    // Without a stop request a caller sleeps until its turn and its slot
    // come; with one it also wakes to ask it.
    Clock::duration wait = std::chrono::hours(1);
    if (line_.front() == ticket) {
      if (take_slot(Clock::now(), &wait)) {
        leave_line(ticket);
        return true;
      }
    }
    if (stop_requested) wait = std::min<Clock::duration>(wait, kStopPollStep);
    line_moved_.wait_for(lock, wait);
  }
}

RequestPacer& service_pacer() {
  // Never destroyed: harvest threads may still send while the program ends.
  static RequestPacer* const pacer =
      new RequestPacer([] { return current_service_account().requests_per_second; });
  return *pacer;
}

}  // namespace translate
