#pragma once
// A timer of a form: reports timer_elapsed under its name every period.
// Not a window; the form's window receives its ticks. Use it from the
// form's own thread.
#include <windows.h>

#include <string>

namespace toolkit {

class Timer {
 public:
  Timer(HWND owner, UINT_PTR id, std::string name) : owner_(owner), id_(id), name_(std::move(name)) {}
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  ~Timer() { set_period(0); }

  const std::string& name() const { return name_; }
  UINT_PTR id() const { return id_; }
  unsigned period() const { return period_ms_; }
  // 0 stops the timer; any other period (re)starts it from now.
  void set_period(unsigned period_ms);

 private:
  HWND owner_;
  UINT_PTR id_;
  std::string name_;
  unsigned period_ms_ = 0;
};

}  // namespace toolkit
