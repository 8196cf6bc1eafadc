#include "toolkit/label.h"

#include <commctrl.h>

#include <memory>
#include <string>

namespace toolkit {
namespace {

// A one-line label cannot show a line break, and DrawText would draw it as
// boxes: each break is shown as a gap instead, so a several-line text (such
// as the download progress) stays readable on one line.
std::wstring single_line_form(std::wstring text) {
  std::wstring shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      shown.append(L"  ");
    } else {
      shown.push_back(text[i]);
    }
  }
  return shown;
}

}  // namespace

std::unique_ptr<Label> Label::create(Form& form, HWND parent, int id, const LabelArgs& args,
                                     HFONT font) {
  std::unique_ptr<Label> label(new Label(form, args.place, args.colours));
  label->transparent_ = args.transparent;
  label->centre_vertically_ = args.centre_vertically;
  UINT format = DT_NOPREFIX | (args.word_wrap ? DT_WORDBREAK : DT_SINGLELINE);
  if (args.align == HorizontalAlign::centre) format |= DT_CENTER;
  if (args.align == HorizontalAlign::right) format |= DT_RIGHT;
  label->format_ = format;
  if (!label->create_window(L"STATIC", SS_LEFT, 0, parent, id, args.caption)) return nullptr;
  label->set_font(font);
  return label;
}

bool Label::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_ERASEBKGND:
      *result = 1;  // painted together with the text
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window_handle(), &ps);
      paint(dc);
      EndPaint(window_handle(), &ps);
      *result = 0;
      return true;
    }
    case WM_PRINTCLIENT:
      paint(reinterpret_cast<HDC>(wparam));
      *result = 0;
      return true;
    case WM_SETTEXT:
      *result = DefSubclassProc(window_handle(), message, wparam, lparam);
      repaint_after_text_change();
      return true;
    default:
      return false;
  }
}

void Label::repaint_after_text_change() {
  if (transparent_) {
    // What shows through belongs to the parent: repaint that part of it.
    HWND parent = GetParent(window_handle());
    RECT area;
    GetWindowRect(window_handle(), &area);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(parent, &area, TRUE);
  }
  InvalidateRect(window_handle(), nullptr, TRUE);
}

void Label::paint(HDC dc) {
  RECT client;
  GetClientRect(window_handle(), &client);
  if (!transparent_) FillRect(dc, &client, background_brush());

  const int length = GetWindowTextLengthW(window_handle());
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window_handle(), text.data(), length + 1)));
  if (format_ & DT_SINGLELINE) text = single_line_form(std::move(text));

  HFONT font = reinterpret_cast<HFONT>(SendMessageW(window_handle(), WM_GETFONT, 0, 0));
  HGDIOBJ old_font = font ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colours().text.value_or(GetSysColor(COLOR_WINDOWTEXT)));

  RECT area = client;
  if (centre_vertically_) {
    if (format_ & DT_SINGLELINE) {
      DrawTextW(dc, text.c_str(), -1, &area, format_ | DT_VCENTER);
    } else {
      RECT measured = client;
      DrawTextW(dc, text.c_str(), -1, &measured, format_ | DT_CALCRECT);
      const int height = measured.bottom - measured.top;
      area.top = client.top + ((client.bottom - client.top) - height) / 2;
      if (area.top < client.top) area.top = client.top;
      DrawTextW(dc, text.c_str(), -1, &area, format_);
    }
  } else {
    DrawTextW(dc, text.c_str(), -1, &area, format_);
  }
  if (old_font) SelectObject(dc, old_font);
}

}  // namespace toolkit
