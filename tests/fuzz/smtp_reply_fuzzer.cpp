// Reading an SMTP server's reply from bytes arriving in pieces.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "update/smtp_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using Reader = update::SmtpReplyReader;
  // Up to eight pieces as they might arrive from the socket, and the
  // options byte repeated to grow the reply towards its limit.
  const fuzz::Input input = fuzz::read_input(data, size, 8);
  Reader reader;
  for (unsigned round = 0; round <= (input.options >> 5); ++round) {
    for (const std::string& piece : input.texts) {
      const Reader::State before = reader.state();
      const int code_before = reader.code();
      const std::string filler(4096, piece.empty() ? '-' : piece[0]);
      const Reader::State after = reader.feed(round == 0 ? piece : filler);
      FUZZ_EXPECT(after == reader.state());
      FUZZ_EXPECT(reader.received().size() <= Reader::kMaxReplyBytes + 1);
      if (before != Reader::State::kNeedMore) {
        // A finished reply stays as it was.
        FUZZ_EXPECT(after == before && reader.code() == code_before);
      }
    }
  }
  if (reader.state() == Reader::State::kComplete) {
    FUZZ_EXPECT(reader.code() >= 0 && reader.code() <= 999);
  } else {
    FUZZ_EXPECT(reader.lines().empty());
  }
  if (reader.state() == Reader::State::kNeedMore) FUZZ_EXPECT(reader.code() == -1);
  return 0;
}
