#pragma once
// How a real machine-translation service handles a line it has never seen:
// it translates the words and phrases it knows, keeps the words it does not
// know (names, made-up words) as they are, folds runs of spaces and tabs
// into one space, and mangles format placeholders on the way ("%d" ->
// "% d", "%s" -> "٪s", "%1" -> "% 1", "{0}" -> "{ 0 }"). Lines are UTF-8.
#include <string>
#include <string_view>

#include "standin/glossary.h"

namespace standin {

// The line as the glossary has it when it holds the line as a whole
// (placeholders mangled all the same), otherwise phrase by phrase, the
// longest known phrase of up to four words first. Between two translated
// phrases of a language written without spaces (zh, jp, ...) the space goes.
std::string translate_freely(const Glossary& glossary, std::string_view line,
                             const std::string& from, const std::string& to);

// The placeholders of a line, mangled as above; the rest stays.
std::string mangle_placeholders(std::string_view line);

}  // namespace standin
