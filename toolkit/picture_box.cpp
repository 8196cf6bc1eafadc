#include "toolkit/picture_box.h"

#include <algorithm>
#include <memory>

#include "toolkit/image_decoding.h"

namespace toolkit {

std::unique_ptr<PictureBox> PictureBox::create(Form& form, HWND parent, int id,
                                               const PictureArgs& args) {
  std::unique_ptr<PictureBox> box(new PictureBox(form, args.place, args.colours));
  // SS_NOTIFY: a static control is transparent to the mouse without it.
  if (!box->create_window(L"STATIC", SS_NOTIFY, 0, parent, id, {})) return nullptr;
  box->cursor_ = args.cursor ? LoadCursorW(nullptr, args.cursor) : nullptr;
  if (!args.picture.empty()) box->set_picture_bytes(args.picture);
  return box;
}

bool PictureBox::set_picture_bytes(const std::string& bytes) {
  bitmap_.reset();
  icon_.reset();
  picture_size_ = SIZE{};
  picture_bytes_ = bytes;
  bool decoded = bytes.empty();
  if (!bytes.empty()) {
    if (image_file_kind(bytes) != ImageFileKind::unknown) {
      icon_ = decode_icon(bytes, &picture_size_);
      decoded = static_cast<bool>(icon_);
    } else {
      bitmap_ = decode_bitmap(bytes, &picture_size_);
      decoded = static_cast<bool>(bitmap_);
    }
  }
  if (!decoded) picture_bytes_.clear();
  InvalidateRect(window_handle(), nullptr, TRUE);
  return decoded;
}

bool PictureBox::set_cursor_bytes(const std::string& bytes) {
  platform::IconHandle next;
  if (!bytes.empty()) next = decode_icon(bytes);
  const bool decoded = bytes.empty() || next;
  cursor_bytes_ = next ? bytes : std::string();
  // Show the new cursor before the old one is destroyed.
  cursor_ = next ? static_cast<HCURSOR>(next.get()) : LoadCursorW(nullptr, IDC_ARROW);
  show_cursor_now_if_ours();
  custom_cursor_ = std::move(next);
  return decoded;
}

void PictureBox::show_cursor_now_if_ours() {
  // While the mouse is captured no WM_SETCURSOR arrives, so set it directly.
  POINT point;
  const bool over_box = GetCursorPos(&point) && WindowFromPoint(point) == window_handle();
  if (GetCapture() == window_handle() || over_box) SetCursor(cursor_);
}

bool PictureBox::on_message(UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
  switch (message) {
    case WM_ERASEBKGND:
      *result = 1;
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
    default:
      return false;
  }
}

void PictureBox::paint(HDC dc) {
  RECT client;
  GetClientRect(window_handle(), &client);
  FillRect(dc, &client, background_brush());
  const int box_width = client.right - client.left;
  const int box_height = client.bottom - client.top;
  if (icon_) {
    // Icons keep their size, centred.
    DrawIconEx(dc, (box_width - picture_size_.cx) / 2, (box_height - picture_size_.cy) / 2,
               icon_.get(), picture_size_.cx, picture_size_.cy, 0, nullptr, DI_NORMAL);
    return;
  }
  if (!bitmap_ || picture_size_.cx <= 0 || picture_size_.cy <= 0) return;
  // Pictures are centred; a larger one is scaled down to fit, keeping its shape.
  const double scale = std::min({1.0, static_cast<double>(box_width) / picture_size_.cx,
                                 static_cast<double>(box_height) / picture_size_.cy});
  const int width = static_cast<int>(picture_size_.cx * scale);
  const int height = static_cast<int>(picture_size_.cy * scale);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap_.get());
  SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, (box_width - width) / 2, (box_height - height) / 2, width, height, memory, 0, 0,
             picture_size_.cx, picture_size_.cy, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

}  // namespace toolkit
