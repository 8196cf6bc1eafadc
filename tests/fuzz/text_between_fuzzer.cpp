// Cutting a value out of a text between two markers, compared with a
// reading written here from the routine's description: markers match only
// where a character starts, "#引号" in a marker stands for a double quote.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "runtime/codepage.h"
#include "translate/encodings.h"

namespace {

// Byte offsets where a character starts: a byte of 0x80 or more takes the
// byte after it, when there is one.
std::vector<std::size_t> character_starts(const std::string& text) {
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < text.size();) {
    starts.push_back(at);
    at += (static_cast<unsigned char>(text[at]) >= 0x80 && at + 1 < text.size()) ? 2 : 1;
  }
  return starts;
}

std::string with_quotes(const std::string& marker, const std::string& placeholder) {
  std::string result;
  for (std::size_t at = 0; at < marker.size();) {
    if (marker.compare(at, placeholder.size(), placeholder) == 0) {
      result.push_back('"');
      at += placeholder.size();
      continue;
    }
    const std::size_t length =
        (static_cast<unsigned char>(marker[at]) >= 0x80 && at + 1 < marker.size()) ? 2 : 1;
    result.append(marker, at, length);
    at += length;
  }
  return result;
}

// The first character start at or after from where marker occurs; npos
// when there is none or the marker is empty.
std::size_t find_at_start(const std::string& text, const std::string& marker, std::size_t from) {
  if (marker.empty()) return std::string::npos;
  for (std::size_t at : character_starts(text)) {
    if (at >= from && text.compare(at, marker.size(), marker) == 0) return at;
  }
  return std::string::npos;
}

std::string expected_between(const std::string& text, const std::string& start,
                             const std::string& end) {
  const std::size_t start_at = find_at_start(text, start, 0);
  if (start_at == std::string::npos) return {};
  const std::size_t value_at = start_at + start.size();
  const std::size_t end_at = find_at_start(text, end, value_at);
  if (end_at == std::string::npos) return {};
  return text.substr(value_at, end_at - value_at);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input = fuzz::read_input(data, size, 3);
  const std::string placeholder = runtime::narrow(L"#引号");
  const std::string& text = input.texts[0];
  const std::string value = translate::text_between(text, input.texts[1], input.texts[2]);
  FUZZ_EXPECT(value == expected_between(text, with_quotes(input.texts[1], placeholder),
                                        with_quotes(input.texts[2], placeholder)));

  // A value put between two markers the text holds nowhere else comes back.
  const std::string start = "<" + input.texts[1].substr(0, 8) + ">";
  const std::string end = "</" + input.texts[2].substr(0, 8) + ">";
  const std::string built = text + start + input.texts[1] + end + input.texts[2];
  if (fuzz::is_well_formed_gbk(text) && fuzz::is_well_formed_gbk(input.texts[1]) &&
      built.find(start) == text.size() &&
      (input.texts[1] + end).find(end) == input.texts[1].size() &&
      start.find(placeholder) == std::string::npos && end.find(placeholder) == std::string::npos) {
    FUZZ_EXPECT(translate::text_between(built, start, end) == input.texts[1]);
  }
  return 0;
}
