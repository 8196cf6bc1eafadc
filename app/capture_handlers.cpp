#include "app/capture_handlers.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/state.h"
#include "app/ui_worker.h"
#include "app/timed_notice.h"
#include "capture/crosshair_capture.h"
#include "capture/follower.h"
#include "capture/harvest_thread.h"
#include "capture/status_texts.h"
#include "platform/exchange_request.h"
#include "platform/internet_limits.h"
#include "runtime/system.h"
#include "translate/batch_translate.h"
#include "translate/interface_translation.h"
#include "translate/number_template.h"
#include "translate/chat_translate.h"
#include "translate/quick_translate.h"
#include "translate/translation_memory.h"

namespace app {
namespace {

// A harvest asked to stop ends after the exchange it is in, which gives up
// after kWholeExchangeLimit at the latest.
constexpr unsigned kHarvestExitWaitMs =
    static_cast<unsigned>(platform::kWholeExchangeLimit.count()) + 2000;
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
// whatever comes back is remembered for the next time. *note receives the
// line that tells the user about texts left untranslated.
std::vector<std::string> translate_remembered_texts(const std::vector<std::string>& texts,
                                                    std::string* note) {
  translate::BatchReport report;
  int untranslated = 0;
  std::vector<std::string> translations = translate::translate_with_number_templates(
      texts, translate::program_translation_memory(),
      [&report](const std::vector<std::string>& missing) {
        // The engine in force when the harvest sends: the memory is shared.
        return translate::current_engine() == translate::Engine::kChat
                   ? translate::chat_translate_batch(missing, &report, &capture::harvest_should_stop)
                   : translate::translate_batch(missing, &report, &capture::harvest_should_stop);
      },
      &untranslated);
  // A stop (the program closing) leaves texts untranslated without a fault.
  if (!capture::harvest_should_stop()) *note = translate::untranslated_note(untranslated, report);
  return translations;
}

// Only what is language is sent; access keys, shortcuts, placeholders and
// the ends of each text are put back around its translation.
std::vector<std::string> translate_harvest_texts(const std::vector<std::string>& texts,
                                                 std::string* note) {
  return translate::translate_interface_texts(
      texts, [note](const std::vector<std::string>& sent) {
        return translate_remembered_texts(sent, note);
      });
}

// The text the running capture previewed last; the user-interface thread
// only. Never destroyed, like the capture.
std::string& previewed_text() {
  static std::string* const text = new std::string;
  return *text;
}

// A core of the previewed text: what is known at once, otherwise "" while a
// worker asks the service; when its answer comes, the whole text is put
// together again and shown, if the cursor still rests on that text.
std::string preview_core(const std::string& text, const std::string& core) {
  // The chat engine's preview answers a later tick instead.
  if (translate::current_engine() == translate::Engine::kChat) {
    return translate::remembered_chat_preview(core);
  }
  const auto known = translate::remembered_quick_translate(
      core, [text](const std::string&, const std::string&) {
        post_to_ui([text] {
          if (!crosshair_capture().running() || previewed_text() != text) return;
          const std::string shown = translate::translate_interface_text(
              text, [&text](const std::string& again) { return preview_core(text, again); });
          if (!shown.empty()) set_capture_text(shown);
        });
      });
  return known.value_or(std::string());
}

// The preview's translation, under the same interface-text rules as a
// harvest: "" (the box keeps the text) until every core is known.
std::string preview_translation(const std::string& text) {
  previewed_text() = text;
  return translate::translate_interface_text(
      text, [&text](const std::string& core) { return preview_core(text, core); });
}

// What a busy control of a followed window gets: the memory's answer only.
std::vector<std::string> remembered_texts(const std::vector<std::string>& texts) {
  return translate::translate_interface_texts(texts, [](const std::vector<std::string>& sent) {
    return translate::remembered_with_number_templates(sent, translate::program_translation_memory());
  });
}

// Never destroyed, like the texts it writes into.
capture::Follower& follower() {
  static capture::Follower* const instance = [] {
    capture::FollowHooks hooks;
    hooks.translate_texts = [](const std::vector<std::string>& texts) {
      std::string note;  // following tells nobody about texts it could not translate
      return translate_harvest_texts(texts, &note);
    };
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
  // the memory or, on a worker when the pacer has a slot free at once, from
  // the service.
  hooks.translate = &preview_translation;
  const auto note = std::make_shared<std::string>();
  hooks.translate_texts = [note](const std::vector<std::string>& texts) {
    return translate_harvest_texts(texts, note.get());
  };
  hooks.untranslated_note = [note] { return *note; };
  hooks.show_text = &set_capture_text;
  hooks.set_status = &set_main_title;
  hooks.store_captured_window = [](HWND window) { state().captured_window = window; };
  hooks.originals = written_texts();
  // A restore asked for while the harvest runs ends following, also the
  // following this harvest would begin.
  const unsigned stops = follower().stops();
  hooks.harvested = [stops](HWND window) { follower().follow(window, stops); };
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
  // A request that brought nothing (a refusal, no answer) leaves the box as
  // it was: the preview never goes blank.
  translate::set_quick_translate_sink([](const std::string& cut) {
    if (!cut.empty()) set_capture_text(cut);
  });
  // A refused key is told once per harvest, beside the harvest rather than
  // in its way: the texts it could translate are written meanwhile.
  translate::set_chat_refusal_sink([](const std::string& message) {
    runtime::start_thread([message] { show_timed_notice(message, MB_ICONHAND, "翻译引擎", nullptr, 15000); });
  });
}

void finish_harvests() {
  follower().finish(kFollowExitWaitMs);
  capture::stop_harvests();
  // Every exchange under way ends now where the system allows it; the
  // harvests then stop after the control they are on.
  platform::close_open_exchanges();
  capture::wait_for_harvests(kHarvestExitWaitMs);
}

}  // namespace app
