#pragma once
// Showing the download folder in the system's file manager.
#include "runtime/file_path.h"

namespace update {

// Asks the shell to open folder in a normal window, on a short-lived
// thread of its own so that the caller does not wait for the file manager.
// False when the thread could not be started.
bool open_download_folder(const runtime::FilePath& folder);

}  // namespace update
