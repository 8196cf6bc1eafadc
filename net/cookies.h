#pragma once
// Cookie texts: items "name=value" joined by "; ", with no domain, path or
// expiry bookkeeping. A server deletes a cookie by setting it to "deleted".
#include <string>
#include <string_view>

namespace net {

// Merges the cookies a response set over the ones the caller sent: first
// new_cookies in their order, then the old items whose names new_cookies
// does not set; items set to "deleted" and exact repeats are dropped.
// cookies receives the merged text, which is also returned. new_cookies is
// tidied in place (trimmed; a trailing ";" gets its space).
std::string merge_cookies(std::string& cookies, std::string& new_cookies);

// The name of one item: the text in front of its first '=' (the whole item
// when it has none), without surrounding spaces. Case matters.
std::string cookie_name(std::string_view item);

// The items of text split at separator, each kept at its first occurrence,
// joined again with separator.
std::string remove_duplicates(std::string_view text, std::string_view separator);

}  // namespace net
