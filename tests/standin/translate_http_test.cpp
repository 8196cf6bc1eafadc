// The translation stand-in through its real HTTP interface.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>

#include "raw_http.h"
#include "scratch.h"
#include "standin/md5_hex.h"
#include "standin/translate_server.h"

namespace {

using standin_test::RunningServer;

const std::string kAppId = "20200417000123908";
const std::string kKey = "Kq7TzW2mRp9LxBv4NcHs";

// Percent-encoding as the client does it: every byte but - . 0-9 A-Z a-z.
std::string url_encode(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
        (c >= 'a' && c <= 'z')) {
      out += static_cast<char>(c);
    } else {
      char buffer[4];
      std::snprintf(buffer, sizeof buffer, "%%%02X", c);
      out += buffer;
    }
  }
  return out;
}

std::string sign(const std::string& q, const std::string& salt) {
  return standin::md5_hex(kAppId + q + salt + kKey);
}

// The quick request's GET target: q encoded, keys in the client's order.
std::string get_target(const std::string& q, const std::string& from = "auto",
                       const std::string& to = "zh", const std::string& salt = "0123456789") {
  return std::string(standin::kTranslatePath) + "?q=" + url_encode(q) + "&from=" + from +
         "&to=" + to + "&appid=" + kAppId + "&salt=" + salt + "&sign=" + sign(q, salt);
}

standin::Glossary shipped_glossary() {
  standin::Glossary glossary;
  std::string error;
  EXPECT_TRUE(glossary.load_file(STANDIN_GLOSSARY_FILE, error)) << error;
  return glossary;
}

struct TranslateFixture : ::testing::Test {
  standin::Glossary glossary = shipped_glossary();
};

TEST_F(TranslateFixture, GetAsTheQuickRequestSendsIt) {
  standin::TranslateOptions options;
  options.log_path = standin_test::scratch_path("get.log");
  RunningServer<standin::TranslateServer> server(options, glossary);
  ASSERT_GT(server.port(), 0) << server.error();

  const struct {
    std::string q;
    const char* expected_body;
  } cases[] = {
      {"&Open...",
       R"j({"from":"en","to":"zh","trans_result":[{"src":"&Open...","dst":"&\u6253\u5f00..."}]})j"},
      {"Save As",
       R"({"from":"en","to":"zh","trans_result":[{"src":"Save As","dst":"\u53e6\u5b58\u4e3a"}]})"},
      {"E&xit\r\nHelp",
       R"j({"from":"en","to":"zh","trans_result":[{"src":"E&xit","dst":"E&xit"},)j"
       R"({"src":"Help","dst":"\u5e2e\u52a9"}]})"},
      {u8"打开 a/b",
       R"({"from":"zh","to":"zh","trans_result":[{"src":"\u6253\u5f00 a/b","dst":"\u6253\u5f00 a/b"}]})"},
  };
  for (const auto& c : cases) {
    standin_test::RawResponse response = standin_test::raw_request(
        server.port(),
        "GET " + get_target(c.q) +
            " HTTP/1.0\r\nAccept: */*\r\nUser-Agent: Mozilla/4.0\r\nHost: 127.0.0.1\r\n\r\n");
    ASSERT_TRUE(response.complete) << c.q;
    EXPECT_EQ(response.status, 200);
    // The connection ends with the answer, and the answer says so: a client
    // must not send its next request over it.
    EXPECT_EQ(response.header("Connection"), "close");
    EXPECT_EQ(response.body, c.expected_body) << c.q;
    EXPECT_NE(response.header("Content-Type").find("application/json"), std::string::npos);
  }
  std::string log = standin_test::read_file(options.log_path);
  EXPECT_NE(log.find(R"("method":"GET","target":"/api/trans/vip/translate?q=%26Open...&from=auto)"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(R"("version":"HTTP/1.0")"), std::string::npos);
  EXPECT_NE(log.find(R"(["Accept","*/*"])"), std::string::npos);
  EXPECT_NE(
      log.find(
          R"("params":[["q","E&xit\r\nHelp"],["from","auto"],["to","zh"],["appid","20200417000123908"],["salt","0123456789"],)"),
      std::string::npos)
      << log;
  EXPECT_NE(log.find(R"("status":200,"outcome":"ok"})"), std::string::npos);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4);
}

TEST_F(TranslateFixture, FormPostWithRawUtf8Body) {
  standin::TranslateOptions options;
  options.log_path = standin_test::scratch_path("post.log");
  RunningServer<standin::TranslateServer> server(options, glossary);
  ASSERT_GT(server.port(), 0) << server.error();
  httplib::Client client("127.0.0.1", server.port());

  const struct {
    std::string body_q;    // as typed into the body
    std::string signed_q;  // what the service decodes and checks
    const char* from;
    const char* to;
    const char* expected_body;
  } cases[] = {
      {u8"打开\r\n退出", u8"打开\r\n退出", "zh", "en",
       R"({"from":"zh","to":"en","trans_result":[{"src":"\u6253\u5f00","dst":"Open"},{"src":"\u9000\u51fa","dst":"Exit"}]})"},
      {"Select+All", "Select All", "en", "zh",
       R"({"from":"en","to":"zh","trans_result":[{"src":"Select All","dst":"\u5168\u9009"}]})"},
      {"100%25", "100%", "en", "zh",
       R"({"from":"en","to":"zh","trans_result":[{"src":"100%","dst":"100%"}]})"},
      // A "+" or "&" sent unencoded is read as a space or a separator: the
      // signature over the typed text no longer matches.
      {"C+C", "C+C", "en", "zh", R"({"error_code":"54001","error_msg":"Invalid Sign"})"},
      {"&Open", "&Open", "en", "zh",
       R"({"error_code":"54000","error_msg":"PARAM_FROM_TO_OR_Q_EMPTY"})"},
      {"Save&As", "Save&As", "en", "zh", R"({"error_code":"54001","error_msg":"Invalid Sign"})"},
  };
  for (const auto& c : cases) {
    std::string body = "q=" + c.body_q + "&from=" + c.from + "&to=" + c.to + "&appid=" + kAppId +
                       "&salt=5550001111&sign=" + sign(c.signed_q, "5550001111");
    auto result = client.Post(standin::kTranslatePath, body, "application/x-www-form-urlencoded");
    ASSERT_TRUE(result) << c.body_q;
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->body, c.expected_body) << c.body_q;
  }
  // A query of the service's full size, many lines of raw UTF-8: every line
  // is answered, in order.
  std::string long_q;
  std::string expected_results;
  for (int i = 0; long_q.size() < 6000; ++i) {
    const std::string line = u8"打开 " + std::to_string(i);
    long_q += (i ? "\n" : "") + line;
    expected_results += std::string(i ? "," : "") + R"({"src":"\u6253\u5f00 )" + std::to_string(i) +
                        R"(","dst":"\u6253\u5f00 )" + std::to_string(i) + R"("})";
  }
  auto long_answer = client.Post(
      standin::kTranslatePath,
      "q=" + long_q + "&from=auto&to=zh&appid=" + kAppId + "&salt=5550001111&sign=" + sign(long_q, "5550001111"),
      "application/x-www-form-urlencoded");
  ASSERT_TRUE(long_answer);
  EXPECT_EQ(long_answer->body,
            R"({"from":"zh","to":"zh","trans_result":[)" + expected_results + "]}");

  std::string log = standin_test::read_file(options.log_path);
  EXPECT_NE(log.find(R"("method":"POST")"), std::string::npos);
  EXPECT_NE(log.find(R"("body":"q=\u6253\u5f00\r\n\u9000\u51fa&from=zh)"), std::string::npos)
      << log;
  EXPECT_NE(log.find(R"("outcome":"54001")"), std::string::npos);
}

// Only a form body carries parameters; any other body is not read, as a web
// service reads its requests, and the request lacks q.
TEST_F(TranslateFixture, PostParametersCountOnlyInAFormBody) {
  standin::TranslateOptions options;
  RunningServer<standin::TranslateServer> server(options, glossary);
  ASSERT_GT(server.port(), 0) << server.error();
  const std::string body = "q=Open&from=en&to=zh&appid=" + kAppId +
                           "&salt=5550001111&sign=" + sign("Open", "5550001111");
  const std::string translated =
      R"({"from":"en","to":"zh","trans_result":[{"src":"Open","dst":"\u6253\u5f00"}]})";
  const struct {
    const char* content_type_line;  // empty: no Content-Type at all
    std::string expected_body;
  } cases[] = {
      {"Content-Type: application/x-www-form-urlencoded\r\n", translated},
      {"Content-Type: Application/X-WWW-Form-Urlencoded; charset=UTF-8\r\n", translated},
      {"", standin::error_json("54000")},
      {"Content-Type: text/plain\r\n", standin::error_json("54000")},
      {"Content-Type: application/json\r\n", standin::error_json("54000")},
  };
  for (const auto& c : cases) {
    const standin_test::RawResponse response = standin_test::raw_request(
        server.port(), std::string("POST ") + standin::kTranslatePath +
                           " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
                           c.content_type_line + "Content-Length: " +
                           std::to_string(body.size()) + "\r\n\r\n" + body);
    ASSERT_TRUE(response.complete) << c.content_type_line;
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, c.expected_body) << c.content_type_line;
  }
}

TEST_F(TranslateFixture, ErrorAnswersOverHttp) {
  standin::TranslateOptions options;
  RunningServer<standin::TranslateServer> server(options, glossary);
  ASSERT_GT(server.port(), 0) << server.error();
  httplib::Client client("127.0.0.1", server.port());
  const std::string good = get_target("Open", "en", "zh", "1435660288");
  const struct {
    std::string target;
    const char* code;
  } cases[] = {
      {std::string(standin::kTranslatePath), "54000"},
      {std::string(standin::kTranslatePath) + "?q=Open&from=en&to=zh&appid=" + kAppId + "&salt=1",
       "54001"},
      {std::string(standin::kTranslatePath) + "?q=Open&from=en&to=zh&appid=" + kAppId +
           "&salt=1&sign=",
       "54001"},
      {std::string(standin::kTranslatePath) + "?q=&from=en&to=zh&appid=" + kAppId +
           "&salt=1&sign=",
       "54000"},
      {std::string(standin::kTranslatePath) + "?q=Open&from=en&to=zh&appid=1&salt=1&sign=x",
       "52003"},
      {good.substr(0, good.size() - 1) + "0", "54001"},
      {get_target("Open", "en", "xx"), "58001"},
      {get_target("Open", "en", "auto"), "58001"},
  };
  for (const auto& c : cases) {
    auto result = client.Get(c.target.c_str());
    ASSERT_TRUE(result) << c.target;
    EXPECT_EQ(result->status, 200) << c.target;
    EXPECT_EQ(result->body, standin::error_json(c.code)) << c.target;
  }
  auto missing = client.Get("/api/other");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);
}

TEST_F(TranslateFixture, RateLimitForcedErrorAndLatency) {
  standin::TranslateOptions limited;
  limited.service.rate_per_second = 1;
  RunningServer<standin::TranslateServer> limited_server(limited, glossary);
  ASSERT_GT(limited_server.port(), 0);
  httplib::Client client("127.0.0.1", limited_server.port());
  auto first = client.Get(get_target("Open").c_str());
  auto second = client.Get(get_target("Open").c_str());
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->body.find("trans_result"), std::string::npos);
  EXPECT_EQ(second->body, standin::error_json("54003"));

  standin::TranslateOptions forced;
  forced.service.force_error = "52002";
  forced.latency_ms = 300;
  RunningServer<standin::TranslateServer> forced_server(forced, glossary);
  ASSERT_GT(forced_server.port(), 0);
  httplib::Client slow_client("127.0.0.1", forced_server.port());
  auto started = std::chrono::steady_clock::now();
  auto answer = slow_client.Get(get_target("Open").c_str());
  auto elapsed = std::chrono::steady_clock::now() - started;
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->body, standin::error_json("52002"));
  EXPECT_GE(elapsed, std::chrono::milliseconds(300));
}

}  // namespace
