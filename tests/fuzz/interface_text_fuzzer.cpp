// The rules for interface texts on any text a foreign window may hold and
// any answer a translator may give.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "translate/interface_text.h"
#include "translate/interface_translation.h"

namespace {

std::string line_breaks(const std::string& text) {
  std::string breaks;
  for (const char c : text) {
    if (c == '\r' || c == '\n') breaks += c;
  }
  return breaks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input = fuzz::read_input(data, size, 2);
  const std::string& text = input.texts[0];
  const std::string& answer = input.texts[1];

  std::vector<std::string> sent;
  const std::string written =
      translate::translate_interface_texts({text}, [&](const std::vector<std::string>& cores) {
        sent = cores;
        return std::vector<std::string>(cores.size(), answer);
      })[0];
  for (const std::string& core : sent) {
    FUZZ_EXPECT(!core.empty());
    FUZZ_EXPECT(core.find_first_of("\r\n\t") == std::string::npos);
  }
  if (!written.empty() && fuzz::is_well_formed_gbk(text)) {
    FUZZ_EXPECT(line_breaks(written) == line_breaks(text));
  }

  // A translator that gives every marker back as it went gives back the
  // placeholders exactly.
  const std::string line = text.substr(0, text.find_first_of("\r\n"));
  const translate::PreparedLine prepared = translate::prepare_interface_line(line);
  if (prepared.send) {
    std::string restored;
    FUZZ_EXPECT(translate::unmask_placeholders(prepared.placeholders, prepared.core, &restored));
    FUZZ_EXPECT(translate::find_placeholders(restored).size() == prepared.placeholders.placeholders.size());
  }
  return 0;
}
