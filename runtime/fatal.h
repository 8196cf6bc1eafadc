#pragma once
// Stops the program after a programming error that no ordinary input reaches.

namespace runtime {

// Shows the message (a box titled "运行时错误" by default) and ends the
// process with exit code 1.
[[noreturn]] void stop_with_runtime_error(const char* gbk_message);

// Replaces the box by another way of reporting; test programs report on
// standard error so that nothing waits for a click.
using RuntimeErrorReporter = void (*)(const char* gbk_message);
void set_runtime_error_reporter(RuntimeErrorReporter reporter);

}  // namespace runtime
