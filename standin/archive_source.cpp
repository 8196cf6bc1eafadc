#include "standin/archive_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace standin {

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
