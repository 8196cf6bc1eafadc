#include "app/program.h"

#include <windows.h>

#include <cfloat>
#include <cstdlib>

#include "app/capture_handlers.h"
#include "app/hotkeys.h"
#include "app/main_window.h"
#include "app/settings.h"
#include "translate/translation_memory.h"
#include "app/state.h"
#include "app/ui_worker.h"
#include "app/update_download_thread.h"
#include "toolkit/message_loop.h"

namespace app {
namespace {

// A download ends at its next block once asked; the rate at which blocks
// come decides how long that takes.
constexpr unsigned kDownloadExitWaitMs = 5000;

}  // namespace

int run_program() {
  _fpreset();  // the floating-point unit in its default state
  create_long_lived_objects();
  std::atexit(&release_state);

  connect_quick_translation_display();
  // Before the main window: its start-up already asks the update server.
  const std::vector<SettingProblem> unusable_settings = load_settings();
  // Read once, before anything is translated; a damaged line is skipped.
  translate::open_program_translation_memory(translate::program_translation_memory_path());

  // Results of the workers come back through it to this thread.
  open_ui_delivery();
  if (!open_main_window()) return 0;
  report_unusable_settings(unusable_settings);
  start_hotkeys();
  toolkit::run_message_loop();
  // Windows are gone: a request still under way shows nothing any more.
  close_ui_delivery();
  finish_harvests();
  finish_update_download(kDownloadExitWaitMs);
  return 0;
}

}  // namespace app
