#pragma once
// The layouts of the program's windows: the three of the main design and
// the settings window beside them.
#include "toolkit/layout.h"

namespace app {

toolkit::FormArgs main_window_layout();
toolkit::FormArgs sponsor_window_layout();
toolkit::FormArgs update_window_layout();
toolkit::FormArgs settings_window_layout();

// The web address shown on the feedback page.
inline constexpr const char kWebAddress[] = "moqiao.example.org";

}  // namespace app
