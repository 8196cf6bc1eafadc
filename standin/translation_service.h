#pragma once
// The translation service's request handling, apart from HTTP: checks the
// parameters, the application id, the signature, the request rate and the
// languages, and writes the JSON answer.
#include <atomic>
#include <string>

#include "standin/form_params.h"
#include "standin/glossary.h"
#include "standin/rate_limiter.h"

namespace standin {

// Valid ways a server may write the same JSON answer; a client must read
// them all alike.
struct AnswerShape {
  bool escaped_slashes = false;     // "/" inside strings written as "\/"
  bool spaced = false;              // line breaks and indentation between tokens
  bool numeric_error_code = false;  // "error_code":54001 instead of "54001"
};

struct ServiceSettings {
  std::string app_id = "20200417000123908";
  std::string secret_key = "Kq7TzW2mRp9LxBv4NcHs";
  double rate_per_second = 0;  // 0: no limit
  std::string force_error;     // non-empty: every request gets this error code
  AnswerShape shape;
  long long force_error_count = -1;  // only the first N requests get it; -1: all
  bool drop_last_result = false;     // a query of several lines lacks its last entry
  bool mangle_placeholders = false;  // unknown lines word by word, placeholders mangled
  long long drop_answer_count = 0;   // the first N translations are never sent
  std::string drop_result_of;        // a query holding this line among others
                                     // lacks that line's entry
};

struct ServiceAnswer {
  std::string json;     // the response body
  std::string outcome;  // "ok", the error code, or "dropped"
  // The connection is to be closed before the body goes out, as when a
  // server or a router on the way fails mid-answer.
  bool drop = false;
};

// The 28 language codes the service translates between, plus "auto" as a
// source only.
bool is_source_language(const std::string& code);
bool is_target_language(const std::string& code);

// The message the service writes next to an error code.
std::string error_text(const std::string& code);

std::string error_json(const std::string& code, const AnswerShape& shape = {});

// The success answer for q: one result per line (lines end at LF, a CR
// before it is dropped, empty lines give no result). With
// drop_last_of_several, a q of two or more such lines is answered without
// the last line's entry, as a service that read two lines as one would;
// with drop_line, a q of two or more lines answers without that line's
// entries, as a service that joins that line to its neighbour would. With
// freely, lines go through translate_freely() (free_translation.h) instead of
// the glossary alone.
std::string success_json(const std::string& q, const std::string& from, const std::string& to,
                         const Glossary& glossary, const AnswerShape& shape = {},
                         bool drop_last_of_several = false, const std::string& drop_line = "",
                         bool freely = false);

class TranslationService {
 public:
  TranslationService(ServiceSettings settings, const Glossary& glossary);

  ServiceAnswer answer(const Params& params);

 private:
  ServiceSettings settings_;
  const Glossary& glossary_;
  RateLimiter limiter_;
  std::atomic<long long> forced_errors_{0};
  std::atomic<long long> dropped_answers_{0};
};

}  // namespace standin
