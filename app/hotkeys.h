#pragma once
// The program's two system-wide hotkeys: "Translate" harvests the top-level
// window under the mouse pointer, "Restore" does "还原原文". They are
// registered on the user-interface thread for a message-only window of
// their own; a combination that another program holds already is named in
// a notice, once.
#include <string>
#include <vector>

namespace app {

// What [hotkeys] Translate and Restore of the settings file say (GBK).
struct HotkeySettings {
  std::string translate = "Ctrl+Alt+T";
  std::string restore = "Ctrl+Alt+R";
};

// The hotkeys' message window is created and both registered; the
// combinations another program holds are named in a notice. On the
// user-interface thread, after the main window opened.
void start_hotkeys();

// Puts these combinations in force: remembered before start_hotkeys, and
// registered again (with a notice for new ones that are held) after it.
void use_hotkey_settings(const HotkeySettings& settings);

// The combinations in force now.
HotkeySettings hotkey_settings_in_force();

// The notice for held combinations, empty when there are none.
std::string held_hotkeys_notice(const std::vector<std::string>& held);

}  // namespace app
