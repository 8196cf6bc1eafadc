#include "app/state.h"

namespace app {

AppState& state() {
  // Never destroyed: worker threads may still read it while the process
  // runs its exit routines, after which the system ends them.
  static AppState* const instance = new AppState;
  return *instance;
}

void create_long_lived_objects() {
  state().mail_address_pattern = std::make_unique<update::AddressPattern>();
  state().downloader.replace(std::make_shared<net::Downloader>());
}

void release_state() {
  AppState& s = state();
  s.app_id.clear();
  s.secret_key.clear();
  s.source_language.clear();
  s.target_language.clear();
  s.update_page_text.clear();
  s.harvest_thread.clear();
  s.mail_address_pattern.reset();
  s.downloader.clear();
}

}  // namespace app
