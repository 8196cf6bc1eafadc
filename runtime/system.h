#pragma once
// Process-level helpers of the runtime: the run directory, threads, files
// and the message box.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/unique_handle.h"
#include "runtime/file_path.h"
#include "runtime/text.h"

namespace runtime {

// The folder of the running executable, without a trailing backslash. Its
// name may lie outside GBK: files next to the program are reached through
// beside_program, never through a GBK text of this folder.
FilePath run_dir();
// A file or folder next to the program.
FilePath beside_program(std::wstring_view name);

// Starts routine on a new thread. With handle_out the caller owns the thread
// handle; without it the handle is closed at once. An exception escaping the
// routine ends that thread only.
// The program starts its threads here, never with std::thread: the posix
// threads layer under std::thread now and then starts a detached thread
// without its routine (under Wine, about one in ten thousand: the thread
// never runs, or runs with no argument and takes the process down).
bool start_thread(std::function<void()> routine, platform::KernelHandle* handle_out = nullptr);

// Message box; returns the button pressed: 0 OK, 1 Cancel, 2 Abort,
// 3 Retry, 4 Ignore, 5 Yes, 6 No.
int message_box(const std::string& text, unsigned flags = 0,
                const std::string& caption = "信息：");

// Files.
bool file_exists(const FilePath& path);
std::int64_t file_size(const FilePath& path);  // -1 when missing
bool create_directory(const FilePath& path);   // true also when it exists
bool read_file(const FilePath& path, Bytes* content);
bool write_file(const FilePath& path, const Bytes& content);
// Replaces the file's content in one step: the bytes go to a temporary file
// beside it, which then takes the file's place. A reader sees the old
// content or the new, never a mix; on failure the file stays as it was and
// no temporary file is left.
bool replace_file_content(const FilePath& path, const Bytes& content);

// Milliseconds since system start (wraps like GetTickCount).
std::uint32_t tick_count();

}  // namespace runtime
