#pragma once
// The harvest's translation: many texts of a foreign window into Chinese
// with as few requests as the service allows. The texts' lines travel
// together in signed form POSTs (the service answers one result per
// non-empty line of a query), each query at most 6000 bytes of UTF-8, every
// request paced by service_pacer().
#include <functional>
#include <string>
#include <vector>

namespace translate {

struct BatchReport {
  int requests = 0;      // requests sent, retries and fallbacks included
  int rate_limited = 0;  // answers with error 54003
  int retries = 0;       // requests sent again after 54003, 52001 or 52002
  int fallbacks = 0;     // requests whose answer did not match the lines sent,
                         // so that their texts were sent again one by one
};

// Translates each GBK text (may hold line breaks) from the detected language
// into Chinese. result[i] is the translation of texts[i] (GBK, same line
// structure) or "" when none came.
//
// A text's line breaks (CR LF, LF or a lone CR) stay as they were; lines
// that are empty or hold only spaces are kept as they are and not sent. A
// text with nothing to send gives "". Identical texts are sent once; texts
// holding two-byte characters never share a query with plain ASCII ones,
// since the service detects one language per query. A 54003
// answer is sent again after a growing wait (up to three times), 52001 and
// 52002 once; any other error, or no answer, gives "" for the texts of that
// request. stop_requested is asked before every request and while waiting;
// once it says true nothing more is sent and the texts not yet translated
// give "".
std::vector<std::string> translate_batch(const std::vector<std::string>& texts,
                                         BatchReport* report = nullptr,
                                         const std::function<bool()>& stop_requested = {});

}  // namespace translate
