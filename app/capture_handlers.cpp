#include "app/capture_handlers.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/state.h"
#include "capture/crosshair_capture.h"
#include "capture/follower.h"
#include "capture/harvest_thread.h"
#include "capture/status_texts.h"
#include "translate/batch_translate.h"
#include "translate/number_template.h"
#include "translate/quick_translate.h"
#include "translate/translation_memory.h"

namespace app {
namespace {

constexpr unsigned kHarvestExitWaitMs = 10000;
// Following may be waiting for the service: it is not waited for long.
constexpr unsigned kFollowExitWaitMs = 2000;

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
  return translate::translate_with_number_templates(
      texts, translate::program_translation_memory(), [](const std::vector<std::string>& missing) {
        return translate::translate_batch(missing, nullptr, &capture::harvest_should_stop);
      });
}

// What a busy control of a followed window gets: the memory's answer only.
std::vector<std::string> remembered_texts(const std::vector<std::string>& texts) {
  return translate::remembered_with_number_templates(texts, translate::program_translation_memory());
}

// Never destroyed, like the texts it writes into.
capture::Follower& follower() {
  static capture::Follower* const instance = [] {
    capture::FollowHooks hooks;
    hooks.translate_texts = &translate_harvest_texts;
    hooks.remembered_texts = &remembered_texts;
    hooks.originals = written_texts();
    return new capture::Follower(std::move(hooks));
  }();
  return *instance;
}

HWND top_level_under_pointer() {
  POINT point{};
  if (!GetCursorPos(&point)) return nullptr;
  const HWND window = WindowFromPoint(point);
  return window ? GetAncestor(window, GA_ROOT) : nullptr;
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
  hooks.translate = &translate::remembered_quick_translate;
  hooks.translate_texts = &translate_harvest_texts;
  hooks.show_text = &set_capture_text;
  hooks.set_status = &set_main_title;
  hooks.store_captured_window = [](HWND window) { state().captured_window = window; };
  hooks.originals = written_texts();
  hooks.harvested = [](HWND window) { follower().follow(window); };
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

void on_restore_originals(toolkit::Form&) { restore_originals(); }

void restore_originals() {
  follower().stop_all();
  capture::RestoreHooks hooks;
  hooks.set_status = &set_main_title;
  capture::start_restore(written_texts(), std::move(hooks));
}

void on_follow_menu_item(toolkit::Form& form) {
  const bool on = !follower().enabled();
  follower().set_enabled(on);
  CheckMenuItem(GetMenu(form.handle()), form.menu_item_id("跟随翻译"),
                MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  set_main_title(on ? capture::kStatusFollowOn : capture::kStatusFollowOff);
}

void translate_window_under_pointer() {
  const HWND window = top_level_under_pointer();
  // Not this program's own windows, and not the desktop.
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (!window || process == GetCurrentProcessId() || window == GetDesktopWindow()) return;
  capture::HarvestHooks hooks = capture_hooks();
  hooks.pick_window = [window] { return window; };
  platform::KernelHandle thread;
  if (capture::start_harvest(std::move(hooks), &thread)) {
    state().harvest_thread.replace(std::move(thread));
  }
}

void connect_quick_translation_display() {
  translate::set_quick_translate_sink(&set_capture_text);
}

void finish_harvests() {
  follower().finish(kFollowExitWaitMs);
  capture::stop_harvests();
  capture::wait_for_harvests(kHarvestExitWaitMs);
}

}  // namespace app
