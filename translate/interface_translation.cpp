#include "translate/interface_translation.h"

#include <unordered_map>

#include "runtime/text.h"
#include "translate/batch_plan.h"
#include "translate/interface_text.h"

namespace translate {
namespace {

struct PreparedText {
  TextLines lines;
  std::vector<PreparedLine> prepared;  // one per sent line of lines
};

PreparedText prepare_text(const std::string& text) {
  PreparedText result;
  result.lines = split_text_lines(text);
  std::vector<size_t> sent;
  for (const size_t line : result.lines.sent) {
    PreparedLine prepared = prepare_interface_line(result.lines.lines[line]);
    if (!prepared.send) continue;
    sent.push_back(line);
    result.prepared.push_back(std::move(prepared));
  }
  result.lines.sent = std::move(sent);
  return result;
}

// A word the translator does not know comes back as it went.
bool given_back_unchanged(const PreparedLine& line, const std::string& answer) {
  return !answer.empty() &&
         runtime::to_lower_ascii(runtime::trim(answer)) == runtime::to_lower_ascii(line.core);
}

// The text with each sent line's translation put back; "" when one of them
// has none, or when the text would not change. A line given back unchanged
// keeps its own text, so the other lines of the text are still written.
std::string put_back_text(const std::string& original, const PreparedText& text,
                          const std::unordered_map<std::string, std::string>& translations) {
  std::vector<std::string> written;
  for (size_t k = 0; k < text.prepared.size(); ++k) {
    const PreparedLine& line = text.prepared[k];
    const auto found = translations.find(line.core);
    if (found == translations.end()) return "";
    if (given_back_unchanged(line, found->second)) {
      written.push_back(text.lines.lines[text.lines.sent[k]]);
      continue;
    }
    written.push_back(put_back_interface_line(line, found->second));
    if (written.back().empty()) return "";
  }
  std::string result = join_translated_lines(text.lines, written);
  return result == original ? "" : result;
}

}  // namespace

std::vector<std::string> translate_interface_texts(const std::vector<std::string>& texts,
                                                   const TextsTranslator& translator) {
  std::vector<PreparedText> prepared;
  std::vector<std::string> cores;
  std::unordered_map<std::string, std::string> translations;
  for (const std::string& text : texts) {
    prepared.push_back(prepare_text(text));
    for (const PreparedLine& line : prepared.back().prepared) {
      if (translations.emplace(line.core, std::string()).second) cores.push_back(line.core);
    }
  }
  if (!cores.empty() && translator) {
    const std::vector<std::string> answers = translator(cores);
    for (size_t i = 0; i < cores.size() && i < answers.size(); ++i) translations[cores[i]] = answers[i];
  }
  std::vector<std::string> results;
  for (size_t i = 0; i < texts.size(); ++i) {
    results.push_back(put_back_text(texts[i], prepared[i], translations));
  }
  return results;
}

std::string translate_interface_text(const std::string& text, const TextTranslator& translator) {
  return translate_interface_texts({text}, [&translator](const std::vector<std::string>& cores) {
           std::vector<std::string> answers;
           for (const std::string& core : cores) {
             if (!translator) break;
             answers.push_back(translator(core));
             if (answers.back().empty()) break;
           }
           return answers;
         })
      .front();
}

}  // namespace translate
