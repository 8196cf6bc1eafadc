#pragma once
// A picture box: shows a picture given as the bytes of an image, icon or
// cursor file, and shows a mouse cursor given as the bytes of a cursor or
// icon file. Both properties read back as the bytes they were set from.
// Use it from the form's own thread.
#include <string>

#include "platform/unique_handle.h"
#include "platform/user_handles.h"
#include "toolkit/control.h"

namespace toolkit {

class PictureBox : public Control {
 public:
  static std::unique_ptr<PictureBox> create(Form& form, HWND parent, int id,
                                            const PictureArgs& args);

  // Empty bytes show no picture. False (and no picture) when the bytes are
  // not an image the system can decode.
  bool set_picture_bytes(const std::string& bytes);
  const std::string& picture_bytes() const { return picture_bytes_; }
  bool has_picture() const { return bitmap_ || icon_; }

  // Empty bytes restore the arrow cursor. The new cursor shows at once when
  // the mouse is over the box or captured by it. False (and the arrow) when
  // the bytes are not a cursor or icon file.
  bool set_cursor_bytes(const std::string& bytes);
  const std::string& cursor_bytes() const { return cursor_bytes_; }

  bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 protected:
  using Control::Control;

 private:
  void paint(HDC dc);
  void show_cursor_now_if_ours();

  std::string picture_bytes_;
  std::string cursor_bytes_;
  platform::GdiObject<HBITMAP> bitmap_;
  platform::IconHandle icon_;
  SIZE picture_size_{};
  platform::IconHandle custom_cursor_;
};

}  // namespace toolkit
