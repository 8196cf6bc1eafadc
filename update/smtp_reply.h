#pragma once
// One SMTP reply taken from the bytes a server sends, without any socket:
// bytes go in as they arrive, and the reader tells whether the reply is
// complete, needs more, or has grown past the size any sound reply has.
//
//   update::SmtpReplyReader reader;
//   while (reader.feed(received_piece) == update::SmtpReplyReader::State::kNeedMore) ...
//   if (reader.state() == update::SmtpReplyReader::State::kComplete) use(reader.code());
//
// A reply is complete when the last line received (the text between the
// line feed before the last carriage return and that carriage return) is a
// three-character code alone or a code followed by a space; the lines of a
// multi-line reply before the last carry "-" in that place.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace update {

struct SmtpReplyLine {
  std::string keyword;  // the first word after the code
  std::string params;   // the rest of the line, trimmed
};

class SmtpReplyReader {
 public:
  // No sound reply comes near this; a server streaming endless "250-"
  // lines is cut off here instead of filling memory.
  static constexpr size_t kMaxReplyBytes = 64 * 1024;

  enum class State { kNeedMore, kComplete, kTooLong };

  // Adds the next received bytes and returns the state after them. Once
  // the reply is complete or too long, further bytes are ignored. At most
  // kMaxReplyBytes + 1 bytes are ever kept.
  State feed(std::string_view bytes);

  State state() const { return state_; }
  // The code of the complete reply (its last line's first three
  // characters as a number, 0 when they are not digits); -1 before.
  int code() const { return code_; }
  // One entry per line longer than four characters of the complete reply:
  // the text after the code and its separator, trimmed of spaces and
  // control characters, split at its first space. Empty before.
  const std::vector<SmtpReplyLine>& lines() const { return lines_; }
  // The bytes kept so far.
  const std::string& received() const { return received_; }

 private:
  bool last_line_ends_reply();
  void split_lines();

  State state_ = State::kNeedMore;
  int code_ = -1;
  std::string received_;
  std::vector<SmtpReplyLine> lines_;
};

}  // namespace update
