#include "translate/service_account.h"

#include <mutex>

#include "build_constants.h"

namespace translate {
namespace {

std::mutex& account_mutex() {
  static std::mutex* const mutex = new std::mutex;  // never destroyed: used by late threads
  return *mutex;
}

ServiceAccount& account_in_force() {
  static ServiceAccount* const account = new ServiceAccount(built_in_service_account());
  return *account;
}

}  // namespace

ServiceAccount built_in_service_account() {
  ServiceAccount account;
  account.host = moqiao::build::kTranslateHost;
  account.app_id = moqiao::build::kAppId;
  account.secret_key = moqiao::build::kSecretKey;
  account.requests_per_second = moqiao::build::kServiceQps;
  return account;
}

ServiceAccount current_service_account() {
  std::lock_guard<std::mutex> lock(account_mutex());
  return account_in_force();
}

void set_service_account(const ServiceAccount& account) {
  std::lock_guard<std::mutex> lock(account_mutex());
  account_in_force() = account;
}

}  // namespace translate
