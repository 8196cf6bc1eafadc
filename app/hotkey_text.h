#pragma once
// A key combination as the settings file and the settings window write it:
// "Ctrl+Alt+T" (modifiers Ctrl, Alt, Shift, Win in any order and case, then
// one key: a letter, a digit or F1 to F24), or "无" for none.
#include <windows.h>

#include <string>
#include <string_view>

namespace app {

inline constexpr char kNoHotkey[] = "无";

struct Hotkey {
  UINT modifiers = 0;  // MOD_CONTROL | MOD_ALT | MOD_SHIFT | MOD_WIN
  UINT key = 0;        // virtual-key code; 0: none
  bool none() const { return key == 0; }
};

// False for a text that names no combination. A combination needs Ctrl, Alt
// or Win (Shift alone with a letter would take the letter from typing).
bool parse_hotkey(std::string_view gbk_text, Hotkey* hotkey);
bool usable_hotkey(std::string_view gbk_text);

// The text of a combination in the written order, "Ctrl+Alt+T", or "无".
std::string hotkey_text(const Hotkey& hotkey);

}  // namespace app
