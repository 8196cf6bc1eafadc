#pragma once
// Reading "a=1&b=2" parameter lists, from a query string or a form body,
// the way a web service does: "+" is a space, %XX is the byte XX, every
// other byte (raw UTF-8 included) passes through unchanged.
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct Param {
  std::string name;
  std::string value;
};
using Params = std::vector<Param>;

// Decodes one form-encoded piece. A "%" not followed by two hexadecimal
// digits stays as it is.
std::string form_decode(std::string_view encoded);

// Splits at "&", then each piece at its first "="; names and values are
// decoded. Empty pieces are skipped; a piece without "=" is a name with an
// empty value. The order of the text is kept.
Params parse_params(std::string_view text);

// The value of the last parameter with that name (a later repetition
// overrides an earlier one), or nullptr.
const std::string* find_param(const Params& params, std::string_view name);

}  // namespace standin
