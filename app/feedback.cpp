#include "app/feedback.h"

#include <string>

#include "app/button_request.h"
#include "app/state.h"
#include "app/timed_notice.h"
#include "runtime/system.h"
#include "update/address_pattern.h"
#include "update/server_accounts.h"
#include "update/smtp_client.h"

namespace app {
namespace {

constexpr char kSubmitButton[] = "按钮1_提交";
constexpr char kSubject[] = "墨桥·窗口汉化反馈邮件";

// The contact address on the first line, so that the maker can answer,
// then an empty line and the message as typed.
std::string feedback_mail_body(const std::string& contact, const std::string& message) {
  return "联系邮箱：" + contact + "\r\n\r\n" + message;
}

// Connects, logs in and sends one mail; true only when the server accepted
// it. The connection is closed with QUIT at once rather than kept until the
// next submission.
bool mail_to_maker(const std::string& body) {
  const update::MailAccount account = update::current_mail_account();
  update::SmtpClient client;
  if (!client.smtp_connect(account.host, account.port, account.user, account.password)) {
    return false;
  }
  const bool accepted =
      client.smtp_send(kSubject, body, account.to, "", "", account.from).empty();
  client.smtp_close();
  return accepted;
}

}  // namespace

void submit_feedback(toolkit::Form& form) {
  update::AddressPattern fallback;  // only when the program-wide one is missing
  update::AddressPattern* pattern = state().mail_address_pattern.get();
  if (!pattern) pattern = &fallback;
  pattern->compile(update::kMailAddressPattern);

  const std::string message = form.edit_box("留言编辑框").text();
  if (message.empty()) {
    show_timed_notice("请输入您的宝贵意见");
    return;
  }
  const std::string contact = form.edit_box("编辑框1_客户邮箱").text();
  if (contact.empty()) {
    show_timed_notice("请留下您的宝贵联系方式");
    return;
  }
  if (!pattern->matches_whole(contact)) {
    runtime::message_box("邮箱格式不对");
    return;
  }
  // The mail goes on a worker: a slow server holds the window no longer.
  // Success is reported only once the server has accepted the mail.
  const std::string body = feedback_mail_body(contact, message);
  run_button_request<bool>(
      form, kSubmitButton, [body](const WindowGone&) { return mail_to_maker(body); },
      [](toolkit::Form&, bool& accepted) {
        if (accepted) {
          runtime::message_box("发送成功！");
        } else {
          runtime::message_box("发送失败！", 0, "重试");
        }
      });
}

}  // namespace app
