#include "translate/memory_file_append.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/unique_handle.h"
#include "runtime/codepage.h"

namespace translate {
namespace {

// The lock that serialises appenders is on one byte far beyond any real
// file's end: the file's own bytes are never locked, so an instance reading
// the file at its start is never refused.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kTailChunk = 4096;

// Others may read, write and replace the file while it is open.
platform::FileHandle open_shared(const runtime::FilePath& path, DWORD access, DWORD disposition) {
  return platform::FileHandle(CreateFileW(path.c_str(), access,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Holds the appenders' lock for its lifetime; waits while another holds it.
class AppendLock {
 public:
  explicit AppendLock(HANDLE file) : file_(file) {
    overlapped_.OffsetHigh = kLockOffsetHigh;
    locked_ = LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &overlapped_) != FALSE;
  }
  AppendLock(const AppendLock&) = delete;
  AppendLock& operator=(const AppendLock&) = delete;
  ~AppendLock() {
    if (locked_) UnlockFileEx(file_, 0, 1, 0, &overlapped_);
  }
  bool locked() const { return locked_; }

 private:
  HANDLE file_;
  OVERLAPPED overlapped_{};
  bool locked_ = false;
};

bool read_at(HANDLE file, LONGLONG offset, char* buffer, DWORD size) {
  LARGE_INTEGER at{};
  at.QuadPart = offset;
  DWORD read = 0;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
         ReadFile(file, buffer, size, &read, nullptr) && read == size;
}

// The size of the file's whole lines: up to and including its last line
// feed, 0 when it has none. -1 when the file cannot be read.
LONGLONG whole_lines_size(HANDLE file, LONGLONG size) {
  std::vector<char> chunk(kTailChunk);
  for (LONGLONG end = size; end > 0;) {
    const DWORD length = static_cast<DWORD>(std::min<LONGLONG>(end, kTailChunk));
    const LONGLONG start = end - length;
    if (!read_at(file, start, chunk.data(), length)) return -1;
    for (DWORD i = length; i > 0; --i) {
      if (chunk[i - 1] == '\n') return start + i;
    }
    end = start;
  }
  return 0;
}

bool write_at(HANDLE file, LONGLONG offset, const std::string& bytes) {
  LARGE_INTEGER at{};
  at.QuadPart = offset;
  DWORD written = 0;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file) &&
         WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

}  // namespace

bool append_memory_lines(const runtime::FilePath& path, const std::string& header,
                         const std::string& bytes) {
  const platform::FileHandle file = open_shared(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
  if (!file) return false;
  const AppendLock lock(file.get());
  if (!lock.locked()) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return false;
  // A torn last line would swallow the first new one; a file without any
  // whole line starts again with its header.
  const LONGLONG whole = whole_lines_size(file.get(), size.QuadPart);
  if (whole < 0) return false;
  // One write, then the system's buffers are flushed: a crash of the
  // program (or of the system) right after loses nothing that was written.
  return write_at(file.get(), whole, whole == 0 ? header + bytes : bytes) &&
         FlushFileBuffers(file.get());
}

}  // namespace translate
