// The version page's number and the progress display of the update download.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/internet_limits.h"
#include "tests/update/update_peers.h"
#include "update/download_progress.h"
#include "update/version_check.h"

namespace {

TEST(ServerVersionTest, ReadsTheNumberBetweenTheMarkers) {
  struct Case {
    const char* page;
    float version;
    bool newer_than_own;
  } const cases[] = {
      {"<html><body>版本号:1.1|</body></html>", 1.1f, true},
      {"版本号:1|", 1.0f, false},
      {"版本号:0.9|", 0.9f, false},
      {"版本号:１.２|", 1.2f, true},           // full-width digits
      {"版本号:　 1.3|", 1.3f, true},          // full-width and ASCII spaces in front
      {"版本号:1.5beta|", 1.5f, true},         // the number ends at the first other character
      {"版本号:2.0", 0.0f, false},             // no "|" after the number
      {"version:2.0|", 0.0f, false},           // no marker
      {"版本号:abc|", 0.0f, false},            // no number
      {"版本号:|", 0.0f, false},
      {"", 0.0f, false},
      {"|版本号:1.4|", 1.4f, true},            // a "|" before the marker does not count
      {"版本号:1.1|版本号:9|", 1.1f, true},     // the first marker counts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    const float version = update::parse_server_version(c.page);
    EXPECT_FLOAT_EQ(version, c.version);
    EXPECT_EQ(update::server_is_newer(version, update::kOwnVersion), c.newer_than_own);
  }
}

// The version page over the wire: served, frozen or dripped. Whatever the
// server does, the check has its answer within one exchange's time limit,
// and no page means version 0.
TEST(VersionPageFetchTest, ReadsThePageOrGivesUpInTime) {
  const struct {
    const char* what;
    const char* standin_options;
    float version;
  } cases[] = {
      {"served", "", 1.2f},
      {"never answered", "--never-answer", 0.0f},
      {"dripped a byte every 300 ms", "--drip-ms 300", 0.0f},
  };
  const int port = test_support::test_port(61);
  const std::string url =
      "http://127.0.0.1:" + std::to_string(port) + "/jiaoben/update/deverira.html";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test_support::UpdateStandin standin;
    ASSERT_TRUE(standin.start(port, "1.2", "archive", c.standin_options));
    const auto asked = std::chrono::steady_clock::now();
    const std::string page = update::fetch_page(url);
    EXPECT_LE(std::chrono::steady_clock::now() - asked,
              platform::kWholeExchangeLimit + std::chrono::seconds(2));
    EXPECT_FLOAT_EQ(update::parse_server_version(page), c.version);
    EXPECT_NE(standin.log().find("version page"), std::string::npos);
  }
}

TEST(ProgressTextTest, LinesForEachSituation) {
  struct Case {
    const char* what;
    update::ProgressReport report;
    const char* text;
  } const cases[] = {
      {"the worked example", {5242880, 1048576, 2000, 1048576, true},
       "正在下载新版本，文件大小：5MB\r\n已下载：1MB\r\n所用时间：2秒\r\n下载速度：512KB/秒\r\n"
       "剩余时间：0时0分8秒"},
      {"nothing new yet: no remaining time", {5242880, 1048576, 2000, 0, true},
       "正在下载新版本，文件大小：5MB\r\n已下载：1MB\r\n所用时间：2秒\r\n下载速度：0KB/秒\r\n"},
      {"under a second", {5242880, 1048576, 999, 1048576, true},
       "正在下载新版本，文件大小：5MB\r\n已下载：1MB\r\n所用时间：0秒\r\n下载速度：1025KB/秒\r\n"
       "剩余时间：0时0分3秒"},
      {"no length from the server", {1048576, 1048576, 2000, 1048576, false},
       "正在下载新版本，文件大小：未知\r\n已下载：1MB\r\n所用时间：2秒\r\n下载速度：512KB/秒\r\n"},
      {"rounding and hours", {2000000000, 1234567, 61500, 1234567, true},
       "正在下载新版本，文件大小：1907.35MB\r\n已下载：1.18MB\r\n所用时间：61秒\r\n"
       "下载速度：19.6KB/秒\r\n剩余时间：27时39分47秒"},
      {"resumed: the speed counts only this transfer", {4194304, 3145728, 1000, 1048576, true},
       "正在下载新版本，文件大小：4MB\r\n已下载：3MB\r\n所用时间：1秒\r\n下载速度：1024KB/秒\r\n"
       "剩余时间：0时0分1秒"},
      {"complete", {1048576, 1048576, 500, 1048576, true},
       "正在下载新版本，文件大小：1MB\r\n已下载：1MB\r\n所用时间：0秒\r\n下载速度：2048KB/秒\r\n"
       "剩余时间：0时0分0秒"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(update::progress_text(c.report), c.text);
  }
}

TEST(ProgressBarTest, PercentOfTheKnownSize) {
  struct Case {
    std::int32_t total, done;
    bool size_known;
    int percent;
  } const cases[] = {
      {200, 50, true, 25},
      {3, 1, true, 33},                      // cut toward zero
      {3, 2, true, 66},
      {5242880, 5242880, true, 100},
      {2000000000, 1999999999, true, 99},    // no overflow on large files
      {100, 150, true, 100},                 // clamped
      {0, 0, true, -1},                      // nothing to measure against
      {1048576, 1048576, false, -1},         // no length: the bar stays put
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.done << " of " << c.total);
    update::ProgressReport report{c.total, c.done, 1000, c.done, c.size_known};
    EXPECT_EQ(update::progress_percent(report), c.percent);
  }
}

}  // namespace
