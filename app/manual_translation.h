#pragma once
// The handlers of the plain translator page ("普通翻译"): the 翻译 button
// and the two language lists.
#include "toolkit/form.h"

namespace app {

// 按钮1 clicked: translates 编辑框_原文 and appends each translated line to
// 编辑框_译文, or tells the user what went wrong.
void on_manual_translate_clicked(toolkit::Form& form);

// 组合框_原文 item_selected: every entry is accepted, automatic detection
// included.
void on_source_language_selected(toolkit::Form& form);

// 组合框_译文 item_selected: automatic detection (entry 0) cannot be a
// target; the list goes back to Chinese and the user is told.
void on_target_language_selected(toolkit::Form& form);

}  // namespace app
