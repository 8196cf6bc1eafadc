#pragma once
// The update server and the feedback mail account every request uses. They
// start as the build's constants; the settings may replace them while the
// program runs. Safe to read and replace from several threads: a caller
// takes one copy and uses it throughout, so it never mixes two accounts.
#include <string>

namespace update {

struct MailAccount {
  std::string host;
  int port = 25;
  std::string user;
  std::string password;
  std::string from;  // sender and reply-to address
  std::string to;    // the maker's feedback mailbox
};

// The build's constants.
std::string built_in_update_host();
MailAccount built_in_mail_account();

// The values in force now (copies).
std::string current_update_host();
MailAccount current_mail_account();

// Replace the values in force; transfers already running keep the old ones.
void set_update_host(const std::string& host_and_port);
void set_mail_account(const MailAccount& account);

}  // namespace update
