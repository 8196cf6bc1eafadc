// The entry point of moqiao.exe: no arguments, the program's own exit code.
#include <windows.h>

#include "app/program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return app::run_program(); }
