// The JSON object: parsing an answer and reading and changing it by path.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "runtime/array.h"
#include "script/json_object.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input = fuzz::read_input(data, size, 3);
  const std::string& text = input.texts[0];
  const std::string& path = input.texts[1];
  const std::string& value = input.texts[2];
  const bool as_json = (input.options & 1) != 0;

  script::JsonObject document;
  const bool parsed = document.parse(text);
  const std::string serialised = document.to_text();
  if (!parsed) FUZZ_EXPECT(serialised.empty() || serialised == "null");

  const int type = document.get_type(path);
  FUZZ_EXPECT(type >= script::kJsonUnknown && type <= script::kJsonString);
  document.get_text(path, as_json);
  runtime::Array<std::string> names;
  FUZZ_EXPECT(document.get_member_names(names, path) == names.count());
  FUZZ_EXPECT(document.get_count(path) >= 0);
  document.get_number(path);
  document.get_object(path).to_text();

  script::JsonObject changed = document.copy();
  changed.set_text(path, value, as_json);
  changed.append_item(value, path, !as_json);
  changed.get_item_text(static_cast<int>(input.options >> 1), path, as_json);
  changed.remove_item(0, path);
  changed.remove_member(path);
  return 0;
}
