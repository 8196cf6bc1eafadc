#include "update/smtp_client.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "runtime/bounded_call.h"
#include "runtime/text.h"
#include "update/mail_address.h"
#include "update/mail_format.h"
#include "update/smtp_reply.h"

namespace update {
namespace {

constexpr char kSocketFailed[] = "创建SOCKET网络组件失败!";
constexpr char kConnectFailed[] = "连接指定SMTP邮件服务器“%s”失败!";
constexpr char kLoginFailed[] = "登录指定SMTP邮件服务器“%s”失败!";
constexpr char kSendFailed[] = "发送数据失败!";
constexpr char kReplyTimedOut[] = "接收数据超时!";
constexpr char kNetworkError[] = "网络出错!";
constexpr char kNoCompleteReply[] = "等待SMTP邮件服务器响应失败!";
constexpr char kServerRefused[] = "SMTP邮件服务器返回失败信息!";
constexpr char kNotConnected[] = "未连接到SMTP服务器!";
constexpr char kNoRecipient[] = "未指定发送地址!";
constexpr char kHeaderFailed[] = "发送邮件头失败!";
constexpr char kBodyFailed[] = "发送邮件内容失败!";
constexpr char kBadRecipient[] = "目的邮件地址格式错误!";
constexpr char kBadSender[] = "发信人邮件地址格式错误!";
constexpr char kBadReplyTo[] = "回复邮件地址格式错误!";

constexpr int kPollStepMs = 250;
constexpr int kDataReplyTimeoutMs = 30000;
constexpr int kResolveTimeoutMs = 5000;
constexpr size_t kMaxHostName = 100;

using Clock = std::chrono::steady_clock;

std::string with_server(const char* text, const std::string& server) {
  return runtime::replace(text, "%s", server);
}

bool has_word(std::string_view words, std::string_view word) {
  for (const std::string& piece : runtime::split(words, " ")) {
    if (runtime::to_upper_ascii(piece) == word) return true;
  }
  return false;
}

std::string local_host_name() {
  char name[kMaxHostName + 1] = {};
  if (gethostname(name, static_cast<int>(kMaxHostName)) != 0 || name[0] == '\0') {
    return "localhost";
  }
  return name;
}

// The first IPv4 address a host-name lookup gives, or nullopt. The lookup
// runs on a thread of its own, holding its own copy of the name and its own
// Winsock reference, so that a name server that never answers holds the
// caller only kResolveTimeoutMs.
std::optional<in_addr> look_up_ipv4(const std::string& server) {
  const auto found = runtime::call_within(
      std::chrono::milliseconds(kResolveTimeoutMs), [server]() -> std::optional<in_addr> {
        WinsockSession winsock;
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* list = nullptr;
        if (!winsock.started() || getaddrinfo(server.c_str(), nullptr, &hints, &list) != 0 ||
            list == nullptr) {
          return std::nullopt;
        }
        const in_addr address = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr;
        freeaddrinfo(list);
        return address;
      });
  return found ? *found : std::nullopt;
}

// The server as a dotted IPv4 address, or else the first IPv4 address a
// host-name lookup gives.
bool resolve_ipv4(const std::string& server, int port, sockaddr_in* address) {
  if (port <= 0 || port > 65535) return false;
  *address = sockaddr_in{};
  address->sin_family = AF_INET;
  address->sin_port = htons(static_cast<u_short>(port));
  if (inet_pton(AF_INET, server.c_str(), &address->sin_addr) == 1) return true;
  const std::optional<in_addr> found = look_up_ipv4(server);
  if (!found) return false;
  address->sin_addr = *found;
  return true;
}

// Connects, waiting at most timeout_ms for the server to take the
// connection: a host that never answers would otherwise hold the caller for
// the system's own connect time-out (20 s and more).
bool connect_within(SOCKET socket, const sockaddr_in& address, int timeout_ms) {
  u_long non_blocking = 1;
  if (ioctlsocket(socket, FIONBIO, &non_blocking) != 0) return false;
  bool connected =
      connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval limit{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    int error = 0;
    int error_size = sizeof error;
    connected = select(0, nullptr, &writable, &failed, &limit) > 0 &&
                FD_ISSET(socket, &writable) && !FD_ISSET(socket, &failed) &&
                getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                           &error_size) == 0 &&
                error == 0;
  }
  u_long blocking = 0;
  return ioctlsocket(socket, FIONBIO, &blocking) == 0 && connected;
}

}  // namespace

// The addresses of one mail, parsed and checked before the server sees any.
struct MailEnvelope {
  MailAddress sender;
  MailAddress reply_to;
  std::vector<MailAddress> to;
  std::vector<MailAddress> cc;
  std::vector<MailAddress> bcc;
};

bool SmtpClient::read_reply(int expected_code) { return read_reply(expected_code, reply_timeout_ms_); }

bool SmtpClient::read_reply(int expected_code, int timeout_ms) {
  last_code_ = -1;
  reply_keywords_.clear();
  reply_params_.clear();
  error_text_.clear();

  // The whole reply must arrive within the time-out, counted from here: a
  // server that drips a byte now and then cannot hold the caller longer.
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  SmtpReplyReader reader;
  const char* failure = nullptr;
  std::vector<char> buffer(4096);
  while (reader.state() == SmtpReplyReader::State::kNeedMore) {
    const auto left_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left_ms < 0) {
      failure = kReplyTimedOut;
      break;
    }
    // Each step waits at most 250 ms for data and ends as soon as some
    // arrives, so a reply is taken at once and the deadline is kept within
    // a step.
    const long step_ms = std::min<long>(kPollStepMs, static_cast<long>(left_ms) + 1);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_.get(), &readable);
    timeval step{0, step_ms * 1000};
    const int ready = select(0, &readable, nullptr, nullptr, &step);
    if (ready == SOCKET_ERROR) {
      failure = kNetworkError;
      break;
    }
    if (ready == 0) continue;
    const int count = recv(socket_.get(), buffer.data(), static_cast<int>(buffer.size()), 0);
    if (count <= 0) {  // an error, or the server closed the connection
      failure = kNetworkError;
      break;
    }
    reader.feed(std::string_view(buffer.data(), static_cast<size_t>(count)));
  }

  const bool complete = reader.state() == SmtpReplyReader::State::kComplete;
  if (reader.state() == SmtpReplyReader::State::kTooLong) failure = kNoCompleteReply;
  if (complete) {
    last_code_ = reader.code();
    for (const SmtpReplyLine& line : reader.lines()) {
      reply_keywords_.append(line.keyword);
      reply_params_.append(line.params);
    }
  }
  if (!reply_keywords_.empty()) {
    const int last = reply_keywords_.count();
    error_text_ = reply_keywords_[last];
    if (!reply_params_[last].empty()) error_text_ += " " + reply_params_[last];
  } else if (failure != nullptr) {
    error_text_ = failure;
  }

  if (complete && last_code_ == expected_code) {
    error_text_.clear();
    return true;
  }
  if (error_text_.empty()) error_text_ = complete ? kServerRefused : kNoCompleteReply;
  return false;
}

bool SmtpClient::send_bytes(const std::string& bytes, const char* failure_text) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const int chunk = static_cast<int>(std::min<size_t>(bytes.size() - sent, 1 << 20));
    const int count = send(socket_.get(), bytes.data() + sent, chunk, 0);
    if (count == SOCKET_ERROR || count <= 0) {
      error_text_ = failure_text;
      return false;
    }
    sent += static_cast<size_t>(count);
  }
  return true;
}

bool SmtpClient::send_command(const std::string& command) {
  return send_bytes(command, kSendFailed);
}

void SmtpClient::close_keeping_error() {
  const int code = last_code_;
  const std::string text = error_text_;
  smtp_close();
  last_code_ = code;
  error_text_ = text;
}

bool SmtpClient::smtp_connect(const std::string& server, int port, const std::string& user,
                              const std::string& password, int timeout_ms) {
  if (connected_) smtp_close();
  socket_.reset();
  last_code_ = -1;
  reply_keywords_.clear();
  reply_params_.clear();
  error_text_.clear();
  if (server.empty()) {
    error_text_ = with_server(kConnectFailed, server);
    return false;
  }
  reply_timeout_ms_ = timeout_ms > 0 ? timeout_ms : 1;

  Socket socket_owner(winsock_.started() ? socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)
                                         : INVALID_SOCKET);
  if (!socket_owner) {
    error_text_ = kSocketFailed;
    return false;
  }
  int no_buffer = 0;
  setsockopt(socket_owner.get(), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&no_buffer),
             sizeof no_buffer);
  // A server that stops reading must not hold a send for longer than a reply.
  const DWORD send_timeout_ms = static_cast<DWORD>(reply_timeout_ms_);
  setsockopt(socket_owner.get(), SOL_SOCKET, SO_SNDTIMEO,
             reinterpret_cast<const char*>(&send_timeout_ms), sizeof send_timeout_ms);
  sockaddr_in address{};
  if (!resolve_ipv4(server, port, &address) ||
      !connect_within(socket_owner.get(), address, reply_timeout_ms_)) {
    error_text_ = with_server(kConnectFailed, server);
    return false;
  }
  socket_ = std::move(socket_owner);
  connected_ = true;
  if (!read_reply(220)) {
    close_keeping_error();
    return false;
  }

  const std::string local_name = local_host_name();
  if (!user.empty() && !password.empty()) {
    switch (log_in(local_name, user, password)) {
      case Login::kLoggedIn:
      case Login::kNotOffered:
        error_text_.clear();
        return true;
      case Login::kFailed:
        error_text_ = with_server(kLoginFailed, server);
        close_keeping_error();
        return false;
      case Login::kEhloRefused:
        break;  // greet with HELO, as without user and password
    }
  }
  if (send_command("HELO " + local_name + "\r\n") && read_reply(250)) return true;
  close_keeping_error();
  return false;
}

SmtpClient::Login SmtpClient::log_in(const std::string& local_name, const std::string& user,
                                     const std::string& password) {
  if (!send_command("EHLO " + local_name + "\r\n")) return Login::kFailed;
  if (!read_reply(250)) return Login::kEhloRefused;

  std::string mechanisms;
  bool login_offered = false;
  bool auth_found = false;
  for (int i = 1; i <= reply_keywords_.count() && !auth_found; ++i) {
    if (runtime::to_upper_ascii(reply_keywords_[i]) == "AUTH") {
      mechanisms = reply_params_[i];
      auth_found = true;
    }
  }
  for (int i = 1; i <= reply_keywords_.count() && !auth_found; ++i) {
    if (runtime::to_upper_ascii(reply_keywords_[i]) == "AUTH=LOGIN") {
      login_offered = true;
      auth_found = true;
    }
  }
  if (!auth_found) return Login::kNotOffered;
  login_offered = login_offered || has_word(mechanisms, "LOGIN");

  if (login_offered) {
    const bool done = send_command("AUTH LOGIN\r\n") && read_reply(334) &&
                      send_command(base64_encode(user) + "\r\n") && read_reply(334) &&
                      send_command(base64_encode(password) + "\r\n") && read_reply(235);
    return done ? Login::kLoggedIn : Login::kFailed;
  }
  if (has_word(mechanisms, "PLAIN")) {
    const std::string credentials = std::string(1, '\0') + user + '\0' + password;
    const bool done = send_command("AUTH PLAIN\r\n") && read_reply(334) &&
                      send_command(base64_encode(credentials) + "\r\n") && read_reply(235);
    return done ? Login::kLoggedIn : Login::kFailed;
  }
  return Login::kNotOffered;
}

bool SmtpClient::smtp_close() {
  bool acknowledged = false;
  if (connected_) {
    acknowledged = send_command("QUIT\r\n") && read_reply(221);
    connected_ = false;
  }
  socket_.reset();
  return acknowledged;
}

std::string SmtpClient::smtp_send(const std::string& subject, const std::string& body,
                                  const std::string& to, const std::string& cc,
                                  const std::string& bcc, const std::string& sender) {
  return smtp_send(subject, body, to, cc, bcc, sender, sender);
}

std::string SmtpClient::smtp_send(const std::string& subject, const std::string& body,
                                  const std::string& to, const std::string& cc,
                                  const std::string& bcc, const std::string& sender,
                                  const std::string& reply_to) {
  if (!connected_) {
    error_text_ = kNotConnected;
    return error_text_;
  }
  MailEnvelope envelope;
  if (!parse_mail_address_list(to, &envelope.to) || !parse_mail_address_list(cc, &envelope.cc) ||
      !parse_mail_address_list(bcc, &envelope.bcc)) {
    error_text_ = kBadRecipient;
    return error_text_;
  }
  if (!parse_mail_address(sender, &envelope.sender)) {
    error_text_ = kBadSender;
    return error_text_;
  }
  if (!reply_to.empty() && !parse_mail_address(reply_to, &envelope.reply_to)) {
    error_text_ = kBadReplyTo;
    return error_text_;
  }
  if (envelope.to.empty() && envelope.cc.empty() && envelope.bcc.empty()) {
    error_text_ = kNoRecipient;
    return error_text_;
  }

  if (run_transaction(subject, body, envelope)) {
    error_text_.clear();
    return "";
  }
  // Reset the server's transaction so the connection can carry the next mail.
  const int code = last_code_;
  const std::string text = error_text_;
  if (send_command("RSET\r\n")) read_reply(0);
  last_code_ = code;
  error_text_ = text;
  return error_text_;
}

// Addresses have been checked (no CR, LF or angle brackets can reach a
// command line), header texts lose their line breaks, and the body is base64:
// nothing the caller passes can end the DATA early or add a command or header.
bool SmtpClient::run_transaction(const std::string& subject, const std::string& body,
                                 const MailEnvelope& envelope) {
  if (!send_command("MAIL FROM:<" + envelope.sender.address + ">\r\n") || !read_reply(250)) {
    return false;
  }
  for (const auto* list : {&envelope.to, &envelope.cc, &envelope.bcc}) {
    for (const MailAddress& recipient : *list) {
      if (!send_command("RCPT TO:<" + recipient.address + ">\r\n") || !read_reply(250)) {
        return false;
      }
    }
  }
  if (!send_command("DATA\r\n") || !read_reply(354)) return false;

  MailHeader header;
  header.from = envelope.sender;
  header.to = envelope.to;
  header.cc = envelope.cc;
  header.subject = subject;
  header.date = mail_date_now();
  header.reply_to = envelope.reply_to;
  header.charset = body_charset(body);
  if (!send_bytes(header_block(header), kHeaderFailed)) return false;
  if (!send_bytes(base64_body(body), kBodyFailed)) return false;
  // A server may check the whole mail before it answers the end of the
  // data; giving up early would report a delivered mail as failed.
  return send_command("\r\n.\r\n") &&
         read_reply(250, std::max(kDataReplyTimeoutMs, reply_timeout_ms_));
}

}  // namespace update
