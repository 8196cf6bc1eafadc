#include "standin/translation_service.h"

#include <algorithm>
#include <vector>

#include "standin/free_translation.h"
#include "standin/json_text.h"
#include "standin/md5_hex.h"

namespace standin {
namespace {

const char* const kLanguages[] = {
    "zh", "en", "yue", "wyw", "jp",  "kor", "fra", "spa", "th",  "ara", "ru",  "pt", "de",  "it",
    "el", "nl", "pl",  "bul", "est", "dan", "fin", "cs",  "rom", "slo", "swe", "hu", "cht", "vie",
};

// Missing or empty, each of these is 54000. The signature is not among them:
// an empty or missing sign is a wrong signature, 54001.
const char* const kRequired[] = {"q", "from", "to", "appid", "salt"};

std::vector<std::string> split_lines(const std::string& q) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= q.size()) {
    size_t end = q.find('\n', start);
    if (end == std::string::npos) end = q.size();
    std::string line = q.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string shaped(std::string json, const AnswerShape& shape) {
  if (shape.escaped_slashes) json = slashes_escaped(json);
  if (shape.spaced) json = spaced_json(json);
  return json;
}

}  // namespace

bool is_target_language(const std::string& code) {
  for (const char* language : kLanguages) {
    if (code == language) return true;
  }
  return false;
}

bool is_source_language(const std::string& code) {
  return code == "auto" || is_target_language(code);
}

std::string error_text(const std::string& code) {
  static const struct {
    const char* code;
    const char* text;
  } kErrors[] = {
      {"52001", "TIMEOUT"},
      {"52002", "SYSTEM ERROR"},
      {"52003", "UNAUTHORIZED USER"},
      {"54000", "PARAM_FROM_TO_OR_Q_EMPTY"},
      {"54001", "Invalid Sign"},
      {"54003", "Invalid Access Limit"},
      {"54004", "Insufficient Balance"},
      {"54005", "Long Query Too Frequent"},
      {"58000", "Invalid Client IP"},
      {"58001", "Unsupported Language"},
      {"58002", "Service Closed"},
      {"90107", "Certification Failed"},
  };
  for (const auto& error : kErrors) {
    if (code == error.code) return error.text;
  }
  return "UNKNOWN ERROR";
}

std::string error_json(const std::string& code, const AnswerShape& shape) {
  // A numeric code is written as the number the text holds; a code that is
  // no number stays a string.
  const bool as_number = shape.numeric_error_code && !code.empty() && code[0] != '0' &&
                         code.find_first_not_of("0123456789") == std::string::npos;
  return shaped("{\"error_code\":" + (as_number ? code : json_string(code)) +
                    ",\"error_msg\":" + json_string(error_text(code)) + "}",
                shape);
}

std::string success_json(const std::string& q, const std::string& from, const std::string& to,
                         const Glossary& glossary, const AnswerShape& shape,
                         bool drop_last_of_several, const std::string& drop_line, bool freely) {
  std::string json =
      "{\"from\":" + json_string(from) + ",\"to\":" + json_string(to) + ",\"trans_result\":[";
  std::vector<std::string> lines = split_lines(q);
  if (drop_last_of_several && lines.size() > 1) lines.pop_back();
  if (!drop_line.empty() && lines.size() > 1) {
    lines.erase(std::remove(lines.begin(), lines.end(), drop_line), lines.end());
  }
  bool first = true;
  for (const std::string& line : lines) {
    if (!first) json += ',';
    first = false;
    json += "{\"src\":" + json_string(line) +
            ",\"dst\":" + json_string(freely ? translate_freely(glossary, line, from, to)
                                              : glossary.translate_line(line, from, to)) + "}";
  }
  return shaped(json + "]}", shape);
}

TranslationService::TranslationService(ServiceSettings settings, const Glossary& glossary)
    : settings_(std::move(settings)), glossary_(glossary), limiter_(settings_.rate_per_second) {}

ServiceAnswer TranslationService::answer(const Params& params) {
  const auto fail = [this](const std::string& code) {
    return ServiceAnswer{error_json(code, settings_.shape), code};
  };
  if (!settings_.force_error.empty() &&
      (settings_.force_error_count < 0 || forced_errors_++ < settings_.force_error_count)) {
    return fail(settings_.force_error);
  }

  for (const char* name : kRequired) {
    const std::string* value = find_param(params, name);
    if (!value || value->empty()) return fail("54000");
  }
  const std::string& q = *find_param(params, "q");
  const std::string& from = *find_param(params, "from");
  const std::string& to = *find_param(params, "to");
  const std::string& appid = *find_param(params, "appid");
  const std::string& salt = *find_param(params, "salt");
  const std::string* sign = find_param(params, "sign");

  if (appid != settings_.app_id) return fail("52003");
  if (!sign || *sign != md5_hex(appid + q + salt + settings_.secret_key)) return fail("54001");
  if (!limiter_.admit()) return fail("54003");
  if (!is_source_language(from) || !is_target_language(to)) return fail("58001");

  std::string source = from == "auto" ? detect_language(q) : from;
  ServiceAnswer answer{
      success_json(q, source, to, glossary_, settings_.shape, settings_.drop_last_result,
                   settings_.drop_result_of, settings_.mangle_placeholders),
      "ok"};
  // Only translations are dropped, so that a forced error and a dropped
  // answer can follow one another.
  if (dropped_answers_++ < settings_.drop_answer_count) {
    answer.outcome = "dropped";
    answer.drop = true;
  }
  return answer;
}

}  // namespace standin
