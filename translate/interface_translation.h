#pragma once
// The rules for interface texts (interface_text.h) around any translator:
// each text is cut at its line breaks, every line is prepared, only the
// prepared cores travel (so a memory behind the translator is keyed by
// them), and the translations are put back into the lines. Every engine
// and every caller of the interface translation goes through here.
#include <functional>
#include <string>
#include <vector>

namespace translate {

// Many texts at once: cores in, one translation per core out, in order
// ("" where there is none; missing entries count as "").
using TextsTranslator = std::function<std::vector<std::string>(const std::vector<std::string>&)>;
// One text at a time.
using TextTranslator = std::function<std::string(const std::string&)>;

// One translation per GBK text, in order: the text to write, or "" when
// the control keeps its text. A text keeps it when nothing in it is worth
// sending, and when any line that was sent gets no usable translation (see
// put_back_interface_line). translator is called once, with each distinct
// core once, and not at all when there is nothing to send.
std::vector<std::string> translate_interface_texts(const std::vector<std::string>& texts,
                                                   const TextsTranslator& translator);

// The same for one text, one core at a time; after the first core without
// a translation the rest are not asked for (the crosshair preview's
// translator answers "" when it may not send now, and a later tick tries
// again).
std::string translate_interface_text(const std::string& text, const TextTranslator& translator);

}  // namespace translate
