// Reading the published version number out of the version page.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "update/version_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);
  const float version = update::parse_server_version(page);
  update::server_is_newer(version, update::kOwnVersion);
  return 0;
}
