#pragma once
// Hands work from any thread to the thread of a window by posting, never
// sending, a message: the sender never waits for that thread, however busy
// it is. The mailbox is a hidden child of the window and dies with it; work
// not yet run is then dropped, later posts are refused, and the owner is
// told (on the window's thread).
//
//   auto mailbox = WindowMailbox::open(form.handle());   // on the window's thread
//   mailbox->post([label] { label->set_text("done"); }); // from any thread
#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "toolkit/window.h"

namespace app {

class WindowMailbox : public toolkit::Window {
 public:
  // Creates the mailbox inside parent; call on parent's thread. Null when
  // it cannot be created.
  static std::shared_ptr<WindowMailbox> open(HWND parent);

  // Any thread. False, with work dropped, once the window is gone.
  bool post(std::function<void()> work);
  // Runs on the window's thread when the window is destroyed. Set it on
  // that thread.
  void on_destroyed(std::function<void()> action) { on_destroyed_ = std::move(action); }
  // Ends the mailbox now (on the window's thread); queued work is dropped.
  void close();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnFinalMessage() override;

 private:
  WindowMailbox() = default;
  void run_posted();

  std::mutex mutex_;
  bool open_ = false;
  bool message_pending_ = false;
  std::deque<std::function<void()>> queue_;
  std::function<void()> on_destroyed_;
  std::shared_ptr<WindowMailbox> self_;  // while the window exists
};

}  // namespace app
