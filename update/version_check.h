#pragma once
// The version check against the update server: where the version page is,
// fetching it, and reading the published version number out of it.
#include <string>
#include <string_view>

namespace update {

// The running program's version.
inline constexpr float kOwnVersion = 1.0f;

// "http://" + the update host in force + the version page's path.
std::string version_page_url();

// A plain GET of url; the body as text up to its first zero byte. Empty when
// the server could not be reached.
std::string fetch_page(const std::string& url);

// The number between "版本号:" and the next "|" after it, read after
// full-width characters became half-width and leading spaces were skipped.
// 0 when either marker is missing or no number starts the text between.
float parse_server_version(std::string_view page_text);

// Whether the server offers a newer version than the running one (compared
// as 32-bit floats).
inline bool server_is_newer(float server_version, float own_version) {
  return server_version > own_version;
}

}  // namespace update
