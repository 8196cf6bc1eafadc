#include "app/hotkeys.h"

#include <windows.h>

#include <set>

#include "app/capture_handlers.h"
#include "app/hotkey_text.h"
#include "app/timed_notice.h"

namespace app {
namespace {

constexpr wchar_t kWindowClass[] = L"MoqiaoHotkeys";
enum HotkeyId : int { kTranslateId = 1, kRestoreId = 2 };

struct HotkeyState {
  HotkeySettings settings;
  HWND window = nullptr;
  std::set<std::string> told;  // held combinations already named in a notice
};

// The user-interface thread's alone.
HotkeyState& hotkeys() {
  static HotkeyState* const state = new HotkeyState;
  return *state;
}

LRESULT CALLBACK hotkey_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_HOTKEY) return DefWindowProcW(window, message, wparam, lparam);
  try {
    if (wparam == kTranslateId) translate_window_under_pointer();
    if (wparam == kRestoreId) restore_originals();
  } catch (...) {
    // Nothing may leave a window procedure; the key press is simply lost.
  }
  return 0;
}

HWND create_hotkey_window() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &hotkey_window_proc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kWindowClass;
  RegisterClassExW(&window_class);  // fails harmlessly when registered already
  return CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

// Registers both combinations afresh; returns those another program holds.
std::vector<std::string> register_all() {
  HotkeyState& state = hotkeys();
  std::vector<std::string> held;
  const struct {
    int id;
    const std::string& text;
  } wanted[] = {{kTranslateId, state.settings.translate}, {kRestoreId, state.settings.restore}};
  for (const auto& hotkey : wanted) {
    UnregisterHotKey(state.window, hotkey.id);
    Hotkey parsed;
    if (!parse_hotkey(hotkey.text, &parsed) || parsed.none()) continue;
    if (!RegisterHotKey(state.window, hotkey.id, parsed.modifiers | MOD_NOREPEAT, parsed.key)) {
      held.push_back(hotkey_text(parsed));
    }
  }
  return held;
}

void register_and_tell() {
  std::vector<std::string> untold;
  for (const std::string& held : register_all()) {
    if (hotkeys().told.insert(held).second) untold.push_back(held);
  }
  if (!untold.empty()) show_timed_notice(held_hotkeys_notice(untold));
}

}  // namespace

void start_hotkeys() {
  HotkeyState& state = hotkeys();
  if (!state.window) state.window = create_hotkey_window();
  if (state.window) register_and_tell();
}

void use_hotkey_settings(const HotkeySettings& settings) {
  HotkeyState& state = hotkeys();
  state.settings = settings;
  if (state.window) register_and_tell();
}

HotkeySettings hotkey_settings_in_force() { return hotkeys().settings; }

std::string held_hotkeys_notice(const std::vector<std::string>& held) {
  if (held.empty()) return {};
  std::string list;
  for (const std::string& text : held) list += (list.empty() ? "" : "、") + text;
  return "快捷键 " + list + " 已被其他程序占用，暂时无法使用。可在“工具”→“设置”中另选组合键。";
}

}  // namespace app
