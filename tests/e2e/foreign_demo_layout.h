#pragma once
// What the foreign demo program shows, shared by the program and the tests
// that drive it: window classes, titles, fixed screen positions, the
// controls in creation order, and the messages the tests may send it.
#include <windows.h>

namespace foreign_demo {

// The dialog-like window with the controls.
inline constexpr wchar_t kDialogClass[] = L"ForeignDemoDialog";
inline constexpr wchar_t kDialogTitle[] = L"Demo Settings";
inline constexpr int kDialogLeft = 420;
inline constexpr int kDialogTop = 60;
inline constexpr int kDialogWidth = 380;
inline constexpr int kDialogHeight = 300;

// The second top-level window: no children, a white popup without frame, so
// that its edge pixels are known.
inline constexpr wchar_t kPlainClass[] = L"ForeignDemoPlain";
inline constexpr wchar_t kPlainTitle[] = L"Demo Notes";
inline constexpr int kPlainLeft = 420;
inline constexpr int kPlainTop = 420;
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

}  // namespace foreign_demo
