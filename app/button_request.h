#pragma once
// The request behind a window's button (翻译, 测试, 提交) on a worker: the
// button is disabled while it is under way, so that one press sends one
// request, and the result is shown only while the window still exists, so
// that a window closed meanwhile gets no late box.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/ui_worker.h"
#include "toolkit/form.h"

namespace app {

// Asked by the work while it waits: true once the window is gone.
using WindowGone = std::function<bool()>;

// Starts work on a worker unless the button's request is under way already
// (the button is disabled then; a press that still reaches the handler, a
// posted click for example, is ignored). done runs on this thread with the
// form, once the work has ended, after the button has been enabled again.
// False when nothing was started.
template <typename Result>
bool run_button_request(toolkit::Form& form, const std::string& button_name,
                        std::function<Result(const WindowGone&)> work,
                        std::function<void(toolkit::Form&, Result&)> done) {
  const HWND button = form.button(button_name).window_handle();
  if (!IsWindowEnabled(button)) return false;
  EnableWindow(button, FALSE);
  const HWND window = form.handle();
  std::weak_ptr<toolkit::Form> weak = form.shared_from_this();
  const bool started = run_on_worker<Result>(
      [work = std::move(work), window] { return work([window] { return !IsWindow(window); }); },
      [weak, button_name, done = std::move(done)](Result& result) {
        const std::shared_ptr<toolkit::Form> owner = weak.lock();
        if (!owner || !owner->exists()) return;
        EnableWindow(owner->button(button_name).window_handle(), TRUE);
        done(*owner, result);
      });
  if (!started) EnableWindow(button, TRUE);
  return started;
}

}  // namespace app
