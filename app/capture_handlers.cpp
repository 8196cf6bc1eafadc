#include "app/capture_handlers.h"

#include <utility>

#include "app/main_window.h"
#include "app/state.h"
#include "capture/crosshair_capture.h"
#include "capture/harvest_thread.h"
#include "translate/quick_translate.h"

namespace app {
namespace {

constexpr unsigned kHarvestExitWaitMs = 10000;

// Only ever used on the user-interface thread.
capture::CrosshairCapture& crosshair_capture() {
  static capture::CrosshairCapture capture;
  return capture;
}

capture::Crosshair crosshair(toolkit::Form& form) {
  return {form.picture_box("图片框1_鼠标"), form.timer("时钟1_界面翻译")};
}

// The harvest thread may outlive the window objects: it reaches the main
// window only through the published, never destroyed one.
capture::HarvestHooks capture_hooks() {
  capture::HarvestHooks hooks;
  hooks.translate = &translate::quick_translate;
  hooks.show_text = &set_capture_text;
  hooks.set_status = &set_main_title;
  hooks.store_captured_window = [](HWND window) { state().captured_window = window; };
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

void connect_quick_translation_display() {
  translate::set_quick_translate_sink(&set_capture_text);
}

void finish_harvests() {
  capture::stop_harvests();
  capture::wait_for_harvests(kHarvestExitWaitMs);
}

}  // namespace app
