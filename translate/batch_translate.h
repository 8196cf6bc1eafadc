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
  int requests = 0;      // requests sent, retries and splits included
  int rate_limited = 0;  // answers with error 54003
  int retries = 0;       // requests sent again after 54003, 54005, 52001,
                         // 52002 or no answer
  int fallbacks = 0;     // queries whose answer did not match the lines
                         // sent, so that they were sent again in halves
  int untranslated = 0;  // texts with something to send that got no
                         // translation
  // Why the last of those failed, for the user (GBK): the message for the
  // service's error code, or that no answer (or no fitting one) came.
  std::string failure;
};

// Translates each GBK text (may hold line breaks) from the detected language
// into Chinese. result[i] is the translation of texts[i] (GBK, same line
// structure) or "" when none came; a text the service gives back as it was
// (a Chinese one) and a text with nothing to send come back unchanged.
//
// A text's line breaks (CR LF, LF or a lone CR) stay as they were; lines
// that are empty or hold only spaces are kept as they are and not sent.
// Identical texts are sent once. The service detects one language per
// query, so texts holding CJK characters never share a query with the
// others. Errors cost little:
//  - 54003 (too many requests): sent again after a growing wait, up to
//    three times;
//  - 54005 (long queries too frequent): sent again after 3 s, up to twice;
//  - 52001, 52002 and no answer at all: sent again once;
//  - an answer with another number of results than lines sent: the query
//    is sent again in halves, down to single texts;
//  - any other error: "" for the texts of that request.
// stop_requested is asked before every request and while waiting; once it
// says true nothing more is sent and the texts not yet translated give "".
std::vector<std::string> translate_batch(const std::vector<std::string>& texts,
                                         BatchReport* report = nullptr,
                                         const std::function<bool()>& stop_requested = {});

// One line for the user about texts left untranslated, such as
// "3 条未能翻译：访问频率受限，…": the count and what the service said (or that
// it did not answer). Empty when count is 0.
std::string untranslated_note(int count, const BatchReport& report);

}  // namespace translate
