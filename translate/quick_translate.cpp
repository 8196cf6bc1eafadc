#include "translate/quick_translate.h"

#include <memory>

#include "runtime/text.h"
#include "translate/encodings.h"
#include "translate/service_account.h"
#include "translate/service_get.h"
#include "translate/service_pacer.h"
#include "translate/signing.h"

namespace translate {
namespace {

constexpr char kTranslatePath[] = "/api/trans/vip/translate?q=";
constexpr char kFixedLanguages[] = "&from=auto&to=zh&appid=";
constexpr char kSaltKey[] = "&salt=";
constexpr char kSignKey[] = "&sign=";
constexpr int kSaltDigits = 10;
// The answer is cut, not parsed: the first value after dst":" up to the
// next double quote.
constexpr char kResultStart[] = "dst#引号:#引号";
constexpr char kResultEnd[] = "#引号";

// Shared between the calling threads; replaced only as a whole, so a call
// always sees either the old sink or the new one.
std::shared_ptr<const QuickTranslateSink> g_sink;

std::shared_ptr<const QuickTranslateSink> current_sink() { return std::atomic_load(&g_sink); }

// The escaped text of the first result. A quote inside a translation arrives
// escaped (\"); cutting at the first quote would end the value in a lone
// backslash, which the decoder can only read as garbage that the harvest
// would write into a foreign control. So a cut that stops at an escaped
// quote is carried on to the quote that really ends the value.
std::string first_result_value(const std::string& answer) {
  const std::string cut = text_between(answer, kResultStart, kResultEnd);
  const int start = runtime::find(answer, "dst\":\"");
  if (start < 0) return cut;
  const size_t value_start = static_cast<size_t>(start - 1) + 6;
  for (size_t pos = value_start; pos < answer.size();) {
    const char c = answer[pos];
    if (c == '"') return answer.substr(value_start, pos - value_start);
    if (c == '\\') {
      ++pos;  // the escaped character, whatever it is, belongs to the value
      if (pos >= answer.size()) break;
    }
    pos += static_cast<size_t>(runtime::char_length_at(answer, pos));
  }
  return cut;  // no closing quote: the plain cut (empty) as before
}

}  // namespace

void set_quick_translate_sink(QuickTranslateSink sink) {
  std::shared_ptr<const QuickTranslateSink> next;
  if (sink) next = std::make_shared<const QuickTranslateSink>(std::move(sink));
  std::atomic_store(&g_sink, std::move(next));
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

}  // namespace translate
