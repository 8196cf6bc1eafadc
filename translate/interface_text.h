#pragma once
// One line of a control's text on its way to a translator and back. What
// the window needs stays out of the request and is put back around the
// translation, in the Chinese Windows convention:
//
//   "&Open...\tCtrl+O"  sends "Open",      writes "打开(&O)...\tCtrl+O"
//   "  Name:"           sends "Name",      writes "  名称:"
//   "%d files"          sends "QZX0 files" (the placeholder masked) and
//                       writes "%d 文件" only when the marker came back
//   "readme.txt"        sends nothing: data stays as it is
//
// Texts are GBK.
#include <string>

#include "translate/placeholders.h"

namespace translate {

struct PreparedLine {
  bool send = false;  // false: the line is left as it is
  std::string core;   // what goes to the translator

  // What is put back around the translation.
  std::string leading;    // spaces before the text
  std::string trailing;   // spaces after it (before the shortcut)
  std::string mark;       // a trailing "...", "…", ":" or "："
  std::string shortcut;   // from the first tab on ("\tCtrl+O")
  char mnemonic = 0;      // the access key's letter, upper case; 0: none
  bool mark_before_mnemonic = false;  // "Open...(&O)" rather than "&Open..."
  bool prefixed = false;  // the control shows "&&" as "&": every "&" is doubled
  MaskedPlaceholders placeholders;
};

// Splits a line (no line breaks) into what is sent and what is kept.
PreparedLine prepare_interface_line(const std::string& line);

// The line to write for a translation of prepared.core, or "" when the
// translation cannot be used and the control keeps its text: none came, a
// placeholder did not come back exactly, it holds a line break, or the
// translator gave the text back unchanged (writing "Frobnicate(&F)" over
// "&Frobnicate" helps nobody).
std::string put_back_interface_line(const PreparedLine& prepared, const std::string& translation);

}  // namespace translate
