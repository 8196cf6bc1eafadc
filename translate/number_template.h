#pragma once
// Texts that differ only in their numbers share one entry of the translation
// memory: "Copying 3 of 10 files" and "Copying 4 of 10 files" are both held
// as "Copying {0} of {1} files", and the entry's translation gets the
// numbers of each text put back into its markers. The entry is an ordinary
// one (the templated text is its text), so the memory's file is unchanged.
// A translation that lost one of the markers is never used.
#include <string>
#include <vector>

#include "translate/translation_memory.h"

namespace translate {

struct NumberTemplate {
  std::string text;                  // the GBK text with {0}, {1}, ... for its numbers
  std::vector<std::string> numbers;  // the numbers taken out, in order; empty: no template
};

// Every run of ASCII digits (with single '.' or ',' between digits, as in
// "2.5" or "1,024") becomes a marker. A text without numbers, one that
// already holds something that reads as a marker ("{0}"), and one that would
// be nothing but markers, spaces and punctuation get no template.
NumberTemplate number_template(const std::string& gbk_text);

// The translation of a template with the numbers put in place of their
// markers; empty when any marker {0} ... {n-1} is missing from it.
std::string fill_numbers(const std::string& template_translation,
                         const std::vector<std::string>& numbers);

// translate_with_memory, with number templates: a text the memory holds as
// it stands is taken from there; otherwise a text with numbers is looked up,
// and if need be sent, as its template. A template whose translation lost a
// marker is not stored; its texts are then sent as they stand.
// *untranslated, when given, receives the number of texts the service gave
// nothing for, as translate_with_memory counts them.
std::vector<std::string> translate_with_number_templates(const std::vector<std::string>& texts,
                                                         TranslationMemory& memory,
                                                         const TranslationService& service,
                                                         int* untranslated = nullptr);

// What the memory alone gives each text (as itself or through its
// template), "" where it holds nothing usable. Never asks the service.
std::vector<std::string> remembered_with_number_templates(const std::vector<std::string>& texts,
                                                          const TranslationMemory& memory);

}  // namespace translate
