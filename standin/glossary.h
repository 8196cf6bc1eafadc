#pragma once
// The stand-in's "machine translation": a table of common user-interface
// strings in several languages (one column per language code, the first
// line naming the columns), applied to one line of text at a time.
//
// A line is matched without regard to ASCII case and surrounding spaces.
// Trailing punctuation ("...", ":", "?" ...) and a trailing "(&X)" are
// kept. Like a real service it knows nothing of access keys or shortcuts:
// an "&" in front of a known line stays in front ("&Open" -> "&打开"), one
// inside a word or a tab inside the line makes a line the table does not
// know, and such a line comes back unchanged.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace standin {

class Glossary {
 public:
  // Parses tab-separated UTF-8 text: a header line of language codes, then
  // one entry per line. Blank lines and lines starting with "#" are skipped.
  // False (with error) when the header is missing or a line has the wrong
  // number of columns.
  bool parse(std::string_view text, std::string& error);
  bool load_file(const std::string& path, std::string& error);

  size_t size() const { return rows_.size(); }
  bool has_language(const std::string& code) const { return column(code) >= 0; }

  // The translation of one line (no line breaks) from one language code to
  // another; the line itself when from equals to, when either language has
  // no column, or when the line is not in the table.
  std::string translate_line(std::string_view line, const std::string& from,
                             const std::string& to) const;

 private:
  int column(const std::string& code) const;
  const std::string* lookup(int from_column, int to_column, std::string_view text) const;

  std::vector<std::string> languages_;
  std::vector<std::vector<std::string>> rows_;
  // Per column: folded text -> first row holding it.
  std::vector<std::unordered_map<std::string, size_t>> index_;
};

// "zh" when the text holds a CJK ideograph, otherwise "en".
std::string detect_language(std::string_view utf8);

}  // namespace standin
