// The harvest's batch translation against the translation-service stand-in:
// how texts are packed into queries (read back from the stand-in's request
// log), how lines come back to their texts, and what happens on count
// mismatches, service errors, rate limits and stop requests.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "build_constants.h"
#include "tests/support/chat_standin.h"
#include "tests/support/translate_standin.h"
#include "translate/batch_translate.h"
#include "translate/error_message.h"
#include "translate/chat_translate.h"
#include "translate/manual_translate.h"
#include "translate/quick_translate.h"

namespace {

using test_support::ChatStandin;
using test_support::TranslateStandin;
using translate::BatchReport;
using Texts = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

// The chat engine's own pacer, fast enough for the tests that do not time it.
constexpr double kChatTestRate = 20;

long long ms_since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::vector<std::string> split_at_newlines(const std::string& query) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = query.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(query.substr(start, end - start));
  }
  lines.push_back(query.substr(start));
  return lines;
}

bool is_ascii(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

TEST(BatchTranslateTest, PacksTextsIntoFullQueriesOfAtMost6000Bytes) {
  TranslateStandin service;
  ASSERT_TRUE(service.start());
  // About 25 KB of UTF-8 in all; the Chinese texts take 3 bytes a character
  // in UTF-8 against 2 in GBK, so packing by GBK size would overfill.
  Texts texts, expected;
  for (int i = 0; i < 900; ++i) {
    const std::string number = std::to_string(i);
    const std::string entry = "List entry number " + number + " of the demo";
    switch (i % 3) {
      case 0: texts.push_back("Open"), expected.push_back("打开"); break;  // repeated: sent once
      case 1: texts.push_back("第" + number + "行：这是一段较长的界面文字"), expected.push_back(texts.back()); break;
      default: texts.push_back(entry + "\r\nExit"), expected.push_back(entry + "\r\n退出");
    }
  }
  BatchReport report;
  EXPECT_EQ(translate::translate_batch(texts, &report), expected);

  const std::vector<std::string> lines = service.log_lines(report.requests);
  ASSERT_EQ(lines.size(), static_cast<size_t>(report.requests));
  EXPECT_GE(report.requests, 5);
  EXPECT_EQ(report.retries + report.fallbacks + report.rate_limited, 0);
  size_t lines_sent = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NE(lines[i].find("\"method\":\"POST\""), std::string::npos);
    EXPECT_NE(lines[i].find("\"outcome\":\"ok\""), std::string::npos);
    EXPECT_EQ(TranslateStandin::logged_param(lines[i], "from"), "auto");
    EXPECT_EQ(TranslateStandin::logged_param(lines[i], "to"), "zh");
    const std::string query = TranslateStandin::logged_param(lines[i], "q");
    EXPECT_LE(query.size(), 6000u);
    lines_sent += split_at_newlines(query).size();
    // Full: the next query's first text would not have fitted, unless that
    // text is of the other script and could not have come in anyway.
    if (i + 1 < lines.size()) {
      const std::vector<std::string> next =
          split_at_newlines(TranslateStandin::logged_param(lines[i + 1], "q"));
      if (is_ascii(query) != is_ascii(next[0])) continue;
      size_t next_text = next[0].size();
      if (next[0].rfind("List", 0) == 0) next_text += 1 + next[1].size();
      EXPECT_GT(query.size() + 1 + next_text, 6000u);
    }
  }
  EXPECT_EQ(lines_sent, 1u + 300u + 2u * 300u);  // "Open" once
}

struct RegroupCase {
  std::string text;      // GBK
  std::string expected;  // GBK
};

TEST(BatchTranslateTest, PutsEachTranslatedLineBackBetweenTheTextsOwnBreaks) {
  TranslateStandin service;
  ASSERT_TRUE(service.start());
  const RegroupCase cases[] = {
      {"Open\r\nSave\r\nExit", "打开\r\n保存\r\n退出"},
      {"Copy\n\nPaste\n", "复制\n\n粘贴\n"},
      {"Cut\r  \rDelete", "剪切\r  \r删除"},      // a lone CR; a line of spaces stays
      {"\r\n　\r\nHelp", "\r\n　\r\n帮助"},        // leading empty and full-width blank lines
      {"Open", "打开"},
      {"Cancel\r\nOK", "取消\r\n确定"},
      {"", ""},                                   // nothing to send, nothing came
      {"  \r\n", "  \r\n"},                     // nothing to send: its own translation
      {"Open\r\nSave\r\nExit", "打开\r\n保存\r\n退出"},
  };
  Texts texts, expected;
  for (const RegroupCase& c : cases) {
    texts.push_back(c.text);
    expected.push_back(c.expected);
  }
  BatchReport report;
  EXPECT_EQ(translate::translate_batch(texts, &report), expected);
  EXPECT_EQ(report.requests, 1);
  const std::vector<std::string> lines = service.log_lines(1);
  ASSERT_EQ(lines.size(), 1u);
  // A repeated text once, blank lines never.
  EXPECT_EQ(TranslateStandin::logged_param(lines[0], "q"),
            "Open\nSave\nExit\nCopy\nPaste\nCut\nDelete\nHelp\nOpen\nCancel\nOK");
}

TEST(BatchTranslateTest, SendsChineseTextsApartSinceTheServiceDetectsOneLanguagePerQuery) {
  TranslateStandin service;
  ASSERT_TRUE(service.start());
  BatchReport report;
  // GBK punctuation makes no text Chinese; what comes back unchanged is
  // given back as it was.
  EXPECT_EQ(translate::translate_batch({"Open", "你好", "Options…", "Exit", "打开\r\nSave"}, &report),
            Texts({"打开", "你好", "选项…", "退出", "打开\r\nSave"}));
  EXPECT_EQ(report.requests, 2);
  EXPECT_EQ(report.untranslated, 0);
  const std::vector<std::string> lines = service.log_lines(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(TranslateStandin::logged_param(lines[0], "q"), u8"Open\nOptions…\nExit");
  EXPECT_EQ(TranslateStandin::logged_param(lines[1], "q"), u8"你好\n打开\nSave");
}

TEST(BatchTranslateTest, SplitsAQueryInHalvesWhenTheAnswerCountDiffers) {
  const struct {
    const char* why;
    std::string service_options;
    Texts texts;
    Texts expected;
    std::vector<std::string> queries;
    int splits;
  } cases[] = {
      {"every query of several lines loses its last entry",
       "--drop-last-result",
       {"Open", "Save", "Copy\r\nPaste", "Exit"},
       {"打开", "保存", "", "退出"},
       {"Open\nSave\nCopy\nPaste\nExit", "Open\nSave", "Open", "Save", "Copy\nPaste\nExit",
        "Copy\nPaste", "Exit"},
       3},
      // One text in sixteen: a few requests instead of one per text.
      {"one line is joined to its neighbour",
       "--drop-result-of Print",
       {"Open", "Save", "Cancel", "Exit", "Help", "Copy", "Paste", "Cut", "Delete", "Print",
        "Close", "Apply", "Options", "Preview", "Advanced", "Find"},
       {"打开", "保存", "取消", "退出", "帮助", "复制", "粘贴", "剪切", "删除", "打印", "关闭",
        "应用", "选项", "预览", "高级", "查找"},
       {"Open\nSave\nCancel\nExit\nHelp\nCopy\nPaste\nCut\nDelete\nPrint\nClose\nApply\nOptions"
        "\nPreview\nAdvanced\nFind",
        "Open\nSave\nCancel\nExit\nHelp\nCopy\nPaste\nCut",
        "Delete\nPrint\nClose\nApply\nOptions\nPreview\nAdvanced\nFind", "Delete\nPrint\nClose\nApply",
        "Delete\nPrint", "Delete", "Print", "Close\nApply", "Options\nPreview\nAdvanced\nFind"},
       4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    TranslateStandin service;
    ASSERT_TRUE(service.start(c.service_options));
    BatchReport report;
    EXPECT_EQ(translate::translate_batch(c.texts, &report), c.expected);
    EXPECT_EQ(report.fallbacks, c.splits);
    EXPECT_EQ(report.requests, static_cast<int>(c.queries.size()));
    const std::vector<std::string> lines = service.log_lines(c.queries.size());
    ASSERT_EQ(lines.size(), c.queries.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(TranslateStandin::logged_param(lines[i], "q"), c.queries[i]);
    }
  }
}

struct ErrorCase {
  const char* why;
  std::string service_options;  // empty: no service at all
  int requests;
  int rate_limited;
  int retries;
  const char* failure_code;     // the last refusal; "" for no answer; null: translated
  // Given: the row runs through the chat engine against the chat stand-in
  // with these options (empty: no endpoint at all) instead of the service.
  const char* chat_options = nullptr;
};

TEST(BatchTranslateTest, RetriesWhatIsWorthRetryingAndGivesUpOnTheRest) {
  const ErrorCase cases[] = {
      {"one time-out", "--force-error 52001 --force-error-count 1", 2, 0, 1, nullptr},
      {"one system error", "--force-error 52002 --force-error-count 1", 2, 0, 1, nullptr},
      {"time-outs only", "--force-error 52001", 2, 0, 1, "52001"},
      {"wrong signature", "--force-error 54001", 1, 0, 0, "54001"},
      {"service closed", "--force-error 58002", 1, 0, 0, "58002"},
      {"rate limited twice", "--force-error 54003 --force-error-count 2", 3, 2, 2, nullptr},
      {"rate limited for good", "--force-error 54003", 4, 4, 3, "54003"},
      {"long queries too frequent once", "--force-error 54005 --force-error-count 1", 2, 0, 1, nullptr},
      {"long query refused, then its answer lost",
       "--force-error 54005 --force-error-count 1 --drop-answer-count 1", 3, 0, 2, nullptr},
      {"every answer lost", "--drop-answer-count 9", 2, 0, 1, ""},
      {"service down", "", 2, 0, 1, ""},
      {"chat: one server fault", "", 2, 0, 1, nullptr, "--server-errors 1"},
      {"chat: server faults only", "", 2, 0, 1, "", "--server-errors 9"},
      {"chat: rate limited twice", "", 3, 2, 2, nullptr, "--rate-limited 2 --retry-after 1"},
      {"chat: rate limited for good", "", 4, 4, 3, "", "--rate-limited 9 --retry-after 0"},
      {"chat: key refused", "", 1, 0, 0, "", "--api-key sk-another-key-0000"},
      {"chat: model unknown", "", 1, 0, 0, "", "--model another-model"},
      {"chat: endpoint down", "", 1, 0, 0, "", ""},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.why);
    TranslateStandin service;
    ChatStandin chat;
    const bool chat_row = c.chat_options != nullptr;
    const std::string options = chat_row ? c.chat_options : c.service_options;
    if (!options.empty()) {
      ASSERT_TRUE(chat_row ? chat.start(options) : service.start(options));
    }
    translate::set_chat_account(
        {ChatStandin::base_url(), ChatStandin::kModel, ChatStandin::kKey, kChatTestRate});
    BatchReport report;
    const Texts texts = {"Open", "Exit\r\nCancel"};
    const Texts results =
        chat_row ? translate::chat_translate_batch(texts, &report) : translate::translate_batch(texts, &report);
    const bool translated = c.failure_code == nullptr;
    EXPECT_EQ(results, translated ? Texts({"打开", "退出\r\n取消"}) : Texts({"", ""}));
    EXPECT_EQ(report.untranslated, translated ? 0 : 2);
    if (!translated && !chat_row) {
      const std::string why = *c.failure_code ? translate::error_message(c.failure_code) : "翻译服务没有应答";
      EXPECT_EQ(translate::untranslated_note(report.untranslated, report), "2 条未能翻译：" + why);
    }
    EXPECT_EQ(report.requests, c.requests);
    EXPECT_EQ(report.rate_limited, c.rate_limited);
    EXPECT_EQ(report.retries, c.retries);
    if (!options.empty()) {
      EXPECT_EQ((chat_row ? chat.log_lines(c.requests) : service.log_lines(c.requests)).size(),
                static_cast<size_t>(c.requests));
    }
  }
}

TEST(BatchTranslateTest, WaitsOutTheServicesOwnRateLimit) {
  TranslateStandin service;
  // One request every two seconds: the client's one a second is too fast.
  ASSERT_TRUE(service.start("--rate 0.5"));
  EXPECT_EQ(translate::quick_translate("Open"), "打开");
  BatchReport report;
  EXPECT_EQ(translate::translate_batch({"Save", "Exit"}, &report), Texts({"保存", "退出"}));
  EXPECT_GE(report.rate_limited, 1);
  EXPECT_EQ(report.retries, report.rate_limited);
  EXPECT_EQ(report.requests, 1 + report.retries);
  const std::vector<std::string> lines = service.log_lines(1 + report.requests);
  ASSERT_EQ(lines.size(), 1u + report.requests);
  EXPECT_NE(lines[1].find("\"outcome\":\"54003\""), std::string::npos);
  EXPECT_NE(lines.back().find("\"outcome\":\"ok\""), std::string::npos);
}

TEST(BatchTranslateTest, EveryKindOfRequestWaitsForTheSamePacer) {
  TranslateStandin service;
  ASSERT_TRUE(service.start());
  const translate::ManualRequest manual{"Open", "en", "zh", moqiao::build::kAppId,
                                        moqiao::build::kSecretKey};
  EXPECT_EQ(translate::quick_translate("Open"), "打开");
  EXPECT_EQ(translate::manual_translate(manual).lines, Texts{"打开"});
  EXPECT_EQ(translate::translate_batch({"Save"}), Texts{"保存"});
  EXPECT_EQ(translate::quick_translate("Exit"), "退出");
  const std::vector<std::string> lines = service.log_lines(4);
  ASSERT_EQ(lines.size(), 4u);
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_GE(TranslateStandin::logged_time_ms(lines[i]) - TranslateStandin::logged_time_ms(lines[i - 1]),
              900)  // a second apart when sent; the way through the network varies
        << lines[i];
  }
}

struct StopCase {
  const char* why;
  std::string service_options;
  long long stop_at_ms;
  int requests;
};

TEST(BatchTranslateTest, AStopRequestEndsTheBatchWhileItWaits) {
  const StopCase cases[] = {
      {"waiting for a slot", "", 500, 0},
      {"waiting after a rate limit answer", "--force-error 54003", 1500, 1},
  };
  for (const StopCase& c : cases) {
    SCOPED_TRACE(c.why);
    TranslateStandin service;
    ASSERT_TRUE(service.start(c.service_options));
    translate::quick_translate("Open");  // takes this second's slot
    const Clock::time_point start = Clock::now();
    BatchReport report;
    const Texts results = translate::translate_batch(
        {"Save", "Exit"}, &report, [&] { return ms_since(start) >= c.stop_at_ms; });
    EXPECT_EQ(results, Texts({"", ""}));
    EXPECT_LT(ms_since(start), c.stop_at_ms + 400);
    EXPECT_EQ(report.requests, c.requests);
    EXPECT_EQ(service.log_lines(c.requests + 1, 300).size(), 1u + c.requests);
  }
}

}  // namespace

namespace {

// The chat engine: answers in the shapes real models write, and batches a
// model can answer in reasonable time.
TEST(ChatBatchTest, ReadsEveryAnswerShapeAndSplitsWhereTheModelLostItsPlace) {
  const struct {
    const char* options;
    int requests;
    int splits;
  } cases[] = {
      {"--shape plain", 1, 0},
      {"--shape fenced", 1, 0},
      {"--shape think", 1, 0},
      {"--shape prose", 1, 0},
      // 5 texts -> 2 + 3 -> the 3 again as 1 + 2: five requests.
      {"--drop-element --shape fenced", 5, 2},
  };
  const Texts texts = {"Open", "Save", "Exit", "Cancel", "Help", "Open", "  "};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    ChatStandin chat;
    ASSERT_TRUE(chat.start(c.options));
    translate::set_chat_account({ChatStandin::base_url(), ChatStandin::kModel, ChatStandin::kKey, kChatTestRate});
    BatchReport report;
    EXPECT_EQ(translate::chat_translate_batch(texts, &report),
              Texts({"打开", "保存", "退出", "取消", "帮助", "打开", ""}));
    EXPECT_EQ(report.requests, c.requests);
    EXPECT_EQ(report.fallbacks, c.splits);
    const std::vector<std::string> lines = chat.log_lines(c.requests);
    ASSERT_EQ(lines.size(), static_cast<size_t>(c.requests));
    EXPECT_EQ(TranslateStandin::logged_param(lines[0], "q"), "Open\nSave\nExit\nCancel\nHelp");
    for (const std::string& line : lines) {
      EXPECT_EQ(TranslateStandin::logged_param(line, "model"), ChatStandin::kModel);
      EXPECT_EQ(TranslateStandin::logged_param(line, "authorization"),
                std::string("Bearer ") + ChatStandin::kKey);
      EXPECT_EQ(TranslateStandin::logged_param(line, "to"), "zh");
    }
  }
}

TEST(ChatBatchTest, SendsAtMost40TextsOr2000CharactersAtItsOwnPace) {
  ChatStandin chat;
  ASSERT_TRUE(chat.start());
  constexpr double kRate = 2;
  translate::set_chat_account({ChatStandin::base_url(), ChatStandin::kModel, ChatStandin::kKey, kRate});
  Texts texts;
  for (int i = 0; i < 100; ++i) texts.push_back("Entry number " + std::to_string(i) + " of the list");
  for (char c : {'a', 'b', 'c'}) texts.push_back(std::string(900, c));
  BatchReport report;
  EXPECT_EQ(translate::chat_translate_batch(texts, &report), texts);  // the glossary knows none
  // 40 + 40 + (20 short + 1 long) + 2 long.
  ASSERT_EQ(report.requests, 4);
  const std::vector<std::string> lines = chat.log_lines(4);
  ASSERT_EQ(lines.size(), 4u);
  size_t sent = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string> batch = split_at_newlines(TranslateStandin::logged_param(lines[i], "q"));
    size_t characters = 0;
    for (const std::string& text : batch) characters += text.size();
    EXPECT_LE(batch.size(), 40u);
    EXPECT_LE(characters, 2000u);
    sent += batch.size();
    if (i > 0) {
      EXPECT_GE(TranslateStandin::logged_time_ms(lines[i]) - TranslateStandin::logged_time_ms(lines[i - 1]),
                450);  // half a second apart, a little less for the way through the network
    }
  }
  EXPECT_EQ(sent, texts.size());
}

TEST(ChatBatchTest, TheManualCallNamesItsTargetLanguageAndAStopEndsTheCall) {
  ChatStandin chat;
  ASSERT_TRUE(chat.start("--latency-ms 300"));
  const translate::ChatAccount account{ChatStandin::base_url(), ChatStandin::kModel, ChatStandin::kKey,
                                       kChatTestRate};
  translate::ChatReport report;
  EXPECT_EQ(translate::chat_translate({"打开", "帮助"}, "zh", "en", account, &report), Texts({"Open", "Help"}));
  std::vector<std::string> lines = chat.log_lines(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(TranslateStandin::logged_param(lines[0], "to"), "en");

  // At one request every two seconds the pacer holds the next batch back:
  // a stop ends the call while it waits, and nothing more is sent.
  translate::set_chat_account({ChatStandin::base_url(), ChatStandin::kModel, ChatStandin::kKey, 0.5});
  const Clock::time_point start = Clock::now();
  const Texts results =
      translate::chat_translate_batch({"Open", "Save"}, nullptr, [&] { return ms_since(start) > 1000; });
  EXPECT_LT(ms_since(start), 1500);
  EXPECT_EQ(results, Texts({"", ""}));
  EXPECT_EQ(chat.log_lines(2, 300).size(), 1u);
}

}  // namespace
