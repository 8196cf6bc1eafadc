// Merging the cookies a response set into the ones that were sent.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "net/cookies.h"
#include "runtime/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input = fuzz::read_input(data, size, 2);
  std::string cookies = input.texts[0];
  std::string new_cookies = input.texts[1];
  const std::string merged = net::merge_cookies(cookies, new_cookies);
  FUZZ_EXPECT(merged == cookies);
  FUZZ_EXPECT(merged.find("=deleted; ") == std::string::npos);
  // Merging again with nothing new brings back nothing that was dropped.
  std::string nothing_new;
  std::string again = merged;
  for (const std::string& item : runtime::split(net::merge_cookies(again, nothing_new), "; ")) {
    FUZZ_EXPECT(merged.find(runtime::trim(item)) != std::string::npos);
  }

  const std::string once = net::remove_duplicates(input.texts[0], input.texts[1]);
  if (fuzz::is_well_formed_gbk(input.texts[0]) && fuzz::is_well_formed_gbk(input.texts[1])) {
    // No piece twice (a trailing empty piece is dropped when split again).
    const auto pieces = runtime::split(once, input.texts[1]).items();
    for (size_t i = 0; i < pieces.size(); ++i) {
      for (size_t k = i + 1; k < pieces.size(); ++k) FUZZ_EXPECT(pieces[i] != pieces[k]);
    }
  }
  FUZZ_EXPECT(net::cookie_name(input.texts[0]).size() <= input.texts[0].size());
  return 0;
}
