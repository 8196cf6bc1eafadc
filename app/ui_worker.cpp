#include "app/ui_worker.h"

#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>

#include "runtime/system.h"

namespace app {
namespace {

constexpr wchar_t kDeliveryClass[] = L"MoqiaoResultDelivery";
constexpr UINT kDeliverMessage = WM_APP + 0x51;

// Never destroyed: a worker may post its result while the process ends.
struct Delivery {
  std::mutex mutex;
  std::deque<std::function<void()>> tasks;
  HWND window = nullptr;  // message-only, on the user-interface thread
  bool closed = false;
};

Delivery& delivery() {
  static Delivery* const instance = new Delivery;
  return *instance;
}

// One task at a time, the lock released while it runs: a task may show a
// message box, whose own loop hands on the next results.
LRESULT CALLBACK delivery_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != kDeliverMessage) return DefWindowProcW(hwnd, message, wparam, lparam);
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(delivery().mutex);
      if (delivery().closed || delivery().tasks.empty()) return 0;
      task = std::move(delivery().tasks.front());
      delivery().tasks.pop_front();
    }
    try {
      task();
    } catch (...) {
      // A result that cannot be shown is dropped; the window goes on.
    }
  }
}

}  // namespace

bool open_ui_delivery() {
  Delivery& d = delivery();
  std::lock_guard<std::mutex> lock(d.mutex);
  if (d.window) return true;
  if (d.closed) return false;
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = &delivery_procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kDeliveryClass;
  RegisterClassW(&window_class);  // fails harmlessly when registered already
  d.window = CreateWindowExW(0, kDeliveryClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             window_class.hInstance, nullptr);
  return d.window != nullptr;
}

void close_ui_delivery() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard<std::mutex> lock(delivery().mutex);
    delivery().closed = true;
    dropped.swap(delivery().tasks);
  }
  // Destroyed outside the lock: a result's own objects may take time to go.
}

bool post_to_ui(std::function<void()> task) {
  Delivery& d = delivery();
  {
    std::lock_guard<std::mutex> lock(d.mutex);
    if (d.closed || !d.window) return false;
    d.tasks.push_back(std::move(task));
  }
  // One message may hand on several tasks; a message for tasks already
  // handed on finds the queue empty.
  PostMessageW(d.window, kDeliverMessage, 0, 0);
  return true;
}

namespace detail {

// Nothing of a failed worker reaches the user-interface thread: an
// exception ends the worker's thread only.
bool start_worker(std::function<void()> routine) { return runtime::start_thread(std::move(routine)); }

}  // namespace detail
}  // namespace app
