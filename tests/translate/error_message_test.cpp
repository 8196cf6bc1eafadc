#include <gtest/gtest.h>

#include "translate/error_message.h"

namespace {

TEST(ErrorMessageTest, ExplainsKnownCodesAndCallsTheRestUnknown) {
  const std::pair<const char*, const char*> cases[] = {
      {"52003", "未授权用户，请检查您的 appid是否正确,或者服务是否开通"},
      {"54001", "签名错误，请检查您的签名生成方法"},
      {"54003", "访问频率受限，请降低您的调用频率,或进行身份认证后切换为高级版尊享版"},
      {"58001", "译文语言方向不支持,检查译文语言是否在语言列表里"},
      {"90107", "认证未通过或未生效,请前往我的认证查看认证进度"},
      {"12345", "未知原因"},
      {"", "未知原因"},
      // The code is compared as exact text.
      {" 54003", "未知原因"},
      {"54003 ", "未知原因"},
  };
  for (const auto& [code, message] : cases) {
    EXPECT_EQ(translate::error_message(code), message) << "code '" << code << "'";
  }
}

}  // namespace
