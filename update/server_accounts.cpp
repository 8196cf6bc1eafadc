#include "update/server_accounts.h"

#include <mutex>

#include "build_constants.h"

namespace update {
namespace {

// Never destroyed: threads still running while the process ends may read them.
struct InForce {
  std::mutex mutex;
  std::string update_host = built_in_update_host();
  MailAccount mail = built_in_mail_account();
};

InForce& in_force() {
  static InForce* const values = new InForce;
  return *values;
}

}  // namespace

std::string built_in_update_host() { return moqiao::build::kUpdateHost; }

MailAccount built_in_mail_account() {
  using namespace moqiao::build;
  return MailAccount{kSmtpHost, kSmtpPort, kSmtpUser, kSmtpPassword, kMailFrom, kMailTo};
}

std::string current_update_host() {
  std::lock_guard<std::mutex> lock(in_force().mutex);
  return in_force().update_host;
}

MailAccount current_mail_account() {
  std::lock_guard<std::mutex> lock(in_force().mutex);
  return in_force().mail;
}

void set_update_host(const std::string& host_and_port) {
  std::lock_guard<std::mutex> lock(in_force().mutex);
  in_force().update_host = host_and_port;
}

void set_mail_account(const MailAccount& account) {
  std::lock_guard<std::mutex> lock(in_force().mutex);
  in_force().mail = account;
}

}  // namespace update
