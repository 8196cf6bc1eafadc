#pragma once
// What the foreign demo program shows, shared by the program and the tests
// that drive it: window classes, titles, fixed screen positions, the
// controls in creation order, and the messages the tests may send it.
#include <windows.h>
#include <commctrl.h>

namespace foreign_demo {

// The dialog-like window with the controls.
inline constexpr wchar_t kDialogClass[] = L"ForeignDemoDialog";
inline constexpr wchar_t kDialogTitle[] = L"Demo Settings";
inline constexpr int kDialogLeft = 420;
inline constexpr int kDialogTop = 60;
inline constexpr int kDialogWidth = 380;
inline constexpr int kDialogHeight = 340;

// The second top-level window: no children, a white popup without frame, so
// that its edge pixels are known.
inline constexpr wchar_t kPlainClass[] = L"ForeignDemoPlain";
inline constexpr wchar_t kPlainTitle[] = L"Demo Notes";
inline constexpr int kPlainLeft = 420;
inline constexpr int kPlainTop = 470;
inline constexpr int kPlainWidth = 240;
inline constexpr int kPlainHeight = 140;

struct ControlLayout {
  const wchar_t* window_class;
  const wchar_t* text;
  DWORD style;
  int x, y, width, height;  // client coordinates of the dialog
};

// Creation order is enumeration order. The group box comes before the
// button inside it, so WindowFromPoint over that button reports the group
// box, as it does on Windows.
inline constexpr ControlLayout kControls[] = {
    {L"BUTTON", L"Open", BS_PUSHBUTTON, 20, 16, 100, 28},
    {L"BUTTON", L"Save", BS_PUSHBUTTON, 135, 16, 100, 28},
    {L"BUTTON", L"Cancel", BS_PUSHBUTTON, 250, 16, 100, 28},
    {L"STATIC", L"File name", SS_LEFT, 20, 64, 100, 20},
    {L"EDIT", L"Preview", WS_BORDER | ES_AUTOHSCROLL, 130, 60, 220, 24},
    {L"BUTTON", L"Options", BS_GROUPBOX, 20, 100, 330, 80},
    {L"BUTTON", L"Help", BS_PUSHBUTTON, 40, 130, 100, 28},
    {L"COMBOBOX", L"Advanced", CBS_DROPDOWN | WS_VSCROLL, 20, 200, 220, 120},
};
inline constexpr int kGroupBoxIndex = 5;
inline constexpr int kButtonInGroupIndex = 6;
inline constexpr int kComboIndex = 7;

// With --extra-controls the dialog also holds, after those, controls whose
// texts must survive a harvest untouched: texts GBK cannot hold, and
// windows that misreport their text's length. Their ids follow
// kExtraControlFirstId.
inline constexpr wchar_t kLengthLiarClass[] = L"ForeignDemoLengthLiar";
inline constexpr wchar_t kShortLengthClass[] = L"ForeignDemoShortLength";
inline constexpr ControlLayout kExtraControls[] = {
    {L"STATIC", L"\xd30c\xc77c \xc5f4\xae30", SS_LEFT, 20, 240, 100, 20},  // Korean
    {L"BUTTON", L"Save \xd83d\xdcbe", BS_PUSHBUTTON, 250, 200, 100, 28},       // an emoji
    // Reports a length of 2^31 units.
    {kLengthLiarClass, L"Huge", 0, 130, 240, 50, 20},
    // Reports fewer units than WM_GETTEXT gives.
    {kShortLengthClass, L"Longer than it says", 0, 190, 240, 50, 20},
};
inline constexpr int kExtraControlFirstId = 200;
inline constexpr LRESULT kLiarLength = LRESULT(1) << 31;
inline constexpr LRESULT kShortLength = 4;

// With --interface-texts the dialog also holds, after those, a row of
// controls whose texts need more than a word-for-word translation: an
// access key, a format placeholder, and data that must stay as it is (a
// file name and a path). Their ids follow kInterfaceTextFirstId.
inline constexpr ControlLayout kInterfaceTextControls[] = {
    {L"BUTTON", L"&Open", BS_PUSHBUTTON, 20, 268, 70, 26},
    {L"STATIC", L"%d files", SS_LEFT, 100, 272, 70, 20},
    {L"STATIC", L"readme.txt", SS_LEFT, 175, 272, 70, 20},
    {L"EDIT", L"C:\\Program Files\\Demo", WS_BORDER | ES_AUTOHSCROLL, 250, 268, 120, 24},
};
inline constexpr int kInterfaceTextFirstId = 300;
// With --memory-controls the dialog also holds, after those, texts whose
// translation the memory must learn whole or not at all: a label of two
// lines (SS_NOTIFY, so that the pointer finds it), a Chinese label and an
// English button whose "…" is GBK punctuation. Their ids follow
// kMemoryControlFirstId.
inline constexpr ControlLayout kMemoryControls[] = {
    {L"STATIC", L"Print\r\nPreview", SS_LEFT | SS_NOTIFY, 20, 304, 90, 32},
    {L"STATIC", L"\x6587\x4ef6\x540d\xff1a", SS_LEFT, 120, 308, 60, 20},  // 文件名：
    {L"BUTTON", L"Options\x2026", BS_PUSHBUTTON, 185, 306, 90, 28},
};
inline constexpr int kMemoryControlFirstId = 320;

// A point of the dialog's client area that no control covers.
inline constexpr POINT kDialogEmptyPoint = {300, 230};

// With --controls N the dialog holds N push buttons instead, laid out in
// rows of kGridColumns, their texts taken in turn from kGridTexts.
inline constexpr int kGridColumns = 10;
inline constexpr int kGridCellWidth = 84;
inline constexpr int kGridCellHeight = 28;
inline constexpr const wchar_t* kGridTexts[] = {L"Open", L"Save",    L"Cancel", L"OK",
                                                L"Exit", L"Help",    L"Options", L"Apply",
                                                L"Close", L"Print"};

// Messages a test may send or post to either top-level window.
// wParam = milliseconds: the demo stops answering that long. Send it with a
// short time-out, which runs out while the demo sleeps.
inline constexpr UINT kHangMessage = WM_APP + 1;
// Send it: the result is how often the window has been hidden so far.
inline constexpr UINT kHideCountMessage = WM_APP + 2;
// Send it to the dialog with wParam = a control's id: the demo itself
// replaces that control's text with kChangedText, as a program does that
// updates its own window. The result is TRUE when the control exists.
inline constexpr UINT kChangeTextMessage = WM_APP + 3;
inline constexpr wchar_t kChangedText[] = L"Changed by its program";

// The second dialog-like window: common controls whose texts sit inside
// them (items, captions, columns, parts) rather than in their window text.
inline constexpr wchar_t kExplorerClass[] = L"ForeignDemoExplorer";
inline constexpr wchar_t kExplorerTitle[] = L"Demo Explorer";
inline constexpr int kExplorerLeft = 820;
inline constexpr int kExplorerTop = 60;
inline constexpr int kExplorerWidth = 440;
inline constexpr int kExplorerHeight = 460;

// A list box taller than its window, so that its top item can move.
inline constexpr const wchar_t* kExplorerListBoxItems[] = {
    L"Documents", L"Music", L"Video", L"Picture", L"Desktop", L"Downloads", L"Favorites", L"History"};
inline constexpr int kExplorerListBoxSelection = 3;
inline constexpr int kExplorerListBoxTop = 2;
inline constexpr LPARAM kExplorerListBoxData = 1000;  // item i holds 1000 + i

inline constexpr const wchar_t* kExplorerComboItems[] = {L"Small", L"Medium", L"Large", L"Custom"};
inline constexpr int kExplorerComboSelection = 2;
inline constexpr LPARAM kExplorerComboData = 2000;  // item i holds 2000 + i

inline constexpr const wchar_t* kExplorerTabs[] = {L"General", L"Security", L"Advanced"};
inline constexpr int kExplorerTabSelection = 1;

// A report view with check boxes: columns, then rows of one text per column.
inline constexpr const wchar_t* kExplorerColumns[] = {L"Name", L"Size", L"Type"};
inline constexpr const wchar_t* kExplorerRows[][3] = {
    {L"Document", L"Small", L"Text"},
    {L"Picture", L"Large", L"Image"},
    {L"Music", L"Medium", L"Audio"},
};
inline constexpr bool kExplorerRowChecked[] = {true, false, true};
inline constexpr int kExplorerRowSelected = 1;

// Two branches: the first expanded, the second collapsed; the selection is
// the first branch's last child.
struct TreeBranch {
  const wchar_t* text;
  const wchar_t* children[2];
  bool expanded;
};
inline constexpr TreeBranch kExplorerTree[] = {
    {L"Computer", {L"Disk", L"Network"}, true},
    {L"Bookmarks", {L"Desktop", L"Downloads"}, false},
};

// Status bar parts: text, drawing flags, right edge (-1: to the end).
struct StatusPart {
  const wchar_t* text;
  unsigned flags;
  int right;
};
inline constexpr StatusPart kExplorerStatusParts[] = {
    {L"Ready", 0, 200},
    {L"Connection", SBT_POPOUT, -1},
};

// With --list-items N the list view holds N rows instead, their texts taken
// in turn from kExplorerRows (benchmarks).

// Send to the explorer window: the result has one bit set for each check
// below that fails, 0 when the explorer is as it was made (apart from its
// texts).
inline constexpr UINT kExplorerCheckMessage = WM_APP + 10;
enum ExplorerCheck : unsigned {
  kCheckListBoxData = 1u << 0,       // count and item data in order
  kCheckListBoxSelection = 1u << 1,  // selection and top item
  kCheckComboData = 1u << 2,
  kCheckComboSelection = 1u << 3,
  kCheckTabSelection = 1u << 4,
  kCheckListViewStates = 1u << 5,    // count, check boxes, selection
  kCheckTreeStates = 1u << 6,        // count, expanded and collapsed branches, selection
  kCheckStatusParts = 1u << 7,       // count and drawing flags
  // No item's data was handed back as deleted (WM_DELETEITEM with data): a
  // program that frees what its item data points to would free it.
  kCheckNoItemDataDeleted = 1u << 8,
};
// Send to the explorer window: the result is how many of its inner texts
// still read as they were made (English), out of kExplorerTextCount.
inline constexpr UINT kExplorerEnglishCountMessage = WM_APP + 11;
inline constexpr int kExplorerTextCount = 8 + 4 + 3 + 3 + 3 * 3 + 6 + 2;

// --- With --explorer-extras the explorer grows by kExplorerExtrasHeight and
// holds, below its other controls, controls that a harvest must treat with
// care. They are found by their ids (GetDlgItem on the explorer).
inline constexpr int kExplorerExtrasHeight = 150;
// A report view whose columns were inserted without LVCF_SUBITEM, as many
// programs insert them, with check boxes; rows added with LVM_INSERTITEMW,
// the second column set with LVM_SETITEMTEXTW. A null cell is supplied on
// demand (LPSTR_TEXTCALLBACK), with kOnDemandText.
inline constexpr int kPlainColumnsViewId = 310;
inline constexpr const wchar_t* kPlainColumns[] = {L"Name", L"Size"};
inline constexpr const wchar_t* kPlainColumnsRows[][2] = {
    {L"Document", L"Large"},
    {L"Picture", L"Small"},
    {nullptr, L"Medium"},
    {L"Music", nullptr},
};
inline constexpr wchar_t kOnDemandText[] = L"Running";
// Owner-drawn lists that keep strings: a harvest must leave them alone.
inline constexpr int kOwnerDrawnListBoxId = 311;
inline constexpr int kOwnerDrawnComboId = 312;
inline constexpr const wchar_t* kOwnerDrawnItems[] = {L"Red", L"Green", L"Blue"};
inline constexpr int kOwnerDrawnSelection = 1;
inline constexpr LPARAM kOwnerDrawnData = 3000;  // item i holds 3000 + i
enum ExplorerExtrasCheck : unsigned {
  // Every cell supplied on demand still is.
  kCheckOnDemandKept = 1u << 9,
  // The owner-drawn lists: items, texts, data and selection as made, and
  // no item deleted or measured since.
  kCheckOwnerDrawnUntouched = 1u << 10,
};

// --- With --busy-list-view MS the explorer's list view takes MS to handle
// the first message that carries a structure from another process, and
// checks on waking that the structure is still there as it was sent: the
// sender's time-out has run out by then, and memory it freed or reused
// would be written through.
enum ExplorerBusyCheck : unsigned {
  kCheckLateStructureIntact = 1u << 11,
};

}  // namespace foreign_demo

// --- A program at work, for following ---------------------------------------
namespace foreign_demo {

// A second dialog-like window the demo opens and closes itself, in English,
// below the main program's window.
inline constexpr wchar_t kTransferClass[] = L"ForeignDemoTransfer";
inline constexpr wchar_t kTransferTitle[] = L"Demo Transfer";
inline constexpr int kTransferLeft = 60;
inline constexpr int kTransferTop = 440;
inline constexpr int kTransferWidth = 320;
inline constexpr int kTransferHeight = 150;
inline constexpr ControlLayout kTransferControls[] = {
    {L"STATIC", L"Progress", SS_LEFT, 16, 16, 200, 20},
    {L"BUTTON", L"Pause", BS_PUSHBUTTON, 16, 90, 90, 28},
    {L"BUTTON", L"Stop", BS_PUSHBUTTON, 116, 90, 90, 28},
    {L"STATIC", L"Details", SS_LEFT, 16, 48, 200, 20},  // the counter, once it runs
};
inline constexpr int kTransferFirstId = 300;
inline constexpr int kCounterIndex = 3;
inline constexpr unsigned kCounterPeriodMs = 300;

// Send to the dialog: opens the transfer window (nothing when it is open);
// with wParam 1 the dialog's "File name" label also becomes
// kFollowChangedText. Like Windows, the demo then raises the events of a
// shown window and a changed name (Wine itself raises neither).
inline constexpr UINT kOpenTransferMessage = WM_APP + 20;
inline constexpr wchar_t kFollowChangedText[] = L"Ready";
inline constexpr int kFollowChangedIndex = 3;  // of kControls
// Send to the dialog: the transfer window is destroyed.
inline constexpr UINT kCloseTransferMessage = WM_APP + 21;
// Send to the dialog: the transfer window's counter label shows "Tick 1",
// "Tick 2", ... every kCounterPeriodMs (without any event, as under Wine)
// with wParam 1; wParam 0 stops it, kCounterRead leaves it as it is. The
// result is the counter's value now.
inline constexpr UINT kCounterMessage = WM_APP + 22;
inline constexpr WPARAM kCounterRead = 2;

}  // namespace foreign_demo
