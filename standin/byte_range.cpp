#include "standin/byte_range.h"

#include <cctype>

namespace standin {
namespace {

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A decimal number of at most 18 digits; false for anything else.
bool read_number(std::string_view text, uint64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

bool starts_with_bytes_unit(std::string_view text) {
  static const char kUnit[] = "bytes";
  if (text.size() < 5) return false;
  for (size_t i = 0; i < 5; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != kUnit[i]) return false;
  }
  return true;
}

}  // namespace

ByteRange resolve_range(std::string_view header_value, uint64_t size) {
  ByteRange whole;
  std::string_view value = trim(header_value);
  if (!starts_with_bytes_unit(value)) return whole;
  value = trim(value.substr(5));
  if (value.empty() || value.front() != '=') return whole;
  value = trim(value.substr(1));
  if (value.find(',') != std::string_view::npos) return whole;
  size_t dash = value.find('-');
  if (dash == std::string_view::npos) return whole;
  std::string_view first_text = trim(value.substr(0, dash));
  std::string_view last_text = trim(value.substr(dash + 1));

  ByteRange range;
  range.kind = ByteRange::Kind::part;
  if (first_text.empty()) {
    // "-N": the last N bytes.
    uint64_t count = 0;
    if (!read_number(last_text, count)) return whole;
    if (count == 0 || size == 0) return ByteRange{ByteRange::Kind::unsatisfiable, 0, 0};
    range.first = count >= size ? 0 : size - count;
    range.last = size - 1;
    return range;
  }
  if (!read_number(first_text, range.first)) return whole;
  if (last_text.empty()) {
    range.last = size == 0 ? 0 : size - 1;
  } else {
    if (!read_number(last_text, range.last) || range.last < range.first) return whole;
    if (size > 0 && range.last >= size) range.last = size - 1;
  }
  if (range.first >= size) return ByteRange{ByteRange::Kind::unsatisfiable, 0, 0};
  return range;
}

}  // namespace standin
