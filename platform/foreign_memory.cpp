#include "platform/foreign_memory.h"

#include <memory>
#include <utility>

#include "platform/foreign_memory_held.h"

namespace platform {
namespace {

// Under a 64-bit system a 32-bit process runs under WOW64; both sides are
// asked, so a 32-bit build of this program on a 64-bit system also sees
// 64-bit programs as different.
bool is_wow64(HANDLE process) {
  BOOL wow64 = FALSE;
  return IsWow64Process(process, &wow64) && wow64;
}

bool other_bitness(HANDLE process) { return is_wow64(process) != is_wow64(GetCurrentProcess()); }

// A block in another process, released when the last owner lets go.
struct Block {
  KernelHandle process;
  void* address = nullptr;
  Block(KernelHandle owner, void* at) : process(std::move(owner)), address(at) {}
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  ~Block() { VirtualFreeEx(process.get(), address, 0, MEM_RELEASE); }
};

}  // namespace

ForeignMemory::ForeignMemory(ForeignMemory&& other) noexcept
    : process_(std::move(other.process_)),
      address_(std::exchange(other.address_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

ForeignMemory& ForeignMemory::operator=(ForeignMemory&& other) noexcept {
  if (this != &other) {
    free();
    process_ = std::move(other.process_);
    address_ = std::exchange(other.address_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

ForeignMemory ForeignMemory::for_window(HWND window, std::size_t bytes) {
  ForeignMemory memory;
  DWORD process_id = 0;
  if (!window || bytes == 0 || !GetWindowThreadProcessId(window, &process_id) || !process_id) {
    return memory;
  }
  if (!release_answered_blocks(process_id)) return memory;
  KernelHandle process(OpenProcess(
      PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_LIMITED_INFORMATION,
      FALSE, process_id));
  if (!process || other_bitness(process.get())) return memory;
  void* address =
      VirtualAllocEx(process.get(), nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!address) return memory;
  memory.process_ = std::move(process);
  memory.address_ = address;
  memory.size_ = bytes;
  return memory;
}

bool ForeignMemory::write(std::size_t offset, const void* data, std::size_t bytes) {
  if (!valid() || offset > size_ || bytes > size_ - offset) return false;
  SIZE_T written = 0;
  return WriteProcessMemory(process_.get(), static_cast<char*>(address_) + offset, data, bytes,
                            &written) &&
         written == bytes;
}

bool ForeignMemory::read(std::size_t offset, void* data, std::size_t bytes) const {
  if (!valid() || offset > size_ || bytes > size_ - offset) return false;
  SIZE_T copied = 0;
  return ReadProcessMemory(process_.get(), static_cast<char*>(address_) + offset, data, bytes,
                           &copied) &&
         copied == bytes;
}

void ForeignMemory::hold_until_answered(HWND window) {
  if (!address_) return;
  platform::hold_until_answered(window, std::make_shared<Block>(std::move(process_), address_));
  address_ = nullptr;
  size_ = 0;
}

void ForeignMemory::free() {
  if (address_) VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
  address_ = nullptr;
  size_ = 0;
  process_.reset();
}

}  // namespace platform
