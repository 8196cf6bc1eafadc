#include "app/capture_handlers.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/state.h"
#include "app/ui_worker.h"
#include "capture/crosshair_capture.h"
#include "capture/harvest_thread.h"
#include "platform/exchange_request.h"
#include "platform/internet_limits.h"
#include "translate/batch_translate.h"
#include "translate/quick_translate.h"
#include "translate/translation_memory.h"

namespace app {
namespace {

// A harvest asked to stop ends after the exchange it is in, which gives up
// after kWholeExchangeLimit at the latest.
constexpr unsigned kHarvestExitWaitMs =
    static_cast<unsigned>(platform::kWholeExchangeLimit.count()) + 2000;

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
        return translate::translate_batch(missing, nullptr, &capture::harvest_should_stop);
      });
}

// The text the running capture previewed last; the user-interface thread
// only. Never destroyed, like the capture.
std::string& previewed_text() {
  static std::string* const text = new std::string;
  return *text;
}

// The preview's translation: what is known at once, otherwise "" (the box
// keeps the text) while a worker asks the service; its answer is shown when
// it comes, if the cursor still rests on that text.
std::string preview_translation(const std::string& text) {
  previewed_text() = text;
  const auto known = translate::remembered_quick_translate(
      text, [](const std::string& asked, const std::string& translation) {
        post_to_ui([asked, translation] {
          if (crosshair_capture().running() && previewed_text() == asked) {
            set_capture_text(translation);
          }
        });
      });
  return known.value_or(std::string());
}

capture::Crosshair crosshair(toolkit::Form& form) {
  return {form.picture_box("图片框1_鼠标"), form.timer("时钟1_界面翻译")};
}

// The harvest thread may outlive the window objects: it reaches the main
// window only through the published, never destroyed one.
capture::HarvestHooks capture_hooks() {
  capture::HarvestHooks hooks;
  // The preview of the held crosshair translates one text at a time, from
  // the memory or, on a worker when the pacer has a slot free at once, from
  // the service.
  hooks.translate = &preview_translation;
  hooks.translate_texts = &translate_harvest_texts;
  hooks.show_text = &set_capture_text;
  hooks.set_status = &set_main_title;
  hooks.store_captured_window = [](HWND window) { state().captured_window = window; };
  hooks.originals = written_texts();
  return hooks;
}

}  // namespace

void on_crosshair_pressed(toolkit::Form& form) {
  open_ui_delivery();
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
  // A request that brought nothing (a refusal, no answer) leaves the box as
  // it was: the preview never goes blank.
  translate::set_quick_translate_sink([](const std::string& cut) {
    if (!cut.empty()) set_capture_text(cut);
  });
}

void finish_harvests() {
  capture::stop_harvests();
  // Every exchange under way ends now where the system allows it; the
  // harvests then stop after the control they are on.
  platform::close_open_exchanges();
  capture::wait_for_harvests(kHarvestExitWaitMs);
}

}  // namespace app
