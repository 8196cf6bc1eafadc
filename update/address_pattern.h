#pragma once
// A regular expression held for the life of the program: its pattern text,
// whether it is multi-line, and the compiled form. Perl syntax, letter case
// significant. Compiling again replaces what was held.
#include <memory>
#include <string>

namespace update {

// A mail address as the feedback form accepts it: word characters with
// "-", "+" or "." between them, "@", word characters with "-" or "."
// between them, and ".com" in lower case at the very end.
inline constexpr char kMailAddressPattern[] = R"(\w+([-+.]\w+)*@\w+([-.]\w+)*\.com)";

class AddressPattern {
 public:
  AddressPattern();
  ~AddressPattern();
  AddressPattern(const AddressPattern&) = delete;
  AddressPattern& operator=(const AddressPattern&) = delete;

  // Compiles pattern (ASCII or GBK bytes). With multi_line, "^" and "$" also
  // match at line breaks inside a text. A malformed pattern gives false and
  // leaves nothing compiled.
  bool compile(const std::string& pattern, bool multi_line = false);

  // True when the whole text matches, from its first byte to its last;
  // false when nothing is compiled or the match cannot be decided.
  bool matches_whole(const std::string& text) const;

  bool compiled() const { return compiled_ != nullptr; }
  const std::string& pattern() const { return pattern_; }
  bool multi_line() const { return multi_line_; }

 private:
  struct Compiled;

  std::string pattern_;
  bool multi_line_ = false;
  std::unique_ptr<Compiled> compiled_;
};

}  // namespace update
