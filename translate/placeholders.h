#pragma once
// Format placeholders inside interface texts ("%d files", "Copying %1 to
// %2", "{0} of {1}"): the program that owns the text fills them in, so a
// translation must carry each of them over exactly, or the text is broken.
// Texts are GBK; placeholders are ASCII and never start inside a two-byte
// character.
#include <string>
#include <string_view>
#include <vector>

namespace translate {

struct Placeholder {
  std::string text;
  // A printf conversion without a position ("%s", "%-10d"): its arguments
  // come in the order of the text, so such placeholders may not change
  // places. Positional ones ("%1", "%1!s!", "%2$s", "{0}", "{name}") and
  // "%%" may.
  bool sequential = false;
};

// The placeholders of a text in order: printf conversions ("%s", "%ls",
// "%-10s", "%.2f", "%2$s"), "%%", FormatMessage inserts ("%1", "%1!s!") and
// braces ("{0}", "{name}", "{0:N2}"; "{{" is a literal brace).
std::vector<Placeholder> find_placeholders(std::string_view text);

// A text whose placeholders are replaced by markers that translators leave
// alone (an unknown word each), and what to put back.
struct MaskedPlaceholders {
  std::string text;
  std::vector<Placeholder> placeholders;  // in the order of the original
  bool masked = false;  // false: the text is sent with its placeholders as they are
};

MaskedPlaceholders mask_placeholders(std::string_view text);

// The translation of a masked text with its placeholders back in place.
// False when the translation lost, repeated or invented one, or moved a
// sequential one before another.
bool unmask_placeholders(const MaskedPlaceholders& masked, std::string_view translation,
                         std::string* restored);

}  // namespace translate
