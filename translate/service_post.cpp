#include "translate/service_post.h"

#include "net/http_request.h"
#include "runtime/text.h"

namespace translate {
namespace {

constexpr char kTranslatePath[] = "/api/trans/vip/translate";
constexpr char kBrowserUserAgent[] =
    "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/50.0.2661.87 Safari/537.36";

}  // namespace

std::string service_post(const std::string& host_and_port, const std::string& form_body) {
  net::HttpRequest post("http://" + host_and_port + kTranslatePath);
  post.method = net::kPost;
  post.post_text = form_body;
  post.headers = kBrowserUserAgent;
  // The same way out as the quick GET takes: behind a mandatory proxy a
  // direct connection would fail.
  post.system_proxy = true;
  // The service writes every non-ASCII character of its JSON as a "\u"
  // escape, so the body is taken as it is, without a character-set step.
  return runtime::text_from_bytes(net::http_request(post));
}

}  // namespace translate
