#pragma once
// Waiting on a thread that owns windows without freezing them.

namespace capture {

// Dispatches every message waiting in this thread's queue once. A WM_QUIT
// met on the way is put back into the queue for the message loop and ends
// the dispatching: the result is false then, true otherwise.
bool dispatch_pending_messages();

// Returns once milliseconds have passed, dispatching the thread's window
// messages meanwhile. A WM_QUIT ends the wait early (and stays queued).
void pumped_wait(unsigned milliseconds);

}  // namespace capture
