#include "tests/e2e/foreign_demo_explorer.h"

#include <commctrl.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "tests/e2e/foreign_demo_layout.h"

namespace foreign_demo {
namespace {

template <typename T, std::size_t N>
constexpr int count_of(const T (&)[N]) {
  return static_cast<int>(N);
}

struct Explorer {
  HWND list_box = nullptr;
  HWND combo = nullptr;
  HWND tab = nullptr;
  HWND list_view = nullptr;
  HWND tree = nullptr;
  HWND status = nullptr;
  int rows = 0;
  HTREEITEM branches[count_of(kExplorerTree)] = {};
  HTREEITEM selected = nullptr;
  int deleted_with_data = 0;  // WM_DELETEITEM received for items holding data
};
Explorer g_explorer;

// The controls of --explorer-extras and what happened to them since they
// were made.
struct ExplorerExtras {
  HWND plain_columns = nullptr;
  HWND owner_list = nullptr;
  HWND owner_combo = nullptr;
  bool made = false;
  int owner_drawn_events = 0;  // items deleted or measured after they were made
};
ExplorerExtras g_extras;

// --busy-list-view: the list view's own procedure behind the busy one.
struct BusyListView {
  int busy_ms = 0;
  bool slept = false;
  bool late_structure_bad = false;
  int self_checks = 0;  // the explorer is asking its own controls
  WNDPROC list_view_proc = nullptr;
};
BusyListView g_busy;

HWND create_child(HWND parent, const wchar_t* window_class, DWORD style, int x, int y, int width,
                  int height, int id) {
  const HWND control = CreateWindowExW(
      0, window_class, L"", WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (control) SendMessageW(control, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  return control;
}

void fill_list_box(HWND list_box) {
  for (int i = 0; i < count_of(kExplorerListBoxItems); ++i) {
    SendMessageW(list_box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kExplorerListBoxItems[i]));
    SendMessageW(list_box, LB_SETITEMDATA, i, kExplorerListBoxData + i);
  }
  SendMessageW(list_box, LB_SETCURSEL, kExplorerListBoxSelection, 0);
  SendMessageW(list_box, LB_SETTOPINDEX, kExplorerListBoxTop, 0);
}

void fill_combo(HWND combo) {
  for (int i = 0; i < count_of(kExplorerComboItems); ++i) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kExplorerComboItems[i]));
    SendMessageW(combo, CB_SETITEMDATA, i, kExplorerComboData + i);
  }
  SendMessageW(combo, CB_SETCURSEL, kExplorerComboSelection, 0);
}

void fill_tab(HWND tab) {
  for (int i = 0; i < count_of(kExplorerTabs); ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(kExplorerTabs[i]);
    SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(tab, TCM_SETCURSEL, kExplorerTabSelection, 0);
}

bool row_checked(int row) { return row < count_of(kExplorerRows) && kExplorerRowChecked[row]; }

void fill_list_view(HWND list_view, int rows) {
  SendMessageW(list_view, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  for (int c = 0; c < count_of(kExplorerColumns); ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(kExplorerColumns[c]);
    column.cx = 120;
    column.iSubItem = c;
    SendMessageW(list_view, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  for (int r = 0; r < rows; ++r) {
    const wchar_t* const* texts = kExplorerRows[r % count_of(kExplorerRows)];
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = const_cast<wchar_t*>(texts[0]);
    SendMessageW(list_view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 1; c < count_of(kExplorerColumns); ++c) {
      item.iSubItem = c;
      item.pszText = const_cast<wchar_t*>(texts[c]);
      SendMessageW(list_view, LVM_SETITEMTEXTW, r, reinterpret_cast<LPARAM>(&item));
    }
    // The check box is the state image: 1 unchecked, 2 checked.
    LVITEMW state{};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(row_checked(r) ? 2 : 1);
    SendMessageW(list_view, LVM_SETITEMSTATE, r, reinterpret_cast<LPARAM>(&state));
  }
  LVITEMW selection{};
  selection.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  selection.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list_view, LVM_SETITEMSTATE, kExplorerRowSelected,
               reinterpret_cast<LPARAM>(&selection));
}

HTREEITEM insert_tree_item(HWND tree, HTREEITEM parent, const wchar_t* text) {
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<wchar_t*>(text);
  return reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void fill_tree(HWND tree) {
  for (int b = 0; b < count_of(kExplorerTree); ++b) {
    const TreeBranch& branch = kExplorerTree[b];
    const HTREEITEM item = insert_tree_item(tree, TVI_ROOT, branch.text);
    g_explorer.branches[b] = item;
    HTREEITEM last = nullptr;
    for (const wchar_t* child : branch.children) last = insert_tree_item(tree, item, child);
    if (branch.expanded) {
      SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
      if (!g_explorer.selected) g_explorer.selected = last;
    }
  }
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(g_explorer.selected));
}

void fill_status(HWND status) {
  int rights[count_of(kExplorerStatusParts)];
  for (int p = 0; p < count_of(kExplorerStatusParts); ++p)
    rights[p] = kExplorerStatusParts[p].right;
  SendMessageW(status, SB_SETPARTS, count_of(kExplorerStatusParts),
               reinterpret_cast<LPARAM>(rights));
  for (int p = 0; p < count_of(kExplorerStatusParts); ++p) {
    SendMessageW(status, SB_SETTEXTW, p | kExplorerStatusParts[p].flags,
                 reinterpret_cast<LPARAM>(kExplorerStatusParts[p].text));
  }
}

// --- the controls of --explorer-extras -------------------------------------

void fill_plain_columns(HWND view) {
  SendMessageW(view, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES);
  for (int c = 0; c < count_of(kPlainColumns); ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;  // no LVCF_SUBITEM
    column.pszText = const_cast<wchar_t*>(kPlainColumns[c]);
    column.cx = 90;
    SendMessageW(view, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  auto text_or_callback = [](const wchar_t* text) {
    return text ? const_cast<wchar_t*>(text) : LPSTR_TEXTCALLBACKW;
  };
  for (int r = 0; r < count_of(kPlainColumnsRows); ++r) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = text_or_callback(kPlainColumnsRows[r][0]);
    SendMessageW(view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = text_or_callback(kPlainColumnsRows[r][1]);
    SendMessageW(view, LVM_SETITEMTEXTW, r, reinterpret_cast<LPARAM>(&item));
  }
}

void fill_owner_drawn(HWND list, UINT add, UINT set_data, UINT set_selection) {
  for (int i = 0; i < count_of(kOwnerDrawnItems); ++i) {
    SendMessageW(list, add, 0, reinterpret_cast<LPARAM>(kOwnerDrawnItems[i]));
    SendMessageW(list, set_data, i, kOwnerDrawnData + i);
  }
  SendMessageW(list, set_selection, kOwnerDrawnSelection, 0);
}

bool create_extras(HWND window) {
  ExplorerExtras& x = g_extras;
  const int top = kExplorerHeight - 40;
  x.plain_columns = create_child(window, WC_LISTVIEWW, LVS_REPORT | WS_BORDER, 10, top, 200, 100,
                                 kPlainColumnsViewId);
  x.owner_list = create_child(window, L"LISTBOX",
                              LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS | LBS_NOTIFY | WS_BORDER, 220,
                              top, 100, 80, kOwnerDrawnListBoxId);
  x.owner_combo = create_child(window, L"COMBOBOX",
                               CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS, 330, top,
                               100, 120, kOwnerDrawnComboId);
  if (!x.plain_columns || !x.owner_list || !x.owner_combo) return false;
  fill_plain_columns(x.plain_columns);
  fill_owner_drawn(x.owner_list, LB_ADDSTRING, LB_SETITEMDATA, LB_SETCURSEL);
  fill_owner_drawn(x.owner_combo, CB_ADDSTRING, CB_SETITEMDATA, CB_SETCURSEL);
  x.made = true;
  return true;
}

// The texts the owner supplies on demand.
bool supply_on_demand(const NMHDR* header) {
  if (header->hwndFrom != g_extras.plain_columns || header->code != LVN_GETDISPINFOW) return false;
  auto* info = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header));
  if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
    lstrcpynW(info->item.pszText, kOnDemandText, info->item.cchTextMax);
  }
  return true;
}

void draw_owner_drawn(const DRAWITEMSTRUCT* draw) {
  if (draw->itemID == static_cast<UINT>(-1)) return;
  const bool combo = draw->CtlType == ODT_COMBOBOX;
  wchar_t text[64] = {};
  const auto length = SendMessageW(draw->hwndItem, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN,
                                   draw->itemID, 0);
  if (length >= 0 && length < 64) {
    SendMessageW(draw->hwndItem, combo ? CB_GETLBTEXT : LB_GETTEXT, draw->itemID,
                 reinterpret_cast<LPARAM>(text));
  }
  const bool selected = (draw->itemState & ODS_SELECTED) != 0;
  FillRect(draw->hDC, &draw->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetTextColor(draw->hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  SetBkMode(draw->hDC, TRANSPARENT);
  RECT rect = draw->rcItem;
  DrawTextW(draw->hDC, text, -1, &rect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}

bool on_demand_kept() {
  for (int r = 0; r < count_of(kPlainColumnsRows); ++r) {
    for (int c = 0; c < 2; ++c) {
      if (kPlainColumnsRows[r][c]) continue;
      wchar_t buffer[64] = {};
      LVITEMW item{};
      item.mask = LVIF_TEXT | LVIF_NORECOMPUTE;
      item.iItem = r;
      item.iSubItem = c;
      item.pszText = buffer;
      item.cchTextMax = 64;
      SendMessageW(g_extras.plain_columns, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
      if (item.pszText != LPSTR_TEXTCALLBACKW) return false;
    }
  }
  return true;
}

bool owner_drawn_intact(HWND list, bool combo) {
  if (SendMessageW(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0) != count_of(kOwnerDrawnItems) ||
      SendMessageW(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0) != kOwnerDrawnSelection) {
    return false;
  }
  for (int i = 0; i < count_of(kOwnerDrawnItems); ++i) {
    wchar_t text[64] = {};
    if (SendMessageW(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, i, 0) >= 64) return false;
    SendMessageW(list, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    if (lstrcmpW(text, kOwnerDrawnItems[i]) != 0 ||
        SendMessageW(list, combo ? CB_GETITEMDATA : LB_GETITEMDATA, i, 0) != kOwnerDrawnData + i) {
      return false;
    }
  }
  return true;
}

unsigned failed_extras_checks() {
  unsigned failed = 0;
  if (g_busy.late_structure_bad) failed |= kCheckLateStructureIntact;
  if (!g_extras.made) return failed;
  if (!on_demand_kept()) failed |= kCheckOnDemandKept;
  if (g_extras.owner_drawn_events > 0 || !owner_drawn_intact(g_extras.owner_list, false) ||
      !owner_drawn_intact(g_extras.owner_combo, true)) {
    failed |= kCheckOwnerDrawnUntouched;
  }
  return failed;
}

// --- the busy list view -----------------------------------------------------

std::size_t structure_size(UINT message) {
  switch (message) {
    case LVM_GETCOLUMNW:
    case LVM_SETCOLUMNW:
      return sizeof(LVCOLUMNW);
    case LVM_GETITEMW:
    case LVM_GETITEMTEXTW:
    case LVM_SETITEMTEXTW:
      return sizeof(LVITEMW);
    default:
      return 0;
  }
}

// Only the first structure another process sends is slept on; the
// explorer's own questions to its list view are not.
LRESULT CALLBACK busy_list_view_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const std::size_t size = structure_size(message);
  if (size && lparam && !g_busy.slept && g_busy.self_checks == 0 && InSendMessage()) {
    g_busy.slept = true;
    unsigned char sent[sizeof(LVITEMW)] = {};
    std::memcpy(sent, reinterpret_cast<const void*>(lparam), size);
    Sleep(static_cast<DWORD>(g_busy.busy_ms));
    MEMORY_BASIC_INFORMATION region{};
    const bool there = VirtualQuery(reinterpret_cast<const void*>(lparam), &region, sizeof region) &&
                       region.State == MEM_COMMIT && (region.Protect & PAGE_READWRITE);
    if (!there) {
      // Handling it would write into memory that is gone.
      g_busy.late_structure_bad = true;
      return 0;
    }
    if (std::memcmp(sent, reinterpret_cast<const void*>(lparam), size) != 0) {
      g_busy.late_structure_bad = true;
    }
  }
  return CallWindowProcW(g_busy.list_view_proc, window, message, wparam, lparam);
}

// The explorer asking its own controls, while handling a message that
// another process sent it.
class SelfCheck {
 public:
  SelfCheck() { ++g_busy.self_checks; }
  SelfCheck(const SelfCheck&) = delete;
  SelfCheck& operator=(const SelfCheck&) = delete;
  ~SelfCheck() { --g_busy.self_checks; }
};

// --- the checks -------------------------------------------------------------

bool list_intact(HWND list, UINT get_count, UINT get_data, int count, LPARAM first_data) {
  if (SendMessageW(list, get_count, 0, 0) != count) return false;
  for (int i = 0; i < count; ++i) {
    if (SendMessageW(list, get_data, i, 0) != first_data + i) return false;
  }
  return true;
}

bool list_view_states_intact() {
  const HWND view = g_explorer.list_view;
  if (SendMessageW(view, LVM_GETITEMCOUNT, 0, 0) != g_explorer.rows) return false;
  for (int r = 0; r < g_explorer.rows; ++r) {
    const auto state = static_cast<UINT>(
        SendMessageW(view, LVM_GETITEMSTATE, r, LVIS_STATEIMAGEMASK | LVIS_SELECTED));
    if ((state & LVIS_STATEIMAGEMASK) != INDEXTOSTATEIMAGEMASK(row_checked(r) ? 2 : 1))
      return false;
    if (((state & LVIS_SELECTED) != 0) != (r == kExplorerRowSelected)) return false;
  }
  return true;
}

bool tree_states_intact() {
  const HWND tree = g_explorer.tree;
  if (SendMessageW(tree, TVM_GETCOUNT, 0, 0) != count_of(kExplorerTree) * 3) return false;
  for (int b = 0; b < count_of(kExplorerTree); ++b) {
    const auto state = static_cast<UINT>(SendMessageW(
        tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(g_explorer.branches[b]), TVIS_EXPANDED));
    if (((state & TVIS_EXPANDED) != 0) != kExplorerTree[b].expanded) return false;
  }
  return SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) ==
         reinterpret_cast<LRESULT>(g_explorer.selected);
}

bool status_intact() {
  const HWND status = g_explorer.status;
  if (SendMessageW(status, SB_GETPARTS, 0, 0) != count_of(kExplorerStatusParts)) return false;
  for (int p = 0; p < count_of(kExplorerStatusParts); ++p) {
    if (HIWORD(SendMessageW(status, SB_GETTEXTLENGTHW, p, 0)) != kExplorerStatusParts[p].flags) {
      return false;
    }
  }
  return true;
}

unsigned failed_checks() {
  const Explorer& e = g_explorer;
  unsigned failed = 0;
  if (!list_intact(e.list_box, LB_GETCOUNT, LB_GETITEMDATA, count_of(kExplorerListBoxItems),
                   kExplorerListBoxData)) {
    failed |= kCheckListBoxData;
  }
  if (SendMessageW(e.list_box, LB_GETCURSEL, 0, 0) != kExplorerListBoxSelection ||
      SendMessageW(e.list_box, LB_GETTOPINDEX, 0, 0) != kExplorerListBoxTop) {
    failed |= kCheckListBoxSelection;
  }
  if (!list_intact(e.combo, CB_GETCOUNT, CB_GETITEMDATA, count_of(kExplorerComboItems),
                   kExplorerComboData)) {
    failed |= kCheckComboData;
  }
  if (SendMessageW(e.combo, CB_GETCURSEL, 0, 0) != kExplorerComboSelection) {
    failed |= kCheckComboSelection;
  }
  if (SendMessageW(e.tab, TCM_GETCURSEL, 0, 0) != kExplorerTabSelection)
    failed |= kCheckTabSelection;
  if (!list_view_states_intact()) failed |= kCheckListViewStates;
  if (!tree_states_intact()) failed |= kCheckTreeStates;
  if (!status_intact()) failed |= kCheckStatusParts;
  if (e.deleted_with_data > 0) failed |= kCheckNoItemDataDeleted;
  return failed;
}

// --- the English texts ------------------------------------------------------

std::wstring list_text(HWND list, UINT get_text_length, UINT get_text, int index) {
  const auto length = SendMessageW(list, get_text_length, index, 0);
  if (length < 0) return L"";
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(list, get_text, index, reinterpret_cast<LPARAM>(text.data()));
  return text.c_str();
}

std::wstring tab_text(int index) {
  wchar_t buffer[256] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = buffer;
  item.cchTextMax = 256;
  SendMessageW(g_explorer.tab, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

std::wstring column_text(int index) {
  wchar_t buffer[256] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = buffer;
  column.cchTextMax = 256;
  SendMessageW(g_explorer.list_view, LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
  return buffer;
}

std::wstring cell_text(int row, int column) {
  wchar_t buffer[256] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 256;
  SendMessageW(g_explorer.list_view, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

std::wstring tree_text(HTREEITEM handle) {
  wchar_t buffer[256] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = handle;
  item.pszText = buffer;
  item.cchTextMax = 256;
  SendMessageW(g_explorer.tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

std::wstring status_text(int part) {
  wchar_t buffer[256] = {};
  if (LOWORD(SendMessageW(g_explorer.status, SB_GETTEXTLENGTHW, part, 0)) >= 256) return L"";
  SendMessageW(g_explorer.status, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

int english_count() {
  const Explorer& e = g_explorer;
  int same = 0;
  auto tally = [&same](const std::wstring& now, const wchar_t* made) { same += now == made; };
  for (int i = 0; i < count_of(kExplorerListBoxItems); ++i) {
    tally(list_text(e.list_box, LB_GETTEXTLEN, LB_GETTEXT, i), kExplorerListBoxItems[i]);
  }
  for (int i = 0; i < count_of(kExplorerComboItems); ++i) {
    tally(list_text(e.combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, i), kExplorerComboItems[i]);
  }
  for (int i = 0; i < count_of(kExplorerTabs); ++i) tally(tab_text(i), kExplorerTabs[i]);
  for (int c = 0; c < count_of(kExplorerColumns); ++c) tally(column_text(c), kExplorerColumns[c]);
  for (int r = 0; r < count_of(kExplorerRows) && r < e.rows; ++r) {
    for (int c = 0; c < count_of(kExplorerColumns); ++c)
      tally(cell_text(r, c), kExplorerRows[r][c]);
  }
  for (int b = 0; b < count_of(kExplorerTree); ++b) {
    const HTREEITEM branch = e.branches[b];
    tally(tree_text(branch), kExplorerTree[b].text);
    HTREEITEM child = reinterpret_cast<HTREEITEM>(
        SendMessageW(e.tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(branch)));
    for (const wchar_t* made : kExplorerTree[b].children) {
      tally(child ? tree_text(child) : L"", made);
      if (child) {
        child = reinterpret_cast<HTREEITEM>(
            SendMessageW(e.tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)));
      }
    }
  }
  for (int p = 0; p < count_of(kExplorerStatusParts); ++p) {
    tally(status_text(p), kExplorerStatusParts[p].text);
  }
  return same;
}

LRESULT CALLBACK explorer_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SHOWWINDOW:
      if (!wparam)
        SetWindowLongPtrW(window, GWLP_USERDATA, GetWindowLongPtrW(window, GWLP_USERDATA) + 1);
      break;
    case kHideCountMessage:
      return GetWindowLongPtrW(window, GWLP_USERDATA);
    case kExplorerCheckMessage: {
      const SelfCheck self;
      return failed_checks() | failed_extras_checks();
    }
    case WM_DELETEITEM: {
      const auto* deleted = reinterpret_cast<const DELETEITEMSTRUCT*>(lparam);
      if (g_extras.made && (deleted->CtlID == kOwnerDrawnListBoxId ||
                            deleted->CtlID == kOwnerDrawnComboId)) {
        ++g_extras.owner_drawn_events;
      }
      if (deleted->itemData != 0) ++g_explorer.deleted_with_data;
      return TRUE;
    }
    case WM_MEASUREITEM:
      if (g_extras.made) ++g_extras.owner_drawn_events;
      reinterpret_cast<MEASUREITEMSTRUCT*>(lparam)->itemHeight = 16;
      return TRUE;
    case WM_DRAWITEM:
      draw_owner_drawn(reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_NOTIFY:
      if (supply_on_demand(reinterpret_cast<const NMHDR*>(lparam))) return 0;
      break;
    case kExplorerEnglishCountMessage: {
      const SelfCheck self;
      return english_count();
    }
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

HWND create_explorer(HINSTANCE instance, const ExplorerOptions& options) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES |
                                                     ICC_TAB_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &explorer_proc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = kExplorerClass;
  if (!RegisterClassExW(&window_class)) return nullptr;

  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT rect{0, 0, kExplorerWidth, kExplorerHeight + (options.extras ? kExplorerExtrasHeight : 0)};
  AdjustWindowRectEx(&rect, kStyle, FALSE, 0);
  const HWND window = CreateWindowExW(0, kExplorerClass, kExplorerTitle, kStyle, kExplorerLeft,
                                      kExplorerTop, rect.right - rect.left, rect.bottom - rect.top,
                                      nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;

  Explorer& e = g_explorer;
  e.rows = options.list_items > 0 ? options.list_items : count_of(kExplorerRows);
  e.tab = create_child(window, WC_TABCONTROLW, 0, 10, 10, 420, 26, 300);
  e.list_box =
      create_child(window, L"LISTBOX", LBS_NOTIFY | WS_VSCROLL | WS_BORDER, 10, 46, 150, 80, 301);
  e.combo =
      create_child(window, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 180, 46, 150, 160, 302);
  e.list_view = create_child(window, WC_LISTVIEWW, LVS_REPORT | LVS_SHOWSELALWAYS | WS_BORDER, 10,
                             136, 420, 120, 303);
  e.tree =
      create_child(window, WC_TREEVIEWW,
                   TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_BORDER,
                   10, 266, 200, 150, 304);
  e.status = create_child(window, STATUSCLASSNAMEW, 0, 0, 0, 0, 0, 305);
  if (!e.tab || !e.list_box || !e.combo || !e.list_view || !e.tree || !e.status) return nullptr;
  fill_tab(e.tab);
  fill_list_box(e.list_box);
  fill_combo(e.combo);
  fill_list_view(e.list_view, e.rows);
  fill_tree(e.tree);
  fill_status(e.status);
  if (options.extras && !create_extras(window)) return nullptr;
  if (options.busy_list_view_ms > 0) {
    g_busy.busy_ms = options.busy_list_view_ms;
    g_busy.list_view_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        e.list_view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&busy_list_view_proc)));
  }
  ShowWindow(window, SW_SHOW);
  return window;
}

}  // namespace foreign_demo
