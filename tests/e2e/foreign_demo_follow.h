#pragma once
// The demo at work: the transfer window it opens and closes, the label it
// changes and the counter it runs, at a test's request (see the messages in
// foreign_demo_layout.h).
#include <windows.h>

namespace foreign_demo {

bool register_follow_classes(HINSTANCE instance);

// Handles the follow messages sent to the dialog; false for any other.
bool handle_follow_message(HWND dialog, UINT message, WPARAM wparam, LRESULT* result);

}  // namespace foreign_demo
