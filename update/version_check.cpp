#include "update/version_check.h"

#include "update/server_accounts.h"
#include "net/http_request.h"
#include "runtime/text.h"

namespace update {

std::string version_page_url() {
  return "http://" + current_update_host() + "/jiaoben/update/deverira.html";
}

std::string fetch_page(const std::string& url) {
  return runtime::text_from_bytes(net::http_request(url));
}

}  // namespace update
