#include "runtime/text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace runtime {
namespace {

bool is_lead_byte(unsigned char byte) { return byte >= 0x80; }

char fold_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Does search occur in text at byte offset pos? A two-byte character of the
// search always compares exactly; ASCII bytes fold when ignore_case.
bool matches_at(std::string_view text, size_t pos, std::string_view search, bool ignore_case) {
  if (pos + search.size() > text.size()) return false;
  if (!ignore_case) return text.compare(pos, search.size(), search) == 0;
  for (size_t i = 0; i < search.size();) {
    const int length = char_length_at(search, i);
    if (length == 2) {
      if (text[pos + i] != search[i] || text[pos + i + 1] != search[i + 1]) return false;
    } else if (fold_ascii(text[pos + i]) != fold_ascii(search[i])) {
      return false;
    }
    i += static_cast<size_t>(length);
  }
  return true;
}

// Byte offset of the first character boundary at or after offset.
size_t boundary_at_or_after(std::string_view text, size_t offset) {
  size_t pos = 0;
  while (pos < offset && pos < text.size()) pos += static_cast<size_t>(char_length_at(text, pos));
  return pos;
}

size_t find_offset(std::string_view text, std::string_view search, size_t from, bool ignore_case) {
  for (size_t pos = boundary_at_or_after(text, from); pos < text.size();
       pos += static_cast<size_t>(char_length_at(text, pos))) {
    if (matches_at(text, pos, search, ignore_case)) return pos;
  }
  return std::string_view::npos;
}

bool is_space_at(std::string_view text, size_t pos, size_t* length) {
  if (text[pos] == ' ') {
    *length = 1;
    return true;
  }
  if (pos + 1 < text.size() && static_cast<unsigned char>(text[pos]) == 0xA1 &&
      static_cast<unsigned char>(text[pos + 1]) == 0xA1) {
    *length = 2;
    return true;
  }
  return false;
}

std::string number_text(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

std::string text_from_bytes(std::string_view bytes) {
  const size_t zero = bytes.find('\0');
  return std::string(zero == std::string_view::npos ? bytes : bytes.substr(0, zero));
}

int char_length_at(std::string_view text, size_t index) {
  if (index < text.size() && is_lead_byte(static_cast<unsigned char>(text[index])) &&
      index + 1 < text.size()) {
    return 2;
  }
  return 1;
}

int find(std::string_view text, std::string_view search, int start, bool ignore_case) {
  if (search.empty() || text.empty()) return -1;
  const size_t from = start < 1 ? 0 : static_cast<size_t>(start - 1);
  if (from >= text.size()) return -1;
  const size_t pos = find_offset(text, search, from, ignore_case);
  return pos == std::string_view::npos ? -1 : static_cast<int>(pos + 1);
}

int find_backwards(std::string_view text, std::string_view search, int start, bool ignore_case) {
  if (search.empty() || text.empty()) return -1;
  const size_t last_start =
      (start < 1 || static_cast<size_t>(start) > text.size()) ? text.size() - 1
                                                              : static_cast<size_t>(start - 1);
  int found = -1;
  for (size_t pos = 0; pos <= last_start && pos < text.size();
       pos += static_cast<size_t>(char_length_at(text, pos))) {
    if (matches_at(text, pos, search, ignore_case)) found = static_cast<int>(pos + 1);
  }
  return found;
}

bool contains(std::string_view text, std::string_view search, bool ignore_case) {
  return find(text, search, 1, ignore_case) > 0;
}

std::string replace(std::string_view text, std::string_view search, std::string_view replacement,
                    int start, int count, bool case_sensitive) {
  if (search.empty() || count == 0) return std::string(text);
  std::string result;
  result.reserve(text.size());
  size_t copied = 0;
  size_t pos = boundary_at_or_after(text, start < 1 ? 0 : static_cast<size_t>(start - 1));
  int done = 0;
  while (pos < text.size() && (count < 0 || done < count)) {
    if (matches_at(text, pos, search, !case_sensitive)) {
      result.append(text.substr(copied, pos - copied));
      result.append(replacement);
      pos += search.size();
      copied = pos;
      ++done;
    } else {
      pos += static_cast<size_t>(char_length_at(text, pos));
    }
  }
  result.append(text.substr(std::min(copied, text.size())));
  return result;
}

Array<std::string> split(std::string_view text, std::string_view separator, int max) {
  Array<std::string> pieces;
  if (text.empty() || max == 0) return pieces;
  if (separator.empty()) {
    pieces.append(std::string(text));
    return pieces;
  }
  size_t from = 0;
  while (max < 0 || pieces.count() < max) {
    const size_t at = find_offset(text, separator, from, false);
    if (at == std::string_view::npos) {
      if (from < text.size()) pieces.append(std::string(text.substr(from)));
      break;
    }
    pieces.append(std::string(text.substr(from, at - from)));
    from = at + separator.size();
  }
  return pieces;
}

std::string left(std::string_view text, int count) {
  if (count <= 0) return {};
  return std::string(text.substr(0, static_cast<size_t>(count)));
}

std::string right(std::string_view text, int count) {
  if (count <= 0) return {};
  const size_t n = std::min(text.size(), static_cast<size_t>(count));
  return std::string(text.substr(text.size() - n));
}

std::string middle(std::string_view text, int start, int count) {
  if (start < 1 || static_cast<size_t>(start) > text.size() || count == 0) return {};
  const size_t from = static_cast<size_t>(start - 1);
  return std::string(count < 0 ? text.substr(from) : text.substr(from, static_cast<size_t>(count)));
}

std::string trim_left(std::string_view text) {
  size_t pos = 0;
  size_t length = 0;
  while (pos < text.size() && is_space_at(text, pos, &length)) pos += length;
  return std::string(text.substr(pos));
}

std::string trim_right(std::string_view text) {
  // Walk forward so that a full-width space is only recognised on a
  // character boundary; remember where the trailing run of spaces begins.
  size_t end = 0;
  size_t length = 0;
  for (size_t pos = 0; pos < text.size();) {
    if (is_space_at(text, pos, &length)) {
      pos += length;
    } else {
      pos += static_cast<size_t>(char_length_at(text, pos));
      end = pos;
    }
  }
  return std::string(text.substr(0, end));
}

std::string trim(std::string_view text) { return trim_right(trim_left(text)); }

std::string to_upper_ascii(std::string_view text) {
  std::string result(text);
  for (size_t pos = 0; pos < result.size(); pos += static_cast<size_t>(char_length_at(result, pos))) {
    if (result[pos] >= 'a' && result[pos] <= 'z') result[pos] = static_cast<char>(result[pos] - 32);
  }
  return result;
}

std::string to_lower_ascii(std::string_view text) {
  std::string result(text);
  for (size_t pos = 0; pos < result.size(); pos += static_cast<size_t>(char_length_at(result, pos))) {
    if (result[pos] >= 'A' && result[pos] <= 'Z') result[pos] = static_cast<char>(result[pos] + 32);
  }
  return result;
}

std::string spaces(int count) { return count > 0 ? std::string(static_cast<size_t>(count), ' ') : ""; }

std::string to_hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(value));
  return buffer;
}

std::string full_to_half_width(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const int length = char_length_at(text, pos);
    if (length == 2) {
      const auto lead = static_cast<unsigned char>(text[pos]);
      const auto trail = static_cast<unsigned char>(text[pos + 1]);
      if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
        result.push_back(static_cast<char>(trail - 0x80));  // ！(A3A1) → ! (0x21)
      } else if (lead == 0xA1 && trail == 0xA1) {
        result.push_back(' ');
      } else {
        result.append(text.substr(pos, 2));
      }
    } else {
      result.push_back(text[pos]);
    }
    pos += static_cast<size_t>(length);
  }
  return result;
}

std::string float_to_text(float value) { return number_text("%.6g", static_cast<double>(value)); }

std::string double_to_text(double value) { return number_text("%.13g", value); }

std::string int_to_text(long long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%lld", value);
  return buffer;
}

std::string bool_to_text(bool value) { return value ? "真" : "假"; }

int text_to_int(std::string_view text) {
  const std::string half = full_to_half_width(text);
  size_t pos = half.find_first_not_of(' ');
  if (pos == std::string::npos) return 0;
  bool negative = false;
  if (half[pos] == '+' || half[pos] == '-') negative = half[pos++] == '-';
  long long value = 0;
  for (; pos < half.size() && half[pos] >= '0' && half[pos] <= '9'; ++pos) {
    value = value * 10 + (half[pos] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

double text_to_double(std::string_view text) {
  const std::string half = full_to_half_width(text);
  const size_t pos = half.find_first_not_of(' ');
  if (pos == std::string::npos) return 0.0;
  // strtod would also read "inf", "nan" and hexadecimal forms; accept only a
  // plain decimal number.
  size_t end = pos;
  if (end < half.size() && (half[end] == '+' || half[end] == '-')) ++end;
  const size_t digits_start = end;
  while (end < half.size() && (std::isdigit(static_cast<unsigned char>(half[end])) || half[end] == '.')) ++end;
  if (end == digits_start) return 0.0;
  if (end < half.size() && (half[end] == 'e' || half[end] == 'E')) {
    size_t exponent = end + 1;
    if (exponent < half.size() && (half[exponent] == '+' || half[exponent] == '-')) ++exponent;
    if (exponent < half.size() && std::isdigit(static_cast<unsigned char>(half[exponent]))) {
      while (exponent < half.size() && std::isdigit(static_cast<unsigned char>(half[exponent]))) ++exponent;
      end = exponent;
    }
  }
  const std::string number = half.substr(pos, end - pos);
  char* parsed_end = nullptr;
  errno = 0;
  const double value = std::strtod(number.c_str(), &parsed_end);
  return parsed_end == number.c_str() ? 0.0 : value;
}

}  // namespace runtime
