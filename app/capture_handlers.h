#pragma once
// The interface translation on the page "界面提取": the crosshair picture
// box 图片框1_鼠标, the preview timer 时钟1_界面翻译 and 译文_编辑框.
#include "toolkit/form.h"

namespace app {

// Handlers of the main window.
void on_crosshair_pressed(toolkit::Form& form);   // 图片框1_鼠标 left button down
void on_capture_tick(toolkit::Form& form);        // 时钟1_界面翻译 elapsed
void on_crosshair_released(toolkit::Form& form);  // 图片框1_鼠标 left button up
// Menu item "还原原文" of "工具": the texts the harvests replaced get their
// originals back, on a thread of its own; the title ends as "已还原原文".
// Following stops first, so that nothing it writes comes after the restore.
void on_restore_originals(toolkit::Form& form);
// Menu item "跟随翻译" of "工具" (checked by default): unchecking stops all
// following and keeps later harvests from starting any; checking lets them.
void on_follow_menu_item(toolkit::Form& form);

// The hotkeys' actions. The top-level window under the mouse pointer is
// harvested (and then followed) as a release of the crosshair over it would;
// the restore is "还原原文".
void translate_window_under_pointer();
void restore_originals();

// Start-up: the quick translation shows its raw (still escaped) result in
// 译文_编辑框 before the caller shows the decoded one (an empty one is not shown).
void connect_quick_translation_display();

// Closing: ends following, asks the running harvests to stop after their
// current control, closes the handles of every exchange under way (and of
// any started later) and waits for them a bounded time, so that none is cut off in the middle
// of writing into another program's window.
void finish_harvests();

}  // namespace app
