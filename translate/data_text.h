#pragma once
// Texts in a window that are data, not language: a translator would only
// break them (a path turned into Chinese words no longer opens, a list of
// file names no longer matches the files), so they are never sent.
#include <string_view>

namespace translate {

// True for a GBK line (no line breaks) that is a path, a file name with an
// extension, a URL, an e-mail address, a date, a time, a version string, an
// identifier (CamelCase, snake_case, dotted), a single character, or that
// holds no letter outside its format placeholders.
bool is_data_text(std::string_view line);

}  // namespace translate
