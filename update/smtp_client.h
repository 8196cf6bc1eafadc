#pragma once
// A small SMTP client: plain SMTP over TCP (no TLS), login with AUTH LOGIN or
// AUTH PLAIN when the server offers them, and single-part text mails whose
// body travels base64-encoded. Texts are GBK; every failure is reported by
// the result and error_text(), never shown.
//
// Calls block: each reply is waited for in steps of 250 ms until it is
// complete or reply_timeout_ms() have passed since the wait began, however
// the server spreads its bytes; the reply to the end of a mail's data is
// given 30 s (or the reply time-out when that is longer), as servers check
// the whole mail before they answer. A reply longer than 64 KiB is a
// failure. Looking up the server's name takes at most 5 s; taking the
// connection and each send are bounded by the reply time-out. So a server
// that never answers, crawls, talks without end or stops reading cannot
// hold the caller.
#include <string>

#include "runtime/array.h"
#include "update/winsock.h"

namespace update {

struct MailEnvelope;

class SmtpClient {
 public:
  SmtpClient() = default;
  SmtpClient(const SmtpClient&) = delete;
  SmtpClient& operator=(const SmtpClient&) = delete;
  // Closes the socket without a QUIT, so that destruction never waits.
  ~SmtpClient() = default;

  // Connects, reads the greeting and logs in (EHLO and AUTH when both user
  // and password are given, else HELO). A previous connection is closed
  // first. A time-out of 0 or less is taken as 1 ms.
  bool smtp_connect(const std::string& server, int port = 25, const std::string& user = "",
                    const std::string& password = "", int timeout_ms = 2000);

  // Sends one mail over the open connection. to, cc and bcc are address
  // lists (see mail_address.h); sender and reply_to single addresses. An
  // empty reply_to gives no Reply-To line; without it, the sender is used.
  // Returns the empty text on success, else the error text. After a failed
  // transaction the server is reset with RSET, so the connection stays usable.
  std::string smtp_send(const std::string& subject, const std::string& body,
                        const std::string& to, const std::string& cc, const std::string& bcc,
                        const std::string& sender, const std::string& reply_to);
  std::string smtp_send(const std::string& subject, const std::string& body,
                        const std::string& to, const std::string& cc, const std::string& bcc,
                        const std::string& sender);

  // Sends QUIT when connected and closes the socket in every case; true
  // when the server acknowledged the QUIT.
  bool smtp_close();

  bool connected() const { return connected_; }
  int reply_timeout_ms() const { return reply_timeout_ms_; }
  // Code of the last reply, -1 when none was read.
  int last_code() const { return last_code_; }
  // One entry per line of the last reply: its first word after the code,
  // and the rest of the line.
  const runtime::Array<std::string>& reply_keywords() const { return reply_keywords_; }
  const runtime::Array<std::string>& reply_params() const { return reply_params_; }
  // The message of the last failure; empty after a success.
  const std::string& error_text() const { return error_text_; }

 private:
  enum class Login { kLoggedIn, kNotOffered, kEhloRefused, kFailed };

  bool read_reply(int expected_code);
  bool read_reply(int expected_code, int timeout_ms);
  bool send_bytes(const std::string& bytes, const char* failure_text);
  bool send_command(const std::string& command);
  Login log_in(const std::string& local_name, const std::string& user,
               const std::string& password);
  bool run_transaction(const std::string& subject, const std::string& body,
                       const MailEnvelope& envelope);
  // Closes after a failure, keeping that failure's code and text.
  void close_keeping_error();

  WinsockSession winsock_;
  Socket socket_;
  bool connected_ = false;
  int reply_timeout_ms_ = 2000;
  int last_code_ = -1;
  runtime::Array<std::string> reply_keywords_;
  runtime::Array<std::string> reply_params_;
  std::string error_text_;
};

}  // namespace update
