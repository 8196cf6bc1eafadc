#include "translate/quick_translate.h"

#include <deque>
#include <memory>
#include <mutex>
#include <utility>

#include "runtime/system.h"
#include "runtime/text.h"
#include "translate/encodings.h"
#include "translate/service_account.h"
#include "translate/service_get.h"
#include "translate/service_pacer.h"
#include "translate/signing.h"
#include "translate/translation_memory.h"

namespace translate {
namespace {

constexpr char kTranslatePath[] = "/api/trans/vip/translate?q=";
constexpr char kFixedLanguages[] = "&from=auto&to=zh&appid=";
constexpr char kSaltKey[] = "&salt=";
constexpr char kSignKey[] = "&sign=";
constexpr int kSaltDigits = 10;
// The answer is cut, not parsed: the first value of a "dst" member.
constexpr char kResultName[] = "\"dst\"";

bool is_json_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Shared between the calling threads; replaced only as a whole, so a call
// always sees either the old sink or the new one. Never destroyed: a harvest
// still running while the process exits may call it after static objects
// are gone.
std::shared_ptr<const QuickTranslateSink>& sink_slot() {
  static auto* const slot = new std::shared_ptr<const QuickTranslateSink>;
  return *slot;
}

std::shared_ptr<const QuickTranslateSink> current_sink() { return std::atomic_load(&sink_slot()); }

// Where the first dst value begins: just after "dst", a colon and the
// opening quote. A service may put white space between those tokens (a
// pretty-printed answer), which is the same answer and must read the same.
size_t first_result_start(const std::string& answer) {
  for (size_t at = answer.find(kResultName); at != std::string::npos;
       at = answer.find(kResultName, at + 1)) {
    size_t pos = at + sizeof kResultName - 1;
    while (pos < answer.size() && is_json_space(answer[pos])) ++pos;
    if (pos == answer.size() || answer[pos] != ':') continue;
    ++pos;
    while (pos < answer.size() && is_json_space(answer[pos])) ++pos;
    if (pos < answer.size() && answer[pos] == '"') return pos + 1;
  }
  return std::string::npos;
}

// The escaped text of the first result, up to the quote that ends it. A
// quote inside a translation arrives escaped (\"); cutting at the first
// quote would end the value in a lone backslash, which the decoder can only
// read as garbage that the harvest would write into a foreign control. So
// the cut skips escaped characters. No value, or no closing quote: empty.
std::string first_result_value(const std::string& answer) {
  const size_t value_start = first_result_start(answer);
  if (value_start == std::string::npos) return {};
  for (size_t pos = value_start; pos < answer.size();) {
    const char c = answer[pos];
    if (c == '"') return answer.substr(value_start, pos - value_start);
    if (c == '\\') {
      ++pos;  // the escaped character, whatever it is, belongs to the value
      if (pos >= answer.size()) break;
    }
    pos += static_cast<size_t>(runtime::char_length_at(answer, pos));
  }
  return {};
}

}  // namespace

void set_quick_translate_sink(QuickTranslateSink sink) {
  std::shared_ptr<const QuickTranslateSink> next;
  if (sink) next = std::make_shared<const QuickTranslateSink>(std::move(sink));
  std::atomic_store(&sink_slot(), std::move(next));
}

namespace {

std::string send_quick_request(const std::string& gbk_text) {
  const ServiceAccount account = current_service_account();
  const std::string& app_id = account.app_id;
  const std::string& secret_key = account.secret_key;
  const std::string salt = random_digits(kSaltDigits);
  const std::string sign = request_sign(app_id, gbk_text, salt, secret_key, true);

  // The signature covers the text itself; the URL carries its encoded form.
  std::string object = kTranslatePath;
  object.append(url_encode(gbk_text)).append(kFixedLanguages).append(app_id);
  object.append(kSaltKey).append(salt).append(kSignKey).append(sign);

  const runtime::Bytes body = service_get(account.host, object);
  const std::string answer = runtime::text_from_bytes(utf8_to_gb18030(body));
  const std::string cut = first_result_value(answer);
  if (const auto sink = current_sink()) (*sink)(cut);
  return unescape_unicode(cut);
}

}  // namespace

std::string quick_translate(const std::string& gbk_text) {
  service_pacer().acquire();
  return send_quick_request(gbk_text);
}

bool try_quick_translate(const std::string& gbk_text, std::string* translation) {
  if (!service_pacer().try_acquire()) return false;
  *translation = send_quick_request(gbk_text);
  return true;
}

namespace {

// Answers the preview remembers, so that the cursor resting on a text shows
// its translation on every tick without asking again.
constexpr size_t kRecentPreviewAnswers = 32;

// Never destroyed: a preview request may end while the process ends.
struct PreviewRequests {
  std::mutex mutex;
  bool under_way = false;
  std::deque<std::pair<std::string, std::string>> recent;  // text, translation
};

PreviewRequests& preview_requests() {
  static PreviewRequests* const instance = new PreviewRequests;
  return *instance;
}

// On the worker: one try for a slot, then the exchange. The request is
// marked ended whatever happens, so that later ticks may send again.
void run_preview_request(const std::string& text, const PreviewReady& ready) {
  PreviewRequests& requests = preview_requests();
  std::string translation;
  bool sent = false;
  try {
    sent = try_quick_translate(text, &translation);
  } catch (...) {
    sent = false;
  }
  const bool brought = sent && !translation.empty();
  {
    std::lock_guard<std::mutex> lock(requests.mutex);
    requests.under_way = false;
    if (brought) {
      requests.recent.emplace_back(text, translation);
      if (requests.recent.size() > kRecentPreviewAnswers) requests.recent.pop_front();
    }
  }
  if (brought && ready) ready(text, translation);
}

}  // namespace

std::optional<std::string> remembered_quick_translate(const std::string& gbk_text,
                                                      PreviewReady ready) {
  if (gbk_text.empty()) return std::string();
  std::string held;
  if (program_translation_memory().lookup(kInterfaceSourceLanguage, kInterfaceTargetLanguage,
                                          gbk_text, &held)) {
    return held;
  }
  PreviewRequests& requests = preview_requests();
  {
    std::lock_guard<std::mutex> lock(requests.mutex);
    for (auto it = requests.recent.rbegin(); it != requests.recent.rend(); ++it) {
      if (it->first == gbk_text) return it->second;
    }
    if (requests.under_way) return std::nullopt;
    requests.under_way = true;
  }
  // When ready itself fails, the translation stays known to later ticks.
  if (!runtime::start_thread([gbk_text, ready = std::move(ready)] { run_preview_request(gbk_text, ready); })) {
    std::lock_guard<std::mutex> lock(requests.mutex);
    requests.under_way = false;
  }
  return std::nullopt;
}

}  // namespace translate
