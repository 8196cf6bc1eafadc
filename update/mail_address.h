#pragma once
// Mail addresses as the mail client accepts them from its callers.
//
// One address is written as
//   local@domain                    a bare address
//   <local@domain>                  the same in angle brackets
//   Name <local@domain>             with a display name (GBK text allowed)
//   "Name, with specials" <local@domain>
// and a list separates addresses with "," or ";" (separators inside a quoted
// name or inside angle brackets do not count; empty pieces are skipped).
//
// The address itself is a practical subset of the SMTP mailbox syntax:
//   local part  1..64 characters: ASCII letters, digits and
//               ! # $ % & ' * + - / = ? ^ _ ` { | } ~ and dots, where a dot
//               neither starts nor ends the local part nor follows another
//   domain      dot-separated labels of 1..63 letters, digits and hyphens,
//               a hyphen neither starting nor ending a label; at most 253
//               characters in all
// Quoted local parts, address literals ("[1.2.3.4]") and non-ASCII addresses
// are refused. Nothing accepted can hold spaces, control characters, "<" or
// ">", so an accepted address is safe inside an SMTP command line.
// A display name may not hold control characters (CR, LF and the like).
#include <string>
#include <string_view>
#include <vector>

namespace update {

struct MailAddress {
  std::string name;     // display name as given (GBK), quotes removed; may be empty
  std::string address;  // local@domain
};

bool is_valid_mailbox(std::string_view address);

// One address in any of the forms above; false when malformed or empty.
bool parse_mail_address(std::string_view text, MailAddress* out);

// A list of addresses. The empty text (or one holding only separators and
// spaces) is a valid empty list; any malformed piece makes the whole list
// malformed and leaves *out empty.
bool parse_mail_address_list(std::string_view text, std::vector<MailAddress>* out);

}  // namespace update
