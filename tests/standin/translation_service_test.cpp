#include "standin/translation_service.h"

#include <gtest/gtest.h>

#include "standin/md5_hex.h"
#include "standin/rate_limiter.h"

namespace {

using standin::Params;

const char kAppId[] = "20200417000123908";
const char kKey[] = "Kq7TzW2mRp9LxBv4NcHs";

standin::Glossary small_glossary() {
  standin::Glossary glossary;
  std::string error;
  EXPECT_TRUE(glossary.parse("en\tzh\nOpen\t打开\nSave As\t另存为\nsay \"hi\"\t说“嗨”\n", error));
  return glossary;
}

// A correctly signed request, with any parameter replaced or removed.
Params request(const std::string& q, const std::string& from = "en", const std::string& to = "zh",
               const std::string& salt = "1435660288") {
  return {{"q", q},          {"from", from}, {"to", to},
          {"appid", kAppId}, {"salt", salt}, {"sign", standin::md5_hex(kAppId + q + salt + kKey)}};
}

Params without(Params params, const std::string& name) {
  for (auto it = params.begin(); it != params.end(); ++it) {
    if (it->name == name) {
      params.erase(it);
      break;
    }
  }
  return params;
}

Params with(Params params, const std::string& name, const std::string& value) {
  for (auto& param : params) {
    if (param.name == name) param.value = value;
  }
  return params;
}

TEST(Md5HexTest, MatchesPublishedVectorsLowerCase) {
  const struct {
    std::string data;
    const char* expected;
  } cases[] = {
      {"2015063000000001apple143566028812345678", "f89f9594663708c1605f3d736d01d2d4"},
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"The quick brown fox jumps over the lazy dog", "9e107d9d372bb6826bd81d3542a419d6"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(standin::md5_hex(c.data), c.expected) << c.data;
  }
}

TEST(TranslationServiceTest, AnswersEachFaultWithItsErrorCode) {
  standin::Glossary glossary = small_glossary();
  const struct {
    const char* what;
    Params params;
    const char* outcome;
  } cases[] = {
      {"valid", request("Open"), "ok"},
      {"no q", without(request("Open"), "q"), "54000"},
      {"empty q", with(request("Open"), "q", ""), "54000"},
      {"no from", without(request("Open"), "from"), "54000"},
      {"no to", without(request("Open"), "to"), "54000"},
      {"no appid", without(request("Open"), "appid"), "54000"},
      {"no salt", without(request("Open"), "salt"), "54000"},
      {"empty sign", with(request("Open"), "sign", ""), "54001"},
      {"no sign", without(request("Open"), "sign"), "54001"},
      {"other appid", with(request("Open"), "appid", "2015063000000001"), "52003"},
      {"q changed after signing", with(request("Open"), "q", "Open "), "54001"},
      {"salt changed after signing", with(request("Open"), "salt", "1435660289"), "54001"},
      {"upper-case sign", with(request("Open"), "sign", "F89F9594663708C1605F3D736D01D2D4"),
       "54001"},
      {"unknown source", request("Open", "xx"), "58001"},
      {"unknown target", request("Open", "en", "english"), "58001"},
      {"auto as target", request("Open", "en", "auto"), "58001"},
      {"auto as source", request("Open", "auto", "zh"), "ok"},
      {"cht target", request("Open", "en", "cht"), "ok"},
  };
  for (const auto& c : cases) {
    standin::TranslationService service(standin::ServiceSettings{}, glossary);
    standin::ServiceAnswer answer = service.answer(c.params);
    EXPECT_EQ(answer.outcome, c.outcome) << c.what;
    if (answer.outcome != "ok") {
      EXPECT_EQ(answer.json, "{\"error_code\":\"" + std::string(c.outcome) + "\",\"error_msg\":\"" +
                                 standin::error_text(c.outcome) + "\"}")
          << c.what;
    }
  }
  EXPECT_EQ(standin::error_json("54001"), R"({"error_code":"54001","error_msg":"Invalid Sign"})");
}

TEST(TranslationServiceTest, ChecksTheConfiguredCredentials) {
  standin::Glossary glossary = small_glossary();
  standin::ServiceSettings settings;
  settings.app_id = "2015063000000001";
  settings.secret_key = "12345678";
  standin::TranslationService service(settings, glossary);
  Params params = {{"q", "apple"},         {"from", "en"},
                   {"to", "zh"},           {"appid", "2015063000000001"},
                   {"salt", "1435660288"}, {"sign", "f89f9594663708c1605f3d736d01d2d4"}};
  EXPECT_EQ(service.answer(params).json,
            R"({"from":"en","to":"zh","trans_result":[{"src":"apple","dst":"apple"}]})");
}

TEST(TranslationServiceTest, AnswersOneResultPerLineWithEscapes) {
  standin::Glossary glossary = small_glossary();
  const struct {
    std::string q;
    const char* from;
    const char* expected;
    standin::AnswerShape shape = {};
  } cases[] = {
      {"Open", "en",
       R"({"from":"en","to":"zh","trans_result":[{"src":"Open","dst":"\u6253\u5f00"}]})"},
      {"Open\nSave As...\r\nunknown", "en",
       R"({"from":"en","to":"zh","trans_result":[{"src":"Open","dst":"\u6253\u5f00"},)"
       R"({"src":"Save As...","dst":"\u53e6\u5b58\u4e3a..."},{"src":"unknown","dst":"unknown"}]})"},
      {"Open\n\n", "en",
       R"({"from":"en","to":"zh","trans_result":[{"src":"Open","dst":"\u6253\u5f00"}]})"},
      {"say \"hi\"", "en",
       R"({"from":"en","to":"zh","trans_result":[{"src":"say \"hi\"","dst":"\u8bf4\u201c\u55e8\u201d"}]})"},
      {"a\\b\tc", "en",
       R"({"from":"en","to":"zh","trans_result":[{"src":"a\\b\tc","dst":"a\\b\tc"}]})"},
      // auto: the answer names the detected language.
      {u8"打开", "auto",
       R"({"from":"zh","to":"zh","trans_result":[{"src":"\u6253\u5f00","dst":"\u6253\u5f00"}]})"},
      {"Open", "auto",
       R"({"from":"en","to":"zh","trans_result":[{"src":"Open","dst":"\u6253\u5f00"}]})"},
      // Other shapes a server may write: the same values, read alike.
      {"a/b \"/\"", "en",
       R"({"from":"en","to":"zh","trans_result":[{"src":"a\/b \"\/\"","dst":"a\/b \"\/\""}]})",
       {true, false, false}},
      {"Open\n{a:[]}, \\\"", "en",
       "{\n  \"from\": \"en\",\n  \"to\": \"zh\",\n  \"trans_result\": [\n    {\n"
       "      \"src\": \"Open\",\n      \"dst\": \"\\u6253\\u5f00\"\n    },\n    {\n"
       "      \"src\": \"{a:[]}, \\\\\\\"\",\n      \"dst\": \"{a:[]}, \\\\\\\"\"\n    }\n  ]\n}",
       {false, true, false}},
  };
  for (const auto& c : cases) {
    standin::ServiceSettings settings;
    settings.shape = c.shape;
    standin::TranslationService service(settings, glossary);
    EXPECT_EQ(service.answer(request(c.q, c.from)).json, c.expected) << c.q;
  }
}

TEST(TranslationServiceTest, ForcedErrorAnswersEveryRequestOrTheFirstFew) {
  standin::Glossary glossary = small_glossary();
  const struct {
    long long count;
    long long drops;  // translations dropped after the forced errors
    std::vector<const char*> outcomes;
  } cases[] = {
      {-1, 0, {"52001", "52001", "52001"}},
      {0, 0, {"ok", "ok", "ok"}},
      {2, 0, {"52001", "52001", "ok"}},
      {1, 1, {"52001", "dropped", "ok"}},
      {0, 2, {"dropped", "dropped", "ok"}},
  };
  for (const auto& c : cases) {
    standin::ServiceSettings settings;
    settings.force_error = "52001";
    settings.force_error_count = c.count;
    settings.drop_answer_count = c.drops;
    standin::TranslationService service(settings, glossary);
    for (const char* outcome : c.outcomes) {
      const standin::ServiceAnswer answer = service.answer(request("Open"));
      EXPECT_EQ(answer.outcome, outcome) << "count " << c.count << ", drops " << c.drops;
      EXPECT_EQ(answer.drop, answer.outcome == "dropped");
    }
  }
}

TEST(TranslationServiceTest, ForcedErrorIsWrittenInTheChosenShape) {
  standin::Glossary glossary = small_glossary();
  const struct {
    const char* code;
    standin::AnswerShape shape;
    const char* expected;
  } cases[] = {
      {"52001", {}, R"({"error_code":"52001","error_msg":"TIMEOUT"})"},
      {"52001", {false, false, true}, R"({"error_code":52001,"error_msg":"TIMEOUT"})"},
      {"E1", {false, false, true}, R"({"error_code":"E1","error_msg":"UNKNOWN ERROR"})"},
      {"54003", {true, true, true},
       "{\n  \"error_code\": 54003,\n  \"error_msg\": \"Invalid Access Limit\"\n}"},
  };
  for (const auto& c : cases) {
    standin::ServiceSettings settings;
    settings.force_error = c.code;
    settings.shape = c.shape;
    standin::TranslationService service(settings, glossary);
    EXPECT_EQ(service.answer(request("Open")).json, c.expected);
    EXPECT_EQ(service.answer({}).outcome, c.code);
  }
}

TEST(TranslationServiceTest, DroppingTheLastResultOnlyTouchesQueriesOfSeveralLines) {
  standin::Glossary glossary = small_glossary();
  standin::ServiceSettings settings;
  settings.drop_last_result = true;
  standin::TranslationService service(settings, glossary);
  const struct {
    std::string q;
    const char* expected;
  } cases[] = {
      {"Open\nSave As\nunknown",
       R"({"from":"en","to":"zh","trans_result":[{"src":"Open","dst":"\u6253\u5f00"},)"
       R"({"src":"Save As","dst":"\u53e6\u5b58\u4e3a"}]})"},
      {"Open\n\n", R"({"from":"en","to":"zh","trans_result":[{"src":"Open","dst":"\u6253\u5f00"}]})"},
  };
  for (const auto& c : cases) EXPECT_EQ(service.answer(request(c.q)).json, c.expected) << c.q;
}

TEST(TranslationServiceTest, ManglingPlaceholdersAppliesToEveryLineOfAQuery) {
  standin::Glossary glossary = small_glossary();
  standin::ServiceSettings settings;
  settings.mangle_placeholders = true;
  standin::TranslationService service(settings, glossary);
  EXPECT_EQ(service.answer(request("Open %s\nSave As")).json,
            R"({"from":"en","to":"zh","trans_result":[{"src":"Open %s","dst":"\u6253\u5f00 \u066as"},)"
            R"({"src":"Save As","dst":"\u53e6\u5b58\u4e3a"}]})");
}

TEST(TranslationServiceTest, RateLimitAnswers54003AndRecovers) {
  standin::Glossary glossary = small_glossary();
  standin::ServiceSettings settings;
  settings.rate_per_second = 2;
  standin::TranslationService service(settings, glossary);
  EXPECT_EQ(service.answer(request("Open")).outcome, "ok");
  // A request refused for its signature does not use up the allowance.
  EXPECT_EQ(service.answer(with(request("Open"), "sign", "0")).outcome, "54001");
  EXPECT_EQ(service.answer(request("Open")).outcome, "ok");
  EXPECT_EQ(service.answer(request("Open")).outcome, "54003");
}

TEST(RateLimiterTest, AdmitsRatePerSecondInASlidingWindow) {
  using std::chrono::milliseconds;
  const auto t0 = standin::RateLimiter::Clock::time_point{} + std::chrono::hours(1);
  const struct {
    double rate;
    std::vector<int> at_ms;
    std::vector<bool> admitted;
  } cases[] = {
      {0, {0, 0, 0, 0}, {true, true, true, true}},
      {1, {0, 10, 999, 1000, 1500, 2000}, {true, false, false, true, false, true}},
      {2, {0, 1, 2, 500, 1000, 1001, 1002}, {true, true, false, false, true, true, false}},
      {0.5, {0, 1000, 1999, 2000}, {true, false, false, true}},
  };
  for (const auto& c : cases) {
    standin::RateLimiter limiter(c.rate);
    for (size_t i = 0; i < c.at_ms.size(); ++i) {
      EXPECT_EQ(limiter.admit(t0 + milliseconds(c.at_ms[i])), c.admitted[i])
          << "rate " << c.rate << " at " << c.at_ms[i] << " ms";
    }
  }
}

TEST(LanguageTest, TwentyEightTargetsAndAutoAsSourceOnly) {
  const char* const codes[] = {"zh",  "en", "yue", "wyw", "jp",  "kor", "fra", "spa", "th",  "ara",
                               "ru",  "pt", "de",  "it",  "el",  "nl",  "pl",  "bul", "est", "dan",
                               "fin", "cs", "rom", "slo", "swe", "hu",  "cht", "vie"};
  for (const char* code : codes) {
    EXPECT_TRUE(standin::is_target_language(code)) << code;
    EXPECT_TRUE(standin::is_source_language(code)) << code;
  }
  EXPECT_TRUE(standin::is_source_language("auto"));
  EXPECT_FALSE(standin::is_target_language("auto"));
  for (const char* code : {"", "ZH", "ja", "ko", "fr", "zh-CN"}) {
    EXPECT_FALSE(standin::is_source_language(code)) << code;
  }
}

}  // namespace
