#pragma once
// The languages of the manual translation page: a list position maps to the
// code the translation service expects. Both lists share the order; only the
// label of entry 0 differs.
#include <string>

namespace translate {

inline constexpr int kLanguageCount = 29;

// The service code of list entry index (0-based); empty outside 0 … 28.
std::string language_code(int index);

// The label of entry index in the source list and in the target list
// (entry 0 of the target list says that it cannot be chosen).
std::string source_language_label(int index);
std::string target_language_label(int index);

// The target list refuses entry 0 (automatic detection): this is the entry
// it falls back to and the message it shows.
inline constexpr int kTargetFallbackIndex = 1;
inline constexpr char kTargetAutoRefused[] = "请勿选择“自动选择”!";

}  // namespace translate
