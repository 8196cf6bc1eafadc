// The SMTP client against a real SMTP server (aiosmtpd) on loopback; each
// delivered mail is read back with Python's email package.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <regex>
#include <string>

#include "tests/support/test_environment.h"
#include "tests/update/smtp_peer_process.h"
#include "update/smtp_client.h"

namespace {

using update::SmtpClient;

const char kUser[] = "13800138000";
const char kPassword[] = "QTRWPLMZKXHVBNJE";
const char kSender[] = "13800138000@mail.example.com";
const char kRecipient[] = "feedback@example.org";
const char kSubject[] = "墨桥·窗口汉化反馈邮件";
const char kSubjectUtf8[] = u8"墨桥·窗口汉化反馈邮件";

// A real server offering the given AUTH mechanisms to the one user.
class SmtpPeer : public test_support::SmtpPeer {
 public:
  SmtpPeer(int port_offset, const std::string& mechanisms)
      : test_support::SmtpPeer(test_support::test_port(port_offset), kUser, kPassword,
                               mechanisms) {}
};

std::string repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST(SmtpClientServerTest, DeliversTheFeedbackMailWithEitherLogin) {
  const struct {
    int port_offset;
    const char* mechanisms;
    std::string body;
    std::string body_utf8;
    const char* charset;
  } cases[] = {
      {30, "LOGIN,PLAIN", repeat("你好，\r\n窗口汉化很好用，谢谢！English 123。\r\n", 8),
       repeat(u8"你好，\r\n窗口汉化很好用，谢谢！English 123。\r\n", 8), "gb2312"},
      {31, "PLAIN", "Hello,\r\nplain ASCII feedback: 1 + 1 = 2.\r\n.\r\nend",
       "Hello,\r\nplain ASCII feedback: 1 + 1 = 2.\r\n.\r\nend", "us-ascii"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mechanisms);
    SmtpPeer peer(c.port_offset, c.mechanisms);
    ASSERT_TRUE(peer.ready());
    SmtpClient client;
    ASSERT_TRUE(client.smtp_connect("127.0.0.1", peer.port(), kUser, kPassword))
        << client.error_text();
    const std::string expected_login = std::string(c.mechanisms).substr(0, 5) == "LOGIN"
                                           ? "LOGIN ok\n"
                                           : "PLAIN ok\n";
    EXPECT_EQ(peer.auth_log(), expected_login);
    EXPECT_EQ(client.smtp_send(kSubject, c.body, kRecipient, "", "", kSender), "");
    EXPECT_TRUE(client.smtp_close());

    const auto mail = peer.mail(1);
    ASSERT_FALSE(mail.empty());
    EXPECT_EQ(mail.at("subject"), kSubjectUtf8);
    EXPECT_EQ(mail.at("body"), c.body_utf8);
    EXPECT_EQ(mail.at("charset"), c.charset);
    EXPECT_EQ(mail.at("transfer_encoding"), "base64");
    EXPECT_EQ(mail.at("from"), kSender);
    EXPECT_EQ(mail.at("to"), kRecipient);
    EXPECT_EQ(mail.at("reply_to"), kSender);
    EXPECT_EQ(mail.at("envelope"), std::string(kSender) + "\n" + kRecipient + "\n");
    EXPECT_EQ(mail.at("header_names"),
              "From\nTo\nSubject\nDate\nReply-To\nMIME-Version\nContent-type\n"
              "Content-Transfer-Encoding");
    EXPECT_EQ(mail.at("defects"), "");
    EXPECT_TRUE(std::regex_match(
        mail.at("date"),
        std::regex("(Mon|Tue|Wed|Thu|Fri|Sat|Sun), [0-3][0-9] "
                   "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} "
                   "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] [+-][0-9]{4}")))
        << mail.at("date");
    // Local time and zone offset together name the present moment.
    const long long sent_at = std::atoll(mail.at("date_epoch").c_str());
    EXPECT_LE(std::llabs(sent_at - static_cast<long long>(std::time(nullptr))), 120)
        << mail.at("date");
  }
}

TEST(SmtpClientServerTest, WrongPasswordIsRefused) {
  for (const char* mechanisms : {"LOGIN,PLAIN", "PLAIN"}) {
    SCOPED_TRACE(mechanisms);
    SmtpPeer peer(32, mechanisms);
    ASSERT_TRUE(peer.ready());
    SmtpClient client;
    EXPECT_FALSE(client.smtp_connect("127.0.0.1", peer.port(), kUser, "WRONGPASSWORD"));
    EXPECT_EQ(client.error_text(), "登录指定SMTP邮件服务器“127.0.0.1”失败!");
    EXPECT_EQ(client.last_code(), 535);  // the refusal itself, not a time-out
    EXPECT_FALSE(client.connected());
    EXPECT_EQ(peer.auth_log().substr(0, 13), std::string(mechanisms).substr(0, 5) + " refused");
  }
}

// Copies, blind copies and display names; a subject that tries to add a
// header or end the data stays one harmless header line.
TEST(SmtpClientServerTest, RecipientsNamesAndHostileSubject) {
  SmtpPeer peer(33, "LOGIN,PLAIN");
  ASSERT_TRUE(peer.ready());
  SmtpClient client;
  ASSERT_TRUE(client.smtp_connect("127.0.0.1", peer.port(), kUser, kPassword));
  const std::string long_name = repeat("墨桥窗口翻译用户", 4);  // 64 bytes: folded words
  EXPECT_EQ(client.smtp_send("Hi\r\nBcc: evil@example.net\r\n.\r\nRCPT TO:<evil@example.net>",
                             "正文", "张三 <zhang@example.org>; li@example.org",
                             "\"Wang, Wu\" <wang@example.org>", "boss@example.org",
                             long_name + " <" + kSender + ">", "reply@example.org"),
            "");
  EXPECT_EQ(client.smtp_send(kSubject, "second", kRecipient, "", "", kSender, ""), "");
  EXPECT_TRUE(client.smtp_close());

  const auto mail = peer.mail(1);
  ASSERT_FALSE(mail.empty());
  EXPECT_EQ(mail.at("envelope"), std::string(kSender) +
                                     "\nzhang@example.org\nli@example.org\nwang@example.org\n"
                                     "boss@example.org\n");
  EXPECT_EQ(mail.at("subject"), "Hi Bcc: evil@example.net . RCPT TO:<evil@example.net>");
  EXPECT_EQ(mail.at("to"), u8"张三 <zhang@example.org>,li@example.org");
  EXPECT_EQ(mail.at("cc"), "\"Wang, Wu\" <wang@example.org>");
  EXPECT_EQ(mail.at("from"), repeat(u8"墨桥窗口翻译用户", 4) + " <" + kSender + ">");
  EXPECT_EQ(mail.at("reply_to"), "reply@example.org");
  EXPECT_EQ(mail.at("body"), u8"正文");
  EXPECT_EQ(mail.at("header_names"),
            "From\nTo\nCc\nSubject\nDate\nReply-To\nMIME-Version\nContent-type\n"
            "Content-Transfer-Encoding");

  const auto second = peer.mail(2);
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(second.at("subject"), kSubjectUtf8);
  EXPECT_EQ(second.at("body"), "second");
  EXPECT_EQ(second.at("header_names"),
            "From\nTo\nSubject\nDate\nMIME-Version\nContent-type\nContent-Transfer-Encoding");
}

}  // namespace
