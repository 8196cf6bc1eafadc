#pragma once
// Process-level helpers of the runtime: the run directory, threads, files
// and the message box.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/unique_handle.h"
#include "runtime/text.h"

namespace runtime {

// The folder of the running executable, without a trailing backslash (GBK).
std::string run_dir();

// Starts routine on a new thread. With handle_out the caller owns the thread
// handle; without it the handle is closed at once. An exception escaping the
// routine ends that thread only.
bool start_thread(std::function<void()> routine, platform::KernelHandle* handle_out = nullptr);

// Message box; returns the button pressed: 0 OK, 1 Cancel, 2 Abort,
// 3 Retry, 4 Ignore, 5 Yes, 6 No.
int message_box(const std::string& text, unsigned flags = 0,
                const std::string& caption = "信息：");

// Files, by GBK path.
bool file_exists(const std::string& path);
std::int64_t file_size(const std::string& path);  // -1 when missing
bool create_directory(const std::string& path);   // true also when it exists
bool read_file(const std::string& path, Bytes* content);
bool write_file(const std::string& path, const Bytes& content);

// Milliseconds since system start (wraps like GetTickCount).
std::uint32_t tick_count();

}  // namespace runtime
