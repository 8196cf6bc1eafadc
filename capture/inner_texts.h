#pragma once
// The texts inside common controls, which WM_GETTEXT does not reach: list
// box and combo box items, tab captions, list-view columns and items (every
// subitem), tree-view items (collapsed branches too), header items and
// status bar parts. Each is read and written through the control's own
// messages, every one bounded by the time-out. Controls of another process
// get their message structures in memory of that process.
//
// The foreign program must not notice anything but the new texts: item
// data, the selection (throughout), the top item, check and selection
// states and the drawing flags of status bar parts stay as they were, and
// list-view texts its owner supplies on demand stay on demand. A control
// whose items cannot be rewritten safely yields no texts: owner-drawn list
// and combo boxes (their owner sees items replaced), virtual list views, a
// 32-bit program seen from this 64-bit one (its structures have another
// layout). Classes derived from the system's are known by the class they
// were made from.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "capture/foreign_window.h"

namespace capture {

enum class InnerKind {
  kListBoxItem,
  kComboBoxItem,
  kTabCaption,
  kListViewColumn,
  kListViewItem,  // index = item, subitem = column index (0: the item itself)
  kTreeViewItem,  // index = position in depth-first order, tree_item = its handle
  kHeaderItem,
  kStatusBarPart,  // index = part (255 in simple mode), flags = its drawing flags
};

// One text slot of a control and the text it held when read (GBK).
struct InnerText {
  InnerKind kind = InnerKind::kListBoxItem;
  int index = 0;
  int subitem = 0;
  std::uintptr_t tree_item = 0;  // HTREEITEM in the control's process
  unsigned flags = 0;
  int item_count = 0;  // the control's count of items (parts, ...) when read
  std::string text;
};

// True when both name the same slot of a control (texts aside).
bool same_slot(const InnerText& a, const InnerText& b);
// A hash of what same_slot compares.
struct InnerSlotHash {
  std::size_t operator()(const InnerText& slot) const;
};
struct InnerSlotEqual {
  bool operator()(const InnerText& a, const InnerText& b) const { return same_slot(a, b); }
};

// True for the classes whose inner texts are read here (whether or not
// this particular control yields any).
bool has_inner_texts(HWND control);

// True when the control's WM_SETTEXT would overwrite one of its inner texts
// and lose what belongs to it (a status bar's first part and its drawing
// flags): a harvest leaves such a control's window text to these routines.
bool window_text_is_inner(HWND control);

// Every non-empty inner text of the control, in the control's order. Empty
// for other classes, controls that cannot be rewritten safely, texts that
// GBK cannot hold (the whole control is then left alone), a control that
// did not answer in time, and one whose item count changed while it was
// read.
std::vector<InnerText> read_inner_texts(HWND control,
                                        unsigned timeout_ms = kForeignMessageTimeoutMs);

// The same, telling a control that did not answer (answered false) from one
// without texts. A control that lets a message time out is waited for once,
// as long again, and read again when it answers by then.
struct InnerTexts {
  bool answered = true;
  std::vector<InnerText> texts;
};
InnerTexts list_inner_texts(HWND control, unsigned timeout_ms = kForeignMessageTimeoutMs);

// The current text of one slot read by read_inner_texts (for a restore
// that only puts back texts still showing what was written). Not answered
// when the slot is gone or the control did not answer; not whole when GBK
// cannot hold it.
WindowText read_inner_text(HWND control, const InnerText& slot,
                           unsigned timeout_ms = kForeignMessageTimeoutMs);

// Writes translations[i] into the slot of items[i]; an empty translation,
// or one equal to the slot's text, leaves that slot alone. items must be
// what read_inner_texts returned (or a part of it): the control is read
// again first, and when its item count changed or any slot is gone or no
// longer holds items[i].text, nothing is written. The control's item data, selection and top item
// are saved once and restored once. True when every slot to change was written. After a
// time-out nothing more is sent; a list item whose replacement went unanswered is finished
// once the list answers again, so that no item is left there twice. taken, when given, gets
// a flag per item: its slot was written, or may yet be by the message that went unanswered
// (what a caller remembers as changed, also when not everything was written).
bool write_inner_texts(HWND control, const std::vector<InnerText>& items,
                       const std::vector<std::string>& translations,
                       unsigned timeout_ms = kForeignMessageTimeoutMs,
                       std::vector<bool>* taken = nullptr);

// For a restore: each slot of items that still shows items[i].text gets
// replacements[i]. Every slot is read once, just before, and the writes
// follow in the same conversation (the control's item data, selection and
// top item saved and restored once). A control that lets a message time
// out while it is read is waited for once, as long again.
enum class PutBack {
  kWritten,  // showed items[i].text: replacements[i] written
  kAlready,  // already showed replacements[i]
  kChanged,  // gone, or showing something else: left as it is
  kRefused,  // showed items[i].text, and the control did not take replacements[i], or a
             // message went unanswered meanwhile (the slot may or may not have it)
};
struct PutBackReport {
  bool answered = true;  // false: nothing was written, and every slot says kChanged
  std::vector<PutBack> outcomes;  // one per item
};
PutBackReport put_back_inner_texts(HWND control, const std::vector<InnerText>& items,
                                   const std::vector<std::string>& replacements,
                                   unsigned timeout_ms = kForeignMessageTimeoutMs);

}  // namespace capture
