#include "translate/batch_translate.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "translate/batch_plan.h"
#include "translate/error_message.h"
#include "translate/manual_translate.h"
#include "translate/service_account.h"
#include "translate/service_pacer.h"
#include "translate/service_post.h"
#include "translate/signing.h"
#include "translate/text_language.h"

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
// Long queries too frequent: the service asks for three seconds.
constexpr char kLongQueryTooFrequent[] = "54005";
constexpr int kLongQueryRetries = 2;
constexpr Milliseconds kLongQueryWait{3000};
// A time-out or a passing fault on the service's side, or an answer lost
// on the way: worth one more try.
constexpr char kServiceTimeout[] = "52001";
constexpr char kServiceFault[] = "52002";
constexpr int kServiceErrorRetries = 1;
constexpr int kNoAnswerRetries = 1;

constexpr Milliseconds kStopPollStep{50};

constexpr char kNoAnswerMessage[] = "翻译服务没有应答";
constexpr char kMismatchMessage[] = "译文与原文的行数不符";
constexpr char kUntranslatedSuffix[] = " 条未能翻译：";

enum class Outcome { kTranslated, kMismatch, kFailed, kStopped };

// Sends queries, with the retries, and counts what it did.
class QuerySender {
 public:
  QuerySender(BatchReport& report, const std::function<bool()>& stop_requested)
      : report_(report), stop_requested_(stop_requested) {}

  // One query of the lines; on kTranslated, translations holds one
  // translation per line, in order; on kFailed, failure() says why.
  Outcome translate_lines(const std::vector<std::string>& lines,
                          std::vector<std::string>* translations);
  const std::string& failure() const { return failure_; }

 private:
  bool stopped() const { return stop_requested_ && stop_requested_(); }
  // False when a stop came during the wait.
  bool wait(Milliseconds time) const;
  Outcome fail(std::string why) {
    failure_ = std::move(why);
    return Outcome::kFailed;
  }

  BatchReport& report_;
  const std::function<bool()>& stop_requested_;
  std::string failure_;
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
  int long_query_retries = 0;
  int error_retries = 0;
  int no_answer_retries = 0;
  Milliseconds rate_limit_wait = kFirstRateLimitWait;
  for (;;) {
    if (!service_pacer().acquire(stop_requested_)) return Outcome::kStopped;
    const ServiceAccount account = current_service_account();
    const ManualRequest request{query, kSourceLanguage, kTargetLanguage, account.app_id,
                                account.secret_key};
    ++report_.requests;
    const ManualAnswer answer =
        read_manual_answer(service_post(account.host, manual_request_body(request, random_digits(kSaltDigits))));

    if (answer.kind == ManualAnswer::Kind::kResults) {
      // The service answers one entry per non-empty line; any other count
      // means it joined or split lines, and no entry can be trusted to
      // belong to the line at its place.
      if (answer.result_count != static_cast<int>(lines.size()) ||
          answer.lines.size() < lines.size()) {
        failure_ = kMismatchMessage;
        return Outcome::kMismatch;
      }
      translations->assign(answer.lines.begin(), answer.lines.begin() + lines.size());
      return Outcome::kTranslated;
    }
    if (answer.kind == ManualAnswer::Kind::kNothing) {
      if (no_answer_retries == kNoAnswerRetries) return fail(kNoAnswerMessage);
      ++no_answer_retries;
    } else if (answer.error_code == kRateLimited) {
      ++report_.rate_limited;
      if (rate_limit_retries == kRateLimitRetries) return fail(error_message(answer.error_code));
      ++rate_limit_retries;
      if (!wait(rate_limit_wait)) return Outcome::kStopped;
      rate_limit_wait *= 2;
    } else if (answer.error_code == kLongQueryTooFrequent) {
      if (long_query_retries == kLongQueryRetries) return fail(error_message(answer.error_code));
      ++long_query_retries;
      if (!wait(kLongQueryWait)) return Outcome::kStopped;
    } else if (answer.error_code == kServiceTimeout || answer.error_code == kServiceFault) {
      if (error_retries == kServiceErrorRetries) return fail(error_message(answer.error_code));
      ++error_retries;
    } else {
      return fail(error_message(answer.error_code));
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

// Sends the planned queries and puts the translated lines back with their
// texts.
class BatchRun {
 public:
  BatchRun(const std::vector<TextLines>& distinct, BatchReport& report,
           const std::function<bool()>& stop_requested)
      : distinct_(distinct), report_(report), sender_(report, stop_requested),
        progress_(distinct.size()) {
    for (size_t d = 0; d < distinct.size(); ++d) {
      progress_[d].translations.resize(distinct[d].sent.size());
    }
  }

  // False once a stop was asked for.
  bool send(const Query& query) {
    std::vector<std::string> translations;
    switch (sender_.translate_lines(query_lines(distinct_, query), &translations)) {
      case Outcome::kStopped:
        return false;
      case Outcome::kTranslated:
        deliver(query, translations);
        return true;
      case Outcome::kFailed:
        give_up(query);
        return true;
      case Outcome::kMismatch:
        break;
    }
    if (query.size() < 2) {
      give_up(query);
      return true;
    }
    // Halves, so that one text the service reads differently costs a few
    // requests instead of one request for every text of the query.
    ++report_.fallbacks;
    const auto middle = query.begin() + static_cast<std::ptrdiff_t>(query.size() / 2);
    return send(Query(query.begin(), middle)) && send(Query(middle, query.end()));
  }

  const std::vector<TextProgress>& progress() const { return progress_; }

 private:
  void deliver(const Query& query, const std::vector<std::string>& translations) {
    size_t next = 0;
    for (const QueryPiece& piece : query) {
      TextProgress& text = progress_[piece.text];
      for (size_t k = piece.first; k < piece.first + piece.count; ++k) {
        text.translations[k] = translations[next++];
        ++text.received;
      }
    }
  }

  void give_up(const Query& query) {
    for (const QueryPiece& piece : query) progress_[piece.text].failed = true;
    report_.failure = sender_.failure();
  }

  const std::vector<TextLines>& distinct_;
  BatchReport& report_;
  QuerySender sender_;
  std::vector<TextProgress> progress_;
};

bool sends_cjk_characters(const TextLines& text) {
  for (const size_t line : text.sent) {
    if (holds_cjk_characters(text.lines[line])) return true;
  }
  return false;
}

// The service detects one source language per query. A Chinese text among
// English ones would make it read the whole query as Chinese and give every
// line back untranslated, so texts holding CJK characters get queries of
// their own. Punctuation does not count: "Options…" goes with the English.
std::vector<Query> plan_by_language(const std::vector<TextLines>& distinct) {
  std::vector<size_t> other, cjk;
  for (size_t d = 0; d < distinct.size(); ++d) {
    (sends_cjk_characters(distinct[d]) ? cjk : other).push_back(d);
  }
  std::vector<Query> queries = plan_queries(distinct, other, kMaxQueryBytes);
  for (Query& query : plan_queries(distinct, cjk, kMaxQueryBytes)) {
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

  BatchReport counts;
  BatchRun run(distinct, counts, stop_requested);
  for (const Query& query : plan_by_language(distinct)) {
    if (!run.send(query)) break;
  }

  std::vector<std::string> results(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    const TextLines& text = distinct[distinct_of[i]];
    const TextProgress& got = run.progress()[distinct_of[i]];
    // Nothing to translate: the text is its own translation.
    if (text.sent.empty()) {
      results[i] = texts[i];
    } else if (got.received == text.sent.size()) {
      results[i] = join_translated_lines(text, got.translations);
    } else if (got.failed) {
      ++counts.untranslated;
    }
  }
  if (report) *report = counts;
  return results;
}

std::string untranslated_note(int count, const BatchReport& report) {
  if (count <= 0) return {};
  const std::string why = report.failure.empty() ? kNoAnswerMessage : report.failure;
  return std::to_string(count) + kUntranslatedSuffix + why;
}

}  // namespace translate
