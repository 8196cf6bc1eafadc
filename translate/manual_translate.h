#pragma once
// The plain translator: a text typed by the user, between two languages of
// the user's choice, sent to the translation service as a signed form POST.
// The answer holds one translation per line of the text, or an error code
// that is explained to the user.
#include <functional>
#include <string>
#include <vector>

namespace translate {

struct ManualRequest {
  std::string text;  // GBK, as typed; may hold several lines
  std::string from;  // service language codes (language_code); an empty
  std::string to;    // one is sent empty and the service decides
  std::string app_id;
  std::string secret_key;
};

struct ManualAnswer {
  enum class Kind {
    kNothing,  // no answer, or one that is no JSON: nothing is shown
    kResults,  // lines holds the translations in the answer's order
    kError,    // the service refused: error_code and its message
  };
  Kind kind = Kind::kNothing;
  std::vector<std::string> lines;  // GBK
  // The number of entries the answer's trans_result really holds. lines is
  // counted as the page counts it, from the "},{" between entries, so a
  // translation holding "},{" adds empty lines at its end; the first
  // result_count lines are the entries themselves.
  int result_count = 0;
  std::string error_code;
  std::string message;  // GBK, error_message(error_code)
};

// The form body: q, from, to, appid, salt and sign, in that order. q is the
// text's UTF-8 form, raw except for "&", "=", "+" and "%", which form
// decoding would misread and which are therefore percent-encoded. sign is
// computed over the raw UTF-8 text.
std::string manual_request_body(const ManualRequest& request, const std::string& salt);

// Reads the service's answer (the body as text, escapes as they came).
ManualAnswer read_manual_answer(const std::string& answer);

// Sends the request, with a fresh salt, to the translation service at
// host_and_port ("host" or "host:port") and reads its answer. Waits for a
// slot of the service pacer first, then blocks until the whole answer has
// been read. A caller that may lose interest (its window closed) passes
// stop_requested: once it says true during the wait for a slot, nothing is
// sent and the answer is kNothing.
ManualAnswer manual_translate(const ManualRequest& request, const std::string& host_and_port,
                              const std::function<bool()>& stop_requested = {});

// The same, to the program's own translation service.
ManualAnswer manual_translate(const ManualRequest& request);

}  // namespace translate
