#include "capture/inner_texts.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <unordered_set>

#include "capture/control_conversation.h"
#include "runtime/codepage.h"

namespace capture {
namespace {

// Beyond these a control's further items are passed over.
constexpr int kMaxItems = 20000;
constexpr int kMaxColumns = 256;
// How long a list whose item replacement went unanswered is waited for, so
// that the half-done replacement can be finished.
constexpr unsigned kListRepairWaitMs = 15000;

static_assert(sizeof(LVITEMW) <= kMaxStructureBytes && sizeof(LVCOLUMNW) <= kMaxStructureBytes &&
                  sizeof(TVITEMW) <= kMaxStructureBytes && sizeof(HDITEMW) <= kMaxStructureBytes &&
                  sizeof(TCITEMW) <= kMaxStructureBytes,
              "message structures fit before the text buffer");

// The class a control was made from, also when a framework derived its own
// class from it (RealGetWindowClassW names the system class then).
std::wstring real_class_name(HWND window) {
  wchar_t name[64] = {};
  RealGetWindowClassW(window, name, 64);
  return name;
}

// The text as GBK, or nothing when GBK cannot hold one of its characters:
// such a text would come back damaged.
std::optional<std::string> to_gbk(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  BOOL used_default = FALSE;
  const int length = static_cast<int>(wide.size());
  const int bytes = WideCharToMultiByte(runtime::kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                        length, nullptr, 0, nullptr, &used_default);
  if (bytes <= 0 || used_default) return std::nullopt;
  std::string text(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(runtime::kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, text.data(),
                      bytes, nullptr, &used_default);
  if (used_default) return std::nullopt;
  return text;
}

enum class SlotOutcome {
  kText,     // read
  kSkipped,  // this slot keeps its text (owner-drawn part, supplied on demand, too long)
  kFailed,   // gone or no answer: the control is left as found
};

struct Change {
  InnerText slot;
  std::wstring text;
  std::size_t item = 0;  // which of the caller's items
  // Set by the writing: the slot was written, or may yet be by a message
  // that went unanswered.
  bool taken = false;
};

struct SlotRead {
  SlotOutcome outcome = SlotOutcome::kFailed;
  std::wstring text;
};

struct ClassEntry;

// A conversation that knows which class it talks to.
class Conversation : public ControlConversation {
 public:
  Conversation(HWND control, const ClassEntry& entry, unsigned timeout_ms)
      : ControlConversation(control, timeout_ms), entry_(entry) {}
  const ClassEntry& entry() const { return entry_; }

 private:
  const ClassEntry& entry_;
};

// Everything this file knows of one control class: a new class is one more
// entry in kClasses.
struct ClassEntry {
  const wchar_t* name;  // as RealGetWindowClassW reports it
  // Structures live in the control's process (the system copies none).
  bool needs_memory;
  // WM_SETTEXT would overwrite one of its inner texts and lose what belongs
  // to it (a status bar's first part and its drawing flags).
  bool window_text_is_inner;
  // This control of the class is harvested here (owner-drawn lists and a
  // list view's own header are not).
  bool (*accepts)(HWND control);
  // Its items now, to see a control that changed; -1 without an answer.
  int (*count)(Conversation& talk);
  // Every slot, texts not yet read; false without an answer.
  bool (*enumerate)(Conversation& talk, std::vector<InnerText>* slots);
  SlotOutcome (*read)(Conversation& talk, InnerText& slot, std::wstring* text);
  // The same for up to kBatchSlots slots at once; false when a message
  // went unanswered or could not be sent. Null: one slot at a time.
  bool (*read_batch)(Conversation& talk, InnerText* slots, std::size_t count, SlotRead* reads);
  // Checks, before anything is written, that the slots still exist (a
  // handle of a deleted tree item must never be sent). Null: the count says it.
  bool (*still_there)(Conversation& talk, const std::vector<InnerText>& slots);
  // Writes the changes, in the order of their indexes; true when all were.
  // Marks each change it made (or may have made) taken.
  bool (*write)(Conversation& talk, std::vector<Change>& changes);
};

// Counts through a message that returns them, or -1 without an answer.
int count_of(Conversation& talk, UINT message) {
  LRESULT count = 0;
  if (!talk.send(message, 0, 0, &count) || count < 0) return -1;
  return static_cast<int>(std::min<LRESULT>(count, kMaxItems));
}

void add_slot(std::vector<InnerText>* slots, InnerKind kind, int index, int subitem = 0,
              std::uintptr_t tree_item = 0) {
  InnerText slot;
  slot.kind = kind;
  slot.index = index;
  slot.subitem = subitem;
  slot.tree_item = tree_item;
  slots->push_back(slot);
}

bool add_range(std::vector<InnerText>* slots, InnerKind kind, int count) {
  if (count < 0) return false;
  for (int i = 0; i < count; ++i) add_slot(slots, kind, i);
  return true;
}

bool accept_any(HWND) { return true; }

// --- list box and combo box items: the system copies their strings --------

struct ListMessages {
  InnerKind kind;
  UINT get_count, get_text_length, get_text, insert, remove, get_data, set_data, get_selection,
      set_selection, get_top, set_top;
};
constexpr ListMessages kListBoxMessages = {
    InnerKind::kListBoxItem, LB_GETCOUNT,    LB_GETTEXTLEN,   LB_GETTEXT,
    LB_INSERTSTRING,         LB_DELETESTRING, LB_GETITEMDATA, LB_SETITEMDATA,
    LB_GETCURSEL,            LB_SETCURSEL,   LB_GETTOPINDEX,  LB_SETTOPINDEX};
constexpr ListMessages kComboBoxMessages = {
    InnerKind::kComboBoxItem, CB_GETCOUNT,     CB_GETLBTEXTLEN, CB_GETLBTEXT,
    CB_INSERTSTRING,          CB_DELETESTRING, CB_GETITEMDATA,  CB_SETITEMDATA,
    CB_GETCURSEL,             CB_SETCURSEL,    CB_GETTOPINDEX,  CB_SETTOPINDEX};

const ListMessages& list_messages(const Conversation& talk);

// Replacing an item is seen by an owner-drawn list's owner (the deletion,
// the measuring of the new item with data 0, its check marks kept beside
// the data): such lists are left alone, with or without strings.
bool accepts_list_box(HWND control) {
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  return !(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE | LBS_NODATA));
}
bool accepts_combo_box(HWND control) {
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  return !(style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE));
}

int count_list(Conversation& talk) { return count_of(talk, list_messages(talk).get_count); }

bool enumerate_list(Conversation& talk, std::vector<InnerText>* slots) {
  return add_range(slots, list_messages(talk).kind, count_list(talk));
}

SlotOutcome read_list_item_at(Conversation& talk, int index, std::wstring* text) {
  const ListMessages& m = list_messages(talk);
  LRESULT length = 0;
  if (!talk.send(m.get_text_length, index, 0, &length) || length < 0) return SlotOutcome::kFailed;
  if (static_cast<std::size_t>(length) > kTextChars) return SlotOutcome::kSkipped;
  // Room for a text that grew by a little since its length was asked.
  auto buffer = std::make_shared<std::wstring>(static_cast<std::size_t>(length) + 64, L'\0');
  LRESULT copied = 0;
  if (!talk.send_pointing(m.get_text, index, buffer, reinterpret_cast<LPARAM>(buffer->data()),
                          &copied) ||
      copied < 0) {
    return SlotOutcome::kFailed;
  }
  buffer->resize(std::min(buffer->find(L'\0'), static_cast<std::size_t>(copied)));
  *text = std::move(*buffer);
  return SlotOutcome::kText;
}

SlotOutcome read_list_item(Conversation& talk, InnerText& slot, std::wstring* text) {
  return read_list_item_at(talk, slot.index, text);
}

// The selection of a list, kept while its items are replaced.
struct ListSelection {
  bool multiple = false;
  LRESULT selection = -1;  // single selection
  LRESULT caret = -1;      // several
  LRESULT top = 0;
};

// One item replaced in steps: the translation inserted before it, given the
// old item's data (and selection), the old item removed without its data
// (removing an item with data tells its owner to free what the data may
// point to, which the new item still uses).
enum class Step { kInsert, kData, kSelect, kOldData, kRemove, kDone };

struct Replacement {
  Step reached = Step::kInsert;  // the step that did not come back, when one did not
  bool refused = false;          // the list had no room: the old item is untouched
};

Replacement replace_item(Conversation& talk, const ListSelection& kept, const Change& change,
                         LRESULT data, bool selected, Step from) {
  const ListMessages& m = list_messages(talk);
  const int index = change.slot.index;
  Replacement r;
  auto text = std::make_shared<std::wstring>(change.text);
  for (r.reached = from; r.reached != Step::kDone;
       r.reached = static_cast<Step>(static_cast<int>(r.reached) + 1)) {
    LRESULT answer = 0;
    bool answered = true;
    switch (r.reached) {
      case Step::kInsert:
        answered = talk.send_pointing(m.insert, index, text, reinterpret_cast<LPARAM>(text->c_str()),
                                      &answer);
        if (answered && answer != index) {
          r.refused = true;
          return r;
        }
        break;
      case Step::kData:
        answered = talk.send(m.set_data, index, data, nullptr);
        break;
      case Step::kSelect:
        // The selection moves to the new item before the old one goes, so
        // that the list is never without it.
        if (!selected) break;
        answered = kept.multiple ? talk.send(LB_SETSEL, TRUE, index, nullptr)
                                 : talk.send(m.set_selection, index, 0, nullptr);
        break;
      case Step::kOldData:
        answered = talk.send(m.set_data, index + 1, 0, nullptr);
        break;
      case Step::kRemove:
        answered = talk.send(m.remove, index + 1, 0, nullptr);
        break;
      case Step::kDone:
        break;
    }
    if (!answered) return r;
  }
  return r;
}

bool write_list_items(Conversation& talk, std::vector<Change>& changes) {
  const ListMessages& m = list_messages(talk);
  const bool combo = m.kind == InnerKind::kComboBoxItem;
  ListSelection kept;
  kept.multiple = !combo && (GetWindowLongPtrW(talk.control(), GWL_STYLE) &
                             (LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
  if (!talk.send(m.get_top, 0, 0, &kept.top)) return false;
  if (kept.multiple) {
    if (!talk.send(LB_GETCARETINDEX, 0, 0, &kept.caret)) return false;
  } else if (!talk.send(m.get_selection, 0, 0, &kept.selection)) {
    return false;
  }
  // A combo box's edit may hold a text of its own, which choosing the item
  // again would replace.
  WindowText edit_before;
  std::wstring selected_before;
  if (combo && kept.selection >= 0) {
    edit_before = query_window_text(talk.control(), talk.timeout_ms());
    if (read_list_item_at(talk, static_cast<int>(kept.selection), &selected_before) !=
        SlotOutcome::kText) {
      return false;
    }
  }

  bool all = true;
  for (Change& change : changes) {
    const int index = change.slot.index;
    LRESULT data = 0, selected = 0;
    if (!talk.send(m.get_data, index, 0, &data)) return false;
    if (kept.multiple && !talk.send(LB_GETSEL, index, 0, &selected)) return false;
    const bool is_selected = kept.multiple ? selected > 0 : kept.selection == index;
    const Replacement r = replace_item(talk, kept, change, data, is_selected, Step::kInsert);
    if (r.refused) {
      all = false;
      continue;
    }
    change.taken = true;
    if (r.reached == Step::kDone) continue;
    // Not answered in time, yet handled later: once the list has handled
    // what it was sent, the half-done replacement is finished, so that no
    // item is there twice.
    all = false;
    if (!talk.wait_until_answered(kListRepairWaitMs)) return false;
    // The step that went unanswered has been handled by now (a refused
    // insertion leaves the count as it was); the rest is done again.
    if (r.reached != Step::kInsert || count_list(talk) == change.slot.item_count + 1) {
      const Step next = static_cast<Step>(static_cast<int>(r.reached) + 1);
      if (replace_item(talk, kept, change, data, is_selected, next).reached != Step::kDone) {
        return false;
      }
    }
    break;
  }

  if (kept.multiple) {
    if (kept.caret >= 0) talk.send(LB_SETCARETINDEX, kept.caret, FALSE, nullptr);
  } else if (kept.selection >= 0) {
    talk.send(m.set_selection, kept.selection, 0, nullptr);
    if (combo && edit_before.answered && edit_before.text != runtime::narrow(selected_before)) {
      write_window_text(talk.control(), edit_before.text, talk.timeout_ms());
    }
  }
  talk.send(m.set_top, kept.top, 0, nullptr);
  return all;
}

// --- the common controls: structures in the control's process --------------

// Writes the slots one by one; after a time-out nothing more is sent (the
// late message still writes its own slot's text).
bool write_each(Conversation& talk, std::vector<Change>& changes,
                bool (*write_one)(Conversation&, const Change&)) {
  bool all = true;
  for (Change& change : changes) {
    const bool written = write_one(talk, change);
    change.taken = written || talk.unanswered();
    all = written && all;
    if (talk.unanswered()) return false;
  }
  return all;
}

// Tab captions and header items: items by index whose structure carries
// the text, one message to read and one to write each.
template <typename Item, UINT kCount, UINT kGet, UINT kSet, UINT kTextMask, InnerKind kKind>
struct IndexedItems {
  static int count(Conversation& talk) { return count_of(talk, kCount); }
  static bool enumerate(Conversation& talk, std::vector<InnerText>* slots) {
    return add_range(slots, kKind, count(talk));
  }
  static SlotOutcome read(Conversation& talk, InnerText& slot, std::wstring* text) {
    Item item{};
    item.mask = kTextMask;
    item.pszText = talk.text_address();
    item.cchTextMax = static_cast<int>(kTextChars + 1);
    LRESULT ok = 0;
    return talk.ask(kGet, slot.index, item, text, &ok) && ok ? SlotOutcome::kText
                                                             : SlotOutcome::kFailed;
  }
  static bool write_one(Conversation& talk, const Change& change) {
    Item item{};
    item.mask = kTextMask;
    item.pszText = talk.text_address();
    item.cchTextMax = static_cast<int>(change.text.size() + 1);
    LRESULT ok = 0;
    return talk.give(kSet, change.slot.index, item, change.text, &ok) && ok;
  }
  static bool write(Conversation& talk, std::vector<Change>& changes) {
    return write_each(talk, changes, &write_one);
  }
};
using Tabs = IndexedItems<TCITEMW, TCM_GETITEMCOUNT, TCM_GETITEMW, TCM_SETITEMW, TCIF_TEXT,
                          InnerKind::kTabCaption>;
using Headers = IndexedItems<HDITEMW, HDM_GETITEMCOUNT, HDM_GETITEMW, HDM_SETITEMW, HDI_TEXT,
                             InnerKind::kHeaderItem>;

// List views: the columns, then every item's text in every column. Subitems
// are addressed by column index: a column inserted without LVCF_SUBITEM
// reports subitem 0, yet shows the subitem of its own index.
int count_list_view(Conversation& talk) { return count_of(talk, LVM_GETITEMCOUNT); }

SlotOutcome read_column(Conversation& talk, int index, std::wstring* text) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = talk.text_address();
  column.cchTextMax = static_cast<int>(kTextChars + 1);
  LRESULT ok = 0;
  if (!talk.ask(LVM_GETCOLUMNW, index, column, text, &ok) || !ok) return SlotOutcome::kFailed;
  return SlotOutcome::kText;
}

// A text the owner supplies on demand (LPSTR_TEXTCALLBACK) is not asked
// for (LVIF_NORECOMPUTE): it must stay on demand, not become a fixed text.
SlotOutcome read_cell(Conversation& talk, int index, int subitem, std::wstring* text) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_NORECOMPUTE;
  item.iItem = index;
  item.iSubItem = subitem;
  item.pszText = talk.text_address();
  item.cchTextMax = static_cast<int>(kTextChars + 1);
  LRESULT ok = 0;
  if (!talk.ask(LVM_GETITEMW, 0, item, text, &ok) || !ok) return SlotOutcome::kFailed;
  if (item.pszText == LPSTR_TEXTCALLBACKW) return SlotOutcome::kSkipped;
  if (item.pszText != talk.text_address()) {
    // The control pointed at a text of its own instead of copying it.
    LVITEMW copy{};
    copy.iSubItem = subitem;
    copy.pszText = talk.text_address();
    copy.cchTextMax = static_cast<int>(kTextChars + 1);
    LRESULT length = 0;
    if (!talk.ask(LVM_GETITEMTEXTW, index, copy, text, &length)) return SlotOutcome::kFailed;
  }
  return text->size() >= kTextChars ? SlotOutcome::kSkipped : SlotOutcome::kText;
}

bool enumerate_list_view(Conversation& talk, std::vector<InnerText>* slots) {
  // Columns exist in every view; without any, the items still have texts.
  int columns = 0;
  for (; columns < kMaxColumns; ++columns) {
    std::wstring ignored;
    if (read_column(talk, columns, &ignored) != SlotOutcome::kText) break;
    add_slot(slots, InnerKind::kListViewColumn, columns);
  }
  if (talk.unanswered()) return false;
  const LONG_PTR style = GetWindowLongPtrW(talk.control(), GWL_STYLE);
  // A virtual list view keeps no texts of its own; a sorted one could move
  // an item whose text changes.
  if (style & LVS_OWNERDATA) return true;
  const bool sorted = (style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) != 0;
  const int count = count_list_view(talk);
  if (count < 0) return false;
  for (int i = 0; i < count; ++i) {
    for (int c = 0; c < std::max(columns, 1); ++c) {
      if (!(sorted && c == 0)) add_slot(slots, InnerKind::kListViewItem, i, c);
    }
  }
  return true;
}

SlotOutcome read_list_view(Conversation& talk, InnerText& slot, std::wstring* text) {
  return slot.kind == InnerKind::kListViewColumn ? read_column(talk, slot.index, text)
                                                 : read_cell(talk, slot.index, slot.subitem, text);
}

// Cells a batch at a time; columns, and cells whose text may have been cut
// or was not copied into the batch's buffer, one at a time.
bool read_list_view_batch(Conversation& talk, InnerText* slots, std::size_t count,
                          SlotRead* reads) {
  std::vector<std::size_t> cells;
  std::vector<LVITEMW> items;
  for (std::size_t i = 0; i < count; ++i) {
    if (slots[i].kind == InnerKind::kListViewColumn) {
      reads[i].outcome = read_column(talk, slots[i].index, &reads[i].text);
      continue;
    }
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_NORECOMPUTE;
    item.iItem = slots[i].index;
    item.iSubItem = slots[i].subitem;
    items.push_back(item);
    cells.push_back(i);
  }
  const std::vector<WPARAM> wparams(items.size(), 0);
  std::vector<std::wstring> texts(items.size());
  std::vector<LRESULT> ok(items.size(), 0);
  if (!talk.ask_many(LVM_GETITEMW, wparams.data(), items.data(), items.size(), texts.data(),
                     ok.data())) {
    return false;
  }
  for (std::size_t k = 0; k < cells.size(); ++k) {
    SlotRead& read = reads[cells[k]];
    if (!ok[k]) {
      read.outcome = SlotOutcome::kFailed;
    } else if (items[k].pszText == LPSTR_TEXTCALLBACKW) {
      read.outcome = SlotOutcome::kSkipped;
    } else if (items[k].pszText != talk.batch_text_address(k) ||
               texts[k].size() >= kBatchTextChars) {
      read.outcome = read_cell(talk, items[k].iItem, items[k].iSubItem, &read.text);
    } else {
      read.outcome = SlotOutcome::kText;
      read.text = std::move(texts[k]);
    }
  }
  return !talk.unanswered();
}

bool write_list_view_slot(Conversation& talk, const Change& change) {
  LRESULT ok = 0;
  if (change.slot.kind == InnerKind::kListViewColumn) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = talk.text_address();
    return talk.give(LVM_SETCOLUMNW, change.slot.index, column, change.text, &ok) && ok;
  }
  // Only the text: check and selection states are not in the mask.
  LVITEMW item{};
  item.iSubItem = change.slot.subitem;
  item.pszText = talk.text_address();
  return talk.give(LVM_SETITEMTEXTW, change.slot.index, item, change.text, &ok) && ok;
}
// Cells a batch at a time; columns and long texts one at a time.
bool write_list_view(Conversation& talk, std::vector<Change>& changes) {
  constexpr LRESULT kNotSent = -1;  // the messages answer TRUE or FALSE
  bool all = true;
  std::vector<Change*> batch;
  std::vector<LVITEMW> items;
  std::vector<WPARAM> indexes;
  std::vector<std::wstring> texts;
  const auto give_batch = [&] {
    if (items.empty()) return;
    std::vector<LRESULT> ok(items.size(), kNotSent);
    all = talk.give_many(LVM_SETITEMTEXTW, indexes.data(), items.data(), items.size(),
                         texts.data(), ok.data()) &&
          all;
    bool first_not_sent = true;
    for (std::size_t k = 0; k < batch.size(); ++k) {
      all = all && ok[k] != 0 && ok[k] != kNotSent;
      if (ok[k] != kNotSent) {
        batch[k]->taken = ok[k] != 0;
        continue;
      }
      // The first message without an answer may still write its cell.
      batch[k]->taken = first_not_sent && talk.unanswered();
      first_not_sent = false;
    }
    batch.clear();
    items.clear();
    indexes.clear();
    texts.clear();
  };
  for (Change& change : changes) {
    if (talk.unanswered()) return false;
    if (change.slot.kind == InnerKind::kListViewColumn || change.text.size() > kBatchTextChars) {
      give_batch();
      if (talk.unanswered()) return false;
      const bool written = write_list_view_slot(talk, change);
      change.taken = written || talk.unanswered();
      all = written && all;
      continue;
    }
    // Only the text: check and selection states are not in the mask.
    LVITEMW item{};
    item.iSubItem = change.slot.subitem;
    batch.push_back(&change);
    items.push_back(item);
    indexes.push_back(static_cast<WPARAM>(change.slot.index));
    texts.push_back(change.text);
    if (items.size() == kBatchSlots) give_batch();
  }
  give_batch();
  return all && !talk.unanswered();
}

// Tree views: every item in depth-first order, collapsed branches too.
int count_tree(Conversation& talk) { return count_of(talk, TVM_GETCOUNT); }

bool tree_items(Conversation& talk, std::vector<std::uintptr_t>* items) {
  const int count = count_tree(talk);
  if (count < 0) return false;
  auto next = [&talk](UINT relation, std::uintptr_t item, std::uintptr_t* found) {
    LRESULT answer = 0;
    if (!talk.send(TVM_GETNEXTITEM, relation, static_cast<LPARAM>(item), &answer)) return false;
    *found = static_cast<std::uintptr_t>(answer);
    return true;
  };
  std::uintptr_t item = 0;
  if (!next(TVGN_ROOT, 0, &item)) return false;
  while (item) {
    // A tree that keeps giving items beyond its count is changing.
    if (static_cast<int>(items->size()) >= count) return false;
    items->push_back(item);
    std::uintptr_t child = 0;
    if (!next(TVGN_CHILD, item, &child)) return false;
    if (child) {
      item = child;
      continue;
    }
    while (item) {
      std::uintptr_t sibling = 0;
      if (!next(TVGN_NEXT, item, &sibling)) return false;
      if (sibling) {
        item = sibling;
        break;
      }
      if (!next(TVGN_PARENT, item, &item)) return false;
    }
  }
  return static_cast<int>(items->size()) == count;
}

bool enumerate_tree(Conversation& talk, std::vector<InnerText>* slots) {
  std::vector<std::uintptr_t> items;
  if (!tree_items(talk, &items)) return false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    add_slot(slots, InnerKind::kTreeViewItem, static_cast<int>(i), 0, items[i]);
  }
  return true;
}

SlotOutcome read_tree(Conversation& talk, InnerText& slot, std::wstring* text) {
  TVITEMW item{};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = reinterpret_cast<HTREEITEM>(slot.tree_item);
  item.pszText = talk.text_address();
  item.cchTextMax = static_cast<int>(kTextChars + 1);
  LRESULT ok = 0;
  return talk.ask(TVM_GETITEMW, 0, item, text, &ok) && ok ? SlotOutcome::kText
                                                          : SlotOutcome::kFailed;
}

bool tree_still_there(Conversation& talk, const std::vector<InnerText>& slots) {
  std::vector<std::uintptr_t> items;
  if (!tree_items(talk, &items)) return false;
  const std::unordered_set<std::uintptr_t> now(items.begin(), items.end());
  return std::all_of(slots.begin(), slots.end(),
                     [&now](const InnerText& slot) { return now.count(slot.tree_item) > 0; });
}

bool write_tree_item(Conversation& talk, const Change& change) {
  TVITEMW item{};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = reinterpret_cast<HTREEITEM>(change.slot.tree_item);
  item.pszText = talk.text_address();
  LRESULT ok = 0;
  return talk.give(TVM_SETITEMW, 0, item, change.text, &ok) && ok;
}
bool write_tree(Conversation& talk, std::vector<Change>& changes) {
  return write_each(talk, changes, &write_tree_item);
}

// Header items; a list view's header shows the list view's columns, read there.
bool accepts_header(HWND control) {
  const HWND parent = GetParent(control);
  return !parent || lstrcmpiW(real_class_name(parent).c_str(), WC_LISTVIEWW) != 0;
}

// Status bar parts (255 in simple mode), with their drawing flags.
int count_status(Conversation& talk) { return count_of(talk, SB_GETPARTS); }
bool enumerate_status(Conversation& talk, std::vector<InnerText>* slots) {
  LRESULT simple = 0;
  if (!talk.send(SB_ISSIMPLE, 0, 0, &simple)) return false;
  if (simple) {
    add_slot(slots, InnerKind::kStatusBarPart, SB_SIMPLEID);
    return true;
  }
  return add_range(slots, InnerKind::kStatusBarPart, count_status(talk));
}
SlotOutcome read_status(Conversation& talk, InnerText& slot, std::wstring* text) {
  LRESULT answer = 0;
  if (!talk.send(SB_GETTEXTLENGTHW, slot.index, 0, &answer)) return SlotOutcome::kFailed;
  // An owner-drawn part's "text" is the owner's data.
  if (HIWORD(answer) & SBT_OWNERDRAW) return SlotOutcome::kSkipped;
  if (LOWORD(answer) >= kTextChars) return SlotOutcome::kSkipped;
  if (!talk.ask_text(SB_GETTEXTW, slot.index, text, &answer)) return SlotOutcome::kFailed;
  slot.flags = HIWORD(answer);
  return SlotOutcome::kText;
}
bool write_status_part(Conversation& talk, const Change& change) {
  LRESULT ok = 0;
  // The part's drawing flags go with its new text.
  return talk.give_text(SB_SETTEXTW,
                        static_cast<WPARAM>(change.slot.index) | (change.slot.flags & 0xFF00),
                        change.text, &ok) &&
         ok;
}
bool write_status(Conversation& talk, std::vector<Change>& changes) {
  return write_each(talk, changes, &write_status_part);
}

const ClassEntry kClasses[] = {
    {L"ListBox", false, false, &accepts_list_box, &count_list, &enumerate_list, &read_list_item,
     nullptr, nullptr, &write_list_items},
    {L"ComboBox", false, false, &accepts_combo_box, &count_list, &enumerate_list,
     &read_list_item, nullptr,
     nullptr, &write_list_items},
    {WC_TABCONTROLW, true, false, &accept_any, &Tabs::count, &Tabs::enumerate, &Tabs::read,
     nullptr, nullptr, &Tabs::write},
    {WC_LISTVIEWW, true, false, &accept_any, &count_list_view, &enumerate_list_view,
     &read_list_view, &read_list_view_batch, nullptr, &write_list_view},
    {WC_TREEVIEWW, true, false, &accept_any, &count_tree, &enumerate_tree, &read_tree, nullptr,
     &tree_still_there, &write_tree},
    {WC_HEADERW, true, false, &accepts_header, &Headers::count, &Headers::enumerate,
     &Headers::read, nullptr, nullptr, &Headers::write},
    {STATUSCLASSNAMEW, true, true, &accept_any, &count_status, &enumerate_status, &read_status,
     nullptr, nullptr, &write_status},
};

const ListMessages& list_messages(const Conversation& talk) {
  return &talk.entry() == &kClasses[0] ? kListBoxMessages : kComboBoxMessages;
}

// The entry of the control's class, null for other classes.
const ClassEntry* class_entry(HWND control) {
  if (!control || !IsWindow(control)) return nullptr;
  const std::wstring name = real_class_name(control);
  for (const ClassEntry& entry : kClasses) {
    if (lstrcmpiW(name.c_str(), entry.name) == 0) return &entry;
  }
  return nullptr;
}

bool open_conversation(Conversation& talk) {
  return !talk.entry().needs_memory || talk.ensure_memory();
}

// Reads every slot, a batch at a time where the class can; false as soon
// as one failed.
bool read_slots(Conversation& talk, std::vector<InnerText>& slots, std::vector<SlotRead>* reads) {
  const ClassEntry& entry = talk.entry();
  reads->assign(slots.size(), SlotRead());
  for (std::size_t first = 0; first < slots.size();) {
    const std::size_t count = entry.read_batch ? std::min(kBatchSlots, slots.size() - first) : 1;
    SlotRead* batch = reads->data() + first;
    if (entry.read_batch) {
      if (!entry.read_batch(talk, &slots[first], count, batch)) return false;
    } else {
      batch->outcome = entry.read(talk, slots[first], &batch->text);
    }
    for (std::size_t i = 0; i < count; ++i) {
      if (batch[i].outcome == SlotOutcome::kFailed) return false;
    }
    first += count;
  }
  return true;
}

// Reads every slot. Slots whose text is empty, supplied on demand, too long
// or outside GBK are left out. False when the control did not answer or
// changed meanwhile.
bool read_all(Conversation& talk, std::vector<InnerText>* texts) {
  const ClassEntry& entry = talk.entry();
  if (!open_conversation(talk)) return false;
  const int count_before = entry.count(talk);
  std::vector<InnerText> slots;
  if (count_before < 0 || !entry.enumerate(talk, &slots)) return false;
  std::vector<SlotRead> reads;
  if (!read_slots(talk, slots, &reads)) return false;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (reads[i].outcome == SlotOutcome::kSkipped || reads[i].text.empty()) continue;
    std::optional<std::string> text = to_gbk(reads[i].text);
    if (!text) continue;
    slots[i].text = std::move(*text);
    slots[i].item_count = count_before;
    texts->push_back(std::move(slots[i]));
  }
  return entry.count(talk) == count_before;
}

// One put-back: each slot of items still there is read once, and the ones
// still showing items[i].text are written. False when the control did not
// answer while it was read (nothing was written then).
bool put_back(Conversation& talk, const std::vector<InnerText>& items,
              const std::vector<std::string>& replacements, PutBackReport* report) {
  const ClassEntry& entry = talk.entry();
  report->outcomes.assign(items.size(), PutBack::kChanged);
  if (!open_conversation(talk)) return !talk.unanswered();
  const int count = entry.count(talk);
  std::vector<InnerText> now;
  if (count < 0 || !entry.enumerate(talk, &now)) return false;
  // Slots the control no longer has stay "changed"; the others are read.
  const std::unordered_set<InnerText, InnerSlotHash, InnerSlotEqual> present(now.begin(), now.end());
  std::vector<std::size_t> which;
  std::vector<InnerText> slots;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!present.count(items[i])) continue;
    which.push_back(i);
    slots.push_back(items[i]);
    slots.back().item_count = count;
  }
  std::vector<SlotRead> reads;
  if (!read_slots(talk, slots, &reads)) return false;
  std::vector<Change> changes;
  for (std::size_t k = 0; k < slots.size(); ++k) {
    const std::size_t i = which[k];
    if (reads[k].outcome != SlotOutcome::kText) continue;
    const std::optional<std::string> shown = to_gbk(reads[k].text);
    if (!shown) continue;
    if (*shown == replacements[i]) {
      report->outcomes[i] = PutBack::kAlready;
    } else if (*shown == items[i].text) {
      report->outcomes[i] = PutBack::kWritten;
      changes.push_back(Change{slots[k], runtime::widen(replacements[i]), i});
    }
  }
  if (changes.empty()) return true;
  std::stable_sort(changes.begin(), changes.end(),
                   [](const Change& a, const Change& b) { return a.slot.index < b.slot.index; });
  if (entry.count(talk) == count) entry.write(talk, changes);
  // After a time-out every slot stays remembered: the next restore sees
  // which the late message wrote.
  for (const Change& change : changes) {
    if (!change.taken || talk.unanswered()) report->outcomes[change.item] = PutBack::kRefused;
  }
  return true;
}

}  // namespace

bool same_slot(const InnerText& a, const InnerText& b) {
  return a.kind == b.kind && a.index == b.index && a.subitem == b.subitem &&
         a.tree_item == b.tree_item;
}

std::size_t InnerSlotHash::operator()(const InnerText& slot) const {
  std::size_t hash = static_cast<std::size_t>(slot.kind);
  hash = hash * 1000003u ^ static_cast<std::size_t>(slot.index);
  hash = hash * 1000003u ^ static_cast<std::size_t>(slot.subitem);
  return hash * 1000003u ^ static_cast<std::size_t>(slot.tree_item);
}

bool has_inner_texts(HWND control) {
  const ClassEntry* entry = class_entry(control);
  return entry && entry->accepts(control);
}

bool window_text_is_inner(HWND control) {
  const ClassEntry* entry = class_entry(control);
  return entry && entry->window_text_is_inner;
}

InnerTexts list_inner_texts(HWND control, unsigned timeout_ms) {
  InnerTexts result;
  const ClassEntry* entry = class_entry(control);
  if (!entry || !entry->accepts(control)) return result;
  // A control busy for a while gets a second chance once it answers again.
  for (int attempt = 0; attempt < 2; ++attempt) {
    Conversation talk(control, *entry, timeout_ms);
    if (read_all(talk, &result.texts)) return result;
    result.texts.clear();
    if (!talk.unanswered()) return result;
    if (attempt > 0 || !talk.wait_until_answered(timeout_ms)) break;
  }
  result.answered = false;
  return result;
}

std::vector<InnerText> read_inner_texts(HWND control, unsigned timeout_ms) {
  return list_inner_texts(control, timeout_ms).texts;
}

WindowText read_inner_text(HWND control, const InnerText& slot, unsigned timeout_ms) {
  WindowText result;
  const ClassEntry* entry = class_entry(control);
  if (!entry) return result;
  Conversation talk(control, *entry, timeout_ms);
  if (!open_conversation(talk)) return result;
  InnerText copy = slot;
  std::wstring wide;
  if (entry->read(talk, copy, &wide) != SlotOutcome::kText) return result;
  result.answered = true;
  const std::optional<std::string> text = to_gbk(wide);
  result.text = text ? *text : runtime::narrow(wide);
  result.whole = text.has_value();
  return result;
}

PutBackReport put_back_inner_texts(HWND control, const std::vector<InnerText>& items,
                                   const std::vector<std::string>& replacements,
                                   unsigned timeout_ms) {
  PutBackReport report;
  report.outcomes.assign(items.size(), PutBack::kChanged);
  const ClassEntry* entry = class_entry(control);
  if (!entry || !entry->accepts(control) || replacements.size() != items.size()) return report;
  // A control busy for a while gets a second chance once it answers again.
  for (int attempt = 0; attempt < 2; ++attempt) {
    Conversation talk(control, *entry, timeout_ms);
    if (put_back(talk, items, replacements, &report)) return report;
    // A control that answered yet could not be read is left as it is.
    report.outcomes.assign(items.size(), PutBack::kChanged);
    if (!talk.unanswered()) return report;
    if (attempt > 0 || !talk.wait_until_answered(timeout_ms)) break;
  }
  report.answered = false;
  return report;
}

bool write_inner_texts(HWND control, const std::vector<InnerText>& items,
                       const std::vector<std::string>& translations, unsigned timeout_ms,
                       std::vector<bool>* taken) {
  if (taken) taken->assign(items.size(), false);
  const ClassEntry* entry = class_entry(control);
  if (!entry || !entry->accepts(control) || translations.size() != items.size()) return false;
  std::vector<std::size_t> wanted;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!translations[i].empty() && translations[i] != items[i].text) wanted.push_back(i);
  }
  if (wanted.empty()) return true;

  // The control is checked before anything is written: same count, the
  // slots still there, every slot still showing the text that was translated.
  Conversation talk(control, *entry, timeout_ms);
  if (!open_conversation(talk)) return false;
  const int count = items[wanted.front()].item_count;
  if (entry->count(talk) != count) return false;
  std::vector<InnerText> slots;
  slots.reserve(wanted.size());
  for (std::size_t i : wanted) {
    if (items[i].item_count != count) return false;
    slots.push_back(items[i]);
  }
  if (entry->still_there && !entry->still_there(talk, slots)) return false;
  std::vector<SlotRead> reads;
  if (!read_slots(talk, slots, &reads)) return false;
  std::vector<Change> changes;
  changes.reserve(wanted.size());
  for (std::size_t k = 0; k < wanted.size(); ++k) {
    if (reads[k].outcome != SlotOutcome::kText) return false;
    const std::optional<std::string> now = to_gbk(reads[k].text);
    if (!now || *now != items[wanted[k]].text) return false;
    changes.push_back(Change{slots[k], runtime::widen(translations[wanted[k]]), wanted[k]});
  }
  // Items are replaced in order, each at its own index.
  std::stable_sort(changes.begin(), changes.end(),
                   [](const Change& a, const Change& b) { return a.slot.index < b.slot.index; });
  const bool all = entry->write(talk, changes);
  if (taken) {
    for (const Change& change : changes) (*taken)[change.item] = change.taken;
  }
  return all;
}

}  // namespace capture
