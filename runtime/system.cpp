#include "runtime/system.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "runtime/codepage.h"

namespace runtime {
namespace {

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

std::string run_dir() {
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
  return narrow(slash == std::wstring::npos ? std::wstring_view(path)
                                            : std::wstring_view(path).substr(0, slash));
}

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

bool file_exists(const std::string& path) {
  return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::int64_t file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool create_directory(const std::string& path) {
  if (CreateDirectoryW(widen(path).c_str(), nullptr)) return true;
  return GetLastError() == ERROR_ALREADY_EXISTS;
}

bool read_file(const std::string& path, Bytes* content) {
  platform::FileHandle file(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
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

bool write_file(const std::string& path, const Bytes& content) {
  platform::FileHandle file(CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  size_t written_total = 0;
  while (written_total < content.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - written_total, 1 << 20));
    if (!WriteFile(file.get(), content.data() + written_total, chunk, &written, nullptr)) return false;
    written_total += written;
  }
  return true;
}

std::uint32_t tick_count() { return GetTickCount(); }

}  // namespace runtime
