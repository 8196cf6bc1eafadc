// quick_translate against the translation-service stand-in on the compiled-in
// host: what goes over the wire (read back from the stand-in's request log)
// and what comes back for answers, errors and a dead service.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "build_constants.h"
#include "platform/internet_limits.h"
#include "tests/support/test_environment.h"
#include "tests/support/translate_standin.h"
#include "translate/quick_translate.h"
#include "translate/service_account.h"
#include "translate/service_pacer.h"
#include "translate/translation_memory.h"

namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

std::string shell_quoted(const std::string& unix_path) { return "'" + unix_path + "'"; }

// A plain web server on the service's port that answers every GET with an
// HTML page. It binds with SO_REUSEPORT like the stand-in, so the stand-in's
// closed connections still waiting on the port do not keep it out.
class HtmlPageServer {
 public:
  bool start() {
    const std::string script = test_support::scratch_dir_unix("html") + "/page_server.py";
    std::ofstream(test_support::to_windows_path(script), std::ios::binary) << R"(import http.server, socket, sys

class Server(http.server.HTTPServer):
    def server_bind(self):
        self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEPORT, 1)
        super().server_bind()

class Page(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = b"<html><head><title>Welcome</title></head><body>It works</body></html>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

Server(("127.0.0.1", int(sys.argv[1])), Page).serve_forever()
)";
    const int port = test_support::TranslateStandin::port();
    return process_.start("exec /usr/bin/python3 " + shell_quoted(script) + " " +
                          std::to_string(port)) &&
           test_support::wait_for_port(port, 15000);
  }

 private:
  test_support::UnixProcess process_;
};

// A host that never takes the connection: a listener that accepts nothing,
// its connection queue filled by its own clients, so that the system drops
// further connection requests unanswered. On a port of its own: the
// connection attempt given up by the caller goes on in the background and
// must not reach a later test's service.
class NeverAcceptingHost {
 public:
  static constexpr int kPortOffset = 96;

  bool start() {
    const std::string script = test_support::scratch_dir_unix("full") + "/full_queue.py";
    std::ofstream(test_support::to_windows_path(script), std::ios::binary) << R"(import socket, sys, time

port = int(sys.argv[1])
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEPORT, 1)
listener.bind(("127.0.0.1", port))
listener.listen(0)
queued = []
for _ in range(8):
    client = socket.socket()
    client.setblocking(False)
    try:
        client.connect(("127.0.0.1", port))
    except BlockingIOError:
        pass
    queued.append(client)
print("full", flush=True)
time.sleep(3600)
)";
    const std::string ready = test_support::scratch_dir_unix("full") + "/ready";
    return process_.start("exec /usr/bin/python3 " + shell_quoted(script) + " " +
                          std::to_string(test_support::test_port(kPortOffset)) + " > " +
                          shell_quoted(ready)) &&
           test_support::wait_until(
               [&] {
                 std::ifstream in(test_support::to_windows_path(ready));
                 std::string word;
                 return static_cast<bool>(in >> word) && word == "full";
               },
               15000);
  }

 private:
  test_support::UnixProcess process_;
};

// Collects what quick_translate hands to its sink.
class SinkRecorder {
 public:
  SinkRecorder() {
    translate::set_quick_translate_sink([this](const std::string& cut) {
      std::lock_guard<std::mutex> lock(mutex_);
      cuts_.push_back(cut);
    });
  }
  ~SinkRecorder() { translate::set_quick_translate_sink(nullptr); }

  std::vector<std::string> cuts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return cuts_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> cuts_;
};

// The account in force at the stand-in's own pace (no rate limit) for the
// life of the object: rows that each send one request wait for no slot.
class UnpacedAccount {
 public:
  UnpacedAccount() {
    translate::ServiceAccount fast = usual_;
    fast.requests_per_second = translate::kMaxRequestsPerSecond;
    translate::set_service_account(fast);
  }
  ~UnpacedAccount() { translate::set_service_account(usual_); }

 private:
  const translate::ServiceAccount usual_ = translate::current_service_account();
};

struct WireCase {
  std::string text;           // GBK
  std::string encoded_query;  // as it must appear in the URL
  std::string logged_query;   // the decoded q the stand-in logged (JSON-escaped UTF-8)
  std::string translation;    // GBK
  std::string cut;            // the escaped answer text given to the sink
  std::string service_options = "";  // how the stand-in writes its answers
};

TEST(QuickTranslateTest, SendsTheSignedGetAndDecodesTheFirstResult) {
  const WireCase cases[] = {
      {"Open", "Open", "Open", "打开", "\\u6253\\u5f00"},
      {"&Open", "%26Open", "&Open", "&打开", "&\\u6253\\u5f00"},
      {"Save As", "Save%20As", "Save As", "另存为", "\\u53e6\\u5b58\\u4e3a"},
      // Not in the glossary: the service gives the text back unchanged.
      {"a/b_c~d", "a%2Fb%5Fc%7Ed", "a/b_c~d", "a/b_c~d", "a/b_c~d"},
      {"你好", "%E4%BD%A0%E5%A5%BD", "\\u4f60\\u597d", "你好", "\\u4f60\\u597d"},
      // One result per line; only the first one is read.
      {"Open\r\nSave", "Open%0D%0ASave", "Open\\r\\nSave", "打开", "\\u6253\\u5f00"},
      // Other valid ways of writing the answer read the same.
      {"a/b_c~d", "a%2Fb%5Fc%7Ed", "a/b_c~d", "a/b_c~d", "a\\/b_c~d", "--escaped-slashes"},
      {"Open", "Open", "Open", "打开", "\\u6253\\u5f00", "--spaced-json"},
      {"Open\r\nSave", "Open%0D%0ASave", "Open\\r\\nSave", "打开", "\\u6253\\u5f00",
       "--spaced-json"},
      {"x/\"y\"", "x%2F%22y%22", "x/\\\"y\\\"", "x/\"y\"", "x\\/\\\"y\\\"",
       "--spaced-json --escaped-slashes"},
  };
  const UnpacedAccount unpaced;
  test_support::TranslateStandin service;
  std::string running_with = "(none)";
  size_t sent = 0;  // requests to the stand-in now running
  SinkRecorder sink;
  const std::string app_id = moqiao::build::kAppId;
  for (const WireCase& c : cases) {
    SCOPED_TRACE(c.text + " " + c.service_options);
    if (c.service_options != running_with) {
      ASSERT_TRUE(service.start(c.service_options));
      running_with = c.service_options;
      sent = 0;
    }
    EXPECT_EQ(translate::quick_translate(c.text), c.translation);
    EXPECT_EQ(sink.cuts().back(), c.cut);

    const std::vector<std::string> lines = service.log_lines(++sent);
    ASSERT_EQ(lines.size(), sent);
    const std::string& line = lines.back();
    SCOPED_TRACE(line);
    // "ok": the stand-in found the signature right over the raw UTF-8 text.
    EXPECT_NE(line.find("\"outcome\":\"ok\""), std::string::npos);
    EXPECT_NE(line.find("\"method\":\"GET\""), std::string::npos);
    EXPECT_NE(line.find("\"version\":\"HTTP/1.0\""), std::string::npos);
    EXPECT_NE(line.find("[\"Accept\",\"*/*\"]"), std::string::npos);
    EXPECT_NE(line.find(std::string("[\"User-Agent\",\"") + kUserAgent + "\"]"), std::string::npos);
    const std::regex target("\"target\":\"/api/trans/vip/translate\\?q=" + c.encoded_query +
                            "&from=auto&to=zh&appid=" + app_id +
                            "&salt=([0-9]{10})&sign=([0-9a-f]{32})\"");
    std::smatch target_match;
    ASSERT_TRUE(std::regex_search(line, target_match, target)) << c.encoded_query;
    std::string params = "\"params\":[[\"q\",\"" + c.logged_query +
                         "\"],[\"from\",\"auto\"],[\"to\",\"zh\"],[\"appid\",\"" + app_id +
                         "\"],[\"salt\",\"" + target_match[1].str() + "\"],[\"sign\",\"" +
                         target_match[2].str() + "\"]]";
    EXPECT_NE(line.find(params), std::string::npos) << params;
  }
  EXPECT_EQ(sink.cuts().size(), std::size(cases));
}

TEST(QuickTranslateTest, DrawsAFreshSaltForEveryRequest) {
  const UnpacedAccount unpaced;
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start());
  constexpr int kRequests = 5;
  for (int i = 0; i < kRequests; ++i) EXPECT_EQ(translate::quick_translate("Copy"), "复制");
  const std::regex salt_pattern("&salt=([0-9]{10})&");
  std::set<std::string> salts;
  const std::vector<std::string> lines = service.log_lines(kRequests);
  ASSERT_EQ(lines.size(), static_cast<size_t>(kRequests));
  for (const std::string& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_search(line, match, salt_pattern)) << line;
    salts.insert(match[1].str());
  }
  // The generator repeats itself now and then, so two requests may share a
  // salt; a salt drawn once and reused would make them all the same.
  EXPECT_GT(salts.size(), 1u);
}

// The cut does not stop at an escaped quote inside the translation: a value
// ending in a lone backslash would decode to garbage.
TEST(QuickTranslateTest, AQuoteInTheTranslationStaysInTheResult) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start());
  SinkRecorder sink;
  EXPECT_EQ(translate::quick_translate("Say \"hi\""), "Say \"hi\"");
  EXPECT_EQ(sink.cuts(), std::vector<std::string>{"Say \\\"hi\\\""});
  EXPECT_EQ(translate::quick_translate("a\\\"b"), "a\\\"b");
}

struct FailureCase {
  const char* why;
  std::string service_options;  // empty: no stand-in at all
  bool html_page;
  bool never_accepts = false;   // a host that never takes the connection
};

TEST(QuickTranslateTest, GivesTheEmptyTextWhenThereIsNoTranslation) {
  const FailureCase cases[] = {
      {"service stopped", "", false},
      {"error answer", "--force-error 52001", false},
      {"rate limit", "--force-error 54003", false},
      {"signature refused", "--secret-key WrongKey", false},
      {"numeric error code", "--force-error 52001 --numeric-error-code", false},
      {"spaced error answer", "--force-error 54003 --spaced-json --numeric-error-code", false},
      {"HTML page", "", true},
      // Frozen after reading the request: given up after the receive time-out.
      {"service never answers", "--never-answer", false},
      // A 70-byte answer at a byte every 400 ms would take half a minute.
      {"service drips its answer", "--drip-ms 400", false},
      // Wine ignores the connect time-out; the whole exchange's limit holds.
      {"host never takes the connection", "", false, true},
  };
  const UnpacedAccount unpaced;
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.why);
    test_support::TranslateStandin service;
    HtmlPageServer page;
    NeverAcceptingHost host;
    const translate::ServiceAccount usual = translate::current_service_account();
    if (c.never_accepts) {
      ASSERT_TRUE(host.start());
      translate::ServiceAccount elsewhere = usual;
      elsewhere.host = "127.0.0.1:" + std::to_string(test_support::test_port(host.kPortOffset));
      translate::set_service_account(elsewhere);
    } else if (c.html_page) {
      ASSERT_TRUE(page.start());
    } else if (!c.service_options.empty()) {
      ASSERT_TRUE(service.start(c.service_options));
    }
    SinkRecorder sink;
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(translate::quick_translate("Open"), "");
    EXPECT_LE(std::chrono::steady_clock::now() - asked,
              platform::kWholeExchangeLimit + std::chrono::seconds(2));
    EXPECT_EQ(sink.cuts(), std::vector<std::string>{""});
    translate::set_service_account(usual);
    if (!c.html_page && !c.service_options.empty()) {
      EXPECT_EQ(service.log_lines(1).size(), 1u);  // the request did reach the service
    }
  }
}

// The preview's call: while the pacer has no free slot it sends nothing and
// returns at once; with one it translates.
TEST(QuickTranslateTest, TheNonWaitingCallSendsNothingWithoutAFreeSlot) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start());
  EXPECT_EQ(translate::quick_translate("Open"), "打开");  // takes this second's slot
  std::string translation = "as it was";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(translate::try_quick_translate("Save", &translation));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_EQ(translation, "as it was");
  EXPECT_TRUE(test_support::wait_until(
      [&] { return translate::try_quick_translate("Save", &translation); }, 3000, 50));
  EXPECT_EQ(translation, "保存");
  const std::vector<std::string> lines = service.log_lines(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(test_support::TranslateStandin::logged_param(lines[1], "q"), "Save");
  EXPECT_GE(test_support::TranslateStandin::logged_time_ms(lines[1]) -
                test_support::TranslateStandin::logged_time_ms(lines[0]),
            900);  // a second apart when sent
}

TEST(QuickTranslateTest, TranslatesFromTwoThreadsAtOnce) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start("--latency-ms 20"));
  // Fast enough for the two threads' requests to overlap.
  const translate::ServiceAccount standard = translate::current_service_account();
  translate::ServiceAccount fast = standard;
  fast.requests_per_second = 1000;
  translate::set_service_account(fast);
  constexpr int kCallsPerThread = 10;
  std::vector<std::string> first(kCallsPerThread), second(kCallsPerThread);
  std::thread one([&] {
    for (std::string& result : first) result = translate::quick_translate("Paste");
  });
  std::thread two([&] {
    for (std::string& result : second) result = translate::quick_translate("Delete");
  });
  one.join();
  two.join();
  translate::set_service_account(standard);
  for (int i = 0; i < kCallsPerThread; ++i) {
    EXPECT_EQ(first[i], "粘贴");
    EXPECT_EQ(second[i], "删除");
  }
  const std::vector<std::string> lines = service.log_lines(2 * kCallsPerThread);
  EXPECT_EQ(lines.size(), 2u * kCallsPerThread);
  for (const std::string& line : lines) EXPECT_NE(line.find("\"outcome\":\"ok\""), std::string::npos) << line;
}

// Through the translation memory a text costs one request, ever: later
// harvests, a restart and the crosshair preview find it held.
TEST(QuickTranslateTest, TheMemoryAsksTheServiceOnceForEachText) {
  test_support::TranslateStandin service;
  ASSERT_TRUE(service.start());
  const std::string path = test_support::to_windows_path(
                               test_support::scratch_dir_unix("quick_memory")) +
                           "\\" + translate::kTranslationMemoryFileName;
  using Texts = std::vector<std::string>;
  const translate::TranslationService one_by_one = [](const Texts& texts) {
    Texts translations;
    for (const std::string& text : texts) translations.push_back(translate::quick_translate(text));
    return translations;
  };
  // Requests the stand-in saw so far; waits briefly for any beyond that.
  const auto requests_seen = [&service](size_t expected) {
    return service.log_lines(expected + 1, 500).size();
  };

  const Texts texts = {"Open", "Save As", "Open", "Exit"};
  const Texts translated = {"打开", "另存为", "打开", "退出"};
  const struct {
    const char* why;
    bool restart;
  } steps[] = {{"first harvest", true}, {"second harvest", false}, {"after a restart", true}};
  translate::TranslationMemory memory;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.why);
    if (step.restart) memory.open(path);
    EXPECT_EQ(translate::translate_with_memory(texts, memory, one_by_one), translated);
    EXPECT_EQ(requests_seen(3), 3u);
  }

  ASSERT_TRUE(translate::open_program_translation_memory(path));
  EXPECT_EQ(translate::remembered_quick_translate("Exit"), std::optional<std::string>("退出"));
  EXPECT_EQ(requests_seen(3), 3u);
  // The preview never waits: a text not held is asked for on a worker (once
  // the pacer has a slot free), told to ready, and known to later ticks.
  std::atomic<int> told{0};
  const translate::PreviewReady ready = [&told](const std::string& text, const std::string& dst) {
    if (text == "Copy" && dst == "复制") ++told;
  };
  EXPECT_TRUE(test_support::wait_until(
      [&] { return translate::remembered_quick_translate("Copy", ready) == std::optional<std::string>("复制"); },
      5000, 100));
  EXPECT_EQ(told.load(), 1);
  EXPECT_EQ(requests_seen(4), 4u);
  // ... but is no harvest: the memory, and its file, never hold it.
  std::string held;
  EXPECT_FALSE(translate::program_translation_memory().lookup("auto", "zh", "Copy", &held));
  translate::TranslationMemory reread;
  reread.open(path);
  EXPECT_FALSE(reread.lookup("auto", "zh", "Copy", &held));
}

}  // namespace
