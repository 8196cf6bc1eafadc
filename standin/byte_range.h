#pragma once
// The one byte range a download client asks for in its Range header.
#include <cstdint>
#include <string_view>

namespace standin {

struct ByteRange {
  enum class Kind {
    whole,          // no usable Range header: send the whole file (200)
    part,           // send bytes first..last (206)
    unsatisfiable,  // the range starts at or past the end (416)
  };
  Kind kind = Kind::whole;
  uint64_t first = 0;
  uint64_t last = 0;  // inclusive
};

// Reads a Range header value ("bytes=N-", "bytes=N-M" or "bytes=-N", with
// or without spaces) against a file of `size` bytes. A malformed value or a
// list of several ranges is ignored, as HTTP allows, and gives `whole`.
ByteRange resolve_range(std::string_view header_value, uint64_t size);

}  // namespace standin
