#include "runtime/system.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "runtime/codepage.h"

namespace runtime {
namespace {

// Another program (an editor, a virus scanner, a second instance reading
// the file) may hold the file for a moment.
constexpr int kReplaceAttempts = 5;
constexpr DWORD kReplaceRetryMs = 20;

bool write_all(HANDLE file, const Bytes& content) {
  size_t written_total = 0;
  while (written_total < content.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - written_total, 1 << 20));
    if (!WriteFile(file, content.data() + written_total, chunk, &written, nullptr)) return false;
    written_total += written;
  }
  return true;
}

// A rename within one folder replaces the file in one step. ReplaceFileW
// would keep the old file's attributes, but Wine's leaves files of its own
// ("rff*.tmp") behind whenever it fails.
bool moved_into_place(const FilePath& temporary, const FilePath& path) {
  return MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool is_momentary(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

DWORD WINAPI thread_entry(void* parameter) {
  std::unique_ptr<std::function<void()>> routine(static_cast<std::function<void()>*>(parameter));
  try {
    (*routine)();
  } catch (...) {
    // Nothing may leave a thread routine; the thread just ends.
  }
  return 0;
}

}  // namespace

FilePath run_dir() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos) path.resize(slash);
  return FilePath(std::move(path));
}

FilePath beside_program(std::wstring_view name) { return run_dir() / name; }

bool start_thread(std::function<void()> routine, platform::KernelHandle* handle_out) {
  auto owned = std::make_unique<std::function<void()>>(std::move(routine));
  HANDLE thread = CreateThread(nullptr, 0, &thread_entry, owned.get(), 0, nullptr);
  if (!thread) return false;
  owned.release();  // the thread owns it now
  if (handle_out) {
    handle_out->reset(thread);
  } else {
    CloseHandle(thread);
  }
  return true;
}

int message_box(const std::string& text, unsigned flags, const std::string& caption) {
  const int pressed = MessageBoxW(nullptr, widen(text).c_str(), widen(caption).c_str(), flags);
  return pressed > 0 ? pressed - 1 : 0;
}

bool file_exists(const FilePath& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::int64_t file_size(const FilePath& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool create_directory(const FilePath& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  return GetLastError() == ERROR_ALREADY_EXISTS;
}

bool read_file(const FilePath& path, Bytes* content) {
  platform::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  content->clear();
  char buffer[65536];
  DWORD count = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr) && count > 0) {
    content->append(buffer, count);
  }
  return true;
}

bool write_file(const FilePath& path, const Bytes& content) {
  platform::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  return write_all(file.get(), content);
}

bool replace_file_content(const FilePath& path, const Bytes& content) {
  // Named after the process, so that two instances saving at once do not
  // write into each other's temporary file.
  const FilePath temporary(path.wide() + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp");
  {
    platform::FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    if (!write_all(file.get(), content) || !FlushFileBuffers(file.get())) {
      file.reset();
      DeleteFileW(temporary.c_str());
      return false;
    }
  }
  for (int attempt = 1;; ++attempt) {
    if (moved_into_place(temporary, path)) return true;
    if (attempt == kReplaceAttempts || !is_momentary(GetLastError())) break;
    Sleep(kReplaceRetryMs);
  }
  DeleteFileW(temporary.c_str());
  return false;
}

std::uint32_t tick_count() { return GetTickCount(); }

}  // namespace runtime
