#pragma once
// Message loops of the calling thread.
#include <windows.h>

namespace toolkit {

// Marks a top-level window whose keyboard input the loops below hand to the
// dialog manager first (Tab, Enter, Esc as in a dialog box). Undone with
// disable_dialog_keys before the window is destroyed.
void enable_dialog_keys(HWND top_level);
void disable_dialog_keys(HWND top_level);

// Runs until WM_QUIT; returns its exit code.
int run_message_loop();

// Processes the messages already waiting, then returns. A WM_QUIT met on the
// way is posted again for the outer loop and ends the processing.
void process_pending_messages();

// Runs the loop until the window no longer exists. A WM_QUIT that arrives
// meanwhile is kept and posted again once the window is gone. Returns false
// when a WM_QUIT was kept (the caller should return to its own loop).
bool run_until_closed(HWND window);

}  // namespace toolkit
