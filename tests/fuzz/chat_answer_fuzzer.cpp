// Reading a chat model's answer: whatever the content, an array found has
// the length asked for; and an array of strings written between prose, with
// no brackets, fences or thinking tags outside it (nor fences or tags in its
// texts), is found exactly as it was.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "translate/chat_request.h"

namespace {

std::string without_markers(std::string text) {
  std::string kept;
  for (const char c : text) {
    if (c != '[' && c != '`' && c != '<' && c != '{') kept += c;
  }
  return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input = fuzz::read_input(data, size, 3);
  const std::size_t count = input.options % 8;
  const std::string raw(reinterpret_cast<const char*>(data), size);

  if (const auto found = translate::read_translation_array(raw, count)) {
    FUZZ_EXPECT(found->size() == count);
  }
  const int status = static_cast<int>(input.options) * 3;
  const translate::ChatReply reply = translate::read_chat_reply(status, raw);
  if (reply.kind == translate::ChatReply::Kind::kContent) FUZZ_EXPECT(status >= 200 && status <= 299);

  // The texts of the middle part, one per line, as a model would answer them.
  std::vector<std::string> texts;
  const std::string& middle = input.texts[1];
  for (std::size_t start = 0; start <= middle.size();) {
    std::size_t end = middle.find('\n', start);
    if (end == std::string::npos) end = middle.size();
    std::string text = middle.substr(start, end - start);
    std::string plain;
    for (const char c : text) {
      if (c != '`' && c != '<') plain += c;
    }
    texts.push_back(plain);
    start = end + 1;
  }
  const std::string array =
      nlohmann::json(texts).dump(input.options & 1 ? 2 : -1, ' ', false, nlohmann::json::error_handler_t::replace);
  const std::vector<std::string> written = nlohmann::json::parse(array).get<std::vector<std::string>>();
  const std::string content = without_markers(input.texts[0]) + array + without_markers(input.texts[2]);
  const auto found = translate::read_translation_array(content, written.size());
  FUZZ_EXPECT(found.has_value() && *found == written);
  return 0;
}
