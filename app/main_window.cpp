#include "app/main_window.h"

#include <mutex>

#include "app/event_table.h"
#include "app/layouts.h"
#include "app/secondary_windows.h"
#include "app/state.h"
#include "app/timed_notice.h"
#include "app/version_gate.h"
#include "runtime/system.h"
#include "toolkit/message_loop.h"
#include "translate/service_account.h"

namespace app {
namespace {

constexpr DWORD kVersionCheckHeadStartMs = 200;

// Never destroyed, like the application state: a harvest thread may still
// reach the main window while the process ends.
struct PublishedMainWindow {
  std::mutex mutex;
  std::shared_ptr<toolkit::Form> form;
};

PublishedMainWindow& published() {
  static PublishedMainWindow* const instance = new PublishedMainWindow;
  return *instance;
}

void publish_main_window(std::shared_ptr<toolkit::Form> form) {
  std::lock_guard<std::mutex> lock(published().mutex);
  published().form = std::move(form);
}

template <typename Kind>
Kind* main_control(const char* name) {
  std::shared_ptr<toolkit::Form> form = main_window();
  // The form object lives as long as the process once published, so the
  // control outlives this call even though the pointer is dropped here.
  return form ? form->find<Kind>(name) : nullptr;
}

void open_update_window_and_pump() {
  std::shared_ptr<toolkit::Form> window = open_update_window();
  // A window lives only as long as the thread that created it and answers
  // only while that thread pumps its messages: keep pumping until it closes.
  if (window) toolkit::run_until_closed(window->handle());
}

}  // namespace

std::shared_ptr<toolkit::Form> main_window() {
  std::lock_guard<std::mutex> lock(published().mutex);
  return published().form;
}

std::shared_ptr<toolkit::Form> open_main_window() {
  toolkit::FormArgs layout = main_window_layout();
  return toolkit::Form::open(layout, main_window_events());
}

std::string main_title() {
  std::shared_ptr<toolkit::Form> form = main_window();
  return form ? form->caption() : std::string();
}

void set_main_title(const std::string& title) {
  if (std::shared_ptr<toolkit::Form> form = main_window()) form->set_caption(title);
}

std::string capture_text() {
  auto* box = main_control<toolkit::EditBox>("译文_编辑框");
  return box ? box->text() : std::string();
}

void set_capture_text(const std::string& text) {
  if (auto* box = main_control<toolkit::EditBox>("译文_编辑框")) box->set_text(text);
}

std::string manual_source_text() {
  auto* box = main_control<toolkit::EditBox>("编辑框_原文");
  return box ? box->text() : std::string();
}

void append_manual_result(const std::string& text) {
  if (auto* box = main_control<toolkit::EditBox>("编辑框_译文")) box->append(text);
}

int source_language_index() {
  auto* box = main_control<toolkit::ComboBox>("组合框_原文");
  return box ? box->selected_index() : -1;
}

int target_language_index() {
  auto* box = main_control<toolkit::ComboBox>("组合框_译文");
  return box ? box->selected_index() : -1;
}

void select_source_language(int index) {
  if (auto* box = main_control<toolkit::ComboBox>("组合框_原文")) box->select(index);
}

void select_target_language(int index) {
  if (auto* box = main_control<toolkit::ComboBox>("组合框_译文")) box->select(index);
}

void on_main_window_created(toolkit::Form& form) {
  form.end_message_loop_on_destroy();
  publish_main_window(form.shared_from_this());

  runtime::start_thread(&open_update_window_and_pump);
  // The version check on that thread gets a head start; the wait blocks
  // this thread on purpose.
  Sleep(kVersionCheckHeadStartMs);

  AppState& s = state();
  if (version_gate_fires(s.server_version, s.own_version)) {
    show_timed_notice("有新版本，必须更新才能继续使用", 0, "有新版本");
    form.close();
    open_update_window_modal();
    return;
  }
  // The account in force: the build's, or the user's own from the settings.
  const translate::ServiceAccount account = translate::current_service_account();
  s.app_id.set(account.app_id);
  s.secret_key.set(account.secret_key);
  form.edit_box("译文_编辑框").set_text("");
  form.combo_box("组合框_原文").select(0);
  form.combo_box("组合框_译文").select(1);
  s.source_language.set("auto");
  s.target_language.set("zh");
}

void on_address_box_pressed(toolkit::Form& form) {
  form.edit_box("编辑框1_客户邮箱").set_text("");
}

void on_message_box_pressed(toolkit::Form& form) { form.edit_box("留言编辑框").set_text(""); }

}  // namespace app
