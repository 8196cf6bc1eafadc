#include "translate/chat_translate.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <deque>
#include <mutex>
#include <thread>

#include "runtime/codepage.h"
#include "runtime/system.h"
#include "translate/chat_post.h"
#include "translate/chat_request.h"
#include "translate/encodings.h"
#include "translate/translation_memory.h"

namespace translate {
namespace {

using Milliseconds = std::chrono::milliseconds;

// Small enough for a model to answer in reasonable time, and for one lost
// element to cost little.
constexpr size_t kMostTextsPerRequest = 40;
constexpr size_t kMostCharactersPerRequest = 2000;

constexpr int kRateLimitRetries = 3;
constexpr Milliseconds kLongestRetryAfter{30000};
constexpr Milliseconds kFirstRateLimitWait{1000};
constexpr int kServerFaultRetries = 1;
constexpr int kDroppedRetries = 1;
constexpr Milliseconds kStopPollStep{50};

std::mutex& sink_mutex() {
  static std::mutex* const mutex = new std::mutex;
  return *mutex;
}
ChatRefusalSink& refusal_sink() {
  static ChatRefusalSink* const sink = new ChatRefusalSink;
  return *sink;
}

std::string utf8_to_gbk(const std::string& utf8) {
  return runtime::narrow(runtime::to_wide(utf8, CP_UTF8));
}

size_t characters(const std::string& utf8) {
  return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

bool blank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

std::string completions_url(std::string base_url) {
  while (!base_url.empty() && base_url.back() == '/') base_url.pop_back();
  return base_url + "/chat/completions";
}

enum class Sent { kTranslated, kWrongShape, kFailed, kRefused, kStopped };

// Sends batches to one endpoint, with the retries, and counts what it did.
class ChatSender {
 public:
  ChatSender(const ChatAccount& account, const std::string& from, const std::string& to,
             ChatReport& report, const std::function<bool()>& stop_requested, bool slot_taken)
      : account_(account),
        url_(completions_url(account.base_url)),
        prompt_(chat_system_prompt(from, to)),
        report_(report),
        stop_requested_(stop_requested),
        slot_taken_(slot_taken) {}

  // Translates the texts (UTF-8) into translated[i] for every i of indices,
  // splitting the batch where the answer does not fit. False once nothing
  // more may be sent (stopped or refused).
  bool translate(const std::vector<std::string>& texts, const std::vector<size_t>& indices,
                 std::vector<std::string>* translated);

 private:
  Sent send(const std::vector<std::string>& texts, std::vector<std::string>* translations);
  bool stopped() const { return stop_requested_ && stop_requested_(); }
  bool wait(Milliseconds time) const;

  const ChatAccount& account_;
  const std::string url_;
  const std::string prompt_;
  ChatReport& report_;
  const std::function<bool()>& stop_requested_;
  bool slot_taken_;  // the caller took the first request's pacer slot
};

bool ChatSender::wait(Milliseconds time) const {
  const auto end = std::chrono::steady_clock::now() + time;
  for (;;) {
    if (stopped()) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return true;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(end - now, kStopPollStep));
  }
}

Sent ChatSender::send(const std::vector<std::string>& texts, std::vector<std::string>* translations) {
  const std::string body = chat_request_body(account_.model, prompt_, texts);
  int rate_limit_retries = 0;
  int fault_retries = 0;
  int dropped_retries = 0;
  Milliseconds rate_limit_wait = kFirstRateLimitWait;
  for (;;) {
    if (slot_taken_) {
      slot_taken_ = false;
    } else if (!chat_pacer().acquire(stop_requested_)) {
      return Sent::kStopped;
    }
    ++report_.requests;
    const ChatHttpAnswer http = chat_post(url_, account_.api_key, body);
    const ChatReply reply = read_chat_reply(http.status, http.body);
    if (!reply.message.empty()) report_.error = utf8_to_gbk(reply.message);
    switch (reply.kind) {
      case ChatReply::Kind::kContent:
        if (auto found = read_translation_array(reply.content, texts.size())) {
          *translations = std::move(*found);
          return Sent::kTranslated;
        }
        return Sent::kWrongShape;
      case ChatReply::Kind::kRefused:
        report_.refused = true;
        report_.refusal = utf8_to_gbk(reply.message);
        return Sent::kRefused;
      case ChatReply::Kind::kRateLimited: {
        ++report_.rate_limited;
        if (rate_limit_retries == kRateLimitRetries) return Sent::kFailed;
        ++rate_limit_retries;
        // The endpoint's own word on when to come back, within reason;
        // without one, a growing wait.
        const Milliseconds asked = http.retry_after_s >= 0
                                       ? std::min<Milliseconds>(std::chrono::seconds(http.retry_after_s),
                                                                kLongestRetryAfter)
                                       : rate_limit_wait;
        rate_limit_wait *= 2;
        if (!wait(asked)) return Sent::kStopped;
        break;
      }
      case ChatReply::Kind::kServerFault:
        if (fault_retries == kServerFaultRetries) return Sent::kFailed;
        ++fault_retries;
        break;
      case ChatReply::Kind::kFailed:
        if (!http.dropped || dropped_retries == kDroppedRetries) return Sent::kFailed;
        ++dropped_retries;
        break;
    }
    ++report_.retries;
  }
}

bool ChatSender::translate(const std::vector<std::string>& texts, const std::vector<size_t>& indices,
                           std::vector<std::string>* translated) {
  std::vector<std::string> batch;
  for (const size_t i : indices) batch.push_back(texts[i]);
  std::vector<std::string> answers;
  switch (send(batch, &answers)) {
    case Sent::kTranslated:
      for (size_t k = 0; k < indices.size(); ++k) (*translated)[indices[k]] = answers[k];
      return true;
    case Sent::kWrongShape: {
      if (indices.size() == 1) return true;  // this text keeps its original
      ++report_.splits;
      const auto middle = indices.begin() + static_cast<std::ptrdiff_t>(indices.size() / 2);
      return translate(texts, std::vector<size_t>(indices.begin(), middle), translated) &&
             translate(texts, std::vector<size_t>(middle, indices.end()), translated);
    }
    case Sent::kFailed:
      return true;
    case Sent::kRefused:
    case Sent::kStopped:
      break;
  }
  return false;
}

std::vector<std::string> translate_texts(const std::vector<std::string>& texts,
                                         const std::string& from, const std::string& to,
                                         const ChatAccount& account, ChatReport* report,
                                         const std::function<bool()>& stop_requested,
                                         bool slot_taken) {
  // Identical texts go once; texts of spaces only not at all.
  std::vector<std::string> distinct;  // UTF-8
  std::vector<size_t> distinct_of(texts.size(), SIZE_MAX);
  std::map<std::string, size_t> index_of;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (blank(texts[i])) continue;
    const auto found = index_of.emplace(texts[i], distinct.size());
    if (found.second) distinct.push_back(gbk_to_utf8(texts[i]));
    distinct_of[i] = found.first->second;
  }

  ChatReport counts;
  ChatSender sender(account, from, to, counts, stop_requested, slot_taken);
  std::vector<std::string> translated(distinct.size());
  std::vector<size_t> batch;
  size_t batch_characters = 0;
  for (size_t d = 0; d <= distinct.size(); ++d) {
    const size_t size = d < distinct.size() ? characters(distinct[d]) : 0;
    const bool full = !batch.empty() && (d == distinct.size() || batch.size() == kMostTextsPerRequest ||
                                         batch_characters + size > kMostCharactersPerRequest);
    if (full) {
      if (!sender.translate(distinct, batch, &translated)) break;
      batch.clear();
      batch_characters = 0;
    }
    if (d < distinct.size()) {
      batch.push_back(d);
      batch_characters += size;
    }
  }
  if (report) *report = counts;

  std::vector<std::string> results(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    if (distinct_of[i] != SIZE_MAX) results[i] = utf8_to_gbk(translated[distinct_of[i]]);
  }
  return results;
}

}  // namespace

std::vector<std::string> chat_translate(const std::vector<std::string>& texts,
                                        const std::string& from, const std::string& to,
                                        const ChatAccount& account, ChatReport* report,
                                        const std::function<bool()>& stop_requested) {
  return translate_texts(texts, from, to, account, report, stop_requested, false);
}

std::vector<std::string> chat_translate_batch(const std::vector<std::string>& texts,
                                              BatchReport* report,
                                              const std::function<bool()>& stop_requested) {
  ChatReport chat;
  std::vector<std::string> results =
      chat_translate(texts, kInterfaceSourceLanguage, kInterfaceTargetLanguage,
                     current_chat_account(), &chat, stop_requested);
  if (report) {
    report->requests = chat.requests;
    report->rate_limited = chat.rate_limited;
    report->retries = chat.retries;
    report->fallbacks = chat.splits;
    for (size_t i = 0; i < texts.size() && i < results.size(); ++i) {
      if (results[i].empty() && !blank(texts[i])) ++report->untranslated;
    }
    if (chat.refused) {
      report->failure = chat_refusal_message(chat);
    } else if (!chat.error.empty()) {
      report->failure = chat.error;
    }
  }
  if (chat.refused) {
    ChatRefusalSink sink;
    {
      std::lock_guard<std::mutex> lock(sink_mutex());
      sink = refusal_sink();
    }
    if (sink) sink(chat_refusal_message(chat));
  }
  return results;
}

void set_chat_refusal_sink(ChatRefusalSink sink) {
  std::lock_guard<std::mutex> lock(sink_mutex());
  refusal_sink() = std::move(sink);
}

std::string chat_refusal_message(const ChatReport& report) {
  std::string message = "对话模型拒绝了请求，请检查 API 密钥和接口地址。";
  if (!report.refusal.empty()) message += "\r\n接口的回答：" + report.refusal;
  return message;
}

namespace {

// The endpoint and key that last refused a preview: the preview asks them
// nothing more, once a second, until the settings name another.
std::mutex& refused_mutex() {
  static std::mutex* const mutex = new std::mutex;
  return *mutex;
}
std::string& refused_preview_account() {
  static std::string* const account = new std::string;
  return *account;
}
std::string account_identity(const ChatAccount& account) {
  return account.base_url + '\n' + account.api_key;
}

// The answers of recent preview requests. A preview is no harvest: what it
// brings is never stored in the memory, only kept here so that resting on a
// text does not ask again.
constexpr size_t kRecentPreviews = 32;
std::mutex& recent_mutex() {
  static std::mutex* const mutex = new std::mutex;
  return *mutex;
}
std::deque<std::pair<std::string, std::string>>& recent_previews() {
  static auto* const recent = new std::deque<std::pair<std::string, std::string>>;
  return *recent;
}

}  // namespace

std::string remembered_chat_preview(const std::string& gbk_text) {
  TranslationMemory& memory = program_translation_memory();
  std::string held;
  if (memory.lookup(kInterfaceSourceLanguage, kInterfaceTargetLanguage, gbk_text, &held)) return held;
  if (blank(gbk_text)) return {};
  {
    std::lock_guard<std::mutex> lock(recent_mutex());
    for (const auto& [text, translation] : recent_previews()) {
      if (text == gbk_text) return translation;
    }
  }
  const ChatAccount account = current_chat_account();
  {
    std::lock_guard<std::mutex> lock(refused_mutex());
    if (refused_preview_account() == account_identity(account)) return {};
  }
  static std::atomic<bool>* const busy = new std::atomic<bool>(false);
  if (busy->exchange(true)) return {};
  if (!chat_pacer().try_acquire()) {
    busy->store(false);
    return {};
  }
  const bool started = runtime::start_thread([gbk_text, account] {
      ChatReport report;
      const std::vector<std::string> got =
          translate_texts({gbk_text}, kInterfaceSourceLanguage, kInterfaceTargetLanguage, account,
                          &report, {}, true);
      if (!got.front().empty()) {
        std::lock_guard<std::mutex> lock(recent_mutex());
        recent_previews().emplace_back(gbk_text, got.front());
        if (recent_previews().size() > kRecentPreviews) recent_previews().pop_front();
      }
      if (report.refused) {
        std::lock_guard<std::mutex> lock(refused_mutex());
        refused_preview_account() = account_identity(account);
      }
      busy->store(false);
  });
  if (!started) busy->store(false);
  return {};
}

}  // namespace translate
