#pragma once
// Every request to the translation service passes one pacer per process, so
// that the crosshair preview, the harvests and the plain translator page
// together never send more than the account's tier accepts (the standard
// tier: one request a second; above that the service refuses with 54003).
//
//   if (!translate::service_pacer().acquire(stop)) return;  // stopped
//   ... send the request ...
//
// Waiting callers are served in the order they came, so the plain
// translator page never loses its turn to a harvest's later batches.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace translate {

// The rates an account may set; the pacer holds any other to these bounds.
inline constexpr double kMinRequestsPerSecond = 0.1;
inline constexpr double kMaxRequestsPerSecond = 100;

class RequestPacer {
 public:
  using Clock = std::chrono::steady_clock;

  // rate() gives the requests per second allowed now. It is asked on every
  // call, so a new account's rate holds from the next request on; a rate
  // that is not above 0 (or no number) counts as 1, and any other is held
  // within kMinRequestsPerSecond ... kMaxRequestsPerSecond.
  explicit RequestPacer(std::function<double()> rate);
  RequestPacer(const RequestPacer&) = delete;
  RequestPacer& operator=(const RequestPacer&) = delete;

  // Takes a slot when one is free now and nobody waits for one; never
  // waits. False: send nothing.
  bool try_acquire();

  // Waits until this caller's turn has come and a slot is free, and takes
  // it. While it waits, stop_requested (when given) is asked several times
  // a second, never with the pacer's lock held; once it says true the call
  // returns false at once without taking a slot, and the next caller in
  // line moves up.
  bool acquire(const std::function<bool()>& stop_requested = {});

  // The time between two slots at a rate: a little more than 1/rate, since
  // the service counts requests by its own clock, after their way through
  // the network.
  static Clock::duration spacing(double rate);

 private:
  // Takes the slot when it is free at now; otherwise says how long until it
  // is. Called with mutex_ held.
  bool take_slot(Clock::time_point now, Clock::duration* wait);
  void leave_line(std::uint64_t ticket);  // mutex_ held

  std::function<double()> rate_;
  std::mutex mutex_;
  std::condition_variable line_moved_;
  std::deque<std::uint64_t> line_;  // tickets of the waiting callers, first come first
  std::uint64_t next_ticket_ = 0;
  bool granted_any_ = false;
  Clock::time_point last_grant_;
};

// The process's pacer, at current_service_account().requests_per_second.
RequestPacer& service_pacer();

}  // namespace translate
