#pragma once
// The POST of a JSON body to a chat endpoint through WinINet: http or https,
// through the system's proxy settings like the program's other requests,
// with a Bearer key when one is given. Models take their time, so an answer
// may be up to a minute in coming.
#include <string>

namespace translate {

struct ChatHttpAnswer {
  int status = 0;          // 0: no answer (no connection, time-out, cut off)
  std::string body;        // as it came
  int retry_after_s = -1;  // the Retry-After header in seconds; -1: none
  // No answer because the connection broke under the request (a kept-alive
  // connection the server had closed meanwhile, say), not because the
  // server could not be reached or took too long: worth one more try.
  bool dropped = false;
};

// Posts body (UTF-8 JSON) to url ("http://host:port/path" or "https://...").
ChatHttpAnswer chat_post(const std::string& url, const std::string& api_key,
                         const std::string& body);

// The seconds of a Retry-After header value given as seconds; -1 for a
// date or anything else.
int retry_after_seconds(const std::string& raw_headers);

}  // namespace translate
