#include "standin/archive_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace standin {
namespace {

constexpr uint64_t kFnvOffset = 0xCBF29CE484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001B3ull;
constexpr time_t kGeneratedEpoch = 1700000000;  // 2023-11-14

uint64_t fnv1a(uint64_t hash, const char* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    hash ^= static_cast<unsigned char>(bytes[i]);
    hash *= kFnvPrime;
  }
  return hash;
}

std::string quoted_hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "\"%016llx\"", static_cast<unsigned long long>(value));
  return text;
}

std::string http_date(time_t seconds) {
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[40];
  std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
  return text;
}

}  // namespace

struct ArchiveSource::File {
  explicit File(int descriptor) : fd(descriptor) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() { close(fd); }
  int fd;
};

uint8_t generated_archive_byte(uint64_t index) {
  // splitmix64 of the 8-byte block number; each block gives eight bytes.
  uint64_t z = (index >> 3) + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<uint8_t>(z >> ((index & 7) * 8));
}

ArchiveSource ArchiveSource::generated(uint64_t size) {
  ArchiveSource source;
  source.size_ = size;
  source.etag_ = quoted_hex(fnv1a(kFnvOffset, reinterpret_cast<const char*>(&size), sizeof size));
  source.last_modified_ = http_date(kGeneratedEpoch + static_cast<time_t>(size % 100000000));
  return source;
}

bool ArchiveSource::from_file(const std::string& path, ArchiveSource& source, std::string& error) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open " + path;
    return false;
  }
  auto file = std::make_shared<File>(fd);
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = path + " is not a readable file";
    return false;
  }
  source.file_ = std::move(file);
  source.size_ = static_cast<uint64_t>(info.st_size);
  // The tag follows the bytes, so a file replaced within the same second
  // (same modification time) still gets a new one.
  uint64_t hash = kFnvOffset;
  std::string block;
  for (uint64_t at = 0; at < source.size_; at += block.size()) {
    block.clear();
    if (!source.read(at, static_cast<size_t>(std::min<uint64_t>(source.size_ - at, 1 << 20)), block) ||
        block.empty()) {
      error = "cannot read " + path;
      return false;
    }
    hash = fnv1a(hash, block.data(), block.size());
  }
  source.etag_ = quoted_hex(hash);
  source.last_modified_ = http_date(info.st_mtime);
  return true;
}

bool ArchiveSource::read(uint64_t offset, size_t length, std::string& out) const {
  if (offset > size_ || length > size_ - offset) return false;
  if (!file_) {
    for (size_t i = 0; i < length; ++i)
      out += static_cast<char>(generated_archive_byte(offset + i));
    return true;
  }
  size_t start = out.size();
  out.resize(start + length);
  size_t done = 0;
  while (done < length) {
    ssize_t got =
        pread(file_->fd, &out[start + done], length - done, static_cast<off_t>(offset + done));
    if (got <= 0) {
      out.resize(start + done);
      return false;
    }
    done += static_cast<size_t>(got);
  }
  return true;
}

}  // namespace standin
