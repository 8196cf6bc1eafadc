#pragma once
// The signed form POST to the translation service, as the plain translator
// page sends it, without waiting for the pacer: callers take a slot from
// service_pacer() first.
#include <string>

namespace translate {

// Posts the form body to the service's translate path at host_and_port
// ("host" or "host:port") with the page's browser user agent, through the
// system's proxy settings as the quick GET goes, and returns
// the answer as text (escapes as they came), empty when none came.
std::string service_post(const std::string& host_and_port, const std::string& form_body);

}  // namespace translate
