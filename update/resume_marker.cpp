#include "update/resume_marker.h"

#include <string_view>

#include "runtime/text.h"

namespace update {
namespace {

constexpr std::string_view kEtag = "ETag: ";
constexpr std::string_view kLastModified = "Last-Modified: ";
constexpr std::string_view kSize = "Size: ";

std::int64_t decimal_count(std::string_view digits) {
  if (digits.empty() || digits.size() > 18) return -1;
  std::int64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::string marker_text(const net::FileValidator& file) {
  std::string text;
  if (!file.etag.empty()) text.append(kEtag).append(file.etag).append("\r\n");
  if (!file.last_modified.empty()) {
    text.append(kLastModified).append(file.last_modified).append("\r\n");
  }
  if (file.size >= 0) text.append(kSize).append(runtime::int_to_text(file.size)).append("\r\n");
  return text;
}

net::FileValidator parse_marker(const std::string& text) {
  net::FileValidator file;
  std::string_view rest = text;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.substr(0, kEtag.size()) == kEtag) {
      file.etag = std::string(line.substr(kEtag.size()));
    } else if (line.substr(0, kLastModified.size()) == kLastModified) {
      file.last_modified = std::string(line.substr(kLastModified.size()));
    } else if (line.substr(0, kSize.size()) == kSize) {
      file.size = decimal_count(line.substr(kSize.size()));
    }
  }
  return file;
}

}  // namespace update
