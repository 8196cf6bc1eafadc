#include "app/layouts.h"
#include "app/settings.h"
#include "app/settings_window.h"

namespace app {
namespace {

using namespace toolkit;

constexpr int kLeft = 16;
constexpr int kCaptionWidth = 96;
constexpr int kFieldLeft = kLeft + kCaptionWidth;
constexpr int kFieldWidth = 248;
constexpr int kRowHeight = 26;
constexpr int kFieldHeight = 22;
constexpr int kHeadingHeight = 22;
constexpr COLORREF kHeadingColour = RGB(0, 0x40, 0x80);

const char* heading_of(const std::string& section) {
  if (section == "service") return "翻译服务（您自己的账号）";
  if (section == "translate") return "翻译引擎";
  if (section == "chat") return "对话模型（OpenAI 兼容接口）";
  if (section == "update") return "更新服务器";
  if (section == "hotkeys") return "快捷键（填“无”表示不用）";
  return "反馈邮件的发信账号";
}

}  // namespace

FormArgs settings_window_layout() {
  FormArgs form;
  form.name = "settings_window";
  form.caption = "设置";
  form.x = 80;
  form.y = 60;
  form.width = 392;
  form.frame = FrameKind::fixed;
  form.icon_resource = 0;
  form.dialog_keys = true;
  form.default_button = kSettingsSave;
  form.cancel_button = kSettingsCancel;

  int y = 8;
  std::string section;
  for (const SettingField& field : setting_fields()) {
    if (field.section != section) {
      section = field.section;
      LabelArgs heading;
      heading.place = Placement{std::string("标题_") + field.section, kLeft, y, 340, kHeadingHeight};
      heading.caption = heading_of(section);
      heading.colours.text = kHeadingColour;
      heading.centre_vertically = true;
      heading.font = FontSpec{"微软雅黑", -13};
      form.controls.push_back(heading);
      y += kHeadingHeight;
    }
    LabelArgs caption;
    caption.place = Placement{std::string("标签_") + field.caption, kLeft + 8, y, kCaptionWidth - 8,
                              kFieldHeight};
    caption.caption = std::string(field.caption) + "：";
    caption.centre_vertically = true;
    form.controls.push_back(caption);

    if (field.choices.empty()) {
      EditArgs box;
      box.place = Placement{settings_field_name(field), kFieldLeft, y, kFieldWidth, kFieldHeight};
      box.masked = field.protected_key != nullptr;
      form.controls.push_back(box);
    } else {
      ComboArgs list;
      list.place = Placement{settings_field_name(field), kFieldLeft, y, kFieldWidth, kFieldHeight};
      list.list_only = true;
      for (const SettingChoice& choice : field.choices) list.items.push_back(choice.caption);
      form.controls.push_back(list);
    }
    y += kRowHeight;
  }

  LabelArgs hint;
  hint.place = Placement{"标签_说明", kLeft, y + 2, 344, 20};
  hint.caption = "密钥、API 密钥和邮箱密码不会显示；留空表示保持原来的值。";
  hint.colours.text = RGB(0x60, 0x60, 0x60);
  hint.centre_vertically = true;
  form.controls.push_back(hint);
  y += 30;

  form.controls.push_back(ButtonArgs{Placement{kSettingsTest, 112, y, 76, 26}, "测试", {}});
  ButtonArgs save{Placement{kSettingsSave, 196, y, 76, 26}, "保存", {}};
  save.is_default = true;
  form.controls.push_back(save);
  form.controls.push_back(ButtonArgs{Placement{kSettingsCancel, 280, y, 76, 26}, "取消", {}});
  // The buttons, a margin below them and the frame with its caption.
  form.height = y + 26 + 50;
  return form;
}

}  // namespace app
