#pragma once

namespace app {

// The whole program: start-up, the message loop until the main window has
// been closed, and the exit routine. Returns the process exit code (0).
int run_program();

}  // namespace app
