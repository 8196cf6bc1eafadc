#pragma once
// Every request to the translation service passes one pacer per process, so
// that the crosshair preview, the harvests and the plain translator page
// together never send more than the account's tier accepts (the standard
// tier: one request a second; above that the service refuses with 54003).
//
//   if (!translate::service_pacer().acquire(stop)) return;  // stopped
//   ... send the request ...
#include <chrono>
#include <functional>
#include <mutex>

namespace translate {

class RequestPacer {
 public:
  using Clock = std::chrono::steady_clock;

  // rate() gives the requests per second allowed now. It is asked on every
  // call, so a new account's rate holds from the next request on; a rate
  // that is not above 0 counts as 1.
  explicit RequestPacer(std::function<double()> rate);
  RequestPacer(const RequestPacer&) = delete;
  RequestPacer& operator=(const RequestPacer&) = delete;

  // Takes a slot when one is free now; never waits. False: send nothing.
  bool try_acquire();

  // Waits until a slot is free and takes it. While it waits, stop_requested
  // (when given) is asked several times a second; once it says true the call
  // returns false at once without taking a slot.
  bool acquire(const std::function<bool()>& stop_requested = {});

  // The time between two slots at a rate: a little more than 1/rate, since
  // the service counts requests by its own clock, after their way through
  // the network.
  static Clock::duration spacing(double rate);

 private:
  // Takes the slot when it is free at now; otherwise says how long until it
  // is. Called with mutex_ held.
  bool take_slot(Clock::time_point now, Clock::duration* wait);

  std::function<double()> rate_;
  std::mutex mutex_;
  bool granted_any_ = false;
  Clock::time_point last_grant_;
};

// The process's pacer, at current_service_account().requests_per_second.
RequestPacer& service_pacer();

}  // namespace translate
