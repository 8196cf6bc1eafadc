#include "app/update_window_mailbox.h"

#include <utility>

namespace app {
namespace {

constexpr wchar_t kClassName[] = L"MoqiaoMailbox";
constexpr UINT kWorkPosted = WM_APP + 1;

}  // namespace

std::shared_ptr<WindowMailbox> WindowMailbox::open(HWND parent) {
  if (!register_class(kClassName, nullptr)) return nullptr;
  std::shared_ptr<WindowMailbox> mailbox(new WindowMailbox);
  mailbox->self_ = mailbox;
  {
    std::lock_guard<std::mutex> lock(mailbox->mutex_);
    mailbox->open_ = true;
  }
  if (!mailbox->create(0, kClassName, L"", WS_CHILD, 0, 0, 0, 0, parent, nullptr)) {
    mailbox->self_.reset();
    return nullptr;
  }
  return mailbox;
}

bool WindowMailbox::post(std::function<void()> work) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return false;
  queue_.push_back(std::move(work));
  // One message stands for everything queued until it is handled.
  if (!message_pending_) {
    message_pending_ = PostMessageW(handle(), kWorkPosted, 0, 0) != FALSE;
  }
  return true;
}

void WindowMailbox::close() {
  if (handle()) DestroyWindow(handle());
}

void WindowMailbox::run_posted() {
  std::deque<std::function<void()>> work;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    work.swap(queue_);
    message_pending_ = false;
  }
  for (const auto& item : work) {
    try {
      item();
    } catch (...) {
      // A failed display update leaves the window as it was.
    }
  }
}

LRESULT WindowMailbox::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kWorkPosted:
      run_posted();
      return 0;
    case WM_DESTROY: {
      std::deque<std::function<void()>> dropped;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = false;
        dropped.swap(queue_);
      }
      if (on_destroyed_) on_destroyed_();
      return 0;
    }
    default:
      return DefWindowProcW(handle(), message, wparam, lparam);
  }
}

void WindowMailbox::OnFinalMessage() { self_.reset(); }

}  // namespace app
