#include "platform/foreign_memory_held.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/unique_handle.h"

namespace platform {
namespace {

struct HeldBlock {
  HWND window = nullptr;
  DWORD process_id = 0;
  std::shared_ptr<KernelHandle> process;  // to see that it ended
  std::shared_ptr<void> memory;
};

// Never destroyed: a block may be held while the process ends.
class HeldBlocks {
 public:
  void add(HeldBlock block) {
    std::lock_guard<std::mutex> lock(mutex_);
    blocks_.push_back(std::move(block));
  }
  std::vector<HeldBlock> take(DWORD process_id) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<HeldBlock> taken;
    auto kept = std::stable_partition(blocks_.begin(), blocks_.end(), [process_id](const HeldBlock& b) {
      return b.process_id != process_id;
    });
    std::move(kept, blocks_.end(), std::back_inserter(taken));
    blocks_.erase(kept, blocks_.end());
    return taken;
  }
  std::size_t count(DWORD process_id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<std::size_t>(std::count_if(
        blocks_.begin(), blocks_.end(),
        [process_id](const HeldBlock& b) { return b.process_id == process_id; }));
  }

 private:
  mutable std::mutex mutex_;
  std::vector<HeldBlock> blocks_;
};

HeldBlocks& held() {
  static HeldBlocks* const instance = new HeldBlocks;
  return *instance;
}

bool ended(const HeldBlock& block) {
  return block.process && block.process->valid() &&
         WaitForSingleObject(block.process->get(), 0) == WAIT_OBJECT_0;
}

// A window that answers WM_NULL has handled every message sent to it before.
bool answers(HWND window, unsigned timeout_ms) {
  DWORD_PTR result = 0;
  return IsWindow(window) &&
         SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeout_ms, &result) != 0;
}

}  // namespace

void hold_until_answered(HWND window, std::shared_ptr<void> memory) {
  if (!memory) return;
  HeldBlock block;
  block.window = window;
  GetWindowThreadProcessId(window, &block.process_id);
  if (block.process_id != GetCurrentProcessId()) {
    block.process = std::make_shared<KernelHandle>(OpenProcess(SYNCHRONIZE, FALSE, block.process_id));
  }
  block.memory = std::move(memory);
  held().add(std::move(block));
}

bool release_answered_blocks(DWORD process_id, unsigned timeout_ms) {
  std::vector<HeldBlock> blocks = held().take(process_id);
  for (HeldBlock& block : blocks) {
    // Freed when the taken list goes out of scope.
    if (ended(block) || answers(block.window, timeout_ms)) continue;
    held().add(std::move(block));
  }
  return held().count(process_id) < kMaxHeldBlocksPerProcess;
}

std::size_t held_blocks(DWORD process_id) { return held().count(process_id); }

bool window_of_this_process(HWND window) {
  DWORD process_id = 0;
  return GetWindowThreadProcessId(window, &process_id) && process_id == GetCurrentProcessId();
}

}  // namespace platform
