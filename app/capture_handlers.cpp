#include "app/capture_handlers.h"

#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/state.h"
#include "app/timed_notice.h"
#include "capture/crosshair_capture.h"
#include "capture/harvest_thread.h"
#include "translate/batch_translate.h"
#include "translate/chat_translate.h"
#include "translate/quick_translate.h"
#include "translate/translation_memory.h"

namespace app {
namespace {

constexpr unsigned kHarvestExitWaitMs = 10000;

// Only ever used on the user-interface thread.
capture::CrosshairCapture& crosshair_capture() {
  static capture::CrosshairCapture capture;
  return capture;
}

// What every harvest of this process wrote, for "还原原文". Never destroyed:
// a harvest thread may still be writing into it while the process ends.
const std::shared_ptr<capture::OriginalTexts>& written_texts() {
  static const auto* const instance =
      new std::shared_ptr<capture::OriginalTexts>(std::make_shared<capture::OriginalTexts>());
  return *instance;
}

// All texts of a harvest: what the translation memory holds costs nothing,
// the rest goes to the service in as few paced requests as it allows, and
// whatever comes back is remembered for the next time.
std::vector<std::string> translate_harvest_texts(const std::vector<std::string>& texts) {
  return translate::translate_with_memory(
      texts, translate::program_translation_memory(), [](const std::vector<std::string>& missing) {
        // The engine in force when the harvest sends: the memory is shared.
        return translate::current_engine() == translate::Engine::kChat
                   ? translate::chat_translate_batch(missing, nullptr, &capture::harvest_should_stop)
                   : translate::translate_batch(missing, nullptr, &capture::harvest_should_stop);
      });
}

capture::Crosshair crosshair(toolkit::Form& form) {
  return {form.picture_box("图片框1_鼠标"), form.timer("时钟1_界面翻译")};
}

// The harvest thread may outlive the window objects: it reaches the main
// window only through the published, never destroyed one.
capture::HarvestHooks capture_hooks() {
  capture::HarvestHooks hooks;
  // The preview of the held crosshair translates one text at a time, from
  // the memory or, when the pacer has a slot free at once, from the service.
  hooks.translate = translate::current_engine() == translate::Engine::kChat
                        ? &translate::remembered_chat_preview
                        : &translate::remembered_quick_translate;
  hooks.translate_texts = &translate_harvest_texts;
  hooks.show_text = &set_capture_text;
  hooks.set_status = &set_main_title;
  hooks.store_captured_window = [](HWND window) { state().captured_window = window; };
  hooks.originals = written_texts();
  return hooks;
}

}  // namespace

void on_crosshair_pressed(toolkit::Form& form) {
  crosshair_capture().press(crosshair(form), capture_hooks());
}

void on_capture_tick(toolkit::Form& form) {
  crosshair_capture().tick(crosshair(form), capture_hooks());
}

void on_crosshair_released(toolkit::Form& form) {
  platform::KernelHandle thread;
  if (crosshair_capture().release(crosshair(form), state().captured_window, capture_hooks(),
                                  &thread)) {
    state().harvest_thread.replace(std::move(thread));
  }
}

void on_restore_originals(toolkit::Form&) {
  capture::RestoreHooks hooks;
  hooks.set_status = &set_main_title;
  capture::start_restore(written_texts(), std::move(hooks));
}

void connect_quick_translation_display() {
  translate::set_quick_translate_sink(&set_capture_text);
  // A refused key is told once per harvest, beside the harvest rather than
  // in its way: the texts it could translate are written meanwhile.
  translate::set_chat_refusal_sink([](const std::string& message) {
    try {
      std::thread([message] { show_timed_notice(message, MB_ICONHAND, "翻译引擎", nullptr, 15000); })
          .detach();
    } catch (const std::system_error&) {
    }
  });
}

void finish_harvests() {
  capture::stop_harvests();
  capture::wait_for_harvests(kHarvestExitWaitMs);
}

}  // namespace app
