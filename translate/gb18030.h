#pragma once
// UTF-16 to GB18030. The system's code page 54936 does the work where it
// exists; some systems (Wine among them) lack it, and there the encoding is
// built from code page 936 for the two-byte characters and the standard's
// four-byte layout for all others. The two differ only on the few rare
// characters that editions of the standard assign differently.
#include <string>
#include <string_view>

namespace translate {

// The GB18030 bytes of the text; empty when wide is empty or holds a lone
// surrogate.
std::string wide_to_gb18030(std::wstring_view wide);

}  // namespace translate
