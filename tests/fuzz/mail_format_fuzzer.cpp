// Writing an outgoing mail's header block and body from outside texts: the
// subject, names and addresses typed into the feedback form.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "update/mail_format.h"

namespace {

// Lines end with CRLF and nothing else breaks a line; a line is a header
// ("Name: value"), the fold of the line before (it starts with a space) or
// the empty line that ends the block.
void check_header_block(const std::string& block) {
  FUZZ_EXPECT(block.size() >= 4 && block.compare(block.size() - 4, 4, "\r\n\r\n") == 0);
  size_t from = 0;
  while (from < block.size()) {
    const size_t end = block.find("\r\n", from);
    FUZZ_EXPECT(end != std::string::npos);
    const std::string line = block.substr(from, end - from);
    FUZZ_EXPECT(line.find_first_of("\r\n") == std::string::npos);
    if (line.empty()) {
      FUZZ_EXPECT(end + 2 == block.size());
    } else if (line.front() != ' ') {
      FUZZ_EXPECT(line.find(": ") != std::string::npos);
    }
    from = end + 2;
  }
}

void check_base64(const std::string& input) {
  const std::string encoded = update::base64_encode(input);
  FUZZ_EXPECT(encoded.size() == (input.size() + 2) / 3 * 4);
  const std::string body = update::base64_body(input);
  FUZZ_EXPECT(body.size() >= 2 && body.compare(body.size() - 2, 2, "\r\n") == 0);
}

std::vector<update::MailAddress> addresses(const std::string& text) {
  std::vector<update::MailAddress> list;
  update::parse_mail_address_list(text, &list);
  return list;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input = fuzz::read_input(data, size, 4);
  const std::string& subject = input.texts[0];
  const std::string& from_name = input.texts[1];
  const std::string& to_list = input.texts[2];
  const std::string& body = input.texts[3];

  const std::string subject_text = update::header_text(subject);
  FUZZ_EXPECT(subject_text.find_first_of("\r\n") == std::string::npos ||
              subject_text.find("\r\n ") != std::string::npos);
  check_base64(body);
  update::body_charset(body);

  update::MailHeader header;
  header.from = {from_name, "sender@example.com"};
  header.to = addresses(to_list);
  header.cc = addresses(from_name);
  header.subject = subject;
  header.reply_to = {body.substr(0, 40), (input.options & 1) ? "reply@example.com" : ""};
  header.charset = update::body_charset(body);

  // Any clock value and any zone offset up to a day and a half either way.
  SYSTEMTIME time{};
  std::uint16_t fields[8] = {};
  std::memcpy(fields, body.data(), std::min(body.size(), sizeof fields));
  time.wYear = fields[0];
  time.wMonth = fields[1];
  time.wDay = fields[2];
  time.wHour = fields[3];
  time.wMinute = fields[4];
  time.wSecond = fields[5];
  const long bias = static_cast<long>(fields[6] % 4321) - 2160;
  header.date = update::mail_date(time, bias);
  FUZZ_EXPECT(header.date.find_first_of("\r\n") == std::string::npos);

  check_header_block(update::header_block(header));
  return 0;
}
