#include "standin/byte_range.h"

#include <gtest/gtest.h>

namespace {

using Kind = standin::ByteRange::Kind;

TEST(ResolveRangeTest, ReadsTheOneRangeAClientAsksFor) {
  const struct {
    const char* header;
    uint64_t size;
    Kind kind;
    uint64_t first;
    uint64_t last;
  } cases[] = {
      {"bytes=1000-", 5000, Kind::part, 1000, 4999},
      {"bytes=0-", 5000, Kind::part, 0, 4999},
      {"bytes=4999-", 5000, Kind::part, 4999, 4999},
      {" bytes = 10 - 19 ", 5000, Kind::part, 10, 19},
      {"BYTES=10-19", 5000, Kind::part, 10, 19},
      {"bytes=10-99999", 5000, Kind::part, 10, 4999},
      {"bytes=-100", 5000, Kind::part, 4900, 4999},
      {"bytes=-9999", 5000, Kind::part, 0, 4999},
      {"bytes=5000-", 5000, Kind::unsatisfiable, 0, 0},
      {"bytes=9000-9100", 5000, Kind::unsatisfiable, 0, 0},
      {"bytes=-0", 5000, Kind::unsatisfiable, 0, 0},
      {"bytes=0-", 0, Kind::unsatisfiable, 0, 0},
      // Ignored: the whole file is sent.
      {"", 5000, Kind::whole, 0, 0},
      {"bytes=20-10", 5000, Kind::whole, 0, 0},
      {"bytes=a-", 5000, Kind::whole, 0, 0},
      {"bytes=-", 5000, Kind::whole, 0, 0},
      {"bytes=0-1,5-9", 5000, Kind::whole, 0, 0},
      {"items=0-1", 5000, Kind::whole, 0, 0},
      {"bytes 0-1", 5000, Kind::whole, 0, 0},
      {"bytes=99999999999999999999-", 5000, Kind::whole, 0, 0},
  };
  for (const auto& c : cases) {
    standin::ByteRange range = standin::resolve_range(c.header, c.size);
    EXPECT_EQ(range.kind, c.kind) << "[" << c.header << "] of " << c.size;
    if (c.kind == Kind::part) {
      EXPECT_EQ(range.first, c.first) << c.header;
      EXPECT_EQ(range.last, c.last) << c.header;
    }
  }
}

}  // namespace
