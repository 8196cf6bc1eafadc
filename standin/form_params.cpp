#include "standin/form_params.h"

namespace standin {
namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string form_decode(std::string_view encoded) {
  std::string out;
  out.reserve(encoded.size());
  for (size_t i = 0; i < encoded.size(); ++i) {
    char c = encoded[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < encoded.size() && hex_value(encoded[i + 1]) >= 0 &&
               hex_value(encoded[i + 2]) >= 0) {
      out += static_cast<char>(hex_value(encoded[i + 1]) * 16 + hex_value(encoded[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

Params parse_params(std::string_view text) {
  Params params;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('&', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view piece = text.substr(start, end - start);
    if (!piece.empty()) {
      size_t equals = piece.find('=');
      if (equals == std::string_view::npos) {
        params.push_back({form_decode(piece), std::string()});
      } else {
        params.push_back(
            {form_decode(piece.substr(0, equals)), form_decode(piece.substr(equals + 1))});
      }
    }
    start = end + 1;
  }
  return params;
}

const std::string* find_param(const Params& params, std::string_view name) {
  const std::string* found = nullptr;
  for (const Param& param : params) {
    if (param.name == name) found = &param.value;
  }
  return found;
}

}  // namespace standin
