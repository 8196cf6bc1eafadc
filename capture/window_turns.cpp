#include "capture/window_turns.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>

namespace capture {
namespace {

// Never destroyed: a harvest may still run while the process ends.
struct TakenWindows {
  std::mutex mutex;
  std::condition_variable released;
  std::multiset<HWND> taken;
};

TakenWindows& taken() {
  static TakenWindows* const instance = new TakenWindows;
  return *instance;
}

HWND root_of(HWND window) { return window ? GetAncestor(window, GA_ROOT) : nullptr; }

}  // namespace

WindowTurn::WindowTurn(const std::vector<HWND>& windows) {
  for (HWND window : windows) {
    const HWND root = root_of(window);
    if (root && std::find(roots_.begin(), roots_.end(), root) == roots_.end()) {
      roots_.push_back(root);
    }
  }
  TakenWindows& all = taken();
  std::unique_lock<std::mutex> lock(all.mutex);
  // All at once or none: two turns never wait for each other.
  all.released.wait(lock, [&] {
    return std::none_of(roots_.begin(), roots_.end(),
                        [&](HWND root) { return all.taken.count(root) > 0; });
  });
  all.taken.insert(roots_.begin(), roots_.end());
}

WindowTurn::~WindowTurn() {
  TakenWindows& all = taken();
  {
    std::lock_guard<std::mutex> lock(all.mutex);
    for (HWND root : roots_) all.taken.erase(all.taken.find(root));
  }
  all.released.notify_all();
}

bool WindowTurn::covers(HWND window) const {
  const HWND root = root_of(window);
  return root && std::find(roots_.begin(), roots_.end(), root) != roots_.end();
}

}  // namespace capture
