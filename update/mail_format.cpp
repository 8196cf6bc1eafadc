#include "update/mail_format.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/text.h"

namespace update {
namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kBodyLineLength = 76;
constexpr size_t kMaxEncodedWordBase64 = 62;
constexpr char kFold[] = "\r\n ";

constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool is_ascii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Control characters (CR and LF above all) would end the header line early.
std::string without_controls(std::string_view text) {
  std::string clean;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // CRLF: one space
    clean += (byte < 0x20 || byte == 0x7F) ? ' ' : text[i];
  }
  return clean;
}

// Where to cut bytes in two for two encoded words: the last character
// boundary at or before half the length, so no GBK character is split.
size_t split_point(std::string_view bytes) {
  const size_t half = bytes.size() / 2;
  size_t pos = 0;
  for (;;) {
    const size_t next = pos + static_cast<size_t>(runtime::char_length_at(bytes, pos));
    if (next > half) return pos > 0 ? pos : next;
    pos = next;
  }
}

void append_encoded_words(std::string_view bytes, std::vector<std::string>* words) {
  std::string encoded = base64_encode(bytes);
  if (encoded.size() > kMaxEncodedWordBase64 && bytes.size() > 1) {
    const size_t cut = split_point(bytes);
    append_encoded_words(bytes.substr(0, cut), words);
    append_encoded_words(bytes.substr(cut), words);
    return;
  }
  words->push_back("=?gb2312?B?" + encoded + "?=");
}

// Day of the week (0 = Sunday) of a Gregorian date.
int day_of_week(int year, int month, int day) {
  static const int kMonthOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  // 400 years later falls on the same weekday, and no term is negative then
  // (January and February of year 0 count as year -1).
  year += 400;
  return (year + year / 4 - year / 100 + year / 400 + kMonthOffsets[month - 1] + day) % 7;
}

std::string join_addresses(const std::vector<MailAddress>& addresses) {
  std::string joined;
  for (const MailAddress& address : addresses) {
    if (!joined.empty()) joined += ",";
    joined += address_form(address);
  }
  return joined;
}

}  // namespace

std::string base64_encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned group = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
    out += kBase64Alphabet[group >> 18 & 63];
    out += kBase64Alphabet[group >> 12 & 63];
    out += kBase64Alphabet[group >> 6 & 63];
    out += kBase64Alphabet[group & 63];
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned group = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kBase64Alphabet[group >> 18 & 63];
    out += kBase64Alphabet[group >> 12 & 63];
    out += rest == 2 ? kBase64Alphabet[group >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

std::string base64_body(std::string_view bytes) {
  const std::string encoded = base64_encode(bytes);
  std::string body;
  body.reserve(encoded.size() + encoded.size() / kBodyLineLength * 2 + 2);
  for (size_t pos = 0; pos < encoded.size(); pos += kBodyLineLength) {
    body.append(encoded, pos, kBodyLineLength);
    if (pos + kBodyLineLength < encoded.size()) body += "\r\n";
  }
  body += "\r\n";
  return body;
}

std::string body_charset(std::string_view body) { return is_ascii(body) ? "us-ascii" : "gb2312"; }

std::string header_text(std::string_view text) {
  const std::string clean = without_controls(text);
  if (is_ascii(clean)) return clean;
  std::vector<std::string> words;
  append_encoded_words(clean, &words);
  std::string out;
  for (const std::string& word : words) {
    if (!out.empty()) out += kFold;
    out += word;
  }
  return out;
}

std::string address_form(const MailAddress& address) {
  if (address.name.empty()) return address.address;
  std::string name = header_text(address.name);
  if (is_ascii(address.name) && name.find_first_of("()<>[]:;@\\,.\"") != std::string::npos) {
    std::string quoted = "\"";
    for (char c : name) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    name = quoted + "\"";
  }
  return name + " <" + address.address + ">";
}

std::string mail_date(const SYSTEMTIME& local_time, long bias_minutes) {
  const int month = local_time.wMonth >= 1 && local_time.wMonth <= 12 ? local_time.wMonth : 1;
  const int weekday = day_of_week(local_time.wYear, month, local_time.wDay);
  const long offset = -bias_minutes;
  const long magnitude = std::labs(offset);
  char line[64];
  std::snprintf(line, sizeof line, "%s, %02u %s %04u %02u:%02u:%02u %c%02ld%02ld",
                kDayNames[weekday], unsigned{local_time.wDay}, kMonthNames[month - 1],
                unsigned{local_time.wYear}, unsigned{local_time.wHour},
                unsigned{local_time.wMinute}, unsigned{local_time.wSecond},
                offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
  return line;
}

std::string mail_date_now() {
  TIME_ZONE_INFORMATION zone{};
  const DWORD zone_state = GetTimeZoneInformation(&zone);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  long bias = zone.Bias;
  if (zone_state == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
  if (zone_state == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
  return mail_date(now, bias);
}

std::string header_block(const MailHeader& header) {
  std::string block;
  block += "From: " + address_form(header.from) + "\r\n";
  block += "To: " + join_addresses(header.to) + "\r\n";
  if (!header.cc.empty()) block += "Cc: " + join_addresses(header.cc) + "\r\n";
  block += "Subject: " + header_text(header.subject) + "\r\n";
  block += "Date: " + header.date + "\r\n";
  if (!header.reply_to.address.empty()) {
    block += "Reply-To: " + address_form(header.reply_to) + "\r\n";
  }
  block += "MIME-Version: 1.0\r\n";
  block += "Content-type: text/plain; charset=\"" + header.charset + "\"\r\n";
  block += "Content-Transfer-Encoding: base64\r\n";
  block += "\r\n";
  return block;
}

}  // namespace update
