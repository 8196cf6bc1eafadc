#include "translate/manual_translate.h"

#include "translate/service_account.h"
#include "net/http_request.h"
#include "runtime/text.h"
#include "translate/signing.h"

namespace translate {
namespace {

constexpr char kTranslatePath[] = "/api/trans/vip/translate";
constexpr char kBrowserUserAgent[] =
    "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/50.0.2661.87 Safari/537.36";
constexpr int kSaltDigits = 10;

}  // namespace

ManualAnswer manual_translate(const ManualRequest& request, const std::string& host_and_port) {
  net::HttpRequest post("http://" + host_and_port + kTranslatePath);
  post.method = net::kPost;
  post.post_text = manual_request_body(request, random_digits(kSaltDigits));
  post.headers = kBrowserUserAgent;
  // The service writes every non-ASCII character of its JSON as a "\u"
  // escape, so the body is taken as it is, without a character-set step.
  return read_manual_answer(runtime::text_from_bytes(net::http_request(post)));
}

ManualAnswer manual_translate(const ManualRequest& request) {
  return manual_translate(request, current_service_account().host);
}

}  // namespace translate
