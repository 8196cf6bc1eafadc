#include "translate/language_table.h"

namespace translate {
namespace {

struct Language {
  const char* code;
  const char* label;
};

constexpr Language kLanguages[kLanguageCount] = {
    {"auto", "自动选择"}, {"zh", "中文"},         {"en", "英语"},       {"yue", "粤语"},
    {"wyw", "文言文"},    {"jp", "日语"},         {"kor", "韩语"},      {"fra", "法语"},
    {"spa", "西班牙语"},  {"th", "泰语"},         {"ara", "阿拉伯语"},  {"ru", "俄语"},
    {"pt", "葡萄牙语"},   {"de", "德语"},         {"it", "意大利语"},   {"el", "希腊语"},
    {"nl", "荷兰语"},     {"pl", "波兰语"},       {"bul", "保加利亚语"}, {"est", "爱沙尼亚语"},
    {"dan", "丹麦语"},    {"fin", "芬兰语"},      {"cs", "欧莱语"},     {"rom", "罗马尼亚语"},
    {"slo", "斯洛文尼亚语"}, {"swe", "瑞典语"},   {"hu", "匈牙利语"},   {"cht", "繁体中文"},
    {"vie", "越南语"},
};

bool in_range(int index) { return index >= 0 && index < kLanguageCount; }

}  // namespace

std::string language_code(int index) { return in_range(index) ? kLanguages[index].code : ""; }

std::string source_language_label(int index) {
  return in_range(index) ? kLanguages[index].label : "";
}

std::string target_language_label(int index) {
  if (index == 0) return "自动选择(不可选择)";
  return source_language_label(index);
}

}  // namespace translate
