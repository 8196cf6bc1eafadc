#pragma once
// A real SMTP server (aiosmtpd, tests/update/smtp_peer.py) on a loopback
// port for the life of the object, and the mails it received as a mail
// reader shows them (tests/update/mail_summary.py).
#include <map>
#include <string>

#include "tests/support/test_environment.h"

namespace test_support {

class SmtpPeer {
 public:
  // Offers the given AUTH mechanisms to one user; with refuse_mail it
  // answers every message with 554 and keeps none; otherwise it answers a
  // message data_delay_ms after it kept it.
  SmtpPeer(int port, const std::string& user, const std::string& password,
           const std::string& mechanisms = "LOGIN,PLAIN", bool refuse_mail = false,
           int data_delay_ms = 0);

  // True once the server takes connections (within 15 s).
  bool ready();
  void stop() { process_.stop(); }
  int port() const { return port_; }

  // One line "<mechanism> <ok|refused>" per login attempt.
  std::string auth_log() const;

  // Whether the n-th mail (from 1) has been received, without waiting.
  bool has_mail(int n) const;

  // The n-th mail, waiting up to 5 s for it: item name -> UTF-8 text, with
  // the items of mail_summary.py and "envelope" (MAIL FROM, then the
  // recipients, one a line). Empty when it did not arrive.
  std::map<std::string, std::string> mail(int n) const;

 private:
  std::string mail_path(int n, const char* extension) const;

  int port_;
  std::string outdir_;
  UnixProcess process_;
};

}  // namespace test_support
