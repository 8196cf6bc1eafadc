#pragma once
// Rules over request and response header blocks: lines separated by
// "\r\n" without a trailing line break. Header names compare without regard
// to ASCII letter case, as HTTP defines them.
#include <optional>
#include <string>
#include <string_view>

namespace net {

// The agent sent when the caller's headers name none.
inline constexpr char kDefaultAgent[] = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// Drops lines without ':' and upper-cases the first letter of every
// '-'-separated piece of each header name; the rest of each line is kept.
// "x-requested-with: a" becomes "X-Requested-With: a".
std::string normalize_header_names(std::string_view headers);

// The text in front of the first occurrence of separator (exact case), or
// empty when it does not occur.
std::string text_before(std::string_view text, std::string_view separator);

// The value of the first line named name, without surrounding spaces;
// nullopt when no line has that name.
std::optional<std::string> header_value(std::string_view headers, std::string_view name);
bool has_header(std::string_view headers, std::string_view name);

// The user-agent text for the session: the value of the "User-Agent" line
// (possibly empty), else kDefaultAgent.
std::string agent_from_headers(std::string_view headers);

// Adds what a browser sends when the caller left it out: "Accept",
// "Referer" (the URL as given), "Accept-Language" and, for a POST only,
// "Content-Type" of a form.
std::string complete_header_block(std::string headers, std::string_view url, bool is_post);

// Attaches a cookie text: joined to an existing "Cookie" line, else as a
// new "Cookie" line at the end. An empty cookie text changes nothing.
std::string add_cookie_header(std::string headers, std::string_view cookies);

// The name=value pairs of the response's "Set-Cookie: " lines, joined by
// "; "; attributes such as path and expiry are dropped.
std::string collect_set_cookies(std::string_view response_headers);

}  // namespace net
