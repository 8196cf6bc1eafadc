#pragma once
// The account and host every request to the translation service uses. It
// starts as the build's constants; the settings may replace it while the
// program runs. Safe to read and replace from several threads: a request
// takes one copy and signs with it, so it never mixes two accounts.
#include <string>

namespace translate {

struct ServiceAccount {
  std::string host;        // host[:port] of the service
  std::string app_id;
  std::string secret_key;
  double requests_per_second = 1;  // what the account's tier accepts
};

// The build's constants.
ServiceAccount built_in_service_account();

// The account in force now (a copy).
ServiceAccount current_service_account();

// Replaces the account in force; requests already sent keep the old one.
void set_service_account(const ServiceAccount& account);

}  // namespace translate
