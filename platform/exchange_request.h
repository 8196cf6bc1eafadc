#pragma once
// Ending every HTTP exchange of the process at once, when the program
// closes: each exchange keeps its handles in an InternetHandles set
// (internet_handle.h), every such set is known here while it lives, and
// close_open_exchanges() closes them all (a send or read blocked on one
// fails on Windows; Wine lets a blocked read run to its time-out). From then
// on a new set starts closed, so no exchange starts any more.
namespace platform {

// At exit: closes the handles of every exchange under way and of every one
// that starts later.
void close_open_exchanges();

}  // namespace platform
