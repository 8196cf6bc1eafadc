// Checking the mail addresses the feedback form and the mail client accept.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "update/address_pattern.h"
#include "update/mail_address.h"

namespace {

bool safe_in_command_line(const std::string& address) {
  for (const char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || c == '<' || c == '>') return false;
  }
  return !address.empty();
}

bool has_controls(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

void check_accepted(const update::MailAddress& accepted) {
  FUZZ_EXPECT(update::is_valid_mailbox(accepted.address));
  FUZZ_EXPECT(safe_in_command_line(accepted.address));
  FUZZ_EXPECT(!has_controls(accepted.name));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (update::is_valid_mailbox(text)) FUZZ_EXPECT(safe_in_command_line(text));

  update::MailAddress one;
  if (update::parse_mail_address(text, &one)) check_accepted(one);

  std::vector<update::MailAddress> list;
  if (update::parse_mail_address_list(text, &list)) {
    for (const update::MailAddress& accepted : list) check_accepted(accepted);
  } else {
    FUZZ_EXPECT(list.empty());
  }

  static update::AddressPattern pattern;
  if (!pattern.compiled()) FUZZ_EXPECT(pattern.compile(update::kMailAddressPattern));
  if (pattern.matches_whole(text)) FUZZ_EXPECT(text.size() > 4 && text.compare(text.size() - 4, 4, ".com") == 0);
  return 0;
}
