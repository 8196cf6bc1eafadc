#pragma once
// The bytes served as the update archive: a real file, or a generated,
// reproducible stand-in of any size (so tests can tell every byte's value).
#include <cstdint>
#include <memory>
#include <string>

namespace standin {

// Byte `index` of a generated archive.
uint8_t generated_archive_byte(uint64_t index);

class ArchiveSource {
 public:
  static ArchiveSource generated(uint64_t size);
  // False (with error) when the file cannot be opened or measured.
  static bool from_file(const std::string& path, ArchiveSource& source, std::string& error);

  uint64_t size() const { return size_; }
  // Appends bytes [offset, offset + length) to out; false on a read error.
  bool read(uint64_t offset, size_t length, std::string& out) const;

 private:
  struct File;
  std::shared_ptr<File> file_;  // null for a generated archive
  uint64_t size_ = 0;
};

}  // namespace standin
