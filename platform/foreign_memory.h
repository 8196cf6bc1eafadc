#pragma once
// Memory inside another process, for the messages of common controls that
// carry pointers: the system copies no structure for them across processes,
// so the structure and its text buffer must live in the control's own
// process. The block is freed when its owner goes out of scope, unless a
// message that points to it went unanswered (see foreign_memory_held.h).
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "platform/unique_handle.h"

namespace platform {

class ForeignMemory {
 public:
  ForeignMemory() = default;
  ForeignMemory(const ForeignMemory&) = delete;
  ForeignMemory& operator=(const ForeignMemory&) = delete;
  ForeignMemory(ForeignMemory&& other) noexcept;
  ForeignMemory& operator=(ForeignMemory&& other) noexcept;
  ~ForeignMemory() { free(); }

  // Opens the process that owns window and reserves bytes of read-write
  // memory in it. An invalid owner when the process cannot be opened, its
  // pointers are not as wide as this program's (its structures would have
  // another layout), it still holds as many blocks of unanswered messages
  // as allowed, or the memory cannot be had.
  static ForeignMemory for_window(HWND window, std::size_t bytes);

  bool valid() const { return address_ != nullptr; }
  // The block's address as the other process sees it: for a message's
  // parameters, never to be read or written here directly.
  std::uintptr_t address(std::size_t offset = 0) const {
    return reinterpret_cast<std::uintptr_t>(address_) + offset;
  }
  std::size_t size() const { return size_; }

  // Copies into or out of the block; false outside it or on failure.
  bool write(std::size_t offset, const void* data, std::size_t bytes);
  bool read(std::size_t offset, void* data, std::size_t bytes) const;

  // A message to window that points into the block was not answered in
  // time: the block is handed over to be freed once window has answered a
  // later message, and this owner is left empty.
  void hold_until_answered(HWND window);

 private:
  void free();

  KernelHandle process_;
  void* address_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace platform
