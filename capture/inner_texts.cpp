#include "capture/inner_texts.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "capture/control_conversation.h"
#include "runtime/codepage.h"

namespace capture {
namespace {

enum class ControlClass {
  kNone,
  kListBox,
  kComboBox,
  kTab,
  kListView,
  kTreeView,
  kHeader,
  kStatusBar
};

// Beyond these a control's further items are passed over.
constexpr int kMaxItems = 20000;
constexpr int kMaxColumns = 256;

static_assert(sizeof(LVITEMW) <= kMaxStructureBytes && sizeof(LVCOLUMNW) <= kMaxStructureBytes &&
                  sizeof(TVITEMW) <= kMaxStructureBytes && sizeof(HDITEMW) <= kMaxStructureBytes &&
                  sizeof(TCITEMW) <= kMaxStructureBytes,
              "message structures fit before the text buffer");

std::wstring class_name(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

bool class_is(const std::wstring& name, const wchar_t* expected) {
  return lstrcmpiW(name.c_str(), expected) == 0;
}

ControlClass class_of(HWND control) {
  if (!control || !IsWindow(control)) return ControlClass::kNone;
  const std::wstring name = class_name(control);
  if (class_is(name, L"ListBox")) return ControlClass::kListBox;
  if (class_is(name, L"ComboBox")) return ControlClass::kComboBox;
  if (class_is(name, WC_TABCONTROLW)) return ControlClass::kTab;
  if (class_is(name, WC_LISTVIEWW)) return ControlClass::kListView;
  if (class_is(name, WC_TREEVIEWW)) return ControlClass::kTreeView;
  if (class_is(name, STATUSCLASSNAMEW)) return ControlClass::kStatusBar;
  if (class_is(name, WC_HEADERW)) {
    // A list view's header shows the list view's columns, read there.
    const HWND parent = GetParent(control);
    return parent && class_is(class_name(parent), WC_LISTVIEWW) ? ControlClass::kNone
                                                                : ControlClass::kHeader;
  }
  return ControlClass::kNone;
}

LONG_PTR style_of(HWND control) { return GetWindowLongPtrW(control, GWL_STYLE); }

bool owner_drawn_without_strings(ControlClass kind, LONG_PTR style) {
  if (kind == ControlClass::kListBox) {
    if (style & LBS_NODATA) return true;
    return (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) && !(style & LBS_HASSTRINGS);
  }
  if (kind == ControlClass::kComboBox) {
    return (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) && !(style & CBS_HASSTRINGS);
  }
  return false;
}

bool sorted_list_view(LONG_PTR style) {
  return (style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) != 0;
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
  kSkipped,  // this slot keeps its text (owner-drawn part, text too long)
  kFailed,   // gone or no answer: the control is left as found
};

// A conversation that knows which class it talks to.
class Conversation : public ControlConversation {
 public:
  Conversation(HWND control, ControlClass kind, unsigned timeout_ms)
      : ControlConversation(control, timeout_ms), kind_(kind) {}
  ControlClass kind() const { return kind_; }

 private:
  ControlClass kind_;
};

// --- list box and combo box items: the system copies their strings --------

struct ListMessages {
  UINT get_count, get_text_length, get_text, insert, remove, get_data, set_data, get_selection,
      set_selection, get_top, set_top;
};
constexpr ListMessages kListBoxMessages = {
    LB_GETCOUNT,    LB_GETTEXTLEN, LB_GETTEXT,   LB_INSERTSTRING, LB_DELETESTRING, LB_GETITEMDATA,
    LB_SETITEMDATA, LB_GETCURSEL,  LB_SETCURSEL, LB_GETTOPINDEX,  LB_SETTOPINDEX};
constexpr ListMessages kComboBoxMessages = {
    CB_GETCOUNT,    CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_INSERTSTRING, CB_DELETESTRING, CB_GETITEMDATA,
    CB_SETITEMDATA, CB_GETCURSEL,    CB_SETCURSEL, CB_GETTOPINDEX,  CB_SETTOPINDEX};

const ListMessages& list_messages(ControlClass kind) {
  return kind == ControlClass::kListBox ? kListBoxMessages : kComboBoxMessages;
}

SlotOutcome read_list_item(Conversation& talk, int index, std::wstring* text) {
  const ListMessages& m = list_messages(talk.kind());
  LRESULT length = 0;
  if (!talk.send(m.get_text_length, index, 0, &length) || length < 0) return SlotOutcome::kFailed;
  if (static_cast<std::size_t>(length) > kTextChars) return SlotOutcome::kSkipped;
  // Room for a text that grew by a little since its length was asked.
  std::wstring buffer(static_cast<std::size_t>(length) + 64, L'\0');
  LRESULT copied = 0;
  if (!talk.send(m.get_text, index, reinterpret_cast<LPARAM>(buffer.data()), &copied) ||
      copied < 0) {
    return SlotOutcome::kFailed;
  }
  buffer.resize(std::min(buffer.find(L'\0'), static_cast<std::size_t>(copied)));
  *text = std::move(buffer);
  return SlotOutcome::kText;
}

// --- the common controls: structures in the control's process --------------

SlotOutcome read_tab_caption(Conversation& talk, int index, std::wstring* text) {
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = talk.text_address();
  item.cchTextMax = static_cast<int>(kTextChars + 1);
  LRESULT ok = 0;
  return talk.ask(TCM_GETITEMW, index, item, text, &ok) && ok ? SlotOutcome::kText
                                                              : SlotOutcome::kFailed;
}

// A list view's column: its text and the subitem it shows.
SlotOutcome read_list_view_column(Conversation& talk, int index, std::wstring* text, int* subitem) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_SUBITEM;
  column.pszText = talk.text_address();
  column.cchTextMax = static_cast<int>(kTextChars + 1);
  LRESULT ok = 0;
  if (!talk.ask(LVM_GETCOLUMNW, index, column, text, &ok) || !ok) return SlotOutcome::kFailed;
  if (subitem) *subitem = column.iSubItem;
  return SlotOutcome::kText;
}

SlotOutcome read_list_view_item(Conversation& talk, int index, int subitem, std::wstring* text) {
  LVITEMW item{};
  item.iSubItem = subitem;
  item.pszText = talk.text_address();
  item.cchTextMax = static_cast<int>(kTextChars + 1);
  LRESULT length = 0;
  if (!talk.ask(LVM_GETITEMTEXTW, index, item, text, &length)) return SlotOutcome::kFailed;
  return static_cast<std::size_t>(length) >= kTextChars ? SlotOutcome::kSkipped
                                                        : SlotOutcome::kText;
}

SlotOutcome read_tree_item(Conversation& talk, std::uintptr_t handle, std::wstring* text) {
  TVITEMW item{};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = reinterpret_cast<HTREEITEM>(handle);
  item.pszText = talk.text_address();
  item.cchTextMax = static_cast<int>(kTextChars + 1);
  LRESULT ok = 0;
  return talk.ask(TVM_GETITEMW, 0, item, text, &ok) && ok ? SlotOutcome::kText
                                                          : SlotOutcome::kFailed;
}

SlotOutcome read_header_item(Conversation& talk, int index, std::wstring* text) {
  HDITEMW item{};
  item.mask = HDI_TEXT;
  item.pszText = talk.text_address();
  item.cchTextMax = static_cast<int>(kTextChars + 1);
  LRESULT ok = 0;
  return talk.ask(HDM_GETITEMW, index, item, text, &ok) && ok ? SlotOutcome::kText
                                                              : SlotOutcome::kFailed;
}

// A status bar part's text and its drawing flags (SBT_POPOUT, SBT_NOBORDERS, ...).
SlotOutcome read_status_part(Conversation& talk, int part, std::wstring* text, unsigned* flags) {
  LRESULT answer = 0;
  if (!talk.send(SB_GETTEXTLENGTHW, part, 0, &answer)) return SlotOutcome::kFailed;
  const unsigned drawing = HIWORD(answer);
  // An owner-drawn part's "text" is the owner's data.
  if (drawing & SBT_OWNERDRAW) return SlotOutcome::kSkipped;
  if (LOWORD(answer) >= kTextChars) return SlotOutcome::kSkipped;
  if (!talk.ask_text(SB_GETTEXTW, part, text, &answer)) return SlotOutcome::kFailed;
  if (flags) *flags = HIWORD(answer);
  return SlotOutcome::kText;
}

// --- the slots of a control -------------------------------------------------

// Counts through a message that returns them, or -1 without an answer.
int count_of(Conversation& talk, UINT message) {
  LRESULT count = 0;
  if (!talk.send(message, 0, 0, &count) || count < 0) return -1;
  return static_cast<int>(std::min<LRESULT>(count, kMaxItems));
}

// The tree's items in depth-first order, collapsed branches included.
bool tree_items(Conversation& talk, std::vector<std::uintptr_t>* items) {
  const int count = count_of(talk, TVM_GETCOUNT);
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

// Every slot of the control, texts not yet read; false when the control
// did not answer.
bool enumerate_slots(Conversation& talk, std::vector<InnerText>* slots) {
  const LONG_PTR style = style_of(talk.control());
  auto add = [slots](InnerKind kind, int index, int subitem = 0, std::uintptr_t tree_item = 0) {
    InnerText slot;
    slot.kind = kind;
    slot.index = index;
    slot.subitem = subitem;
    slot.tree_item = tree_item;
    slots->push_back(slot);
  };
  auto add_range = [&](InnerKind kind, int count) {
    if (count < 0) return false;
    for (int i = 0; i < count; ++i) add(kind, i);
    return true;
  };
  switch (talk.kind()) {
    case ControlClass::kListBox:
    case ControlClass::kComboBox:
      if (owner_drawn_without_strings(talk.kind(), style)) return true;
      return add_range(talk.kind() == ControlClass::kListBox ? InnerKind::kListBoxItem
                                                             : InnerKind::kComboBoxItem,
                       count_of(talk, list_messages(talk.kind()).get_count));
    case ControlClass::kTab:
      return add_range(InnerKind::kTabCaption, count_of(talk, TCM_GETITEMCOUNT));
    case ControlClass::kHeader:
      return add_range(InnerKind::kHeaderItem, count_of(talk, HDM_GETITEMCOUNT));
    case ControlClass::kStatusBar: {
      LRESULT simple = 0;
      if (!talk.send(SB_ISSIMPLE, 0, 0, &simple)) return false;
      if (simple) {
        add(InnerKind::kStatusBarPart, SB_SIMPLEID);
        return true;
      }
      return add_range(InnerKind::kStatusBarPart, count_of(talk, SB_GETPARTS));
    }
    case ControlClass::kTreeView: {
      std::vector<std::uintptr_t> items;
      if (!tree_items(talk, &items)) return false;
      for (std::size_t i = 0; i < items.size(); ++i) {
        add(InnerKind::kTreeViewItem, static_cast<int>(i), 0, items[i]);
      }
      return true;
    }
    case ControlClass::kListView: {
      // Columns exist in every view; the subitems they show are the
      // texts of each item.
      std::vector<int> subitems;
      for (int c = 0; c < kMaxColumns; ++c) {
        std::wstring ignored;
        int subitem = 0;
        if (read_list_view_column(talk, c, &ignored, &subitem) != SlotOutcome::kText) break;
        add(InnerKind::kListViewColumn, c);
        subitems.push_back(subitem);
      }
      if (subitems.empty()) subitems.push_back(0);
      // A virtual list view keeps no texts of its own; a sorted one could
      // move an item whose text changes.
      if (style & LVS_OWNERDATA) return true;
      const bool sorted = sorted_list_view(style);
      const int count = count_of(talk, LVM_GETITEMCOUNT);
      if (count < 0) return false;
      for (int i = 0; i < count; ++i) {
        for (int subitem : subitems) {
          if (!(sorted && subitem == 0)) add(InnerKind::kListViewItem, i, subitem);
        }
      }
      return true;
    }
    case ControlClass::kNone:
      break;
  }
  return true;
}

// The slot's count as the control reports it now, to see a control that
// changed while it was read.
int current_count(Conversation& talk) {
  switch (talk.kind()) {
    case ControlClass::kListBox:
    case ControlClass::kComboBox:
      return count_of(talk, list_messages(talk.kind()).get_count);
    case ControlClass::kTab:
      return count_of(talk, TCM_GETITEMCOUNT);
    case ControlClass::kHeader:
      return count_of(talk, HDM_GETITEMCOUNT);
    case ControlClass::kTreeView:
      return count_of(talk, TVM_GETCOUNT);
    case ControlClass::kListView:
      return count_of(talk, LVM_GETITEMCOUNT);
    case ControlClass::kStatusBar:
      return count_of(talk, SB_GETPARTS);
    case ControlClass::kNone:
      break;
  }
  return 0;
}

SlotOutcome read_slot_wide(Conversation& talk, InnerText& slot, std::wstring* text) {
  switch (slot.kind) {
    case InnerKind::kListBoxItem:
    case InnerKind::kComboBoxItem:
      return read_list_item(talk, slot.index, text);
    case InnerKind::kTabCaption:
      return read_tab_caption(talk, slot.index, text);
    case InnerKind::kListViewColumn:
      return read_list_view_column(talk, slot.index, text, nullptr);
    case InnerKind::kListViewItem:
      return read_list_view_item(talk, slot.index, slot.subitem, text);
    case InnerKind::kTreeViewItem:
      return read_tree_item(talk, slot.tree_item, text);
    case InnerKind::kHeaderItem:
      return read_header_item(talk, slot.index, text);
    case InnerKind::kStatusBarPart:
      return read_status_part(talk, slot.index, text, &slot.flags);
  }
  return SlotOutcome::kFailed;
}

bool needs_foreign_memory(ControlClass kind) {
  return kind != ControlClass::kListBox && kind != ControlClass::kComboBox &&
         kind != ControlClass::kNone;
}

// Reads every slot. Slots whose text is empty, too long or outside GBK are
// left out. False when the control did not answer or changed meanwhile.
bool read_all(Conversation& talk, std::vector<InnerText>* texts) {
  if (needs_foreign_memory(talk.kind()) && !talk.ensure_memory()) return false;
  const int count_before = current_count(talk);
  std::vector<InnerText> slots;
  if (count_before < 0 || !enumerate_slots(talk, &slots)) return false;
  for (InnerText& slot : slots) {
    std::wstring wide;
    const SlotOutcome outcome = read_slot_wide(talk, slot, &wide);
    if (outcome == SlotOutcome::kFailed) return false;
    if (outcome == SlotOutcome::kSkipped || wide.empty()) continue;
    std::optional<std::string> text = to_gbk(wide);
    if (!text) continue;
    slot.text = std::move(*text);
    slot.item_count = count_before;
    texts->push_back(std::move(slot));
  }
  return current_count(talk) == count_before;
}

// --- writing ----------------------------------------------------------------

struct Change {
  InnerText slot;
  std::wstring text;
};

// List box and combo box items are replaced: the translation is inserted
// before the item, given its data, and the item removed. Selection and top
// item are put back at the end.
bool write_list_items(Conversation& talk, const std::vector<Change>& changes) {
  const ListMessages& m = list_messages(talk.kind());
  const bool combo = talk.kind() == ControlClass::kComboBox;
  const LONG_PTR style = style_of(talk.control());
  const bool multiple = !combo && (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL));

  LRESULT selection = -1, top = 0, caret = -1;
  if (!talk.send(m.get_top, 0, 0, &top)) return false;
  if (multiple) {
    if (!talk.send(LB_GETCARETINDEX, 0, 0, &caret)) return false;
  } else if (!talk.send(m.get_selection, 0, 0, &selection)) {
    return false;
  }
  // A combo box's edit may hold a text of its own, which choosing the item
  // again would replace.
  WindowText edit_before;
  std::wstring selected_before;
  if (combo && selection >= 0) {
    edit_before = query_window_text(talk.control(), talk.timeout_ms());
    if (read_list_item(talk, static_cast<int>(selection), &selected_before) != SlotOutcome::kText) {
      return false;
    }
  }

  bool all = true;
  for (const Change& change : changes) {
    const int index = change.slot.index;
    LRESULT data = 0, selected = 0, inserted = 0, removed = 0;
    if (!talk.send(m.get_data, index, 0, &data)) return false;
    if (multiple && !talk.send(LB_GETSEL, index, 0, &selected)) return false;
    if (!talk.send(m.insert, index, reinterpret_cast<LPARAM>(change.text.c_str()), &inserted)) {
      return false;
    }
    if (inserted != index) {
      // Refused (no room): the old item is still there, untouched.
      all = false;
      continue;
    }
    // The old item gives its data to the new one and is removed without
    // it: removing an item with data tells the owner (WM_DELETEITEM) to
    // free what the data may point to, which the new item still uses.
    if (!talk.send(m.set_data, index, data, nullptr) ||
        !talk.send(m.set_data, index + 1, 0, nullptr) ||
        !talk.send(m.remove, index + 1, 0, &removed)) {
      return false;
    }
    if (multiple && selected > 0 && !talk.send(LB_SETSEL, TRUE, index, nullptr)) return false;
  }

  if (multiple) {
    if (caret >= 0) talk.send(LB_SETCARETINDEX, caret, FALSE, nullptr);
  } else if (selection >= 0) {
    talk.send(m.set_selection, selection, 0, nullptr);
    if (combo && edit_before.answered && edit_before.text != runtime::narrow(selected_before)) {
      write_window_text(talk.control(), edit_before.text, talk.timeout_ms());
    }
  }
  talk.send(m.set_top, top, 0, nullptr);
  return all;
}

bool write_slot(Conversation& talk, const Change& change) {
  const InnerText& slot = change.slot;
  LRESULT ok = 0;
  switch (slot.kind) {
    case InnerKind::kTabCaption: {
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = talk.text_address();
      return talk.give(TCM_SETITEMW, slot.index, item, change.text, &ok) && ok;
    }
    case InnerKind::kListViewColumn: {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT;
      column.pszText = talk.text_address();
      return talk.give(LVM_SETCOLUMNW, slot.index, column, change.text, &ok) && ok;
    }
    case InnerKind::kListViewItem: {
      // Only the text: check and selection states are not in the mask.
      LVITEMW item{};
      item.iSubItem = slot.subitem;
      item.pszText = talk.text_address();
      return talk.give(LVM_SETITEMTEXTW, slot.index, item, change.text, &ok) && ok;
    }
    case InnerKind::kTreeViewItem: {
      TVITEMW item{};
      item.mask = TVIF_TEXT | TVIF_HANDLE;
      item.hItem = reinterpret_cast<HTREEITEM>(slot.tree_item);
      item.pszText = talk.text_address();
      return talk.give(TVM_SETITEMW, 0, item, change.text, &ok) && ok;
    }
    case InnerKind::kHeaderItem: {
      HDITEMW item{};
      item.mask = HDI_TEXT;
      item.pszText = talk.text_address();
      item.cchTextMax = static_cast<int>(change.text.size() + 1);
      return talk.give(HDM_SETITEMW, slot.index, item, change.text, &ok) && ok;
    }
    case InnerKind::kStatusBarPart:
      // The part's drawing flags go with its new text.
      return talk.give_text(SB_SETTEXTW, static_cast<WPARAM>(slot.index) | (slot.flags & 0xFF00),
                            change.text, &ok) &&
             ok;
    case InnerKind::kListBoxItem:
    case InnerKind::kComboBoxItem:
      break;
  }
  return false;
}

}  // namespace

bool same_slot(const InnerText& a, const InnerText& b) {
  return a.kind == b.kind && a.index == b.index && a.subitem == b.subitem &&
         a.tree_item == b.tree_item;
}

bool has_inner_texts(HWND control) { return class_of(control) != ControlClass::kNone; }

bool window_text_is_inner(HWND control) { return class_of(control) == ControlClass::kStatusBar; }

std::vector<InnerText> read_inner_texts(HWND control, unsigned timeout_ms) {
  std::vector<InnerText> texts;
  const ControlClass kind = class_of(control);
  if (kind == ControlClass::kNone) return texts;
  Conversation talk(control, kind, timeout_ms);
  if (!read_all(talk, &texts)) texts.clear();
  return texts;
}

WindowText read_inner_text(HWND control, const InnerText& slot, unsigned timeout_ms) {
  WindowText result;
  const ControlClass kind = class_of(control);
  if (kind == ControlClass::kNone) return result;
  Conversation talk(control, kind, timeout_ms);
  if (needs_foreign_memory(kind) && !talk.ensure_memory()) return result;
  InnerText copy = slot;
  std::wstring wide;
  if (read_slot_wide(talk, copy, &wide) != SlotOutcome::kText) return result;
  result.answered = true;
  const std::optional<std::string> text = to_gbk(wide);
  result.text = text ? *text : runtime::narrow(wide);
  result.whole = text.has_value();
  return result;
}

bool write_inner_texts(HWND control, const std::vector<InnerText>& items,
                       const std::vector<std::string>& translations, unsigned timeout_ms) {
  const ControlClass kind = class_of(control);
  if (kind == ControlClass::kNone || translations.size() != items.size()) return false;
  std::vector<std::size_t> wanted;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!translations[i].empty() && translations[i] != items[i].text) wanted.push_back(i);
  }
  if (wanted.empty()) return true;

  // The control is checked before anything is written: same count, the
  // tree's items still there (a handle of a deleted item must never be
  // sent), every slot still showing the text that was translated.
  Conversation talk(control, kind, timeout_ms);
  if (needs_foreign_memory(kind) && !talk.ensure_memory()) return false;
  if (current_count(talk) != items[wanted.front()].item_count) return false;
  std::vector<std::uintptr_t> tree;
  if (kind == ControlClass::kTreeView && !tree_items(talk, &tree)) return false;
  std::vector<Change> changes;
  for (std::size_t i : wanted) {
    InnerText slot = items[i];
    if (slot.item_count != items[wanted.front()].item_count) return false;
    if (kind == ControlClass::kTreeView &&
        std::find(tree.begin(), tree.end(), slot.tree_item) == tree.end()) {
      return false;
    }
    std::wstring wide;
    if (read_slot_wide(talk, slot, &wide) != SlotOutcome::kText) return false;
    const std::optional<std::string> now = to_gbk(wide);
    if (!now || *now != items[i].text) return false;
    changes.push_back(Change{slot, runtime::widen(translations[i])});
  }
  if (changes.empty()) return true;
  // Items are replaced in order, each at its own index.
  std::stable_sort(changes.begin(), changes.end(),
                   [](const Change& a, const Change& b) { return a.slot.index < b.slot.index; });
  if (kind == ControlClass::kListBox || kind == ControlClass::kComboBox) {
    return write_list_items(talk, changes);
  }
  bool all = true;
  for (const Change& change : changes) all = write_slot(talk, change) && all;
  return all;
}

}  // namespace capture
