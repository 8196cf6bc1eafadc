// Reading the translation service's answer to a manual translation.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "translate/manual_translate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string answer(reinterpret_cast<const char*>(data), size);
  const translate::ManualAnswer read = translate::read_manual_answer(answer);
  using Kind = translate::ManualAnswer::Kind;
  if (read.kind != Kind::kResults) FUZZ_EXPECT(read.lines.empty());
  if (read.kind == Kind::kResults) FUZZ_EXPECT(!read.lines.empty());
  if (read.kind == Kind::kError) FUZZ_EXPECT(!read.message.empty());
  return 0;
}
