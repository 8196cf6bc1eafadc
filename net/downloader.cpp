#include "net/downloader.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "net/downloader_transfer.h"
#include "runtime/codepage.h"
#include "runtime/system.h"

namespace net {

namespace detail {

std::int64_t resume_position(const runtime::FilePath& path, std::int64_t offset, bool resume) {
  if (!resume || offset <= 0) return 0;
  // Bytes the caller believes are present but the file does not hold cannot
  // be continued from; neither can a missing file.
  const std::int64_t present = runtime::file_size(path);
  return present >= offset ? offset : 0;
}

platform::FileHandle open_local_file(const runtime::FilePath& path, std::int64_t position) {
  const std::wstring& wide_path = path.wide();
  if (position <= 0) {
    return platform::FileHandle(CreateFileW(wide_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
  }
  platform::FileHandle file(CreateFileW(wide_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return file;
  if (!cut_file_at(file.get(), position)) return platform::FileHandle();
  return file;
}

bool cut_file_at(HANDLE file, std::int64_t position) {
  LARGE_INTEGER distance{};
  distance.QuadPart = position;
  return SetFilePointerEx(file, distance, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

namespace {

bool write_all(HANDLE file, const char* bytes, DWORD count) {
  while (count > 0) {
    DWORD written = 0;
    if (!WriteFile(file, bytes, count, &written, nullptr) || written == 0) return false;
    bytes += written;
    count -= written;
  }
  return true;
}

std::int32_t low_32_bits(std::int64_t value) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

}  // namespace

bool read_some(HINTERNET source, char* buffer, DWORD size, DWORD* count) {
  DWORD available = 0;
  if (!InternetQueryDataAvailable(source, &available, 0, 0)) return false;
  // Nothing announced: a read of a whole block either finds the end of the
  // data or waits for the next bytes.
  const DWORD wanted = available == 0 ? size : std::min(available, size);
  return InternetReadFile(source, buffer, wanted, count) != FALSE;
}

CopyOutcome copy_blocks(HINTERNET source, TransferControl& control, std::int64_t start,
                        std::int64_t present, std::int64_t expected_total,
                        const DownloadProgress& progress) {
  std::vector<char> buffer(kBlockSize);
  std::int64_t done = present;
  const std::uint32_t start_tick = runtime::tick_count();
  for (;;) {
    if (control.cancelled()) return CopyOutcome::kCancelled;
    DWORD count = 0;
    const bool read = read_some(source, buffer.data(), kBlockSize, &count);
    // A cancel closes the handles: what the read says then means nothing.
    if (control.cancelled()) return CopyOutcome::kCancelled;
    if (!read) return CopyOutcome::kReadFailed;
    if (count == 0) break;
    if (expected_total >= 0 && done + count > expected_total) return CopyOutcome::kTooLong;
    bool written = false;
    if (!control.unless_cancelled([&] {
          written = control.file_open() && write_all(control.file(), buffer.data(), count);
        })) {
      return CopyOutcome::kCancelled;
    }
    if (!written) return CopyOutcome::kWriteFailed;
    done += count;
    if (progress) {
      const std::uint32_t elapsed = runtime::tick_count() - start_tick;
      const std::int64_t total = std::max(expected_total, done);
      progress(low_32_bits(total), low_32_bits(done),
               elapsed == 0 ? 10 : low_32_bits(elapsed), low_32_bits(done - start));
    }
  }
  // WinINet ends the data quietly when the server closes the connection
  // early; only the announced size tells a complete copy from a cut one.
  if (expected_total >= 0 && done < expected_total) return CopyOutcome::kEndedEarly;
  return CopyOutcome::kComplete;
}

std::string read_local_bytes(const runtime::FilePath& path, std::int64_t position, std::int64_t count) {
  const platform::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER distance{};
  distance.QuadPart = position;
  if (!file || count <= 0 || !SetFilePointerEx(file.get(), distance, nullptr, FILE_BEGIN)) return {};
  std::string bytes(static_cast<size_t>(count), '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) return {};
  bytes.resize(read);
  return bytes;
}

std::int64_t parse_byte_count(std::wstring_view digits) {
  if (digits.empty() || digits.size() > 18) return -1;
  std::int64_t value = 0;
  for (const wchar_t c : digits) {
    if (c < L'0' || c > L'9') return -1;
    value = value * 10 + (c - L'0');
  }
  return value;
}

}  // namespace detail
}  // namespace net
