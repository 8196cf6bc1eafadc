// The JSON object: parsing an answer and reading and changing it by path.
// Two round trips must hold: a serialised document parses back to the same
// text, and a text stored under a member comes back from the member, also
// after the document was serialised and parsed again.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "runtime/array.h"
#include "runtime/codepage.h"
#include "script/json_object.h"

namespace {

// A text the program can hold: no zero byte, and GBK that survives the way
// to the engine and back (a byte pair GBK does not define comes back as "?").
bool storable(const std::string& text) {
  return text.find('\0') == std::string::npos && runtime::narrow(runtime::widen(text)) == text;
}

}  // namespace

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
  // Copies start without an engine of their own; parse gives them one.
  // Engines are what makes this fuzzer slow, so none is made in vain.
  if (parsed && !serialised.empty()) {
    script::JsonObject again = document.copy();
    FUZZ_EXPECT(again.parse(serialised));
    FUZZ_EXPECT(again.to_text() == serialised);
  }

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

  // A string stored under a plain member name reads back unchanged.
  if (storable(value)) {
    // A fresh engine: the input ran its script in the document's.
    script::JsonObject stored = document.copy();
    FUZZ_EXPECT(stored.parse("{}"));
    stored.set_text("['value']", value);
    FUZZ_EXPECT(stored.get_text("['value']") == value);
    // A stored backslash comes out of to_text as it is, so that an escape
    // written with set_text reaches the text as an escape; a stored "\+"
    // thus reads back as "+". Values without a backslash round-trip.
    if (value.find('\\') == std::string::npos) {
      script::JsonObject reread = stored.copy();
      FUZZ_EXPECT(reread.parse(stored.to_text()));
      FUZZ_EXPECT(reread.get_text("value") == value);
    }
  }
  return 0;
}
