// The GBK text routines: searching, replacing, splitting, trimming and
// reading numbers, on any bytes.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "runtime/text.h"

namespace {

bool is_boundary(const std::string& text, size_t offset) {
  size_t pos = 0;
  while (pos < offset) pos += static_cast<size_t>(runtime::char_length_at(text, pos));
  return pos == offset;
}

bool same_ignoring_ascii_case(const std::string& a, const std::string& b) {
  return runtime::to_lower_ascii(a) == runtime::to_lower_ascii(b);
}

void check_found(const std::string& text, const std::string& search, int at, bool ignore_case) {
  if (at < 0) return;
  FUZZ_EXPECT(at >= 1 && static_cast<size_t>(at - 1) + search.size() <= text.size());
  FUZZ_EXPECT(is_boundary(text, static_cast<size_t>(at - 1)));
  const std::string found = text.substr(static_cast<size_t>(at - 1), search.size());
  FUZZ_EXPECT(ignore_case ? same_ignoring_ascii_case(found, search) : found == search);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input = fuzz::read_input(data, size, 3);
  const std::string& text = input.texts[0];
  const std::string& search = input.texts[1];
  const std::string& replacement = input.texts[2];
  const int start = static_cast<int>(input.options & 0x3F) - 2;
  const bool ignore_case = (input.options & 0x40) != 0;

  const int first = runtime::find(text, search, start, ignore_case);
  check_found(text, search, first, ignore_case);
  if (first > 0) FUZZ_EXPECT(first >= start);
  const int last = runtime::find_backwards(text, search, start, ignore_case);
  check_found(text, search, last, ignore_case);
  if (last > 0 && start >= 1 && static_cast<size_t>(start) <= text.size()) FUZZ_EXPECT(last <= start);
  FUZZ_EXPECT(runtime::contains(text, search, ignore_case) == (runtime::find(text, search, 1, ignore_case) > 0));

  const std::string replaced = runtime::replace(text, search, replacement, start, -1, !ignore_case);
  if (runtime::find(text, search, start, ignore_case) < 0) FUZZ_EXPECT(replaced == text);
  FUZZ_EXPECT(runtime::replace(text, search, search, start) == text);

  // Joined again, the pieces give the text back (less a separator at the end).
  const auto pieces = runtime::split(text, search);
  std::string joined;
  for (int i = 1; i <= pieces.count(); ++i) {
    if (i > 1) joined += search;
    joined += pieces[i];
  }
  FUZZ_EXPECT(joined == text || (search.empty() ? false : joined + search == text));
  FUZZ_EXPECT(runtime::split(text, search, start).count() <= (start < 0 ? pieces.count() : start));

  const std::string trimmed = runtime::trim(text);
  FUZZ_EXPECT(runtime::trim(trimmed) == trimmed);
  FUZZ_EXPECT(text.find(trimmed) != std::string::npos);
  FUZZ_EXPECT(runtime::full_to_half_width(text).size() <= text.size());
  FUZZ_EXPECT(runtime::to_upper_ascii(text).size() == text.size());
  FUZZ_EXPECT(runtime::left(text, start).size() <= text.size());
  FUZZ_EXPECT(runtime::right(text, start).size() <= text.size());
  FUZZ_EXPECT(runtime::middle(text, start, static_cast<int>(search.size()) - 1).size() <= text.size());

  const int number = runtime::text_to_int(text);
  FUZZ_EXPECT(runtime::text_to_int(runtime::int_to_text(number)) == number);
  runtime::text_to_double(text);
  FUZZ_EXPECT(runtime::text_from_bytes(text).find('\0') == std::string::npos);
  return 0;
}
