#include "app/hotkey_text.h"

#include <cstdlib>

#include "runtime/text.h"

namespace app {
namespace {

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

// The virtual key of a key name, 0 when it is none.
UINT key_of(const std::string& name) {
  if (name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) {
    return static_cast<UINT>(name[0]);
  }
  if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F' &&
      name.find_first_not_of("0123456789", 1) == std::string::npos && name[1] != '0') {
    const int number = std::atoi(name.c_str() + 1);
    if (number >= 1 && number <= 24) return static_cast<UINT>(VK_F1 + number - 1);
  }
  return 0;
}

}  // namespace

bool parse_hotkey(std::string_view gbk_text, Hotkey* hotkey) {
  const std::string text = runtime::trim(std::string(gbk_text));
  if (text == kNoHotkey) {
    *hotkey = Hotkey();
    return true;
  }
  Hotkey parsed;
  std::size_t start = 0;
  for (;;) {
    const std::size_t plus = text.find('+', start);
    const std::string part = upper(runtime::trim(text.substr(start, plus - start)));
    if (plus == std::string::npos) {
      parsed.key = key_of(part);
      break;
    }
    UINT modifier = 0;
    if (part == "CTRL" || part == "CONTROL") modifier = MOD_CONTROL;
    if (part == "ALT") modifier = MOD_ALT;
    if (part == "SHIFT") modifier = MOD_SHIFT;
    if (part == "WIN") modifier = MOD_WIN;
    if (!modifier || (parsed.modifiers & modifier)) return false;
    parsed.modifiers |= modifier;
    start = plus + 1;
  }
  if (parsed.none() || !(parsed.modifiers & (MOD_CONTROL | MOD_ALT | MOD_WIN))) return false;
  *hotkey = parsed;
  return true;
}

bool usable_hotkey(std::string_view gbk_text) {
  Hotkey ignored;
  return parse_hotkey(gbk_text, &ignored);
}

std::string hotkey_text(const Hotkey& hotkey) {
  if (hotkey.none()) return kNoHotkey;
  std::string text;
  if (hotkey.modifiers & MOD_CONTROL) text += "Ctrl+";
  if (hotkey.modifiers & MOD_ALT) text += "Alt+";
  if (hotkey.modifiers & MOD_SHIFT) text += "Shift+";
  if (hotkey.modifiers & MOD_WIN) text += "Win+";
  if (hotkey.key >= VK_F1 && hotkey.key <= VK_F24) {
    text += "F" + std::to_string(hotkey.key - VK_F1 + 1);
  } else {
    text += static_cast<char>(hotkey.key);
  }
  return text;
}

}  // namespace app
