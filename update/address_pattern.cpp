#include "update/address_pattern.h"

#include <boost/regex.hpp>

namespace update {

struct AddressPattern::Compiled {
  boost::regex expression;
};

AddressPattern::AddressPattern() = default;
AddressPattern::~AddressPattern() = default;

bool AddressPattern::compile(const std::string& pattern, bool multi_line) {
  pattern_ = pattern;
  multi_line_ = multi_line;
  compiled_.reset();
  // Boost treats "^" and "$" as multi-line unless told otherwise.
  const auto flags = boost::regex::perl | (multi_line ? boost::regex::normal : boost::regex::no_mod_m);
  try {
    compiled_ = std::make_unique<Compiled>(Compiled{boost::regex(pattern, flags)});
  } catch (const std::exception&) {
    return false;  // malformed pattern (boost::regex_error) or out of memory
  }
  return true;
}

bool AddressPattern::matches_whole(const std::string& text) const {
  if (!compiled_) return false;
  try {
    return boost::regex_match(text, compiled_->expression);
  } catch (const std::exception&) {
    return false;  // the matcher gave up on a pathological text
  }
}

}  // namespace update
