// The SMTP reply reader on its own: bytes in, reply (or the lack of one) out.
#include "update/smtp_reply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using update::SmtpReplyReader;
using State = SmtpReplyReader::State;

std::string joined_lines(const SmtpReplyReader& reader) {
  std::string text;
  for (const update::SmtpReplyLine& line : reader.lines()) {
    text += line.keyword + "|" + line.params + "\n";
  }
  return text;
}

TEST(SmtpReplyReaderTest, TellsCompleteRepliesFromUnfinishedOnes) {
  const struct {
    const char* name;
    std::vector<std::string> pieces;
    State state;
    int code;
    const char* lines;  // keyword|params per line
  } cases[] = {
      {"one line", {"250 2.0.0 ok  \r\n"}, State::kComplete, 250, "2.0.0|ok\n"},
      {"code alone", {"354\r\n"}, State::kComplete, 354, ""},
      {"code and space", {"550 \r\n"}, State::kComplete, 550, ""},
      {"multi-line, in pieces",
       {"250-mail.example", ".org\r\n250-AUTH LOGIN", " PLAIN\r\n250 ", "HELP\r\n"},
       State::kComplete, 250, "mail.example.org|\nAUTH|LOGIN PLAIN\nHELP|\n"},
      {"continuation line last", {"250-first\r\n250-second\r\n"}, State::kNeedMore, -1, ""},
      {"no carriage return yet", {"220 ready"}, State::kNeedMore, -1, ""},
      {"the CR ends it, the LF may follow", {"220 ready\r"}, State::kComplete, 220, "ready|\n"},
      {"a short last line", {"22\r\n"}, State::kNeedMore, -1, ""},
      {"nothing", {}, State::kNeedMore, -1, ""},
      {"not digits", {"abc hello\r\n"}, State::kComplete, 0, "hello|\n"},
      {"a sign is no digit", {"-02 a\r\n"}, State::kComplete, 0, "a|\n"},
      {"nor a space", {"+1  a\r\n"}, State::kComplete, 0, "a|\n"},
      {"bytes after the end are ignored", {"221 bye\r\n", "250 more\r\n"}, State::kComplete, 221,
       "bye|\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SmtpReplyReader reader;
    for (const std::string& piece : c.pieces) reader.feed(piece);
    EXPECT_EQ(reader.state(), c.state);
    EXPECT_EQ(reader.code(), c.code);
    EXPECT_EQ(joined_lines(reader), c.lines);
  }
}

// Continuation lines without end are cut off at the cap, and no more than
// the cap is ever kept; a reply that ends just within it is read.
TEST(SmtpReplyReaderTest, RepliesPastTheCapAreTooLong) {
  const std::string line = "250-SIZE 1000000\r\n";
  SmtpReplyReader endless;
  size_t fed = 0;
  while (endless.feed(line) == State::kNeedMore && fed < 10 * SmtpReplyReader::kMaxReplyBytes) {
    fed += line.size();
  }
  EXPECT_EQ(endless.state(), State::kTooLong);
  EXPECT_EQ(endless.received().size(), SmtpReplyReader::kMaxReplyBytes + 1);
  EXPECT_LT(fed, SmtpReplyReader::kMaxReplyBytes + line.size());
  EXPECT_EQ(endless.feed("250 end\r\n"), State::kTooLong);
  EXPECT_EQ(endless.code(), -1);

  const std::string last = "250 end\r\n";
  for (const size_t size : {SmtpReplyReader::kMaxReplyBytes, SmtpReplyReader::kMaxReplyBytes + 1}) {
    SCOPED_TRACE(size);
    SmtpReplyReader reader;
    EXPECT_EQ(reader.feed(std::string(size - last.size() - 2, 'x') + "\r\n"), State::kNeedMore);
    const State state = reader.feed(last);
    EXPECT_EQ(state, size == SmtpReplyReader::kMaxReplyBytes ? State::kComplete : State::kTooLong);
  }
}

}  // namespace
