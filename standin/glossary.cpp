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

// Target languages whose convention puts the mnemonic in brackets after the
// text, since their words have no Latin letter to underline.
bool brackets_mnemonic(const std::string& language) {
  return language == "zh" || language == "cht" || language == "jp" || language == "kor" ||
         language == "yue" || language == "wyw";
}

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

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

struct Mnemonic {
  std::string text;  // the line without its mnemonic marker, "&&" as "&"
  char letter = 0;   // upper case; 0 when the line has none
};

// "(&X)" anywhere (with the space before it) or "&X" marks the mnemonic X.
Mnemonic take_mnemonic(std::string_view line) {
  Mnemonic result;
  size_t bracket = line.find("(&");
  if (bracket != std::string_view::npos && bracket + 3 < line.size() &&
      is_ascii_alnum(line[bracket + 2]) && line[bracket + 3] == ')') {
    result.letter = upper(line[bracket + 2]);
    std::string_view before = line.substr(0, bracket);
    while (ends_with(before, " ")) before.remove_suffix(1);
    result.text = std::string(before) + std::string(line.substr(bracket + 4));
    return result;
  }
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '&' || i + 1 >= line.size()) {
      result.text += line[i];
    } else if (line[i + 1] == '&') {
      result.text += '&';
      ++i;
    } else if (is_ascii_alnum(line[i + 1]) || static_cast<unsigned char>(line[i + 1]) >= 0x80) {
      // A marker; only a Latin letter or digit can be carried to another script.
      if (result.letter == 0 && is_ascii_alnum(line[i + 1])) result.letter = upper(line[i + 1]);
    } else {
      result.text += line[i];
    }
  }
  return result;
}

std::string put_mnemonic(const std::string& text, char letter, const std::string& language) {
  if (letter == 0) return text;
  std::string escaped;
  for (char c : text) {
    escaped += c;
    if (c == '&') escaped += '&';
  }
  if (!brackets_mnemonic(language)) {
    // The letter at the start of a word ("Save &As"), else its first use ("E&xit").
    size_t found = std::string::npos;
    for (size_t i = 0; i < escaped.size(); ++i) {
      if (upper(escaped[i]) != letter || (i > 0 && escaped[i - 1] == '&')) continue;
      if (i == 0 || escaped[i - 1] == ' ') {
        found = i;
        break;
      }
      if (found == std::string::npos) found = i;
    }
    if (found != std::string::npos) return escaped.substr(0, found) + '&' + escaped.substr(found);
  }
  return escaped + "(&" + letter + ")";
}

// Splits off the run of trailing marks (and spaces between them).
std::pair<std::string_view, std::string_view> split_trailing_marks(std::string_view text) {
  size_t end = text.size();
  bool progressed = true;
  while (progressed && end > 0) {
    progressed = false;
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

  // "&Open...\tCtrl+O": the accelerator after the tab is not translated.
  size_t tab = line.find('\t');
  std::string_view head = trim(line.substr(0, tab));
  std::string_view accelerator =
      tab == std::string_view::npos ? std::string_view() : line.substr(tab);
  if (head.empty()) return std::string(line);

  Mnemonic mnemonic = take_mnemonic(head);
  std::string_view text = trim(mnemonic.text);
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
  return put_mnemonic(*found, mnemonic.letter, to) + std::string(marks) + std::string(accelerator);
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
