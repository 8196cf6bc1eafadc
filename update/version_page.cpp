// Reading the version page. Kept apart from the fetching so that the reading
// builds on any platform.
#include "runtime/text.h"
#include "translate/encodings.h"
#include "update/version_check.h"

namespace update {

float parse_server_version(std::string_view page_text) {
  const std::string number = translate::text_between(page_text, "版本号:", "|");
  return static_cast<float>(runtime::text_to_double(number));
}

}  // namespace update
