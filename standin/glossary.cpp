#include "standin/glossary.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "standin/json_text.h"

namespace standin {
namespace {

const std::string_view kIdeographicSpace = u8"\u3000";

// Trailing marks kept as they are after a translated stem ("...", " :", "?").
const std::string_view kTrailingMarks[] = {
    ".",        u8"\u2026", ":",        "?",        "!",        ";", ">",
    u8"\uff1a", u8"\uff1f", u8"\uff01", u8"\u3002", u8"\uff1b", " ", kIdeographicSpace,
};

bool ends_with(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool starts_with(std::string_view text, std::string_view head) {
  return text.size() >= head.size() && text.compare(0, head.size(), head) == 0;
}

std::string_view trim(std::string_view text) {
  for (;;) {
    if (starts_with(text, " ") || starts_with(text, "\t"))
      text.remove_prefix(1);
    else if (starts_with(text, kIdeographicSpace))
      text.remove_prefix(kIdeographicSpace.size());
    else
      break;
  }
  for (;;) {
    if (ends_with(text, " ") || ends_with(text, "\t"))
      text.remove_suffix(1);
    else if (ends_with(text, kIdeographicSpace))
      text.remove_suffix(kIdeographicSpace.size());
    else
      break;
  }
  return text;
}

std::string fold(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool is_ascii_alnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }


// A service reads "&" as an ordinary character. In front of a word it is
// kept in front of the translation ("&Open" -> "&打开"); inside a word
// ("E&xit") it makes a word the service does not know.
bool take_leading_ampersand(std::string_view* text) {
  if (text->size() < 2 || (*text)[0] != '&' || (*text)[1] == '&' || (*text)[1] == ' ') return false;
  text->remove_prefix(1);
  return true;
}

// "(&X)" at the end, as Chinese interface texts write an access key: not
// language, so it stays behind the translation ("打开(&O)" -> "Open(&O)").
size_t bracket_key_length(std::string_view text) {
  const size_t n = text.size();
  if (n >= 4 && text[n - 1] == ')' && is_ascii_alnum(text[n - 2]) && text[n - 3] == '&' &&
      text[n - 4] == '(') {
    return 4;
  }
  return 0;
}

// Splits off the run of trailing marks (and spaces between them).
std::pair<std::string_view, std::string_view> split_trailing_marks(std::string_view text) {
  size_t end = text.size();
  bool progressed = true;
  while (progressed && end > 0) {
    progressed = false;
    if (const size_t key = bracket_key_length(text.substr(0, end))) {
      end -= key;
      progressed = true;
      continue;
    }
    for (std::string_view mark : kTrailingMarks) {
      if (ends_with(text.substr(0, end), mark)) {
        end -= mark.size();
        progressed = true;
        break;
      }
    }
  }
  return {text.substr(0, end), text.substr(end)};
}

std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream stream(line);
  std::string cell;
  while (std::getline(stream, cell, '\t')) cells.push_back(cell);
  if (!line.empty() && line.back() == '\t') cells.emplace_back();
  return cells;
}

}  // namespace

bool Glossary::parse(std::string_view text, std::string& error) {
  languages_.clear();
  rows_.clear();
  index_.clear();
  std::stringstream stream{std::string(text)};
  std::string line;
  int line_number = 0;
  while (std::getline(stream, line)) {
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line_number == 1 && starts_with(line, "\xEF\xBB\xBF")) line.erase(0, 3);
    if (trim(line).empty() || line[0] == '#') continue;
    std::vector<std::string> cells = split_tabs(line);
    if (languages_.empty()) {
      if (cells.size() < 2) {
        error =
            "line " + std::to_string(line_number) + ": the header needs two or more language codes";
        return false;
      }
      languages_ = cells;
      index_.resize(cells.size());
      continue;
    }
    if (cells.size() != languages_.size()) {
      error = "line " + std::to_string(line_number) + ": " + std::to_string(cells.size()) +
              " columns, the header has " + std::to_string(languages_.size());
      return false;
    }
    for (size_t c = 0; c < cells.size(); ++c) {
      std::string key = fold(trim(cells[c]));
      if (!key.empty()) index_[c].emplace(key, rows_.size());  // the first entry wins
    }
    rows_.push_back(std::move(cells));
  }
  if (languages_.empty()) {
    error = "no header line of language codes";
    return false;
  }
  return true;
}

bool Glossary::load_file(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot read " + path;
    return false;
  }
  std::stringstream content;
  content << file.rdbuf();
  if (!parse(content.str(), error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

int Glossary::column(const std::string& code) const {
  for (size_t i = 0; i < languages_.size(); ++i) {
    if (languages_[i] == code) return static_cast<int>(i);
  }
  return -1;
}

const std::string* Glossary::lookup(int from_column, int to_column, std::string_view text) const {
  const auto& index = index_[static_cast<size_t>(from_column)];
  auto it = index.find(fold(trim(text)));
  if (it == index.end()) return nullptr;
  const std::string& translation = rows_[it->second][static_cast<size_t>(to_column)];
  return translation.empty() ? nullptr : &translation;
}

std::string Glossary::translate_line(std::string_view line, const std::string& from,
                                     const std::string& to) const {
  int from_column = column(from);
  int to_column = column(to);
  if (from == to || from_column < 0 || to_column < 0) return std::string(line);

  // A tab is ordinary text: a line holding one is a line the table lacks.
  std::string_view text = trim(line);
  if (text.empty()) return std::string(line);
  const bool ampersand = take_leading_ampersand(&text);
  std::string_view marks;
  const std::string* found = lookup(from_column, to_column, text);
  if (!found) {
    auto [stem, trailing] = split_trailing_marks(text);
    if (!trailing.empty() && !trim(stem).empty()) {
      found = lookup(from_column, to_column, stem);
      marks = trim(trailing);
    }
  }
  if (!found) return std::string(line);
  return (ampersand ? "&" : "") + *found + std::string(marks);
}

std::string detect_language(std::string_view utf8) {
  size_t pos = 0;
  while (pos < utf8.size()) {
    int32_t code = next_code_point(utf8, pos);
    if ((code >= 0x4E00 && code <= 0x9FFF) || (code >= 0x3400 && code <= 0x4DBF) ||
        (code >= 0xF900 && code <= 0xFAFF) || (code >= 0x20000 && code <= 0x2FA1F)) {
      return "zh";
    }
  }
  return "en";
}

}  // namespace standin
