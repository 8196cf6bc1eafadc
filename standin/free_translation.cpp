#include "standin/free_translation.h"

#include <cstring>
#include <vector>

namespace standin {
namespace {

constexpr size_t kLongestPhrase = 4;  // words
const char kArabicPercent[] = u8"\u066a";

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_word_char(char c) { return is_digit(c) || is_letter(c) || c == '\''; }

bool writes_without_spaces(const std::string& language) {
  return language == "zh" || language == "cht" || language == "jp" || language == "yue" ||
         language == "wyw";
}

// Length of a placeholder at line[pos], 0 when none starts there.
size_t placeholder_length(std::string_view line, size_t pos) {
  if (line[pos] == '%') {
    size_t p = pos + 1;
    if (p < line.size() && line[p] >= '1' && line[p] <= '9') {
      while (p < line.size() && is_digit(line[p])) ++p;
      if (p >= line.size() || !is_letter(line[p])) return p - pos;  // "%1"
    }
    p = pos + 1;
    while (p < line.size() && std::strchr("-+#0", line[p]) != nullptr) ++p;
    while (p < line.size() && (is_digit(line[p]) || line[p] == '.')) ++p;
    while (p < line.size() && std::strchr("hlLzjt", line[p]) != nullptr && p + 1 < line.size() &&
           is_letter(line[p + 1])) {
      ++p;
    }
    return p < line.size() && is_letter(line[p]) ? p + 1 - pos : 0;
  }
  if (line[pos] == '{') {
    size_t p = pos + 1;
    while (p < line.size() && (is_word_char(line[p]) || line[p] == '_')) ++p;
    return p > pos + 1 && p < line.size() && line[p] == '}' ? p + 1 - pos : 0;
  }
  return 0;
}

std::string mangled(std::string_view placeholder) {
  if (placeholder[0] == '{') {
    return "{ " + std::string(placeholder.substr(1, placeholder.size() - 2)) + " }";
  }
  const char conversion = placeholder.back();
  if (is_digit(conversion) || conversion == 'd' || conversion == 'i' || conversion == 'u') {
    return "% " + std::string(placeholder.substr(1));
  }
  return kArabicPercent + std::string(placeholder.substr(1));
}

struct Piece {
  enum Kind { kWord, kSpace, kPlaceholder, kOther } kind;
  std::string text;
  bool translated = false;
};

std::vector<Piece> split_pieces(std::string_view line) {
  std::vector<Piece> pieces;
  size_t pos = 0;
  while (pos < line.size()) {
    const char c = line[pos];
    size_t end = pos + 1;
    Piece::Kind kind = Piece::kOther;
    if (const size_t length = placeholder_length(line, pos)) {
      kind = Piece::kPlaceholder;
      end = pos + length;
    } else if (c == ' ' || c == '\t') {
      kind = Piece::kSpace;
      while (end < line.size() && (line[end] == ' ' || line[end] == '\t')) ++end;
    } else if (is_word_char(c)) {
      kind = Piece::kWord;
      while (end < line.size() &&
             (is_word_char(line[end]) ||
              (line[end] == '-' && end + 1 < line.size() && is_letter(line[end + 1])))) {
        ++end;
      }
    }
    pieces.push_back({kind, std::string(line.substr(pos, end - pos))});
    pos = end;
  }
  return pieces;
}

// The longest known phrase starting at the word pieces[i]: how many pieces
// it takes (0: none) and its translation.
size_t known_phrase(const Glossary& glossary, const std::vector<Piece>& pieces, size_t i,
                    const std::string& from, const std::string& to, std::string* translation) {
  std::vector<size_t> ends;  // piece index after each candidate phrase
  std::vector<std::string> phrases;
  std::string phrase;
  for (size_t k = i; k < pieces.size() && phrases.size() < kLongestPhrase; k += 2) {
    if (pieces[k].kind != Piece::kWord) break;
    phrase += (phrase.empty() ? "" : " ") + pieces[k].text;
    phrases.push_back(phrase);
    ends.push_back(k + 1);
    if (k + 1 >= pieces.size() || pieces[k + 1].kind != Piece::kSpace) break;
  }
  for (size_t n = phrases.size(); n-- > 0;) {
    std::string translated = glossary.translate_line(phrases[n], from, to);
    if (translated != phrases[n]) {
      *translation = std::move(translated);
      return ends[n] - i;
    }
  }
  return 0;
}

}  // namespace

std::string mangle_placeholders(std::string_view line) {
  std::string out;
  for (size_t pos = 0; pos < line.size();) {
    if (const size_t length = placeholder_length(line, pos)) {
      out += mangled(line.substr(pos, length));
      pos += length;
    } else {
      out += line[pos++];
    }
  }
  return out;
}

std::string translate_freely(const Glossary& glossary, std::string_view line,
                             const std::string& from, const std::string& to) {
  const std::string whole = glossary.translate_line(line, from, to);
  if (whole != line) return mangle_placeholders(whole);

  const std::vector<Piece> pieces = split_pieces(line);
  std::vector<Piece> out;
  for (size_t i = 0; i < pieces.size();) {
    std::string translation;
    const size_t taken = pieces[i].kind == Piece::kWord
                             ? known_phrase(glossary, pieces, i, from, to, &translation)
                             : 0;
    if (taken > 0) {
      out.push_back({Piece::kWord, translation, true});
      i += taken;
      continue;
    }
    Piece piece = pieces[i++];
    if (piece.kind == Piece::kSpace) piece.text = " ";
    if (piece.kind == Piece::kPlaceholder) piece.text = mangled(piece.text);
    out.push_back(std::move(piece));
  }
  std::string text;
  for (size_t i = 0; i < out.size(); ++i) {
    const bool edge = i == 0 || i + 1 == out.size();
    if (out[i].kind == Piece::kSpace &&
        (edge || (writes_without_spaces(to) && out[i - 1].translated && out[i + 1].translated))) {
      continue;
    }
    text += out[i].text;
  }
  return text;
}

}  // namespace standin
