#include "translate/placeholders.h"

#include <algorithm>
#include <cstring>

#include "runtime/text.h"

namespace translate {
namespace {

// The marker of placeholder n is "QZX" followed by n: a word no language
// has, which services and models keep as it is, in any case.
constexpr char kMarker[] = "QZX";
constexpr size_t kMarkerLength = sizeof kMarker - 1;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_word_char(char c) { return is_digit(c) || is_ascii_letter(c) || c == '_'; }

size_t skip_digits(std::string_view text, size_t pos) {
  while (pos < text.size() && is_digit(text[pos])) ++pos;
  return pos;
}

bool starts_with_at(std::string_view text, size_t pos, std::string_view head) {
  return text.compare(pos, head.size(), head) == 0;
}

// Length of the printf conversion at text[pos] == '%', 0 when there is none.
// The space flag is left out: "50% discount" holds no placeholder.
size_t printf_length(std::string_view text, size_t pos, bool* positional) {
  size_t p = pos + 1;
  *positional = false;
  const size_t digits_end = skip_digits(text, p);
  if (digits_end > p && digits_end < text.size() && text[digits_end] == '$') {
    *positional = true;
    p = digits_end + 1;
  }
  while (p < text.size() && std::strchr("-+#0", text[p]) != nullptr) ++p;
  if (p < text.size() && text[p] == '*') {
    ++p;
  } else {
    p = skip_digits(text, p);
  }
  if (p < text.size() && text[p] == '.') {
    ++p;
    if (p < text.size() && text[p] == '*') {
      ++p;
    } else {
      p = skip_digits(text, p);
    }
  }
  for (const char* length : {"I64", "I32", "hh", "ll", "h", "l", "L", "z", "j", "t", "w", "I"}) {
    if (starts_with_at(text, p, length)) {
      p += std::strlen(length);
      break;
    }
  }
  if (p < text.size() && std::strchr("diouxXeEfFgGaAcCsSpn", text[p]) != nullptr) return p + 1 - pos;
  return 0;
}

// FormatMessage inserts: "%1" … "%99", optionally with "!printf format!".
size_t insert_length(std::string_view text, size_t pos) {
  if (pos + 1 >= text.size() || text[pos + 1] < '1' || text[pos + 1] > '9') return 0;
  size_t p = pos + 2;
  if (p < text.size() && is_digit(text[p])) ++p;
  if (p < text.size() && text[p] == '!') {
    const size_t close = text.find('!', p + 1);
    if (close != std::string_view::npos && close > p + 1) return close + 1 - pos;
  }
  return p - pos;
}

// "{0}", "{name}", "{0:N2}", "{0,-10}".
size_t brace_length(std::string_view text, size_t pos) {
  size_t p = pos + 1;
  while (p < text.size() && is_word_char(text[p])) ++p;
  if (p == pos + 1 || p >= text.size()) return 0;
  if (text[p] == ':' || text[p] == ',') {
    while (p < text.size() && text[p] != '}' && text[p] != '{') {
      p += static_cast<size_t>(runtime::char_length_at(text, p));
    }
  }
  return p < text.size() && text[p] == '}' ? p + 1 - pos : 0;
}

bool same_placeholders(const std::vector<Placeholder>& a, const std::vector<Placeholder>& b) {
  std::vector<std::string> all_a, all_b, sequential_a, sequential_b;
  for (const Placeholder& p : a) (p.sequential ? sequential_a : all_a).push_back(p.text);
  for (const Placeholder& p : b) (p.sequential ? sequential_b : all_b).push_back(p.text);
  std::sort(all_a.begin(), all_a.end());
  std::sort(all_b.begin(), all_b.end());
  return all_a == all_b && sequential_a == sequential_b;
}

bool holds_marker(std::string_view text) {
  return runtime::contains(text, kMarker, /*ignore_case=*/true);
}

struct Span {
  size_t pos = 0;
  size_t length = 0;
  bool sequential = false;
};

std::vector<Span> placeholder_spans(std::string_view text) {
  std::vector<Span> found;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t length = 0;
    bool sequential = false;
    if (text[pos] == '%') {
      bool positional = false;
      if (pos + 1 < text.size() && text[pos + 1] == '%') {
        length = 2;
      } else if ((length = printf_length(text, pos, &positional)) > 0) {
        sequential = !positional;
      } else {
        length = insert_length(text, pos);
      }
    } else if (text[pos] == '{') {
      if (pos + 1 < text.size() && text[pos + 1] == '{') {
        pos += 2;
        continue;
      }
      length = brace_length(text, pos);
    }
    if (length > 0) {
      found.push_back({pos, length, sequential});
      pos += length;
    } else {
      pos += static_cast<size_t>(runtime::char_length_at(text, pos));
    }
  }
  return found;
}

// "%d5" would become "QZX05", which reads back as marker 5.
bool digit_follows_a_placeholder(std::string_view text, const std::vector<Span>& spans) {
  for (const Span& span : spans) {
    const size_t end = span.pos + span.length;
    if (end < text.size() && is_digit(text[end])) return true;
  }
  return false;
}

}  // namespace

std::vector<Placeholder> find_placeholders(std::string_view text) {
  std::vector<Placeholder> found;
  for (const Span& span : placeholder_spans(text)) {
    found.push_back({std::string(text.substr(span.pos, span.length)), span.sequential});
  }
  return found;
}

MaskedPlaceholders mask_placeholders(std::string_view text) {
  MaskedPlaceholders result;
  const std::vector<Span> spans = placeholder_spans(text);
  for (const Span& span : spans) {
    result.placeholders.push_back({std::string(text.substr(span.pos, span.length)), span.sequential});
  }
  // A text that holds the marker word itself could not be told apart from
  // its markers: it goes as it is, and must come back with its placeholders.
  if (spans.empty() || holds_marker(text) || digit_follows_a_placeholder(text, spans)) {
    result.text = std::string(text);
    return result;
  }
  result.masked = true;
  size_t pos = 0;
  for (size_t i = 0; i < spans.size(); ++i) {
    result.text.append(text.substr(pos, spans[i].pos - pos));
    result.text += kMarker + std::to_string(i);
    pos = spans[i].pos + spans[i].length;
  }
  result.text.append(text.substr(pos));
  return result;
}

bool unmask_placeholders(const MaskedPlaceholders& masked, std::string_view translation,
                         std::string* restored) {
  std::string out;
  if (!masked.masked) {
    out = std::string(translation);
  } else {
    size_t pos = 0;
    while (pos < translation.size()) {
      const bool marker = runtime::find(translation.substr(pos, kMarkerLength), kMarker, 1, true) == 1;
      const size_t digits_end = marker ? skip_digits(translation, pos + kMarkerLength) : pos;
      if (digits_end > pos + kMarkerLength) {
        const std::string number(translation.substr(pos + kMarkerLength, digits_end - pos - kMarkerLength));
        const size_t index = number.size() > 3 ? masked.placeholders.size() : std::stoul(number);
        if (index >= masked.placeholders.size()) return false;
        out += masked.placeholders[index].text;
        pos = digits_end;
      } else {
        const size_t length = static_cast<size_t>(runtime::char_length_at(translation, pos));
        out.append(translation.substr(pos, length));
        pos += length;
      }
    }
  }
  // Also catches a marker given back twice or not at all, and a placeholder
  // the translator made up.
  if (!same_placeholders(masked.placeholders, find_placeholders(out))) return false;
  *restored = std::move(out);
  return true;
}

}  // namespace translate
