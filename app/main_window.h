#pragma once
// The main window and the parts of it that handlers and worker threads
// reach. Every function here may be called from any thread; before the main
// window exists (or after it closed) they do nothing and read as empty.
#include <memory>
#include <string>

#include "toolkit/form.h"

namespace app {

// The main window, for the life of the process once it has been created;
// null before.
std::shared_ptr<toolkit::Form> main_window();

// Opens the main window; it ends the message loop when it is closed.
std::shared_ptr<toolkit::Form> open_main_window();

// The title bar, which doubles as the status line.
std::string main_title();
void set_main_title(const std::string& title);

// The content of 译文_编辑框 (the text under the cursor and its translation).
// set_capture_text is also the place the quick translation's raw text goes.
std::string capture_text();
void set_capture_text(const std::string& text);

// 编辑框_原文 (read) and 编辑框_译文 (append) of the manual translation page.
std::string manual_source_text();
void append_manual_result(const std::string& text);

// Selection index (from 0, -1 for none) of 组合框_原文 and 组合框_译文.
int source_language_index();
int target_language_index();
void select_source_language(int index);
void select_target_language(int index);

// Handlers of the main window.
void on_main_window_created(toolkit::Form& form);
void on_address_box_pressed(toolkit::Form& form);   // 编辑框1_客户邮箱
void on_message_box_pressed(toolkit::Form& form);   // 留言编辑框

}  // namespace app
