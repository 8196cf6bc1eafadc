#include "app/layouts.h"
#include "app/resource_ids.h"
#include "platform/resource.h"
#include "translate/language_table.h"

namespace app {
namespace {

using namespace toolkit;

enum Page { kManualPage = 0, kCapturePage = 1, kFeedbackPage = 2 };

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = 0x000000FF;
constexpr COLORREF kGrey = 0x00808080;
constexpr COLORREF kDarkGrey = 0x00606060;

const FontSpec kYaHei12{"微软雅黑", -12};
const FontSpec kYaHei14{"微软雅黑", -14};

// Both language lists, in the order the service's codes are looked up in.
std::vector<std::string> language_items(std::string (*label)(int)) {
  std::vector<std::string> items;
  for (int i = 0; i < translate::kLanguageCount; ++i) items.push_back(label(i));
  return items;
}

// The program's own additions, beside the designed "菜单"; each item's name
// is the one its handler is bound to in the event table.
MenuArgs tools_menu() {
  MenuArgs menu;
  menu.caption = "工具";
  menu.items = {
      {"还原原文", "还原原文"},
      {"设置", "设置"},
      {"跟随翻译", "跟随翻译", true},
  };
  return menu;
}

Placement on_page(const char* name, int page, int x, int y, int width, int height) {
  return Placement{name, x, y, width, height, page};
}

}  // namespace

FormArgs main_window_layout() {
  FormArgs form;
  form.name = "main_window";
  form.caption = "墨桥窗口翻译";
  form.x = 50;
  form.y = 50;
  form.width = 272;
  form.height = 302;
  form.frame = FrameKind::fixed;
  form.icon_resource = MOQIAO_ICON;
  form.menus = {MenuArgs{"菜单", {{"支持Orlek", "支持Orlek"}, {"检测更新", "检测更新"}}},
                tools_menu()};
  form.tab = TabArgs{Placement{"选择夹1", -3, 6, 272, 248}, {"普通翻译", "界面提取", "给Orlek发信息"}};

  const Colours black_on_white{kBlack, kWhite};
  EditArgs display_box;
  display_box.multi_line = true;
  display_box.border = BorderKind::sunken;
  display_box.colours = black_on_white;

  // Manual translation.
  LabelArgs source_caption;
  source_caption.place = on_page("透明标签1", kManualPage, 8, 24, 80, 24);
  source_caption.caption = "原文语言：";
  source_caption.transparent = true;
  source_caption.centre_vertically = true;
  form.controls.push_back(source_caption);

  form.controls.push_back(ComboArgs{on_page("组合框_原文", kManualPage, 65, 26, 100, 20),
                                    language_items(&translate::source_language_label), Colours{{}, kWhite}, {}});

  EditArgs source_box = display_box;
  source_box.place = on_page("编辑框_原文", kManualPage, 8, 54, 256, 80);
  form.controls.push_back(source_box);

  LabelArgs target_caption = source_caption;
  target_caption.place = on_page("透明标签2", kManualPage, 8, 134, 80, 24);
  target_caption.caption = "译文语言：";
  form.controls.push_back(target_caption);

  form.controls.push_back(ComboArgs{on_page("组合框_译文", kManualPage, 65, 136, 100, 20),
                                    language_items(&translate::target_language_label), Colours{{}, kWhite}, {}});
  form.controls.push_back(ButtonArgs{on_page("按钮1", kManualPage, 165, 134, 49, 24), "翻译", {}});
  form.controls.push_back(ButtonArgs{on_page("按钮2", kManualPage, 214, 134, 49, 24), "播放", {}});

  EditArgs result_box = display_box;
  result_box.place = on_page("编辑框_译文", kManualPage, 8, 158, 256, 80);
  form.controls.push_back(result_box);

  // Interface translation.
  PictureArgs crosshair;
  crosshair.place = on_page("图片框1_鼠标", kCapturePage, 10, 44, 60, 60);
  crosshair.picture = platform::resource_bytes(MOQIAO_CROSSHAIR_CURSOR);
  crosshair.colours.background = kWhite;
  crosshair.cursor = IDC_CROSS;
  form.controls.push_back(crosshair);

  LabelArgs hint;
  hint.place = on_page("标签1_说明", kCapturePage, 81, 56, 168, 42);
  hint.caption = "把十字型图标拖放到要翻译的主界面上,会自动识别文本！";
  hint.colours = Colours{kRed, kWhite};
  hint.centre_vertically = true;
  hint.word_wrap = true;
  hint.font = kYaHei12;
  form.controls.push_back(hint);

  form.controls.push_back(TimerArgs{"时钟1_界面翻译", 0});

  EditArgs capture_box = display_box;
  capture_box.place = on_page("译文_编辑框", kCapturePage, 8, 130, 256, 104);
  form.controls.push_back(capture_box);

  // Feedback.
  EditArgs message_box;
  message_box.place = on_page("留言编辑框", kFeedbackPage, 8, 32, 256, 138);
  message_box.text = "意见反馈";
  message_box.multi_line = true;
  message_box.border = BorderKind::single_line;
  message_box.colours = Colours{kGrey, kWhite};
  message_box.font = kYaHei14;
  message_box.cursor = IDC_ARROW;
  form.controls.push_back(message_box);

  form.controls.push_back(ButtonArgs{on_page("按钮1_提交", kFeedbackPage, 12, 176, 72, 24), "提交", {}});

  EditArgs address_box;
  address_box.place = on_page("编辑框1_客户邮箱", kFeedbackPage, 97, 176, 167, 24);
  address_box.text = "请留下您的邮箱";
  address_box.border = BorderKind::single_line;
  address_box.colours = Colours{kGrey, kWhite};
  form.controls.push_back(address_box);

  LabelArgs web_address;
  web_address.place = on_page("网站", kFeedbackPage, 72, 216, 128, 19);
  web_address.caption = kWebAddress;
  web_address.colours = Colours{kDarkGrey, kWhite};
  web_address.align = HorizontalAlign::centre;
  web_address.centre_vertically = true;
  web_address.font = kYaHei14;
  form.controls.push_back(web_address);
  return form;
}

}  // namespace app
