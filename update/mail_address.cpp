#include "update/mail_address.h"

#include <cstring>

#include "runtime/text.h"

namespace update {
namespace {

constexpr size_t kMaxLocalPart = 64;
constexpr size_t kMaxDomain = 253;
constexpr size_t kMaxLabel = 63;

bool is_ascii_alnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool is_atext(char c) {
  return is_ascii_alnum(c) || (c != '\0' && std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr);
}

bool is_control(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool is_valid_local_part(std::string_view local) {
  if (local.empty() || local.size() > kMaxLocalPart) return false;
  if (local.front() == '.' || local.back() == '.') return false;
  for (size_t i = 0; i < local.size(); ++i) {
    if (local[i] == '.') {
      if (local[i - 1] == '.') return false;
    } else if (!is_atext(local[i])) {
      return false;
    }
  }
  return true;
}

bool is_valid_label(std::string_view label) {
  if (label.empty() || label.size() > kMaxLabel) return false;
  if (label.front() == '-' || label.back() == '-') return false;
  for (char c : label) {
    if (!is_ascii_alnum(c) && c != '-') return false;
  }
  return true;
}

bool is_valid_domain(std::string_view domain) {
  if (domain.empty() || domain.size() > kMaxDomain) return false;
  for (;;) {
    const size_t dot = domain.find('.');
    if (!is_valid_label(domain.substr(0, dot))) return false;
    if (dot == std::string_view::npos) return true;
    domain.remove_prefix(dot + 1);
  }
}

// A display name: a quoted string (backslash escapes the next character) or
// plain text without quotes and angle brackets; never control characters.
bool parse_display_name(std::string_view text, std::string* name) {
  name->clear();
  const bool quoted = !text.empty() && text.front() == '"';
  if (quoted) {
    if (text.size() < 2 || text.back() != '"') return false;
    text = text.substr(1, text.size() - 2);
  }
  for (size_t i = 0; i < text.size();) {
    size_t length = static_cast<size_t>(runtime::char_length_at(text, i));
    if (quoted && text[i] == '\\') {
      if (i + 1 >= text.size()) return false;
      ++i;
      length = static_cast<size_t>(runtime::char_length_at(text, i));
    } else if (text[i] == '"' || (!quoted && (text[i] == '<' || text[i] == '>'))) {
      return false;
    }
    // A control byte is refused even where it follows a lead byte: no GBK
    // character has one as its second byte, and a CR or LF hidden that way
    // would still break a header line.
    for (size_t k = i; k < i + length; ++k) {
      if (is_control(text[k])) return false;
    }
    name->append(text.substr(i, length));
    i += length;
  }
  return true;
}

}  // namespace

bool is_valid_mailbox(std::string_view address) {
  const size_t at = address.rfind('@');
  if (at == std::string_view::npos) return false;
  return is_valid_local_part(address.substr(0, at)) && is_valid_domain(address.substr(at + 1));
}

bool parse_mail_address(std::string_view text, MailAddress* out) {
  *out = MailAddress{};
  text = trim_blanks(text);
  const size_t open = text.rfind('<');
  if (open == std::string_view::npos) {
    if (!is_valid_mailbox(text)) return false;
    out->address = std::string(text);
    return true;
  }
  // "<" and ">" never occur as the second byte of a GBK character, so a byte
  // search finds the real brackets; a quoted name before them may hold any.
  if (text.back() != '>') return false;
  const std::string_view mailbox = trim_blanks(text.substr(open + 1, text.size() - open - 2));
  if (!is_valid_mailbox(mailbox)) return false;
  std::string name;
  if (!parse_display_name(trim_blanks(text.substr(0, open)), &name)) return false;
  out->name = std::move(name);
  out->address = std::string(mailbox);
  return true;
}

bool parse_mail_address_list(std::string_view text, std::vector<MailAddress>* out) {
  out->clear();
  std::vector<MailAddress> addresses;
  bool in_quotes = false;
  bool in_brackets = false;
  size_t piece_start = 0;
  auto take_piece = [&](size_t end) {
    const std::string_view piece = trim_blanks(text.substr(piece_start, end - piece_start));
    piece_start = end + 1;
    if (piece.empty()) return true;
    MailAddress address;
    if (!parse_mail_address(piece, &address)) return false;
    addresses.push_back(std::move(address));
    return true;
  };
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (in_quotes) {
      if (c == '\\') {
        i += 1 + (i + 1 < text.size() ? static_cast<size_t>(runtime::char_length_at(text, i + 1)) : 0);
        continue;
      }
      if (c == '"') in_quotes = false;
    } else if (c == '"') {
      in_quotes = true;
    } else if (c == '<') {
      in_brackets = true;
    } else if (c == '>') {
      in_brackets = false;
    } else if ((c == ',' || c == ';') && !in_brackets) {
      if (!take_piece(i)) return false;
    }
    i += static_cast<size_t>(runtime::char_length_at(text, i));
  }
  if (in_quotes || in_brackets || !take_piece(text.size())) return false;
  *out = std::move(addresses);
  return true;
}

}  // namespace update
