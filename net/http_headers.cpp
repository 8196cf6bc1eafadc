#include "net/http_headers.h"

#include "runtime/text.h"

namespace net {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

bool is_ascii_lower(char c) { return c >= 'a' && c <= 'z'; }

// ':' and '-' are ASCII below 0x40 and never the second byte of a GBK
// character, so byte searches for them stay on character boundaries; and
// the byte after either of them always starts a character.
std::string capitalize_name(std::string name) {
  for (size_t i = 0; i < name.size(); ++i) {
    if ((i == 0 || name[i - 1] == '-') && is_ascii_lower(name[i])) name[i] = static_cast<char>(name[i] - 32);
  }
  return name;
}

std::string line_name(std::string_view line) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  return runtime::to_lower_ascii(runtime::trim(line.substr(0, colon)));
}

void append_line(std::string& headers, std::string_view line) {
  if (!headers.empty()) headers.append(kLineBreak);
  headers.append(line);
}

}  // namespace

std::string normalize_header_names(std::string_view headers) {
  std::string result;
  for (const std::string& line : runtime::split(headers, kLineBreak)) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    append_line(result, capitalize_name(line.substr(0, colon)) + line.substr(colon));
  }
  return result;
}

std::string text_before(std::string_view text, std::string_view separator) {
  const int at = runtime::find(text, separator);
  return at < 1 ? std::string() : std::string(text.substr(0, static_cast<size_t>(at - 1)));
}

std::optional<std::string> header_value(std::string_view headers, std::string_view name) {
  const std::string wanted = runtime::to_lower_ascii(name);
  for (const std::string& line : runtime::split(headers, kLineBreak)) {
    if (line_name(line) == wanted) return runtime::trim(line.substr(line.find(':') + 1));
  }
  return std::nullopt;
}

bool has_header(std::string_view headers, std::string_view name) {
  return header_value(headers, name).has_value();
}

std::string agent_from_headers(std::string_view headers) {
  return header_value(headers, "User-Agent").value_or(kDefaultAgent);
}

std::string complete_header_block(std::string headers, std::string_view url, bool is_post) {
  if (!has_header(headers, "Accept")) append_line(headers, "Accept: */*");
  if (!has_header(headers, "Referer")) append_line(headers, "Referer: " + std::string(url));
  if (!has_header(headers, "Accept-Language")) append_line(headers, "Accept-Language: zh-cn");
  if (is_post && !has_header(headers, "Content-Type")) {
    append_line(headers, "Content-Type: application/x-www-form-urlencoded");
  }
  return headers;
}

std::string add_cookie_header(std::string headers, std::string_view cookies) {
  if (cookies.empty()) return headers;
  for (size_t line_start = 0; line_start <= headers.size();) {
    size_t line_end = headers.find(kLineBreak, line_start);
    if (line_end == std::string::npos) line_end = headers.size();
    const std::string_view line = std::string_view(headers).substr(line_start, line_end - line_start);
    if (line_name(line) == "cookie") {
      if (runtime::trim(line.substr(line.find(':') + 1)).empty()) {
        headers.replace(line_start, line_end - line_start, "Cookie: " + std::string(cookies));
      } else {
        headers.insert(line_end, "; " + std::string(cookies));
      }
      return headers;
    }
    line_start = line_end + kLineBreak.size();
  }
  append_line(headers, "Cookie: " + std::string(cookies));
  return headers;
}

std::string collect_set_cookies(std::string_view response_headers) {
  constexpr std::string_view kSetCookie = "Set-Cookie:";
  std::string cookies;
  for (const std::string& line : runtime::split(response_headers, kLineBreak)) {
    // Only "Set-Cookie: " with its space counts, in exact case.
    if (text_before(line, ": ") != "Set-Cookie") continue;
    // The line starts with "Set-Cookie: ", which holds no ';'.
    std::string value;
    const size_t semicolon = line.find(';');
    if (semicolon != std::string::npos) {
      value = runtime::trim(line.substr(kSetCookie.size(), semicolon - kSetCookie.size()));
    } else {
      value = runtime::trim(runtime::replace(line, kSetCookie, "", 1, -1, false));
    }
    if (value.empty()) continue;
    if (!cookies.empty()) cookies.append("; ");
    cookies.append(value);
  }
  return cookies;
}

}  // namespace net
