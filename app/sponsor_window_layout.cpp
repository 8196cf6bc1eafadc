#include "app/layouts.h"

namespace app {

toolkit::FormArgs sponsor_window_layout() {
  using namespace toolkit;
  FormArgs form;
  form.name = "sponsor_window";
  form.x = 0;
  form.y = 0;
  form.width = 500;
  form.height = 280;
  form.frame = FrameKind::tool_fixed;

  PictureArgs first;
  first.place = Placement{"图片_支付宝", 32, 16, 190, 190};
  form.controls.push_back(first);
  PictureArgs second;
  second.place = Placement{"图片_微信", 272, 16, 190, 190};
  form.controls.push_back(second);

  LabelArgs first_caption;
  first_caption.place = Placement{"支付宝扫码支付", 83, 214, 88, 24};
  first_caption.caption = "支付宝扫码支付";
  first_caption.colours.text = 0x00FF0000;  // blue
  first_caption.align = HorizontalAlign::centre;
  first_caption.centre_vertically = true;
  form.controls.push_back(first_caption);

  LabelArgs second_caption = first_caption;
  second_caption.place = Placement{"微信扫码支付", 323, 214, 88, 24};
  second_caption.caption = "微信扫码支付";
  second_caption.colours.text = 0x00008000;  // green
  form.controls.push_back(second_caption);
  return form;
}

}  // namespace app
