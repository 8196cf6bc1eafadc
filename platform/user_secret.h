#pragma once
// Secrets kept in a file for the current Windows user: encrypted with the
// user's data-protection key (CryptProtectData) and written as one line of
// base64, so that only this user on this machine can read them back.
#include <string>
#include <string_view>

namespace platform {

// The secret's bytes, encrypted and base64-encoded (no line breaks). False
// when the system refused.
bool protect_for_user(std::string_view secret, std::string* base64);

// The bytes protect_for_user encrypted. False for text that is no base64,
// was protected by another user or machine, or was changed since.
bool unprotect_for_user(std::string_view base64, std::string* secret);

}  // namespace platform
