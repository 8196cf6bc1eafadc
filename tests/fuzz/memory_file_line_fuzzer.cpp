// Reading a line of the translation memory's file, which people may edit.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "translate/memory_file_format.h"

namespace {

bool same(const translate::MemoryLine& a, const translate::MemoryLine& b) {
  return a.from == b.from && a.to == b.to && a.text == b.text && a.translation == b.translation;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  translate::MemoryLine read;
  bool damaged = false;
  if (translate::read_memory_file_line(line, &read, &damaged)) {
    FUZZ_EXPECT(!damaged && !read.text.empty() && !read.translation.empty());
    // What was read is written back as a line that reads the same.
    const std::string written = translate::memory_file_line(read);
    FUZZ_EXPECT(written.size() > 2 && written.compare(written.size() - 2, 2, "\r\n") == 0);
    translate::MemoryLine again;
    bool damaged_again = true;
    FUZZ_EXPECT(translate::read_memory_file_line(written.substr(0, written.size() - 2), &again,
                                                 &damaged_again));
    FUZZ_EXPECT(!damaged_again && same(read, again));
  }

  std::string gbk;
  if (translate::utf8_to_gbk_strict(line, &gbk)) {
    std::string utf8;
    FUZZ_EXPECT(translate::gbk_to_utf8_strict(gbk, &utf8) && utf8 == line);
  }
  return 0;
}
