#include "translate/manual_translate.h"

#include "translate/service_account.h"
#include "translate/service_pacer.h"
#include "translate/service_post.h"
#include "translate/signing.h"

namespace translate {
namespace {

constexpr int kSaltDigits = 10;

}  // namespace

ManualAnswer manual_translate(const ManualRequest& request, const std::string& host_and_port,
                              const std::function<bool()>& stop_requested) {
  // The page takes its turn with the harvests' requests; sent at once it
  // would only earn a 54003.
  if (!service_pacer().acquire(stop_requested)) return {};
  const std::string body = manual_request_body(request, random_digits(kSaltDigits));
  return read_manual_answer(service_post(host_and_port, body));
}

ManualAnswer manual_translate(const ManualRequest& request) {
  return manual_translate(request, current_service_account().host);
}

}  // namespace translate
