// The update stand-in through its real HTTP interface, with byte-exact
// requests as the client's internet library writes them.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <thread>

#include "raw_http.h"
#include "scratch.h"
#include "standin/gbk.h"
#include "standin/update_server.h"

namespace {

using standin_test::RawResponse;
using standin_test::RunningServer;

constexpr uint64_t kArchiveSize = 100000;

std::string gbk(const std::string& utf8) {
  std::string out;
  EXPECT_TRUE(standin::utf8_to_gbk(utf8, out)) << utf8;
  return out;
}

std::string percent_encode(const std::string& bytes, bool lower_case) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x80 && c != '%') {
      out += static_cast<char>(c);
    } else {
      char buffer[4];
      std::snprintf(buffer, sizeof buffer, lower_case ? "%%%02x" : "%%%02X", c);
      out += buffer;
    }
  }
  return out;
}

std::string generated(uint64_t first, uint64_t count) {
  std::string bytes;
  for (uint64_t i = first; i < first + count; ++i)
    bytes += static_cast<char>(standin::generated_archive_byte(i));
  return bytes;
}

std::string get(const std::string& path, const std::string& extra_headers = "",
                const std::string& version = "HTTP/1.1") {
  return "GET " + path + " " + version + "\r\nHost: 127.0.0.1\r\nAccept: */*\r\n" + extra_headers +
         "Connection: close\r\n\r\n";
}

standin::UpdateOptions small_archive_options() {
  standin::UpdateOptions options;
  options.archive_size = kArchiveSize;
  return options;
}

const std::string kArchiveGbk = gbk(standin::kArchivePathUtf8);

TEST(UpdateServerTest, VersionPageIsGbkWithTheVersionMarker) {
  const struct {
    std::string version;
    std::string marker;
  } cases[] = {
      {"1.1", u8"版本号:1.1|"},
      {"2.0", u8"版本号:2.0|"},
      {u8"１.２", u8"版本号:１.２|"},
  };
  for (const auto& c : cases) {
    standin::UpdateOptions options = small_archive_options();
    options.version = c.version;
    RunningServer<standin::UpdateServer> server(options,
                                                standin::ArchiveSource::generated(kArchiveSize));
    ASSERT_GT(server.port(), 0) << server.error();
    RawResponse response = standin_test::raw_request(server.port(), get(standin::kVersionPagePath));
    ASSERT_TRUE(response.complete);
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.header("Content-Type"), "text/html; charset=gbk");
    EXPECT_NE(response.body.find(gbk(c.marker)), std::string::npos) << c.version;
    EXPECT_EQ(response.body.find(c.marker), std::string::npos) << "UTF-8 bytes in the page";
  }
}

TEST(UpdateServerTest, ArchivePathInEveryEncodingTheClientMightUse) {
  RunningServer<standin::UpdateServer> server(small_archive_options(),
                                              standin::ArchiveSource::generated(kArchiveSize));
  ASSERT_GT(server.port(), 0) << server.error();
  const std::string utf8 = standin::kArchivePathUtf8;
  const struct {
    const char* what;
    std::string path;
    int status;
  } cases[] = {
      {"raw GBK", kArchiveGbk, 200},
      {"raw UTF-8", utf8, 200},
      {"percent-encoded GBK", percent_encode(kArchiveGbk, false), 200},
      {"percent-encoded UTF-8, lower case", percent_encode(utf8, true), 200},
      {"other name", "/jiaoben/update/other.rar", 404},
      {"GBK name, other folder", "/update/" + kArchiveGbk.substr(kArchiveGbk.rfind('/') + 1), 404},
  };
  for (const auto& c : cases) {
    RawResponse response = standin_test::raw_request(server.port(), get(c.path));
    ASSERT_TRUE(response.complete) << c.what;
    EXPECT_EQ(response.status, c.status) << c.what;
    if (c.status == 200) {
      EXPECT_EQ(response.header("Content-Length"), std::to_string(kArchiveSize)) << c.what;
      EXPECT_TRUE(response.body == generated(0, kArchiveSize)) << c.what;
    }
  }
}

TEST(UpdateServerTest, RangesForResumedDownloads) {
  standin::UpdateOptions ignoring = small_archive_options();
  ignoring.ignore_range = true;
  RunningServer<standin::UpdateServer> server(small_archive_options(),
                                              standin::ArchiveSource::generated(kArchiveSize));
  RunningServer<standin::UpdateServer> ignoring_server(
      ignoring, standin::ArchiveSource::generated(kArchiveSize));
  ASSERT_GT(server.port(), 0);
  ASSERT_GT(ignoring_server.port(), 0);
  const struct {
    const char* range_line;
    bool ignore;
    int status;
    const char* content_range;
    uint64_t first;
    uint64_t count;
  } cases[] = {
      {"Range:bytes=1000-\r\n", false, 206, "bytes 1000-99999/100000", 1000, 99000},
      {"Range: bytes=1000-\r\n", false, 206, "bytes 1000-99999/100000", 1000, 99000},
      {"Range: bytes=10-19\r\n", false, 206, "bytes 10-19/100000", 10, 10},
      {"Range: bytes=-16\r\n", false, 206, "bytes 99984-99999/100000", 99984, 16},
      {"Range:bytes=99999-\r\n", false, 206, "bytes 99999-99999/100000", 99999, 1},
      {"Range:bytes=100000-\r\n", false, 416, "bytes */100000", 0, 0},
      {"Range: bytes=1-2,5-6\r\n", false, 200, "", 0, kArchiveSize},
      {"", false, 200, "", 0, kArchiveSize},
      {"Range:bytes=1000-\r\n", true, 200, "", 0, kArchiveSize},
  };
  for (const auto& c : cases) {
    int port = c.ignore ? ignoring_server.port() : server.port();
    RawResponse response = standin_test::raw_request(port, get(kArchiveGbk, c.range_line));
    ASSERT_TRUE(response.complete) << c.range_line;
    EXPECT_EQ(response.status, c.status) << c.range_line;
    EXPECT_EQ(response.header("Content-Range"), c.content_range) << c.range_line;
    EXPECT_EQ(response.header("Content-Length"), std::to_string(c.count)) << c.range_line;
    EXPECT_TRUE(response.body == generated(c.first, c.count)) << c.range_line;
  }
}

TEST(UpdateServerTest, IfRangeContinuesOnlyTheSameFile) {
  RunningServer<standin::UpdateServer> server(small_archive_options(),
                                              standin::ArchiveSource::generated(kArchiveSize));
  ASSERT_GT(server.port(), 0);
  const RawResponse first = standin_test::raw_request(server.port(), get(kArchiveGbk));
  const std::string etag = first.header("ETag");
  const std::string date = first.header("Last-Modified");
  ASSERT_EQ(etag.size(), 18u) << first.head;
  ASSERT_EQ(etag.front(), '"');
  ASSERT_NE(date.find(" GMT"), std::string::npos) << first.head;
  // Another size is other content: another tag and date.
  standin::UpdateOptions other_options = small_archive_options();
  RunningServer<standin::UpdateServer> other(other_options,
                                             standin::ArchiveSource::generated(kArchiveSize + 1));
  const RawResponse changed = standin_test::raw_request(other.port(), get(kArchiveGbk));
  EXPECT_NE(changed.header("ETag"), etag);
  EXPECT_NE(changed.header("Last-Modified"), date);

  const struct {
    std::string if_range;
    int status;
  } cases[] = {
      {etag, 206},
      {"\"0000000000000000\"", 200},
      {"W/" + etag, 200},
      {date, 206},
      {"Mon, 01 Jan 2001 00:00:00 GMT", 200},
  };
  for (const auto& c : cases) {
    RawResponse response = standin_test::raw_request(
        server.port(), get(kArchiveGbk, "Range:bytes=1000-\r\nIf-Range: " + c.if_range + "\r\n"));
    EXPECT_EQ(response.status, c.status) << c.if_range;
    EXPECT_EQ(response.header("ETag"), etag) << c.if_range;
    const uint64_t first_byte = c.status == 206 ? 1000 : 0;
    EXPECT_TRUE(response.body == generated(first_byte, kArchiveSize - first_byte)) << c.if_range;
  }
}

TEST(UpdateServerTest, WithoutLengthChunkedOrUntilClose) {
  standin::UpdateOptions options = small_archive_options();
  options.no_length = true;
  RunningServer<standin::UpdateServer> server(options,
                                              standin::ArchiveSource::generated(kArchiveSize));
  ASSERT_GT(server.port(), 0);
  const struct {
    const char* version;
    const char* range_line;
    int status;
    bool chunked;
    uint64_t first;
  } cases[] = {
      {"HTTP/1.1", "", 200, true, 0},
      {"HTTP/1.1", "Range:bytes=40000-\r\n", 206, true, 40000},
      {"HTTP/1.0", "", 200, false, 0},
      {"HTTP/1.0", "Range:bytes=40000-\r\n", 206, false, 40000},
  };
  for (const auto& c : cases) {
    RawResponse response =
        standin_test::raw_request(server.port(), get(kArchiveGbk, c.range_line, c.version));
    ASSERT_TRUE(response.complete) << c.version << " " << c.range_line;
    EXPECT_EQ(response.status, c.status);
    EXPECT_FALSE(response.has_header("Content-Length")) << c.version;
    EXPECT_EQ(response.header("Transfer-Encoding") == "chunked", c.chunked) << c.version;
    EXPECT_TRUE(response.body == generated(c.first, kArchiveSize - c.first))
        << c.version << " " << c.range_line;
  }
}

TEST(UpdateServerTest, ServesAGivenFile) {
  std::string path = standin_test::scratch_path("archive.bin");
  std::string content;
  for (int i = 0; i < 70000; ++i) content += static_cast<char>(i * 7 % 251);
  std::ofstream(path, std::ios::binary) << content;
  standin::ArchiveSource archive;
  std::string error;
  ASSERT_TRUE(standin::ArchiveSource::from_file(path, archive, error)) << error;
  EXPECT_FALSE(standin::ArchiveSource::from_file(path + ".missing", archive, error));
  ASSERT_TRUE(standin::ArchiveSource::from_file(path, archive, error));

  RunningServer<standin::UpdateServer> server(standin::UpdateOptions{}, archive);
  ASSERT_GT(server.port(), 0);
  RawResponse whole = standin_test::raw_request(server.port(), get(kArchiveGbk));
  EXPECT_TRUE(whole.body == content);
  RawResponse tail =
      standin_test::raw_request(server.port(), get(kArchiveGbk, "Range:bytes=65536-\r\n"));
  EXPECT_EQ(tail.status, 206);
  EXPECT_TRUE(tail.body == content.substr(65536));
  // Other bytes in the file give another tag.
  std::ofstream(path, std::ios::binary) << content.substr(1) << 'x';
  standin::ArchiveSource changed;
  ASSERT_TRUE(standin::ArchiveSource::from_file(path, changed, error));
  EXPECT_EQ(changed.size(), archive.size());
  EXPECT_NE(changed.etag(), archive.etag());
  EXPECT_EQ(whole.header("ETag"), archive.etag());
}

TEST(UpdateServerTest, RateLimitPacesTheArchive) {
  standin::UpdateOptions options;
  options.archive_size = 60 * 1024;
  options.rate_limit_kbps = 200;  // 60 KiB take about 300 ms
  options.log_path = standin_test::scratch_path("update.log");
  RunningServer<standin::UpdateServer> server(
      options, standin::ArchiveSource::generated(options.archive_size));
  ASSERT_GT(server.port(), 0);
  auto started = std::chrono::steady_clock::now();
  RawResponse response = standin_test::raw_request(server.port(), get(kArchiveGbk));
  auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_TRUE(response.body == generated(0, options.archive_size));
  EXPECT_GE(elapsed, std::chrono::milliseconds(250));

  // The log keeps the raw GBK bytes of the path.
  std::string log = standin_test::read_file(options.log_path);
  EXPECT_NE(
      log.find(
          R"("target":"/jiaoben/update/\u00c4\u00ab\u00c7\u00c5\u00b7\u00ad\u00d2\u00eb.rar")"),
      std::string::npos)
      << log;
  EXPECT_NE(log.find(R"("status":200,"outcome":"archive, 61440 bytes")"), std::string::npos) << log;
}

}  // namespace

namespace {

TEST(UpdateServerTest, StoppingEndsASlowTransfer) {
  standin::UpdateOptions options;
  options.archive_size = 1024 * 1024;
  options.rate_limit_kbps = 1;  // would take some seventeen minutes
  options.log_path = standin_test::scratch_path("slow.log");
  std::optional<RunningServer<standin::UpdateServer>> server;
  server.emplace(options, standin::ArchiveSource::generated(options.archive_size));
  ASSERT_GT(server->port(), 0);

  std::string received;
  const int port = server->port();
  std::thread client(
      [&received, port] { received = standin_test::exchange(port, get(kArchiveGbk), 60000); });
  // The request is logged when its transfer begins.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (standin_test::read_file(options.log_path).find("archive") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  auto started = std::chrono::steady_clock::now();
  server.reset();
  auto stop_time = std::chrono::steady_clock::now() - started;
  client.join();
  EXPECT_LT(stop_time, std::chrono::seconds(3));
  RawResponse response = standin_test::parse_response(received);
  EXPECT_EQ(response.status, 200);
  EXPECT_LT(response.body.size(), options.archive_size);
}

}  // namespace

namespace {

// A server that freezes after reading the request, and one that crawls
// (through its body, or through its head before anything else): the request
// is logged either way, a frozen answer never comes (and does not keep the
// server from stopping), a dripped one comes whole but late.
TEST(UpdateServerTest, AnswersHeldOrDripped) {
  const struct {
    const char* name;
    standin::AnswerPacing pacing;
    bool answered;
  } cases[] = {
      {"never answers", {true, 0}, false},
      {"drips", {false, 3}, true},
      {"drips the head", {false, 0, 20}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    standin::UpdateOptions options = small_archive_options();
    options.pacing = c.pacing;
    options.log_path = standin_test::scratch_path("paced.log");
    std::string page;
    ASSERT_TRUE(standin::version_page_gbk(options.version, page));
    std::optional<RunningServer<standin::UpdateServer>> server;
    server.emplace(options, standin::ArchiveSource::generated(options.archive_size));
    ASSERT_GT(server->port(), 0);

    const auto started = std::chrono::steady_clock::now();
    const std::string raw = standin_test::exchange(server->port(), get(standin::kVersionPagePath), c.answered ? 10000 : 1500);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_NE(standin_test::read_file(options.log_path).find("version page"), std::string::npos);
    if (c.answered) {
      const RawResponse response = standin_test::parse_response(raw);
      EXPECT_EQ(response.status, 200);
      EXPECT_TRUE(response.body == page);
      const size_t head_size = raw.find("\r\n\r\n") + 4;
      EXPECT_GE(took, std::chrono::milliseconds(c.pacing.drip_ms) * page.size() +
                          std::chrono::milliseconds(c.pacing.drip_head_ms) * (head_size - 1));
    } else {
      EXPECT_EQ(raw, "");
    }
    const auto stopping = std::chrono::steady_clock::now();
    server.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(3));
  }
}

}  // namespace

namespace {

// A server that stops in the middle of the archive: the answer announces the
// whole archive, brings the first bytes and then nothing, on an open
// connection, until the server stops.
TEST(UpdateServerTest, ArchiveStallsAfterTheGivenBytes) {
  standin::UpdateOptions options = small_archive_options();
  options.stall_after = 1000;
  std::optional<RunningServer<standin::UpdateServer>> server;
  server.emplace(options, standin::ArchiveSource::generated(options.archive_size));
  ASSERT_GT(server->port(), 0);
  const RawResponse response =
      standin_test::parse_response(standin_test::exchange(server->port(), get(kArchiveGbk), 1500));
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.header("Content-Length"), std::to_string(options.archive_size));
  std::string first_bytes;
  ASSERT_TRUE(standin::ArchiveSource::generated(options.archive_size).read(0, 1000, first_bytes));
  EXPECT_TRUE(response.raw_body == first_bytes);
  const auto stopping = std::chrono::steady_clock::now();
  server.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(3));
}

}  // namespace
