// Reading an SMTP server's reply from bytes arriving in pieces. Besides the
// raw pieces, the fuzzer writes a reply of its own (a code, "-" lines and a
// last line) and cuts it where the input says: the reader must find that
// code and those lines.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "update/smtp_reply.h"

namespace {

// Letters, spaces and tabs: a line's text as a server may send it.
constexpr char kLineCharacters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGH0123456789 \t=-.:";

bool space_or_control(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && space_or_control(text[begin])) ++begin;
  while (end > begin && space_or_control(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// The reply built from the input, with the code and lines a reader of it
// must report.
struct WrittenReply {
  std::string bytes;
  int code = 0;
  std::vector<update::SmtpReplyLine> lines;
};

WrittenReply write_reply(const fuzz::Input& input) {
  WrittenReply reply;
  const std::string& code_bytes = input.texts[0];
  std::string code;
  for (std::size_t i = 0; i < 3; ++i) {
    const unsigned byte = i < code_bytes.size() ? static_cast<unsigned char>(code_bytes[i]) : 0;
    code.push_back(static_cast<char>('0' + byte % 10));
  }
  reply.code = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
  for (std::size_t i = 1; i < input.texts.size(); ++i) {
    std::string text;
    for (char c : input.texts[i].substr(0, 300)) {
      text.push_back(kLineCharacters[static_cast<unsigned char>(c) % (sizeof kLineCharacters - 1)]);
    }
    const bool last = i + 1 == input.texts.size();
    // The last line may be the code alone.
    const std::string line = last && text.empty() ? code : code + (last ? " " : "-") + text;
    reply.bytes += line + "\r\n";
    if (line.size() <= 4) continue;
    const std::string words = trimmed(text);
    const std::size_t space = words.find(' ');
    update::SmtpReplyLine entry;
    entry.keyword = words.substr(0, space);
    if (space != std::string::npos) entry.params = trimmed(words.substr(space + 1));
    reply.lines.push_back(entry);
  }
  return reply;
}

}  // namespace

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

  // The written reply, fed in pieces cut at the lengths the code bytes name.
  const WrittenReply written = write_reply(input);
  Reader written_reader;
  std::size_t at = 0;
  for (std::size_t i = 3; at < written.bytes.size(); ++i) {
    const std::size_t length =
        i < input.texts[0].size() ? 1 + static_cast<unsigned char>(input.texts[0][i]) % 64 : 4096;
    const Reader::State state = written_reader.feed(std::string_view(written.bytes).substr(at, length));
    at += length;
    // Complete exactly when the last line's carriage return arrived.
    FUZZ_EXPECT((state == Reader::State::kComplete) == (at >= written.bytes.size() - 1));
  }
  FUZZ_EXPECT(written_reader.code() == written.code);
  const std::vector<update::SmtpReplyLine>& lines = written_reader.lines();
  FUZZ_EXPECT(lines.size() == written.lines.size());
  for (std::size_t i = 0; i < lines.size() && i < written.lines.size(); ++i) {
    FUZZ_EXPECT(lines[i].keyword == written.lines[i].keyword);
    FUZZ_EXPECT(lines[i].params == written.lines[i].params);
  }
  return 0;
}
