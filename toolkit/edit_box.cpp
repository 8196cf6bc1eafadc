#include "toolkit/edit_box.h"

#include <memory>

#include "runtime/codepage.h"

namespace toolkit {

std::unique_ptr<EditBox> EditBox::create(Form& form, HWND parent, int id, const EditArgs& args,
                                         HFONT font) {
  std::unique_ptr<EditBox> box(new EditBox(form, args.place, args.colours));
  DWORD style = WS_TABSTOP;
  style |= args.multi_line ? (ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN) : ES_AUTOHSCROLL;
  DWORD ex_style = 0;
  if (args.border == BorderKind::single_line) style |= WS_BORDER;
  if (args.border == BorderKind::sunken) ex_style |= WS_EX_CLIENTEDGE;
  if (args.masked) style |= ES_PASSWORD;
  if (!box->create_window(L"EDIT", style, ex_style, parent, id, args.text)) return nullptr;
  box->set_font(font);
  box->cursor_ = args.cursor ? LoadCursorW(nullptr, args.cursor) : nullptr;
  SendMessageW(box->window_handle(), EM_SETLIMITTEXT, 0, 0);  // no length limit
  return box;
}

void EditBox::append(const std::string& text) {
  HWND edit = window_handle();
  const LRESULT end = GetWindowTextLengthW(edit);
  SendMessageW(edit, EM_SETSEL, end, end);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(runtime::widen(text).c_str()));
  SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

}  // namespace toolkit
