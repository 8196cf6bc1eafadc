#pragma once
// Memory that a message not answered in time may still use. A message sent
// with a time-out that ran out is not withdrawn: the window's thread handles
// it once it is free again and reads or writes through the pointers it
// carries. Such memory is kept here until the same window has answered a
// later message (a thread handles the messages sent to it in the order they
// came), and only then freed. A window that never answers keeps its blocks
// for good, at most kMaxHeldBlocksPerProcess of them per process: further
// memory for such a process is refused.
#include <windows.h>

#include <cstddef>
#include <memory>

namespace platform {

constexpr std::size_t kMaxHeldBlocksPerProcess = 4;
// How long one window is asked whether it is free again before memory for
// its process is handed out.
constexpr unsigned kHeldBlockProbeMs = 100;

// Keeps memory (freed when its last owner lets go) until window has
// answered a later message.
void hold_until_answered(HWND window, std::shared_ptr<void> memory);

// Asks the windows of the blocks held for process_id with WM_NULL, each
// bounded by timeout_ms, and frees the blocks of those that answered (and
// of a process that ended). True when fewer than kMaxHeldBlocksPerProcess
// blocks stay held for it.
bool release_answered_blocks(DWORD process_id, unsigned timeout_ms = kHeldBlockProbeMs);

// How many blocks are held for the process now.
std::size_t held_blocks(DWORD process_id);

// True when window belongs to this process: a message to it carries this
// program's own pointers, which the system does not copy.
bool window_of_this_process(HWND window);

}  // namespace platform
