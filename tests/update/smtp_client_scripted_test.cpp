// The SMTP client against scripted servers: greeting and login paths,
// replies in pieces, silence, refusals, and what never reaches the server.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/update/scripted_smtp_peer.h"
#include "update/mail_format.h"
#include "update/smtp_client.h"

namespace {

using test_support::PeerReply;
using test_support::ScriptedSmtpPeer;
using update::SmtpClient;

const char kUser[] = "13800138000";
const char kPassword[] = "QTRWPLMZKXHVBNJE";
const char kSender[] = "sender@mail.example.com";
const char kRecipient[] = "feedback@example.org";

// Expected commands; an entry ending in "*" matches any command starting
// with the text before it.
void expect_commands(const std::vector<std::string>& actual,
                     const std::vector<std::string>& expected) {
  ASSERT_EQ(actual.size(), expected.size()) << "first command: "
                                            << (actual.empty() ? "" : actual[0]);
  for (size_t i = 0; i < expected.size(); ++i) {
    const std::string& want = expected[i];
    if (!want.empty() && want.back() == '*') {
      EXPECT_EQ(actual[i].rfind(want.substr(0, want.size() - 1), 0), 0u) << actual[i];
    } else {
      EXPECT_EQ(actual[i], want);
    }
  }
}

long long elapsed_ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               since)
      .count();
}

TEST(SmtpClientScriptedTest, GreetsAndLogsInAsTheServerAllows) {
  const std::string login_user = update::base64_encode(kUser);
  const std::string login_password = update::base64_encode(kPassword);
  const std::string plain = update::base64_encode(std::string(1, '\0') + kUser + '\0' + kPassword);
  struct Case {
    const char* name;
    std::vector<PeerReply> script;
    bool with_credentials;
    bool connected;
    std::vector<std::string> commands;
  };
  const Case cases[] = {
      {"EHLO reply without AUTH: connected without login",
       {{"220 peer ready\r\n"}, {"250-peer\r\n250 SIZE 1000\r\n"}},
       true, true, {"EHLO *"}},
      {"refused EHLO: HELO follows",
       {{"220 peer ready\r\n"}, {"502 5.5.1 EHLO not implemented\r\n"}, {"250 hello\r\n"}},
       true, true, {"EHLO *", "HELO *"}},
      {"no credentials: HELO only, a code-only reply line is complete",
       {{"220 peer ready\r\n"}, {"250\r\n"}},
       false, true, {"HELO *"}},
      {"AUTH LOGIN preferred",
       {{"220 peer ready\r\n"}, {"250-peer\r\n250 AUTH PLAIN LOGIN\r\n"}, {"334 VXNlcm5hbWU6\r\n"},
        {"334 UGFzc3dvcmQ6\r\n"}, {"235 2.7.0 ok\r\n"}},
       true, true, {"EHLO *", "AUTH LOGIN", login_user, login_password}},
      {"old AUTH=LOGIN line",
       {{"220 peer ready\r\n"}, {"250-peer\r\n250 AUTH=LOGIN\r\n"}, {"334 VXNlcm5hbWU6\r\n"},
        {"334 UGFzc3dvcmQ6\r\n"}, {"235 2.7.0 ok\r\n"}},
       true, true, {"EHLO *", "AUTH LOGIN", login_user, login_password}},
      {"AUTH PLAIN, offered in the second piece of a multi-line reply",
       {{"220 peer ready\r\n"}, {"250-peer\r\n250-AUTH PL", "AIN\r\n250 HELP\r\n"}, {"334 \r\n"},
        {"235 2.7.0 ok\r\n"}},
       true, true, {"EHLO *", "AUTH PLAIN", plain}},
      {"unknown mechanisms only: connected without login",
       {{"220 peer ready\r\n"}, {"250-peer\r\n250 AUTH CRAM-MD5\r\n"}},
       true, true, {"EHLO *"}},
      {"greeting in pieces, a multi-line one",
       {{"220-peer\r\n", "220-still greeting\r\n", "220 ready\r\n"}, {"250 hello\r\n"}},
       false, true, {"HELO *"}},
      {"refused greeting: QUIT",
       {{"554 5.3.2 busy\r\n"}, {"221 bye\r\n"}},
       false, false, {"QUIT"}},
      {"refused HELO: QUIT",
       {{"220 peer ready\r\n"}, {"501 bad name\r\n"}, {"221 bye\r\n"}},
       false, false, {"HELO *", "QUIT"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedSmtpPeer peer(c.script);
    SmtpClient client;
    const bool ok = c.with_credentials
                        ? client.smtp_connect("127.0.0.1", peer.port(), kUser, kPassword)
                        : client.smtp_connect("127.0.0.1", peer.port());
    EXPECT_EQ(ok, c.connected) << client.error_text();
    EXPECT_EQ(client.connected(), c.connected);
    if (ok) {
      EXPECT_EQ(client.error_text(), "");
    }
    expect_commands(peer.commands(), c.commands);
  }
}

TEST(SmtpClientScriptedTest, RefusedLoginReportsTheLoginFailureAndQuits) {
  struct Case {
    const char* name;
    std::vector<PeerReply> script;
    std::vector<std::string> commands;
  };
  const Case cases[] = {
      {"535 after the password",
       {{"220 peer ready\r\n"}, {"250-peer\r\n250 AUTH LOGIN\r\n"}, {"334 VXNlcm5hbWU6\r\n"},
        {"334 UGFzc3dvcmQ6\r\n"}, {"535 5.7.8 Authentication credentials invalid\r\n"},
        {"221 bye\r\n"}},
       {"EHLO *", "AUTH LOGIN", "*", "*", "QUIT"}},
      {"535 to AUTH PLAIN",
       {{"220 peer ready\r\n"}, {"250-peer\r\n250 AUTH PLAIN\r\n"}, {"334 \r\n"},
        {"535 5.7.8 no\r\n"}, {"221 bye\r\n"}},
       {"EHLO *", "AUTH PLAIN", "*", "QUIT"}},
      {"mechanism refused at once",
       {{"220 peer ready\r\n"}, {"250-peer\r\n250 AUTH LOGIN\r\n"}, {"504 5.5.4 no\r\n"},
        {"221 bye\r\n"}},
       {"EHLO *", "AUTH LOGIN", "QUIT"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedSmtpPeer peer(c.script);
    SmtpClient client;
    EXPECT_FALSE(client.smtp_connect("127.0.0.1", peer.port(), kUser, kPassword));
    EXPECT_EQ(client.error_text(), "登录指定SMTP邮件服务器“127.0.0.1”失败!");
    EXPECT_FALSE(client.connected());
    expect_commands(peer.commands(), c.commands);
  }
}

TEST(SmtpClientScriptedTest, ConnectionRefusedAndEmptyServerFail) {
  SmtpClient client;
  EXPECT_FALSE(client.smtp_connect("127.0.0.1", ScriptedSmtpPeer::closed_port()));
  EXPECT_EQ(client.error_text(), "连接指定SMTP邮件服务器“127.0.0.1”失败!");
  EXPECT_FALSE(client.connected());
  EXPECT_FALSE(client.smtp_connect(""));
  EXPECT_FALSE(client.connected());
  EXPECT_EQ(client.smtp_send("s", "b", kRecipient, "", "", kSender), "未连接到SMTP服务器!");
}

// A name is looked up (on a thread of its own, bounded in time).
TEST(SmtpClientScriptedTest, ServerGivenByHostName) {
  ScriptedSmtpPeer peer({{"220 ready\r\n"}, {"250 hello\r\n"}});
  SmtpClient client;
  EXPECT_TRUE(client.smtp_connect("localhost", peer.port())) << client.error_text();
  expect_commands(peer.commands(), {"HELO *"});
}

// A silent server is given up reply_timeout_ms after its last byte, within
// one 250 ms poll step; the failure text survives the QUIT or RSET after it.
TEST(SmtpClientScriptedTest, SilentServerTimesOutWithinOnePollStep) {
  const int timeout_ms = 1000;
  const long long slack_ms = 250 + 150;
  {
    ScriptedSmtpPeer peer(std::vector<PeerReply>{{}, {"221 bye\r\n"}});
    SmtpClient client;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.smtp_connect("127.0.0.1", peer.port(), "", "", timeout_ms));
    const long long took = elapsed_ms(start);
    EXPECT_EQ(client.error_text(), "接收数据超时!");
    EXPECT_EQ(client.last_code(), -1);
    EXPECT_GE(took, timeout_ms);
    EXPECT_LE(took, timeout_ms + slack_ms);
    expect_commands(peer.commands(), {"QUIT"});
  }
  {
    ScriptedSmtpPeer peer({{"220 ready\r\n"}, {"250 hello\r\n"}, {}, {"250 flushed\r\n"}});
    SmtpClient client;
    ASSERT_TRUE(client.smtp_connect("127.0.0.1", peer.port(), "", "", timeout_ms));
    EXPECT_EQ(client.reply_timeout_ms(), timeout_ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.smtp_send("s", "b", kRecipient, "", "", kSender), "接收数据超时!");
    const long long took = elapsed_ms(start);
    EXPECT_GE(took, timeout_ms);
    EXPECT_LE(took, timeout_ms + slack_ms);
    EXPECT_EQ(client.error_text(), "接收数据超时!");
    EXPECT_TRUE(client.connected());
    expect_commands(peer.commands(), {"HELO *", "MAIL FROM:<sender@mail.example.com>", "RSET"});
  }
}

// A reply is waited for as a whole: a server that drips it a byte at a time
// is given up once the time-out has passed since the wait began, and one
// that streams continuation lines without end is cut off at 64 KiB, long
// before any time-out; neither connection is kept.
TEST(SmtpClientScriptedTest, RepliesThatNeverEndAreGivenUp) {
  const int timeout_ms = 1000;
  std::string many_lines;
  for (int i = 0; i < 100; ++i) many_lines += "250-SIZE 1000000 and more\r\n";
  PeerReply dripped_greeting;
  for (const char c : std::string("220 ready\r\n")) dripped_greeting.push_back(std::string(1, c));
  const struct {
    const char* name;
    std::vector<PeerReply> script;
    int pause_ms;
    const char* error;
    long long at_least_ms;
    long long at_most_ms;  // the greeting's wait, then QUIT's
  } cases[] = {
      {"greeting dripped over 3 s", {dripped_greeting, {"221 bye\r\n"}}, 300, "接收数据超时!",
       timeout_ms, 2 * timeout_ms + 2 * 250 + 300},
      {"EHLO answered without end", {{"220 ready\r\n"}, {many_lines, test_support::kRepeatForever}},
       0, "等待SMTP邮件服务器响应失败!", 0, timeout_ms - 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedSmtpPeer peer(c.script, test_support::AfterScript::kStaySilent, c.pause_ms);
    SmtpClient client;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.smtp_connect("127.0.0.1", peer.port(), kUser, kPassword, timeout_ms));
    const long long took = elapsed_ms(start);
    EXPECT_EQ(client.error_text(), c.error);
    EXPECT_EQ(client.last_code(), -1);
    EXPECT_FALSE(client.connected());
    EXPECT_GE(took, c.at_least_ms);
    EXPECT_LE(took, c.at_most_ms);
  }
}

// Servers that check the whole mail before they answer its end may take
// longer than the reply time-out: the mail is reported sent, once, and the
// server got it once.
TEST(SmtpClientScriptedTest, SlowAnswerToTheEndOfTheDataIsAwaited) {
  ScriptedSmtpPeer peer({{"220 ready\r\n"},
                         {"250 hello\r\n"},
                         {"250 sender ok\r\n"},
                         {"250 recipient ok\r\n"},
                         {"354 go ahead\r\n"},
                         {"", "250 2.0.0 queued after a thorough check\r\n"},
                         {"221 bye\r\n"}},
                        test_support::AfterScript::kStaySilent, 3000);
  SmtpClient client;
  ASSERT_TRUE(client.smtp_connect("127.0.0.1", peer.port()));
  EXPECT_EQ(client.reply_timeout_ms(), 2000);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(client.smtp_send("s", "body", kRecipient, "", "", kSender), "");
  EXPECT_GE(elapsed_ms(start), 3000);
  EXPECT_EQ(client.last_code(), 250);
  EXPECT_TRUE(client.smtp_close());
  expect_commands(peer.commands(), {"HELO *", "MAIL FROM:<sender@mail.example.com>",
                                    "RCPT TO:<feedback@example.org>", "DATA", "From: *", "QUIT"});
}

// A loopback listener that never accepts, with its connection queue filled,
// so that the system drops further connection requests unanswered: a host
// that never takes the connection.
class FullListener {
 public:
  FullListener() {
    listener_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (!listener_ ||
        bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_.get(), 0) != 0 ||
        getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    for (int i = 0; i < 16 && !full_; ++i) {
      update::Socket client(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
      u_long non_blocking = 1;
      ioctlsocket(client.get(), FIONBIO, &non_blocking);
      connect(client.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
      fd_set writable;
      FD_ZERO(&writable);
      FD_SET(client.get(), &writable);
      timeval wait{0, 500 * 1000};
      full_ = select(0, nullptr, &writable, nullptr, &wait) == 0;
      queued_.push_back(std::move(client));
    }
    port_ = ntohs(address.sin_port);
  }

  // True once a connection request went unanswered.
  bool full() const { return full_; }
  int port() const { return port_; }

 private:
  update::WinsockSession winsock_;
  update::Socket listener_;
  std::vector<update::Socket> queued_;
  bool full_ = false;
  int port_ = 0;
};

// Such a host is given up after the reply time-out, not after the system's
// own connect time-out of 20 s and more.
TEST(SmtpClientScriptedTest, HostThatNeverTakesTheConnectionIsGivenUpAfterTheTimeOut) {
  FullListener host;
  ASSERT_TRUE(host.full());
  for (int timeout_ms : {1000, 2000}) {
    SCOPED_TRACE(timeout_ms);
    SmtpClient client;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.smtp_connect("127.0.0.1", host.port(), kUser, kPassword, timeout_ms));
    const long long took = elapsed_ms(start);
    EXPECT_GE(took, timeout_ms - 50);
    EXPECT_LE(took, timeout_ms + 400);
    EXPECT_EQ(client.error_text(), "连接指定SMTP邮件服务器“127.0.0.1”失败!");
    EXPECT_FALSE(client.connected());
  }
}

// A server that takes the data command and then reads nothing: the body
// cannot be sent, and each send, like each reply, is given up after the
// reply time-out instead of blocking for ever.
TEST(SmtpClientScriptedTest, ServerThatStopsReadingCannotHoldTheSenderForEver) {
  const int timeout_ms = 1000;
  ScriptedSmtpPeer peer({{"220 ready\r\n"}, {"250 hello\r\n"}, {"250 sender ok\r\n"},
                         {"250 recipient ok\r\n"}, {"354 go ahead\r\n"}},
                        test_support::AfterScript::kStopReading);
  SmtpClient client;
  ASSERT_TRUE(client.smtp_connect("127.0.0.1", peer.port(), "", "", timeout_ms));
  const std::string body(32 << 20, 'x');  // far more than the system buffers hold
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(client.smtp_send("s", body, kRecipient, "", "", kSender), "发送邮件内容失败!");
  // The stalled body, then the RSET that follows it and the wait for its reply.
  EXPECT_LE(elapsed_ms(start), 3 * timeout_ms + 1500);
  const auto closing = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.smtp_close());
  EXPECT_LE(elapsed_ms(closing), 2 * timeout_ms + 1000);
}

TEST(SmtpClientScriptedTest, RefusedRecipientResetsAndTheNextMailGoesThrough) {
  ScriptedSmtpPeer peer({{"220 ready\r\n"},
                         {"250 hello\r\n"},
                         {"250 ok\r\n"},
                         {"250 ok\r\n"},
                         {"550-5.1.1 mailbox\r\n", "550 5.1.1 unavailable\r\n"},
                         {"250 flushed\r\n"},
                         {"250 ok\r\n"},
                         {"250 ok\r\n"},
                         {"354 go ahead\r\n"},
                         {"250 queued\r\n"},
                         {"221 bye\r\n"}});
  SmtpClient client;
  ASSERT_TRUE(client.smtp_connect("127.0.0.1", peer.port()));
  EXPECT_EQ(client.smtp_send("s", "b", "a@example.org; b@example.org", "", "", kSender),
            "5.1.1 unavailable");
  EXPECT_EQ(client.last_code(), 550);
  EXPECT_EQ(client.error_text(), "5.1.1 unavailable");
  EXPECT_EQ(client.smtp_send("s", "body", "a@example.org", "", "", kSender), "");
  EXPECT_EQ(client.error_text(), "");
  EXPECT_TRUE(client.smtp_close());
  EXPECT_FALSE(client.connected());
  const std::vector<std::string> commands = peer.commands();
  expect_commands(commands, {"HELO *", "MAIL FROM:<sender@mail.example.com>",
                             "RCPT TO:<a@example.org>", "RCPT TO:<b@example.org>", "RSET",
                             "MAIL FROM:<sender@mail.example.com>", "RCPT TO:<a@example.org>",
                             "DATA", "*", "QUIT"});
  // The data: headers, the base64 body "Ym9keQ==" with its CRLF, then the end.
  const std::string& data = commands[8];
  EXPECT_EQ(data.rfind("From: sender@mail.example.com\r\nTo: a@example.org\r\nSubject: s\r\nDate: ", 0),
            0u)
      << data;
  EXPECT_NE(data.find("\r\nReply-To: sender@mail.example.com\r\nMIME-Version: 1.0\r\n"
                      "Content-type: text/plain; charset=\"us-ascii\"\r\n"
                      "Content-Transfer-Encoding: base64\r\n\r\nYm9keQ==\r\n\r\n"),
            std::string::npos)
      << data;
}

TEST(SmtpClientScriptedTest, FailedRepliesGiveTheServerTextOrTheErrorText) {
  const struct {
    PeerReply reply;  // to MAIL FROM; none: the server hangs up
    const char* error;
    int code;
  } cases[] = {
      {{"451 4.3.0 try again later\r\n"}, "4.3.0 try again later", 451},
      {{"553 Refused\r\n"}, "Refused", 553},
      {{"550\r\n"}, "SMTP邮件服务器返回失败信息!", 550},
      {{"550 \r\n"}, "SMTP邮件服务器返回失败信息!", 550},
      {{}, "网络出错!", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    std::vector<PeerReply> script = {{"220 ready\r\n"}, {"250 hello\r\n"}};
    if (!c.reply.empty()) script.insert(script.end(), {c.reply, {"250 flushed\r\n"}});
    ScriptedSmtpPeer peer(script, c.reply.empty() ? test_support::AfterScript::kHangUp
                                                  : test_support::AfterScript::kStaySilent);
    SmtpClient client;
    ASSERT_TRUE(client.smtp_connect("127.0.0.1", peer.port()));
    EXPECT_EQ(client.smtp_send("s", "b", kRecipient, "", "", kSender), c.error);
    EXPECT_EQ(client.last_code(), c.code);
  }
}

// Addresses are checked before the server hears anything; texts the user
// typed cannot add commands or end the data early.
TEST(SmtpClientScriptedTest, MalformedAddressesNeverReachTheServer) {
  struct Case {
    const char* to;
    const char* cc;
    const char* bcc;
    const char* sender;
    const char* reply_to;
    const char* error;
  };
  const Case cases[] = {
      {"a@example.org\r\nRCPT TO:<evil@example.org>", "", "", kSender, kSender,
       "目的邮件地址格式错误!"},
      {"a@example.org>\r\nDATA", "", "", kSender, kSender, "目的邮件地址格式错误!"},
      {"a@example.org", "not an address", "", kSender, kSender, "目的邮件地址格式错误!"},
      {"a@example.org", "", "b@@example.org", kSender, kSender, "目的邮件地址格式错误!"},
      {"a@example.org", "", "", "s@example.org>\r\nRCPT TO:<evil@example.org", kSender,
       "发信人邮件地址格式错误!"},
      {"a@example.org", "", "", "", "", "发信人邮件地址格式错误!"},
      {"a@example.org", "", "", kSender, "Name\r\nBcc: x@y.org <r@example.org>",
       "回复邮件地址格式错误!"},
      {"", " ; , ", "", kSender, kSender, "未指定发送地址!"},
  };
  ScriptedSmtpPeer peer({{"220 ready\r\n"}, {"250 hello\r\n"}});
  SmtpClient client;
  ASSERT_TRUE(client.smtp_connect("127.0.0.1", peer.port()));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.to);
    EXPECT_EQ(client.smtp_send("s", "b", c.to, c.cc, c.bcc, c.sender, c.reply_to), c.error);
    EXPECT_EQ(client.error_text(), c.error);
  }
  expect_commands(peer.commands(), {"HELO *"});
}

}  // namespace
