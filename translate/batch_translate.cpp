#include "translate/batch_translate.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "translate/batch_plan.h"
#include "translate/manual_translate.h"
#include "translate/service_account.h"
#include "translate/service_pacer.h"
#include "translate/service_post.h"
#include "translate/signing.h"

namespace translate {
namespace {

using Milliseconds = std::chrono::milliseconds;

// The service's limit on one query.
constexpr size_t kMaxQueryBytes = 6000;
constexpr int kSaltDigits = 10;
constexpr char kSourceLanguage[] = "auto";
constexpr char kTargetLanguage[] = "zh";

// Too many requests: the service counts them per second, so the first wait
// lets its second run out; the longer ones give way to whoever else uses
// the account.
constexpr char kRateLimited[] = "54003";
constexpr int kRateLimitRetries = 3;
constexpr Milliseconds kFirstRateLimitWait{1000};
// A time-out or a passing fault on the service's side: worth one more try.
constexpr char kServiceTimeout[] = "52001";
constexpr char kServiceFault[] = "52002";
constexpr int kServiceErrorRetries = 1;

constexpr Milliseconds kStopPollStep{50};

enum class Outcome { kTranslated, kMismatch, kFailed, kStopped };

// Sends queries, with the retries, and counts what it did.
class QuerySender {
 public:
  QuerySender(BatchReport& report, const std::function<bool()>& stop_requested)
      : report_(report), stop_requested_(stop_requested) {}

  // One query of the lines; on kTranslated, translations holds one
  // translation per line, in order.
  Outcome translate_lines(const std::vector<std::string>& lines,
                          std::vector<std::string>* translations);

 private:
  bool stopped() const { return stop_requested_ && stop_requested_(); }
  // False when a stop came during the wait.
  bool wait(Milliseconds time) const;

  BatchReport& report_;
  const std::function<bool()>& stop_requested_;
};

bool QuerySender::wait(Milliseconds time) const {
  const auto end = std::chrono::steady_clock::now() + time;
  for (;;) {
    if (stopped()) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return true;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(end - now, kStopPollStep));
  }
}

Outcome QuerySender::translate_lines(const std::vector<std::string>& lines,
                                     std::vector<std::string>* translations) {
  std::string query;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) query += '\n';
    query += lines[i];
  }
  int rate_limit_retries = 0;
  int error_retries = 0;
  Milliseconds rate_limit_wait = kFirstRateLimitWait;
  for (;;) {
    if (!service_pacer().acquire(stop_requested_)) return Outcome::kStopped;
    const ServiceAccount account = current_service_account();
    const ManualRequest request{query, kSourceLanguage, kTargetLanguage, account.app_id,
                                account.secret_key};
    ++report_.requests;
    const ManualAnswer answer =
        read_manual_answer(service_post(account.host, manual_request_body(request, random_digits(kSaltDigits))));

    switch (answer.kind) {
      case ManualAnswer::Kind::kResults:
        // The service answers one entry per non-empty line; any other count
        // means it joined or split lines, and no entry can be trusted to
        // belong to the line at its place.
        if (answer.result_count != static_cast<int>(lines.size()) ||
            answer.lines.size() < lines.size()) {
          return Outcome::kMismatch;
        }
        translations->assign(answer.lines.begin(), answer.lines.begin() + lines.size());
        return Outcome::kTranslated;
      case ManualAnswer::Kind::kNothing:
        return Outcome::kFailed;
      case ManualAnswer::Kind::kError:
        break;
    }
    if (answer.error_code == kRateLimited) {
      ++report_.rate_limited;
      if (rate_limit_retries == kRateLimitRetries) return Outcome::kFailed;
      ++rate_limit_retries;
      if (!wait(rate_limit_wait)) return Outcome::kStopped;
      rate_limit_wait *= 2;
    } else if (answer.error_code == kServiceTimeout || answer.error_code == kServiceFault) {
      if (error_retries == kServiceErrorRetries) return Outcome::kFailed;
      ++error_retries;
    } else {
      return Outcome::kFailed;
    }
    ++report_.retries;
  }
}

// What came back for one distinct text so far.
struct TextProgress {
  std::vector<std::string> translations;  // one per sent line
  size_t received = 0;
  bool failed = false;
};

void deliver(const Query& query, const std::vector<std::string>& translations,
             std::vector<TextProgress>& progress) {
  size_t next = 0;
  for (const QueryPiece& piece : query) {
    TextProgress& text = progress[piece.text];
    for (size_t k = piece.first; k < piece.first + piece.count; ++k) {
      text.translations[k] = translations[next++];
      ++text.received;
    }
  }
}

void give_up(const Query& query, std::vector<TextProgress>& progress) {
  for (const QueryPiece& piece : query) progress[piece.text].failed = true;
}

// Blank lines are not sent, so a full-width space in one does not count.
bool sends_two_byte_characters(const TextLines& text) {
  for (const size_t line : text.sent) {
    for (const char c : text.lines[line]) {
      if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
  }
  return false;
}

// The service detects one source language per query. A Chinese text among
// English ones would make it read the whole query as Chinese and give every
// line back untranslated, so texts written in two-byte characters (Chinese
// and whatever else GBK holds beyond ASCII) get queries of their own.
std::vector<Query> plan_by_script(const std::vector<TextLines>& distinct) {
  std::vector<size_t> single_byte, two_byte;
  for (size_t d = 0; d < distinct.size(); ++d) {
    (sends_two_byte_characters(distinct[d]) ? two_byte : single_byte).push_back(d);
  }
  std::vector<Query> queries = plan_queries(distinct, single_byte, kMaxQueryBytes);
  for (Query& query : plan_queries(distinct, two_byte, kMaxQueryBytes)) {
    queries.push_back(std::move(query));
  }
  return queries;
}

}  // namespace

std::vector<std::string> translate_batch(const std::vector<std::string>& texts, BatchReport* report,
                                         const std::function<bool()>& stop_requested) {
  // Identical texts (a window full of "OK" buttons) are sent once.
  std::vector<TextLines> distinct;
  std::vector<size_t> distinct_of(texts.size());
  std::map<std::string, size_t> index_of;
  for (size_t i = 0; i < texts.size(); ++i) {
    const auto found = index_of.emplace(texts[i], distinct.size());
    if (found.second) distinct.push_back(split_text_lines(texts[i]));
    distinct_of[i] = found.first->second;
  }
  std::vector<TextProgress> progress(distinct.size());
  for (size_t d = 0; d < distinct.size(); ++d) {
    progress[d].translations.resize(distinct[d].sent.size());
  }

  BatchReport counts;
  QuerySender sender(counts, stop_requested);
  std::vector<std::string> translations;
  for (const Query& query : plan_by_script(distinct)) {
    const Outcome outcome = sender.translate_lines(query_lines(distinct, query), &translations);
    if (outcome == Outcome::kStopped) break;
    if (outcome == Outcome::kTranslated) {
      deliver(query, translations, progress);
    } else if (outcome == Outcome::kFailed) {
      give_up(query, progress);
    } else {
      // One request per text of that query, so that one text the service
      // reads differently costs only its own translation.
      ++counts.fallbacks;
      bool stopped = false;
      for (const QueryPiece& piece : query) {
        const Query alone{piece};
        const Outcome single = sender.translate_lines(query_lines(distinct, alone), &translations);
        if (single == Outcome::kStopped) {
          stopped = true;
          break;
        }
        if (single == Outcome::kTranslated) {
          deliver(alone, translations, progress);
        } else {
          give_up(alone, progress);
        }
      }
      if (stopped) break;
    }
  }
  if (report) *report = counts;

  std::vector<std::string> results(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    const TextLines& text = distinct[distinct_of[i]];
    const TextProgress& got = progress[distinct_of[i]];
    if (text.sent.empty() || got.failed || got.received != text.sent.size()) continue;
    results[i] = join_translated_lines(text, got.translations);
  }
  return results;
}

}  // namespace translate
