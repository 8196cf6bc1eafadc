#pragma once
// Translation by a chat model behind an OpenAI-compatible endpoint. Texts go
// in batches (at most 40 texts or 2,000 characters) as a JSON array; every
// request is paced by chat_pacer(). An answer that is not an array of
// strings of the right length is taken as the model losing its place: the
// batch is sent again in halves, down to single texts, and a text with no
// usable answer keeps "" (its original stays). 429 is waited out (its
// Retry-After, at most 30 s) up to three times, a 5xx sent once more, and a
// 401 or 403 ends the call: every later request would be refused the same.
#include <functional>
#include <string>
#include <vector>

#include "translate/batch_translate.h"
#include "translate/chat_account.h"

namespace translate {

struct ChatReport {
  int requests = 0;      // retries and halves included
  int rate_limited = 0;  // 429 answers
  int retries = 0;       // requests sent again after 429 or 5xx
  int splits = 0;        // batches sent again in halves
  bool refused = false;  // 401 or 403
  std::string refusal;   // GBK: what the endpoint said when it refused
  std::string error;     // GBK: what it said about the last other failure
                         // ("model not found", ...), when it said anything
};

// Translates GBK texts from one language code ("auto" allowed) into another
// through the given account's endpoint. result[i] is the translation of
// texts[i] in GBK, "" when none came; texts of spaces only are not sent.
// Identical texts are sent once. stop_requested is asked before every
// request and while waiting; once it says true nothing more is sent.
std::vector<std::string> chat_translate(const std::vector<std::string>& texts,
                                        const std::string& from, const std::string& to,
                                        const ChatAccount& account, ChatReport* report = nullptr,
                                        const std::function<bool()>& stop_requested = {});

// The harvest's call, in the shape of translate_batch: into Chinese with
// the account in force. A refusal is passed to the refusal sink, once per
// call.
std::vector<std::string> chat_translate_batch(const std::vector<std::string>& texts,
                                              BatchReport* report = nullptr,
                                              const std::function<bool()>& stop_requested = {});

// Receives the message of a refused harvest (GBK), on the harvest's thread.
using ChatRefusalSink = std::function<void(const std::string& message)>;
void set_chat_refusal_sink(ChatRefusalSink sink);

// The message shown for a refusal: the endpoint's own words when it gave any.
std::string chat_refusal_message(const ChatReport& report);

// The crosshair preview's call, which must never wait: a text the program's
// memory holds comes from there; otherwise, when the pacer has a slot free
// at once and no preview request is under way, the text is sent on a thread
// of its own and its translation is kept among the recent previews (never in
// the memory: a preview is no harvest), where a later tick finds it.
// Returns "" until then.
std::string remembered_chat_preview(const std::string& gbk_text);

}  // namespace translate
