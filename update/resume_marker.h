#pragma once
// The content of the resume marker "gx\hygxb.rar": which version of the
// archive the bytes already on disk came from, so that a resumed download
// continues only that version. The marker's presence alone says that a part
// is on disk; an empty marker (as earlier versions of the program left)
// names no version, and its part is continued as it is.
//
// The text is one "Name: value" line per known item:
//   ETag: "5f3a-1b2c"
//   Last-Modified: Tue, 08 Dec 2026 04:00:00 GMT
//   Size: 1234567
#include <string>

#include "net/downloader.h"

namespace update {

std::string marker_text(const net::FileValidator& file);

// Reads what marker_text wrote; lines it does not know, and a size that is
// not a plain decimal number, are skipped.
net::FileValidator parse_marker(const std::string& text);

}  // namespace update
