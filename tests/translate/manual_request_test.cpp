// The form body of a manual translation request.
#include <gtest/gtest.h>

#include <string>

#include "translate/manual_translate.h"

namespace {

using translate::ManualRequest;
using translate::manual_request_body;

// The service's published test credentials and salt.
constexpr char kAppId[] = "2015063000000001";
constexpr char kKey[] = "12345678";
constexpr char kSalt[] = "1435660288";

struct BodyCase {
  const char* why;
  std::string text;      // GBK, as typed
  std::string q;         // the value after "q=" on the wire
  const char* sign;      // MD5 of app id + raw UTF-8 text + salt + key
};

TEST(ManualRequestBodyTest, SendsRawUtf8WithFormSeparatorsEncodedAndSignsTheRawText) {
  const BodyCase cases[] = {
      {"published vector", "apple", "apple", "f89f9594663708c1605f3d736d01d2d4"},
      {"ampersand", "Tom & Jerry", "Tom %26 Jerry", "72f095adbd617dd812d5264daeb4b22b"},
      {"equals, plus, percent; space stays", "a=b+c 100%", "a%3Db%2Bc 100%25",
       "bfc64ecebd7162ee7f28626b4e2d032b"},
      {"Chinese as its six UTF-8 bytes", "你好", u8"你好",
       "8d9386edf4b81a8dc19b74bda6a488ca"},
      {"line break stays raw", "Open\r\nSave", "Open\r\nSave", "4430a7aa4d179e660151a671b403edcb"},
  };
  for (const BodyCase& c : cases) {
    SCOPED_TRACE(c.why);
    const ManualRequest request{c.text, "en", "zh", kAppId, kKey};
    EXPECT_EQ(manual_request_body(request, kSalt),
              "q=" + c.q + "&from=en&to=zh&appid=" + kAppId + "&salt=" + kSalt + "&sign=" + c.sign);
  }
}

TEST(ManualRequestBodyTest, KeepsTheKeyOrderWithEmptyLanguagesAndOtherCredentials) {
  const ManualRequest request{"Open", "", "", "20200417000123908", "Kq7TzW2mRp9LxBv4NcHs"};
  const std::string body = manual_request_body(request, "0000000001");
  EXPECT_EQ(body.rfind("q=Open&from=&to=&appid=20200417000123908&salt=0000000001&sign=", 0), 0u)
      << body;
  const std::string sign = body.substr(body.find("&sign=") + 6);
  EXPECT_EQ(sign.size(), 32u);
  EXPECT_EQ(sign.find_first_not_of("0123456789abcdef"), std::string::npos) << sign;
}

}  // namespace
