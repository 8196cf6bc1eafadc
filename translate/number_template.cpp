#include "translate/number_template.h"

#include <unordered_map>
#include <unordered_set>

namespace translate {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_lead_byte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

std::string marker(std::size_t index) { return "{" + std::to_string(index) + "}"; }

// "{" digits "}" anywhere: such a text is left as it is, so that its own
// braces are never taken for markers.
bool holds_marker_like(const std::string& text) {
  for (std::size_t open = text.find('{'); open != std::string::npos;
       open = text.find('{', open + 1)) {
    std::size_t end = open + 1;
    while (end < text.size() && is_digit(text[end])) ++end;
    if (end > open + 1 && end < text.size() && text[end] == '}') return true;
  }
  return false;
}

// A letter (ASCII or any two-byte character) besides the markers: a text of
// numbers and punctuation alone is data, not words to translate.
bool has_words(const std::string& text) {
  for (char c : text) {
    if (is_lead_byte(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  }
  return false;
}

bool keeps_markers(const std::string& translation, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (translation.find(marker(i)) == std::string::npos) return false;
  }
  return true;
}

std::string lookup(const TranslationMemory& memory, const std::string& text) {
  std::string translation;
  memory.lookup(kInterfaceSourceLanguage, kInterfaceTargetLanguage, text, &translation);
  return translation;
}

}  // namespace

NumberTemplate number_template(const std::string& gbk_text) {
  NumberTemplate result;
  if (holds_marker_like(gbk_text)) return result;
  std::string text;
  for (std::size_t i = 0; i < gbk_text.size();) {
    const char c = gbk_text[i];
    if (is_lead_byte(c)) {
      // The byte after a lead byte belongs to its character, whatever it is.
      text.append(gbk_text, i, i + 1 < gbk_text.size() ? 2 : 1);
      i += 2;
      continue;
    }
    if (!is_digit(c)) {
      text += c;
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < gbk_text.size() && is_digit(gbk_text[end])) ++end;
    while (end + 1 < gbk_text.size() && (gbk_text[end] == '.' || gbk_text[end] == ',') &&
           is_digit(gbk_text[end + 1])) {
      ++end;
      while (end < gbk_text.size() && is_digit(gbk_text[end])) ++end;
    }
    text += marker(result.numbers.size());
    result.numbers.push_back(gbk_text.substr(i, end - i));
    i = end;
  }
  if (result.numbers.empty() || !has_words(text)) return NumberTemplate();
  result.text = std::move(text);
  return result;
}

std::string fill_numbers(const std::string& template_translation,
                         const std::vector<std::string>& numbers) {
  if (!keeps_markers(template_translation, numbers.size())) return std::string();
  std::string filled;
  for (std::size_t i = 0; i < template_translation.size();) {
    if (template_translation[i] == '{') {
      std::size_t end = i + 1;
      while (end < template_translation.size() && is_digit(template_translation[end])) ++end;
      if (end > i + 1 && end < template_translation.size() && template_translation[end] == '}' &&
          end - i <= 4) {
        const std::size_t index = std::stoul(template_translation.substr(i + 1, end - i - 1));
        if (index < numbers.size()) {
          filled += numbers[index];
          i = end + 1;
          continue;
        }
      }
    }
    // Two-byte characters are copied whole: their second byte may be '{'.
    const std::size_t length =
        is_lead_byte(template_translation[i]) && i + 1 < template_translation.size() ? 2 : 1;
    filled.append(template_translation, i, length);
    i += length;
  }
  return filled;
}

std::vector<std::string> translate_with_number_templates(const std::vector<std::string>& texts,
                                                         TranslationMemory& memory,
                                                         const TranslationService& service,
                                                         int* untranslated) {
  int first_untranslated = 0;
  // What each text is looked up and sent as: itself, or its template.
  std::vector<std::string> keys = texts;
  std::vector<std::vector<std::string>> numbers(texts.size());
  std::unordered_map<std::string, std::size_t> marker_counts;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (texts[i].empty() || !lookup(memory, texts[i]).empty()) continue;
    NumberTemplate templated = number_template(texts[i]);
    if (templated.numbers.empty()) continue;
    marker_counts[templated.text] = templated.numbers.size();
    keys[i] = std::move(templated.text);
    numbers[i] = std::move(templated.numbers);
  }

  // A template's translation that lost a marker is dropped before the
  // memory could store it.
  std::unordered_set<std::string> lost;
  const TranslationService checked = [&](const std::vector<std::string>& missing) {
    std::vector<std::string> answers = service(missing);
    for (std::size_t i = 0; i < missing.size() && i < answers.size(); ++i) {
      const auto count = marker_counts.find(missing[i]);
      if (count == marker_counts.end() || answers[i].empty()) continue;
      if (!keeps_markers(answers[i], count->second)) {
        answers[i].clear();
        lost.insert(missing[i]);
      }
    }
    return answers;
  };
  std::vector<std::string> translations =
      translate_with_memory(keys, memory, service ? checked : TranslationService(), &first_untranslated);
  if (untranslated) *untranslated = first_untranslated;

  std::vector<std::size_t> as_they_stand;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (numbers[i].empty()) continue;
    translations[i] = fill_numbers(translations[i], numbers[i]);
    // A held entry without its markers (edited by hand) is as good as lost.
    if (translations[i].empty() && (lost.count(keys[i]) || !lookup(memory, keys[i]).empty())) {
      as_they_stand.push_back(i);
    }
  }
  if (as_they_stand.empty() || !service) return translations;
  std::vector<std::string> plain;
  for (std::size_t i : as_they_stand) plain.push_back(texts[i]);
  int plain_untranslated = 0;
  const std::vector<std::string> answers = translate_with_memory(plain, memory, service, &plain_untranslated);
  if (untranslated) {
    // A template that lost a marker counted as untranslated; its texts were
    // sent again as they stand, and count as the second answer says.
    for (std::size_t i : as_they_stand) *untranslated -= lost.count(keys[i]) ? 1 : 0;
    *untranslated = std::max(0, *untranslated + plain_untranslated);
  }
  for (std::size_t j = 0; j < as_they_stand.size() && j < answers.size(); ++j) {
    translations[as_they_stand[j]] = answers[j];
  }
  return translations;
}

std::vector<std::string> remembered_with_number_templates(const std::vector<std::string>& texts,
                                                          const TranslationMemory& memory) {
  std::vector<std::string> translations;
  translations.reserve(texts.size());
  for (const std::string& text : texts) {
    std::string translation = text.empty() ? std::string() : lookup(memory, text);
    if (translation.empty()) {
      const NumberTemplate templated = number_template(text);
      if (!templated.numbers.empty()) {
        translation = fill_numbers(lookup(memory, templated.text), templated.numbers);
      }
    }
    translations.push_back(std::move(translation));
  }
  return translations;
}

}  // namespace translate
