#include "update/smtp_reply.h"

#include <algorithm>

#include "runtime/text.h"

namespace update {
namespace {

bool is_space_or_control(char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_space_or_control(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_space_or_control(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

SmtpReplyReader::State SmtpReplyReader::feed(std::string_view bytes) {
  if (state_ != State::kNeedMore || bytes.empty()) return state_;
  const size_t room = kMaxReplyBytes + 1 - received_.size();
  received_.append(bytes.substr(0, room));
  if (received_.size() > kMaxReplyBytes) {
    state_ = State::kTooLong;
  } else if (last_line_ends_reply()) {
    state_ = State::kComplete;
    split_lines();
  }
  return state_;
}

bool SmtpReplyReader::last_line_ends_reply() {
  const size_t cr = received_.rfind('\r');
  if (cr == std::string::npos) return false;
  const size_t lf = cr == 0 ? std::string::npos : received_.rfind('\n', cr - 1);
  const size_t start = lf == std::string::npos ? 0 : lf + 1;
  const std::string_view line = std::string_view(received_).substr(start, cr - start);
  if (line.size() < 3 || (line.size() > 3 && line[3] != ' ')) return false;
  // Only three digits make a code: read as a number, "-02" or "+1 " would
  // give a negative code or one that looks like a reply of another kind.
  const std::string_view code = line.substr(0, 3);
  const bool digits = std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
  code_ = digits ? runtime::text_to_int(code) : 0;
  return true;
}

void SmtpReplyReader::split_lines() {
  std::string_view rest = received_;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() <= 4) continue;
    const std::string_view text = trimmed(line.substr(4));
    const size_t space = text.find(' ');
    SmtpReplyLine entry;
    entry.keyword = std::string(text.substr(0, space));
    if (space != std::string_view::npos) entry.params = std::string(trimmed(text.substr(space + 1)));
    lines_.push_back(std::move(entry));
  }
}

}  // namespace update
