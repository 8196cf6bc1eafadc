#pragma once
// Data compiled into the executable as resources.
#include <string>

namespace platform {

// The bytes of the RCDATA resource with the given id in the running
// executable; empty when there is none.
std::string resource_bytes(int id);

}  // namespace platform
