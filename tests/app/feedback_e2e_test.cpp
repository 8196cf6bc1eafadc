// The feedback page of moqiao.exe, driven through the window system as a
// user would, against a real SMTP server on the program's compiled-in mail
// port: notices for missing input, refused addresses, a delivered mail and
// every way a delivery can fail.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "build_constants.h"
#include "tests/app/program_process.h"
#include "tests/app/window_probe.h"
#include "tests/support/cursor.h"
#include "tests/support/test_environment.h"
#include "tests/update/smtp_peer_process.h"

namespace {

using test_support::SmtpPeer;
using test_support::wait_until;

constexpr int kFeedbackPage = 2;
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr int kMessageBoxTextId = 0xFFFF;  // the text control of a message box

std::string utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

long long ms_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

std::string screenshot_path(const std::string& name) {
  const std::string dir = test_support::binary_dir_unix() + "/screenshots";
  test_support::run_unix("mkdir -p '" + dir + "'");
  return dir + "/" + name + ".png";
}

// A server that takes connections and never says a word: a listener on the
// mail port that never accepts (the system completes the connections).
class SilentServer {
 public:
  explicit SilentServer(int port) {
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const BOOL reuse = TRUE;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
               sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    listening_ = bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                 listen(listener_, 8) == 0;
  }
  ~SilentServer() { closesocket(listener_); }
  bool listening() const { return listening_; }

 private:
  SOCKET listener_ = INVALID_SOCKET;
  bool listening_ = false;
};

class FeedbackTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    program_ = new probe::ProgramProcess;
    ASSERT_TRUE(program_->start(MOQIAO_EXE_UNIX_PATH));
    ASSERT_TRUE(program_->select_page(kFeedbackPage));
    HWND tab = program_->tab();
    message_box_ = probe::child_at(tab, L"Edit", 8, 32, 256, 138);
    contact_box_ = probe::child_at(tab, L"Edit", 97, 176, 167, 24);
    submit_button_ = probe::child_at(tab, L"Button", 12, 176, 72, 24);
    ASSERT_NE(message_box_, nullptr);
    ASSERT_NE(contact_box_, nullptr);
    ASSERT_NE(submit_button_, nullptr);
  }

  static void TearDownTestSuite() {
    if (program_) {
      EXPECT_TRUE(program_->close());
    }
    delete program_;
    program_ = nullptr;
    WSACleanup();
  }

  void SetUp() override {
    ASSERT_EQ(moqiao::build::kSmtpPort, test_support::test_port(25))
        << "the program is built for another mail port";
    ASSERT_TRUE(open_boxes().empty());
  }

  void TearDown() override {
    for (HWND box : open_boxes()) close_box(box);
  }

  // Message boxes of the program now on the screen.
  static std::vector<HWND> open_boxes() {
    std::vector<HWND> boxes;
    for (HWND w : program_->windows_of_class(kDialogClass)) {
      if (IsWindowVisible(w)) boxes.push_back(w);
    }
    return boxes;
  }

  static std::wstring box_text(HWND box) {
    HWND text = GetDlgItem(box, kMessageBoxTextId);
    return text ? probe::window_text(text) : std::wstring();
  }

  // The first message box with this caption, waiting up to timeout_ms.
  static HWND wait_for_box(const std::wstring& caption, int timeout_ms) {
    HWND found = nullptr;
    wait_until(
        [&] {
          for (HWND box : open_boxes()) {
            if (probe::window_text(box) == caption) found = box;
          }
          return found != nullptr;
        },
        timeout_ms);
    return found;
  }

  static bool close_box(HWND box) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    return wait_until([box] { return !IsWindow(box); }, 10000);
  }

  static void fill_in(const std::wstring& message, const std::wstring& contact) {
    probe::set_window_text(message_box_, message);
    probe::set_window_text(contact_box_, contact);
  }

  // Posted, not sent: the handler shows message boxes before it returns.
  static void press_submit() { PostMessageW(submit_button_, BM_CLICK, 0, 0); }

  // A real left click at a point of a control, through the system's input:
  // the pointer is moved there first and the press waits until it arrived.
  static bool real_click(HWND control, int x, int y) {
    POINT point{x, y};
    ClientToScreen(control, &point);
    const bool arrived = test_support::move_cursor(point, control);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    for (INPUT& one : input) {
      one.type = INPUT_MOUSE;
      one.mi.dx = (point.x * 65536 + width / 2) / width;
      one.mi.dy = (point.y * 65536 + height / 2) / height;
    }
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return arrived && SendInput(3, input, sizeof(INPUT)) == 3;
  }

  static SmtpPeer* start_mail_server(const std::string& password = moqiao::build::kSmtpPassword,
                                     bool refuse_mail = false, int data_delay_ms = 0) {
    auto* peer = new SmtpPeer(moqiao::build::kSmtpPort, moqiao::build::kSmtpUser, password,
                              "LOGIN,PLAIN", refuse_mail, data_delay_ms);
    EXPECT_TRUE(peer->ready());
    return peer;
  }

  static probe::ProgramProcess* program_;
  static HWND message_box_;
  static HWND contact_box_;
  static HWND submit_button_;
};

probe::ProgramProcess* FeedbackTest::program_ = nullptr;
HWND FeedbackTest::message_box_ = nullptr;
HWND FeedbackTest::contact_box_ = nullptr;
HWND FeedbackTest::submit_button_ = nullptr;

TEST_F(FeedbackTest, MissingMessageOrAddressShowsANoticeThatClosesItself) {
  const struct {
    const wchar_t* message;
    const wchar_t* contact;
    const wchar_t* notice;
  } cases[] = {
      {L"", L"", L"请输入您的宝贵意见"},  // only the message is asked for
      {L"", L"someone@example.com", L"请输入您的宝贵意见"},
      {L"很好用", L"", L"请留下您的宝贵联系方式"},
  };
  std::unique_ptr<SmtpPeer> server(start_mail_server());
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(std::wstring(c.message) + L" / " + c.contact));
    fill_in(c.message, c.contact);
    press_submit();
    HWND notice = wait_for_box(L"友情提醒", 10000);
    ASSERT_NE(notice, nullptr);
    const auto shown = std::chrono::steady_clock::now();
    EXPECT_EQ(box_text(notice), c.notice);
    // Nobody presses its button: it goes after its 5 s by itself.
    EXPECT_TRUE(wait_until([notice] { return !IsWindow(notice); }, 12000));
    EXPECT_GE(ms_since(shown), 4000);
    EXPECT_FALSE(wait_until([] { return !open_boxes().empty(); }, 1000));
  }
  EXPECT_EQ(server->auth_log(), "");  // the server never heard of it
  EXPECT_FALSE(server->has_mail(1));
}

TEST_F(FeedbackTest, MalformedAddressesAreRefusedWithoutMail) {
  std::unique_ptr<SmtpPeer> server(start_mail_server());
  for (const wchar_t* contact :
       {L"someone@example.cn", L"someone@example.COM", L"someone@example.com ",
        L"some one@example.com", L"请留下您的邮箱"}) {
    SCOPED_TRACE(utf8(contact));
    fill_in(L"反馈内容", contact);
    press_submit();
    HWND box = wait_for_box(L"信息：", 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box_text(box), L"邮箱格式不对");
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);  // OK only
    ASSERT_TRUE(close_box(box));
  }
  EXPECT_EQ(server->auth_log(), "");
  EXPECT_FALSE(server->has_mail(1));
}

// The mail carries the contact address and the message exactly as typed,
// and "发送成功！" shows only once the server holds the mail.
TEST_F(FeedbackTest, ValidAddressSendsTheMailBeforeSuccessIsShown) {
  const struct {
    const wchar_t* message;
    const wchar_t* contact;
  } cases[] = {
      {L"你好，\r\n窗口汉化很好用，谢谢！\r\n\r\n  Second paragraph; 1 + 1 = 2.\r\n.\r\nend",
       L"first.last-name@mail.example.com"},
      {L"意见反馈", L"a@com.com"},  // the design text, never clicked away, is a message
  };
  std::unique_ptr<SmtpPeer> server(start_mail_server());
  int mails = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.contact));
    fill_in(c.message, c.contact);
    if (mails == 0) {
      RedrawWindow(program_->main_window(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      EXPECT_TRUE(test_support::take_screenshot(screenshot_path("feedback_page_filled_in")));
    }
    press_submit();
    HWND box = wait_for_box(L"信息：", 15000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box_text(box), L"发送成功！");
    ++mails;
    EXPECT_TRUE(server->has_mail(mails)) << "success shown before the server had the mail";
    if (mails == 1) {
      EXPECT_TRUE(test_support::take_screenshot(screenshot_path("feedback_sent")));
    }
    ASSERT_TRUE(close_box(box));

    const auto mail = server->mail(mails);
    ASSERT_FALSE(mail.empty());
    EXPECT_EQ(mail.at("subject"), u8"墨桥·窗口汉化反馈邮件");
    EXPECT_EQ(mail.at("body"),
              u8"联系邮箱：" + utf8(c.contact) + "\r\n\r\n" + utf8(c.message));
    EXPECT_EQ(mail.at("from"), moqiao::build::kMailFrom);
    EXPECT_EQ(mail.at("to"), moqiao::build::kMailTo);
    EXPECT_EQ(mail.at("reply_to"), moqiao::build::kMailFrom);
    EXPECT_EQ(mail.at("envelope"),
              std::string(moqiao::build::kMailFrom) + "\n" + moqiao::build::kMailTo + "\n");
    EXPECT_EQ(mail.at("defects"), "");
    // The boxes keep what was typed.
    EXPECT_EQ(probe::window_text(message_box_), c.message);
    EXPECT_EQ(probe::window_text(contact_box_), c.contact);
  }
  EXPECT_EQ(server->auth_log(), "LOGIN ok\nLOGIN ok\n");  // a new login for every mail
  EXPECT_FALSE(server->has_mail(mails + 1));
}

// A server that takes 3 s to answer the end of the mail (longer than any
// other reply may take) has the mail: success shows, once, and the mail is
// not sent again.
TEST_F(FeedbackTest, SlowAcceptanceOfTheMailIsReportedAsSuccessOnce) {
  std::unique_ptr<SmtpPeer> server(start_mail_server(moqiao::build::kSmtpPassword, false, 3000));
  fill_in(L"检查得很仔细的服务器", L"someone@example.com");
  const auto pressed = std::chrono::steady_clock::now();
  press_submit();
  HWND box = wait_for_box(L"信息：", 20000);
  ASSERT_NE(box, nullptr) << "first box: " << utf8(open_boxes().empty()
                                                        ? L""
                                                        : box_text(open_boxes().front()));
  EXPECT_GE(ms_since(pressed), 3000);
  EXPECT_EQ(box_text(box), L"发送成功！");
  EXPECT_EQ(open_boxes().size(), 1u);
  EXPECT_TRUE(server->has_mail(1));
  ASSERT_TRUE(close_box(box));
  EXPECT_FALSE(wait_until([] { return !open_boxes().empty(); }, 1000));
  EXPECT_FALSE(server->has_mail(2));
}

// Whatever fails (no server, a refused login, a refused mail, a server that
// never answers), the user reads "发送失败！" under "重试", never success;
// and a silent server holds the window only for the reply time-outs.
TEST_F(FeedbackTest, EveryFailedDeliveryShowsSendFailed) {
  enum class Server { kStopped, kWrongPassword, kRefusesMail, kSilent };
  const struct {
    const char* name;
    Server server;
    const char* auth_log;
  } cases[] = {
      {"stopped", Server::kStopped, nullptr},
      {"login refused", Server::kWrongPassword, "LOGIN refused\n"},
      {"mail refused", Server::kRefusesMail, "LOGIN ok\n"},
      {"silent", Server::kSilent, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<SmtpPeer> peer;
    std::unique_ptr<SilentServer> silent;
    switch (c.server) {
      case Server::kStopped:
        peer.reset(start_mail_server());
        peer->stop();
        ASSERT_FALSE(test_support::wait_for_port(moqiao::build::kSmtpPort, 200));
        break;
      case Server::kWrongPassword:
        peer.reset(start_mail_server("NOTTHEPASSWORD12"));
        break;
      case Server::kRefusesMail:
        peer.reset(start_mail_server(moqiao::build::kSmtpPassword, true));
        break;
      case Server::kSilent:
        silent = std::make_unique<SilentServer>(moqiao::build::kSmtpPort);
        ASSERT_TRUE(silent->listening());
        break;
    }
    fill_in(L"这封信寄不出去", L"someone@example.com");
    const auto pressed = std::chrono::steady_clock::now();
    press_submit();
    HWND box = wait_for_box(L"重试", 15000);
    ASSERT_NE(box, nullptr) << "first box: " << utf8(open_boxes().empty()
                                                          ? L""
                                                          : box_text(open_boxes().front()));
    // Greeting and QUIT each wait 2 s for a server that never answers.
    EXPECT_LE(ms_since(pressed), 2 * 2000 + 2000);
    EXPECT_EQ(box_text(box), L"发送失败！");
    EXPECT_EQ(open_boxes().size(), 1u);
    ASSERT_TRUE(close_box(box));
    if (peer) {
      if (c.auth_log) {
        EXPECT_EQ(peer->auth_log(), c.auth_log);
      }
      EXPECT_FALSE(peer->has_mail(1));
    }
  }
}

// A real click in either box clears it, design text or typed text alike;
// a real click on the button submits.
TEST_F(FeedbackTest, RealClicksClearTheBoxesAndSubmit) {
  for (HWND box : {message_box_, contact_box_}) {
    int x = 10;
    for (const wchar_t* text : {L"意见反馈", L"typed@example.com"}) {
      SCOPED_TRACE(utf8(text) + (box == message_box_ ? " in the message box" : " in the address box"));
      probe::set_window_text(box, text);
      ASSERT_EQ(probe::window_text(box), text);
      // Each click elsewhere, so that two are never taken for a double click.
      ASSERT_TRUE(real_click(box, x, 10));
      x += 40;
      EXPECT_TRUE(wait_until([box] { return probe::window_text(box).empty(); }, 5000));
    }
  }
  // Both boxes are empty now: the button asks for the message.
  ASSERT_TRUE(real_click(submit_button_, 20, 12));
  HWND notice = wait_for_box(L"友情提醒", 10000);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(box_text(notice), L"请输入您的宝贵意见");
  EXPECT_TRUE(wait_until([notice] { return !IsWindow(notice); }, 12000));
}

}  // namespace
