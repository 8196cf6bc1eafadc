#include "update/version_check.h"

#include "update/server_accounts.h"
#include "net/http_request.h"
#include "runtime/text.h"
#include "translate/encodings.h"

namespace update {

std::string version_page_url() {
  return "http://" + current_update_host() + "/jiaoben/update/deverira.html";
}

std::string fetch_page(const std::string& url) {
  return runtime::text_from_bytes(net::http_request(url));
}

float parse_server_version(std::string_view page_text) {
  const std::string number = translate::text_between(page_text, "版本号:", "|");
  return static_cast<float>(runtime::text_to_double(number));
}

}  // namespace update
