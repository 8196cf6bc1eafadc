#include "update/download_folder.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/com.h"
#include "runtime/codepage.h"
#include "runtime/system.h"

namespace update {

bool open_download_folder(const runtime::FilePath& folder) {
  return runtime::start_thread([wide_folder = folder.wide()] {
    // The shell may hand the folder to COM-based handlers.
    platform::ScopedComApartment com;
    ShellExecuteW(nullptr, L"open", wide_folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  });
}

}  // namespace update
