#pragma once
// The text of an outgoing mail: base64, header texts as encoded words, the
// address form, the Date line and the header block. Texts are GBK bytes.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "update/mail_address.h"

namespace update {

// Standard base64 (RFC 4648 alphabet, "=" padding), no line breaks.
std::string base64_encode(std::string_view bytes);

// Base64 as a mail body: CRLF after every 76 characters and at the end.
std::string base64_body(std::string_view bytes);

// "us-ascii" when every byte is below 0x80, else "gb2312".
std::string body_charset(std::string_view body);

// A header text (subject, display name). Pure ASCII stays as it is; other
// texts become "=?gb2312?B?...?=" words of at most 62 base64 characters,
// split between characters and folded with "\r\n " before every word but the
// first. Line breaks and other control characters become spaces first, so a
// header text never starts a header line of its own.
std::string header_text(std::string_view text);

// "Name <local@domain>" with the name as a header text (quoted when it is
// ASCII holding specials), or the bare address when there is no name.
std::string address_form(const MailAddress& address);

// "Tue, 05 Mar 2024 14:03:09 +0800": English day and month names whatever
// the locale, and the zone offset -bias_minutes (the Windows bias: UTC =
// local time + bias).
std::string mail_date(const SYSTEMTIME& local_time, long bias_minutes);

// mail_date for now, with the system's bias (daylight bias added while
// daylight time is in effect).
std::string mail_date_now();

struct MailHeader {
  MailAddress from;
  std::vector<MailAddress> to;
  std::vector<MailAddress> cc;  // blind copies never appear in the header
  std::string subject;
  std::string date;      // the value of the Date line
  MailAddress reply_to;  // no Reply-To line when its address is empty
  std::string charset;   // of the body
};

// The header block, each line ended by CRLF, followed by the empty line.
std::string header_block(const MailHeader& header);

}  // namespace update
