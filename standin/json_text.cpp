#include "standin/json_text.h"

#include <cstdio>

namespace standin {
namespace {

void append_unit(std::string& out, unsigned unit) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04x", unit & 0xFFFFu);
  out += buffer;
}

}  // namespace

int32_t next_code_point(std::string_view utf8, size_t& pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(utf8[i]); };
  unsigned char lead = byte(pos);
  int length = 0;
  int32_t value = 0;
  int32_t minimum = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  }
  if (length == 0 || pos + length > utf8.size()) {
    ++pos;
    return -1 - lead;
  }
  for (int i = 1; i < length; ++i) {
    unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return -1 - lead;
    }
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++pos;
    return -1 - lead;
  }
  pos += length;
  return value;
}

bool is_utf8(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    if (next_code_point(text, pos) < 0) return false;
  }
  return true;
}

std::string json_string(std::string_view utf8, BadBytes bad) {
  std::string out = "\"";
  // A text that is not UTF-8 as a whole is written byte by byte, so that
  // GBK bytes that happen to look like a UTF-8 pair are not misread.
  const bool bytewise = bad == BadBytes::as_latin1 && !is_utf8(utf8);
  if (bytewise) {
    for (char c : utf8) {
      unsigned char byte = static_cast<unsigned char>(c);
      if (byte >= 0x80) {
        append_unit(out, byte);
      } else {
        out += json_string(std::string_view(&c, 1)).substr(1, std::string::npos);
        out.pop_back();
      }
    }
    return out + '"';
  }
  size_t pos = 0;
  while (pos < utf8.size()) {
    int32_t code = next_code_point(utf8, pos);
    if (code < 0) {
      append_unit(out, bad == BadBytes::replace ? 0xFFFDu : static_cast<unsigned>(-1 - code));
      continue;
    }
    switch (code) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (code < 0x20 || code == 0x7F) {
          append_unit(out, static_cast<unsigned>(code));
        } else if (code < 0x80) {
          out += static_cast<char>(code);
        } else if (code < 0x10000) {
          append_unit(out, static_cast<unsigned>(code));
        } else {
          unsigned offset = static_cast<unsigned>(code) - 0x10000u;
          append_unit(out, 0xD800u + (offset >> 10));
          append_unit(out, 0xDC00u + (offset & 0x3FFu));
        }
    }
  }
  out += '"';
  return out;
}

std::string slashes_escaped(std::string_view json) {
  std::string out;
  out.reserve(json.size());
  for (char c : json) {
    if (c == '/') out += '\\';
    out += c;
  }
  return out;
}

std::string spaced_json(std::string_view compact_json) {
  std::string out;
  int depth = 0;
  bool in_string = false;
  const auto new_line = [&] { out += '\n' + std::string(static_cast<size_t>(2 * depth), ' '); };
  for (size_t i = 0; i < compact_json.size(); ++i) {
    const char c = compact_json[i];
    if (in_string) {
      out += c;
      if (c == '\\' && i + 1 < compact_json.size()) {
        out += compact_json[++i];
      } else if (c == '"') {
        in_string = false;
      }
      continue;
    }
    switch (c) {
      case '"':
        in_string = true;
        out += c;
        break;
      case '{':
      case '[': {
        out += c;
        const char next = i + 1 < compact_json.size() ? compact_json[i + 1] : '\0';
        if (next == '}' || next == ']') break;  // an empty one stays on its line
        ++depth;
        new_line();
        break;
      }
      case '}':
      case ']':
        if (out.back() != '{' && out.back() != '[') {
          --depth;
          new_line();
        }
        out += c;
        break;
      case ',':
        out += c;
        new_line();
        break;
      case ':':
        out += ": ";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace standin
