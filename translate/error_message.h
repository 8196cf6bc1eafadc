#pragma once
// The translation service's error codes, explained to the user.
#include <string>

namespace translate {

// The message for a service error code (compared as exact text); "未知原因"
// for any other code, the empty one included.
std::string error_message(const std::string& code);

}  // namespace translate
