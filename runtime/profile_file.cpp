#include "runtime/profile_file.h"

#include <windows.h>

#include "runtime/codepage.h"
#include "runtime/system.h"

namespace runtime {
namespace {

bool is_blank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view trimmed(std::wstring_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

bool is_quote(wchar_t c) { return c == L'"' || c == L'\''; }

bool quoted(std::wstring_view value) {
  return value.size() >= 2 && is_quote(value.front()) && value.back() == value.front();
}

wchar_t fold(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

bool same_name(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// "[name]": the name, trimmed. A missing "]" takes the rest of the line.
bool section_line(std::wstring_view line, std::wstring_view* name) {
  line = trimmed(line);
  if (line.empty() || line.front() != L'[') return false;
  const size_t close = line.rfind(L']');
  *name = trimmed(line.substr(1, close == std::wstring_view::npos || close == 0 ? std::wstring_view::npos
                                                                                : close - 1));
  return true;
}

// "key=value": both trimmed, and the value out of one pair of quotes.
bool key_line(std::wstring_view line, std::wstring_view* key, std::wstring_view* value) {
  line = trimmed(line);
  if (line.empty() || line.front() == L';' || line.front() == L'[') return false;
  const size_t equals = line.find(L'=');
  if (equals == std::wstring_view::npos) return false;
  *key = trimmed(line.substr(0, equals));
  *value = trimmed(line.substr(equals + 1));
  if (quoted(*value)) *value = value->substr(1, value->size() - 2);
  return true;
}

std::wstring value_as_written(const std::wstring& value) {
  const bool needs_quotes = !value.empty() && (is_blank(value.front()) || is_blank(value.back()) ||
                                               quoted(value));
  return needs_quotes ? L"\"" + value + L"\"" : value;
}

}  // namespace

ProfileFile::ProfileFile(FilePath path) : path_(std::move(path)) {
  if (!file_exists(path_)) return;
  Bytes bytes;
  if (!read_file(path_, &bytes)) {
    readable_ = false;
    return;
  }
  DecodedText decoded = decode_text_file(bytes);
  encoding_ = decoded.encoding;
  const std::wstring& text = decoded.text;
  if (text.find(L"\r\n") == std::wstring::npos && text.find(L'\n') != std::wstring::npos) {
    line_break_ = L"\n";
  }
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) {
      lines_.push_back(text.substr(start));
      break;
    }
    lines_.push_back(text.substr(start, end - start));
    start = end + ((text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n') ? 2 : 1);
  }
}

ProfileFile::Place ProfileFile::find(const std::wstring& section, const std::wstring& key) const {
  Place place;
  place.line = lines_.size();
  bool inside = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::wstring_view name;
    std::wstring_view value;
    if (section_line(lines_[i], &name)) {
      if (inside) inside = false;  // a later section of the same name is not looked into
      if (!place.section_found && same_name(name, section)) {
        inside = true;
        place.section_found = true;
        place.line = i + 1;
      }
      continue;
    }
    if (!inside) continue;
    if (key_line(lines_[i], &name, &value) && same_name(name, key)) {
      place.line = i;
      place.key_found = true;
      return place;
    }
    // A new key goes after the section's last line that is not blank.
    if (!trimmed(lines_[i]).empty()) place.line = i + 1;
  }
  return place;
}

std::optional<std::string> ProfileFile::read(const std::string& section,
                                             const std::string& key) const {
  const Place place = find(widen(section), widen(key));
  if (!place.key_found) return std::nullopt;
  std::wstring_view name;
  std::wstring_view value;
  key_line(lines_[place.line], &name, &value);
  return narrow(value);
}

void ProfileFile::set(const std::string& section, const std::string& key,
                      const std::string& value) {
  const std::wstring wide_section = widen(section);
  const std::wstring wide_key = widen(key);
  const std::wstring line = wide_key + L"=" + value_as_written(widen(value));
  const Place place = find(wide_section, wide_key);
  if (place.key_found) {
    lines_[place.line] = line;
  } else if (place.section_found) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(place.line), line);
  } else {
    if (!lines_.empty() && !trimmed(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back(L"[" + wide_section + L"]");
    lines_.push_back(line);
  }
}

void ProfileFile::remove(const std::string& section, const std::string& key) {
  const std::wstring wide_section = widen(section);
  const std::wstring wide_key = widen(key);
  bool inside = false;
  for (size_t i = 0; i < lines_.size();) {
    std::wstring_view name;
    std::wstring_view value;
    if (section_line(lines_[i], &name)) {
      inside = same_name(name, wide_section);
    } else if (inside && key_line(lines_[i], &name, &value) && same_name(name, wide_key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    ++i;
  }
}

bool ProfileFile::save() {
  if (!readable_) return false;
  std::wstring text;
  for (const std::wstring& line : lines_) text += line + line_break_;
  return replace_file_content(path_, encode_text_file(text, encoding_));
}

}  // namespace runtime
