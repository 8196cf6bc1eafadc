#include "toolkit/timer.h"

namespace toolkit {

void Timer::set_period(unsigned period_ms) {
  if (period_ms == 0) {
    if (period_ms_ != 0 && IsWindow(owner_)) KillTimer(owner_, id_);
  } else {
    SetTimer(owner_, id_, period_ms, nullptr);
  }
  period_ms_ = period_ms;
}

}  // namespace toolkit
