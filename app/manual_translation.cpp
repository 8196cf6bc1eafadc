#include "app/manual_translation.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/button_request.h"
#include "app/state.h"
#include "runtime/system.h"
#include "translate/chat_translate.h"
#include "translate/language_table.h"
#include "translate/manual_translate.h"
#include "translate/service_account.h"

namespace app {
namespace {

constexpr char kTranslateButton[] = "按钮1";
constexpr char kSourceBox[] = "编辑框_原文";
constexpr char kResultBox[] = "编辑框_译文";
constexpr char kSourceList[] = "组合框_原文";
constexpr char kTargetList[] = "组合框_译文";
constexpr char kEmptySource[] = "请输入需要翻译的字符串";
constexpr char kErrorCaption[] = "错误！";
constexpr unsigned kStopIcon = MB_ICONHAND;  // 16

// The page's text through the chat model, between the page's languages, as
// the service's answer would have it: one result line per non-empty line of
// the text, or the endpoint's refusal. Runs on the worker.
translate::ManualAnswer translate_with_chat_model(const translate::ManualRequest& request,
                                                  const WindowGone& gone) {
  std::vector<std::string> lines;
  const std::string& text = request.text;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  translate::ChatReport report;
  const std::vector<std::string> translations = translate::chat_translate(
      lines, request.from, request.to, translate::current_chat_account(), &report, gone);
  translate::ManualAnswer answer;
  if (report.refused) {
    answer.kind = translate::ManualAnswer::Kind::kError;
    answer.message = translate::chat_refusal_message(report);
    return answer;
  }
  bool any = false;
  for (const std::string& translation : translations) any = any || !translation.empty();
  if (!any) return answer;  // no answer that could be read: nothing to show
  answer.kind = translate::ManualAnswer::Kind::kResults;
  for (size_t i = 0; i < lines.size(); ++i) {
    answer.lines.push_back(translations[i].empty() ? lines[i] : translations[i]);
  }
  return answer;
}

// The answer on the page: the translated lines appended, or the service's
// refusal explained.
void show_manual_answer(toolkit::Form& form, translate::ManualAnswer& answer) {
  switch (answer.kind) {
    case translate::ManualAnswer::Kind::kResults: {
      toolkit::EditBox& results = form.edit_box(kResultBox);
      for (const std::string& line : answer.lines) results.append(line + "\r\n");
      break;
    }
    case translate::ManualAnswer::Kind::kError:
      runtime::message_box(answer.message, kStopIcon);
      break;
    case translate::ManualAnswer::Kind::kNothing:
      break;  // no answer, or none that could be read: nothing to show
  }
}

}  // namespace

void on_manual_translate_clicked(toolkit::Form& form) {
  const std::string text = form.edit_box(kSourceBox).text();
  // Only the empty text is refused; a text of spaces is sent.
  if (text.empty()) {
    runtime::message_box(kEmptySource, kStopIcon, kErrorCaption);
    return;
  }
  AppState& s = state();
  const translate::ManualRequest request{text, s.source_language.get(), s.target_language.get(),
                                         s.app_id.get(), s.secret_key.get()};
  // The wait for a slot and the exchange run on a worker; the window keeps
  // answering, and a closed window sends nothing once its slot comes.
  run_button_request<translate::ManualAnswer>(
      form, kTranslateButton,
      [request](const WindowGone& gone) {
        if (translate::current_engine() == translate::Engine::kChat) {
          return translate_with_chat_model(request, gone);
        }
        return translate::manual_translate(request, translate::current_service_account().host, gone);
      },
      &show_manual_answer);
}

void on_source_language_selected(toolkit::Form& form) {
  state().source_language.set(translate::language_code(form.combo_box(kSourceList).selected_index()));
}

void on_target_language_selected(toolkit::Form& form) {
  toolkit::ComboBox& list = form.combo_box(kTargetList);
  const int index = list.selected_index();
  if (index != 0) {
    state().target_language.set(translate::language_code(index));
    return;
  }
  // The list is back on Chinese before the box appears.
  list.select(translate::kTargetFallbackIndex);
  state().target_language.set(translate::language_code(translate::kTargetFallbackIndex));
  runtime::message_box(translate::kTargetAutoRefused, kStopIcon, kErrorCaption);
}

}  // namespace app
