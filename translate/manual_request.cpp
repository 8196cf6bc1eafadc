// The form body of a manual translation request.
#include "runtime/text.h"
#include "translate/encodings.h"
#include "translate/manual_translate.h"
#include "translate/signing.h"

namespace translate {
namespace {

// The query travels as raw UTF-8, but a form decoder reads "&" and "=" as
// separators, "+" as a space and "%" as the start of an escape: typed as
// they are, "Tom & Jerry" would arrive as "Tom " plus a stray parameter, and
// the service would refuse the signature. Only those four are encoded.
std::string form_value(const std::string& utf8) {
  std::string value;
  value.reserve(utf8.size());
  for (const char c : utf8) {
    switch (c) {
      case '&': value += "%26"; break;
      case '=': value += "%3D"; break;
      case '+': value += "%2B"; break;
      case '%': value += "%25"; break;
      default: value += c;
    }
  }
  return value;
}

}  // namespace

std::string manual_request_body(const ManualRequest& request, const std::string& salt) {
  const std::string query = runtime::text_from_bytes(ansi_to_utf8(request.text));
  // The service checks the signature against the decoded query, so it is
  // computed over the text itself, not its form-encoded copy.
  const std::string sign = request_sign(request.app_id, query, salt, request.secret_key, false);
  std::string body = "q=";
  body.append(form_value(query));
  body.append("&from=").append(request.from);
  body.append("&to=").append(request.to);
  body.append("&appid=").append(request.app_id);
  body.append("&salt=").append(salt);
  body.append("&sign=").append(sign);
  return body;
}

}  // namespace translate
