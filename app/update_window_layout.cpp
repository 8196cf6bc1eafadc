#include "app/layouts.h"

namespace app {
namespace {

using namespace toolkit;

LabelArgs version_label(const char* name, int x, int y, int width, const char* caption,
                        COLORREF colour) {
  LabelArgs label;
  label.place = Placement{name, x, y, width, 24};
  label.caption = caption;
  label.colours.text = colour;
  label.centre_vertically = true;
  return label;
}

LabelArgs status_label(const char* name, int x, int width) {
  LabelArgs label;
  label.place = Placement{name, x, 88, width, 16};
  label.colours.text = RGB(0, 0, 0);
  label.align = HorizontalAlign::centre;
  label.centre_vertically = true;
  return label;
}

ButtonArgs hidden_button(const char* name, int x, const char* caption) {
  ButtonArgs button;
  button.place = Placement{name, x, 136, 120, 40};
  button.place.visible = false;
  button.caption = caption;
  return button;
}

}  // namespace

FormArgs update_window_layout() {
  FormArgs form;
  form.name = "update_window";
  form.x = 50;
  form.y = 50;
  form.width = 680;
  form.height = 250;
  form.frame = FrameKind::resizable;

  const COLORREF black = RGB(0, 0, 0);
  form.controls.push_back(version_label("标签1_当前版本", 27, 24, 64, "当前版本：", black));
  form.controls.push_back(version_label("标签1_当前版本号", 107, 24, 64, "", black));
  form.controls.push_back(version_label("标签1_服务器版本", 27, 56, 72, "服务器版本：", black));
  form.controls.push_back(version_label("标签1_服务器版本号", 107, 56, 72, "", 0x000000FF));
  form.controls.push_back(status_label("下载状态_标签", 24, 32));
  form.controls.push_back(status_label("下载大小", 58, 590));
  form.controls.push_back(ProgressArgs{Placement{"下载进度条", 16, 104, 641, 16}, 0, 100, 0});
  form.controls.push_back(hidden_button("下载更新", 80, "服务器自动更新"));
  form.controls.push_back(hidden_button("网盘更新", 480, "网盘更新"));
  return form;
}

}  // namespace app
