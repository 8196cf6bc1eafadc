// Cutting a value out of a text between two markers.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "translate/encodings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input = fuzz::read_input(data, size, 3);
  const std::string& text = input.texts[0];
  const std::string value = translate::text_between(text, input.texts[1], input.texts[2]);
  FUZZ_EXPECT(text.find(value) != std::string::npos);
  return 0;
}
