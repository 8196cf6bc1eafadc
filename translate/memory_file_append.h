#pragma once
// Appending to the translation memory's file, safely against the things
// that happen to a file people and several program instances share: two
// instances appending at once, and a line torn by a crash or power loss.
#include <string>

#include "runtime/file_path.h"

namespace translate {

// Appends bytes (whole lines, each ending in a line break) to the file at
// path, creating it with header when it is missing or empty, in one
// write followed by one flush. Appends of every process are serialised by
// a lock, so that lines of two instances never mix. A last line without a
// line break (torn) is cut off first. Empty bytes only create the file.
// False when the file could not be
// opened or written.
bool append_memory_lines(const runtime::FilePath& path, const std::string& header,
                         const std::string& bytes);

}  // namespace translate
