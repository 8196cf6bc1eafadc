// The downloader against real servers on loopback: nginx (HTTP with
// ranges), pyftpdlib (FTP) and a scripted HTTP server for answers a
// well-behaved server never gives.
#include "net/downloader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/system.h"
#include "runtime/text.h"
#include "tests/net/download_peers.h"
#include "tests/support/test_environment.h"

namespace {

using test_support::to_windows_path;

constexpr int kNginxPort = 1;
constexpr int kNginxNoRangePort = 2;
constexpr int kFtpPort = 3;
constexpr int kScriptedPort = 4;
constexpr int kClosedPort = 5;  // nothing listens there
constexpr int kFtpIgnoringRestPort = 6;
constexpr std::int64_t kSourceSize = 307'213;  // not a multiple of the 10240-byte block
constexpr std::int64_t kBlock = 10240;

std::string make_content(std::int64_t size, std::uint32_t seed) {
  std::string bytes(static_cast<size_t>(size), '\0');
  for (char& byte : bytes) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<char>(seed >> 24);
  }
  return bytes;
}

std::string read_all(const std::string& path) {
  runtime::Bytes content;
  if (!runtime::read_file(path, &content)) return "<missing>";
  return content;
}

struct ProgressCall {
  std::int32_t total, done, elapsed_ms, done_now;
};

struct ProgressLog {
  std::vector<ProgressCall> calls;
  net::DownloadProgress callback() {
    return [this](std::int32_t total, std::int32_t done, std::int32_t elapsed, std::int32_t now) {
      calls.push_back({total, done, elapsed, now});
    };
  }
};

// Every call: a block of at most 10240 new bytes, done_now counting from
// start, elapsed never 0, total as expected (-1: no length announced, so
// total follows done); the last call reaches final_size.
void expect_progress(const ProgressLog& log, std::int64_t start, std::int64_t expected_total,
                     std::int64_t final_size) {
  ASSERT_FALSE(log.calls.empty());
  std::int64_t previous = start;
  for (const ProgressCall& call : log.calls) {
    EXPECT_GT(call.done, previous);
    EXPECT_LE(call.done - previous, kBlock);
    EXPECT_EQ(call.done_now, call.done - start);
    EXPECT_GT(call.elapsed_ms, 0);
    EXPECT_EQ(call.total, expected_total >= 0 ? expected_total : call.done);
    previous = call.done;
  }
  EXPECT_EQ(log.calls.back().done, final_size);
}

std::string http_head(const std::string& status_line, const std::string& fields) {
  return status_line + "\r\n" + fields + "Connection: close\r\n\r\n";
}

class DownloaderTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    served_unix_ = new std::string(test_support::scratch_dir_unix("served"));
    source_ = new std::string(make_content(kSourceSize, 7));
    ASSERT_TRUE(runtime::write_file(to_windows_path(*served_unix_ + "/source.bin"), *source_));
    // A file whose name on the server is the GBK bytes of "墨桥翻译.rar".
    ASSERT_EQ(test_support::run_unix("cd '" + *served_unix_ + "' && cp source.bin \"$(printf "
                                     "'\\304\\253\\307\\305\\267\\255\\322\\353')"
                                     ".rar\""),
              0);
    nginx_ = new test_support::NginxPeer;
    ASSERT_TRUE(nginx_->start(*served_unix_, test_support::test_port(kNginxPort),
                              test_support::test_port(kNginxNoRangePort)));
    ftp_ = new test_support::FtpPeer;
    ASSERT_TRUE(ftp_->start(*served_unix_, test_support::test_port(kFtpPort)));
    ftp_ignoring_rest_ = new test_support::FtpPeer;
    ASSERT_TRUE(ftp_ignoring_rest_->start(*served_unix_,
                                          test_support::test_port(kFtpIgnoringRestPort), true));
  }
  static void TearDownTestSuite() {
    delete ftp_ignoring_rest_;
    delete ftp_;
    delete nginx_;
    delete source_;
    delete served_unix_;
  }

  void SetUp() override {
    local_dir_ = to_windows_path(test_support::scratch_dir_unix("local"));
  }

  static std::string http_url(const std::string& name, int port_offset = kNginxPort) {
    return "http://127.0.0.1:" + std::to_string(test_support::test_port(port_offset)) + "/" +
           name;
  }
  static std::string ftp_url(const std::string& name, int port_offset = kFtpPort) {
    return "ftp://127.0.0.1:" + std::to_string(test_support::test_port(port_offset)) + "/" + name;
  }
  std::string local(const std::string& name) const { return local_dir_ + "\\" + name; }
  static const std::string& source() { return *source_; }
  static std::string access_log() { return nginx_->access_log(); }

  std::string local_dir_;
  net::Downloader downloader_;

 private:
  static std::string* served_unix_;
  static std::string* source_;
  static test_support::NginxPeer* nginx_;
  static test_support::FtpPeer* ftp_;
  static test_support::FtpPeer* ftp_ignoring_rest_;
};

std::string* DownloaderTest::served_unix_ = nullptr;
std::string* DownloaderTest::source_ = nullptr;
test_support::NginxPeer* DownloaderTest::nginx_ = nullptr;
test_support::FtpPeer* DownloaderTest::ftp_ = nullptr;
test_support::FtpPeer* DownloaderTest::ftp_ignoring_rest_ = nullptr;

TEST_F(DownloaderTest, FreshHttpCopyIsIdenticalAndReportsEveryBlock) {
  // A Chinese folder and file name: the path goes through the W functions.
  const std::string folder = local("下载");
  ASSERT_TRUE(runtime::create_directory(folder));
  const std::string path = folder + "\\墨桥翻译.bin";
  ProgressLog log;
  EXPECT_EQ(downloader_.download_http(http_url("source.bin"), path, log.callback()),
            net::kHttpComplete);
  EXPECT_TRUE(read_all(path) == source());
  expect_progress(log, 0, kSourceSize, kSourceSize);
  EXPECT_EQ(downloader_.url, http_url("source.bin"));
  EXPECT_NE(downloader_.file_number, 0);
}

TEST_F(DownloaderTest, UrlWithAChineseFileName) {
  // The URL is GBK text; the server must see the GBK bytes of the name,
  // whatever the system's ANSI code page (Wine's here is 1252).
  const std::string path = local("archive.rar");
  EXPECT_EQ(downloader_.download_http(http_url("墨桥翻译.rar"), path), net::kHttpComplete);
  EXPECT_TRUE(read_all(path) == source());
}

TEST_F(DownloaderTest, ResumedHttpCopyAsksForTheRestAndCountsOnlyNewBytes) {
  const std::string path = local("resumed.bin");
  ASSERT_TRUE(runtime::write_file(path, source().substr(0, 1000)));
  ProgressLog log;
  EXPECT_EQ(downloader_.download_http(http_url("source.bin"), path, log.callback(), 1000, true),
            net::kHttpComplete);
  EXPECT_TRUE(read_all(path) == source());
  expect_progress(log, 1000, kSourceSize, kSourceSize);
  EXPECT_EQ(log.calls.front().done - log.calls.front().done_now, 1000);
  // nginx logs a request once its answer is sent, so the line may lag.
  const std::string logged =
      "/source.bin 206 \"bytes=1000-\" " + std::to_string(kSourceSize - 1000);
  EXPECT_TRUE(test_support::wait_until(
      [&] { return access_log().find(logged) != std::string::npos; }, 5000))
      << access_log();
}

TEST_F(DownloaderTest, ResumeThatCannotContinueStartsAFreshCopy) {
  struct Case {
    const char* name;
    std::int64_t offset;
    bool local_file;
    std::string local_content;
  };
  const std::string longer = source() + "more bytes than the server's file has";
  const Case cases[] = {
      {"offset -1", -1, true, "stale bytes that must go"},
      {"no local file", 1000, false, ""},
      {"offset beyond the local file", 2000, true, "only a few bytes"},
      {"part longer than the server's file", static_cast<std::int64_t>(longer.size()), true, longer},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = local(std::string("fresh-") + std::to_string(&c - cases) + ".bin");
    if (c.local_file) {
      ASSERT_TRUE(runtime::write_file(path, c.local_content));
    }
    ProgressLog log;
    EXPECT_EQ(downloader_.download_http(http_url("source.bin"), path, log.callback(), c.offset,
                                        true),
              net::kHttpComplete);
    EXPECT_TRUE(read_all(path) == source());
    expect_progress(log, 0, kSourceSize, kSourceSize);
  }
}

TEST_F(DownloaderTest, ServerIgnoringTheRangeMakesTheFileStartOver) {
  const std::string path = local("ignored-range.bin");
  ASSERT_TRUE(runtime::write_file(path, source().substr(0, 1000)));
  ProgressLog log;
  EXPECT_EQ(downloader_.download_http(http_url("source.bin", kNginxNoRangePort), path,
                                      log.callback(), 1000, true),
            net::kHttpComplete);
  EXPECT_EQ(runtime::file_size(path), kSourceSize);
  EXPECT_TRUE(read_all(path) == source());
  expect_progress(log, 0, kSourceSize, kSourceSize);
}

TEST_F(DownloaderTest, ErrorAnswerLeavesTheLocalFileAsItWas) {
  const std::string partial = source().substr(0, 1000);
  for (const bool resume : {false, true}) {
    SCOPED_TRACE(resume ? "resumed" : "fresh");
    const std::string path = local(resume ? "404-resumed.bin" : "404-fresh.bin");
    ASSERT_TRUE(runtime::write_file(path, partial));
    ProgressLog log;
    EXPECT_EQ(downloader_.download_http(http_url("missing.bin"), path, log.callback(), 1000,
                                        resume),
              net::kHttpServerRefused);
    EXPECT_TRUE(read_all(path) == partial);
    EXPECT_TRUE(log.calls.empty());
  }
}

TEST_F(DownloaderTest, ResumingAWholeFileKeepsItAndSucceeds) {
  const std::string path = local("whole.bin");
  ASSERT_TRUE(runtime::write_file(path, source()));
  EXPECT_EQ(downloader_.download_http(http_url("source.bin"), path, {}, kSourceSize, true),
            net::kHttpComplete);
  EXPECT_TRUE(read_all(path) == source());
}

TEST_F(DownloaderTest, UnreachableServerAndUnwritablePathAreReported) {
  EXPECT_EQ(downloader_.download_http(http_url("source.bin", kClosedPort), local("x.bin")),
            net::kHttpOpenUrlFailed);
  EXPECT_FALSE(runtime::file_exists(local("x.bin")));
  EXPECT_EQ(downloader_.download_http(http_url("source.bin"), local("no-such-folder\\x.bin")),
            net::kHttpOpenLocalFileFailed);
  EXPECT_EQ(downloader_.file_number, 0);
}

TEST_F(DownloaderTest, RequestCarriesTheFixedHeadersAndTheRangeLine) {
  const std::string body = source().substr(1000, 5000);
  test_support::ScriptedHttpPeer server;
  ASSERT_TRUE(server.start(test_support::test_port(kScriptedPort), [&](const std::string&) {
    return http_head("HTTP/1.1 206 Partial Content",
                     "Content-Length: 5000\r\nContent-Range: bytes 1000-5999/6000\r\n") +
           body;
  }));
  const std::string path = local("headers.bin");
  ASSERT_TRUE(runtime::write_file(path, source().substr(0, 1000)));
  EXPECT_EQ(downloader_.download_http(http_url("f.bin", kScriptedPort), path, {}, 1000, true),
            net::kHttpComplete);
  EXPECT_TRUE(read_all(path) == source().substr(0, 6000));
  server.stop();
  ASSERT_EQ(server.requests().size(), 1u);
  const std::string request = server.requests()[0];
  for (const char* line :
       {"GET /f.bin HTTP/1.1\r\n", "\r\nAccept: */*\r\n", "\r\nAccept-Language: zh-cn\r\n",
        "\r\nAccept-Encoding: gzip, deflate\r\n",
        "\r\nUser-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR "
        "1.1.4322)\r\n"}) {
    EXPECT_NE(request.find(line), std::string::npos) << line << "\n" << request;
  }
  EXPECT_TRUE(request.find("\r\nRange:bytes=1000-\r\n") != std::string::npos ||
              request.find("\r\nRange: bytes=1000-\r\n") != std::string::npos)
      << request;
}

TEST_F(DownloaderTest, AnswerWithoutLengthReportsTheBytesPresentAsTotal) {
  const std::string body = source().substr(0, 50'000);
  test_support::ScriptedHttpPeer server;
  ASSERT_TRUE(server.start(test_support::test_port(kScriptedPort), [&](const std::string&) {
    return "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n" + body;
  }));
  const std::string path = local("no-length.bin");
  ProgressLog log;
  EXPECT_EQ(downloader_.download_http(http_url("f.bin", kScriptedPort), path, log.callback()),
            net::kHttpComplete);
  EXPECT_TRUE(read_all(path) == body);
  expect_progress(log, 0, -1, 50'000);
}

TEST_F(DownloaderTest, CutOffTransferFailsAndResumesToAnIdenticalFile) {
  const std::int64_t cut_at = kSourceSize / 2;
  test_support::ScriptedHttpPeer server;
  ASSERT_TRUE(server.start(test_support::test_port(kScriptedPort), [&](const std::string&) {
    return http_head("HTTP/1.1 200 OK",
                     "Content-Length: " + std::to_string(kSourceSize) + "\r\n") +
           source().substr(0, static_cast<size_t>(cut_at));
  }));
  const std::string path = local("cut.bin");
  EXPECT_EQ(downloader_.download_http(http_url("f.bin", kScriptedPort), path),
            net::kHttpReadFailed);
  server.stop();
  const std::int64_t present = runtime::file_size(path);
  EXPECT_EQ(present, cut_at);
  EXPECT_TRUE(read_all(path) == source().substr(0, static_cast<size_t>(present)));

  ProgressLog log;
  EXPECT_EQ(downloader_.download_http(http_url("source.bin"), path, log.callback(), present, true),
            net::kHttpComplete);
  EXPECT_TRUE(read_all(path) == source());
  expect_progress(log, present, kSourceSize, kSourceSize);
}

// A cancel from the progress callback: the transfer ends after the block
// it reported, and the part holds exactly the bytes reported.
TEST_F(DownloaderTest, CancellingDuringATransferEndsItAndKeepsThePart) {
  struct Case {
    const char* name;
    std::function<int(net::Downloader&, const std::string&, const net::DownloadProgress&,
                      net::TransferControl*)>
        download;
    int expected;
  } const cases[] = {
      {"HTTP",
       [](net::Downloader& d, const std::string& path, const net::DownloadProgress& progress,
          net::TransferControl* control) {
         return d.download_http(http_url("source.bin"), path, progress, 0, false, {}, control);
       },
       net::kHttpCancelled},
      {"FTP",
       [](net::Downloader& d, const std::string& path, const net::DownloadProgress& progress,
          net::TransferControl* control) {
         return d.download_ftp(ftp_url("source.bin"), path, "", "", progress, 0, false, control);
       },
       net::kFtpCancelled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = local(std::string("cancelled-") + c.name);
    net::TransferControl control;
    std::int32_t reported = -1;
    const int result = c.download(downloader_, path,
                                  [&](std::int32_t, std::int32_t done, std::int32_t, std::int32_t) {
                                    if (reported < 0) reported = done;
                                    control.cancel();
                                  },
                                  &control);
    EXPECT_EQ(result, c.expected);
    ASSERT_GT(reported, 0);
    EXPECT_EQ(runtime::file_size(path), reported);
    EXPECT_TRUE(read_all(path) == source().substr(0, static_cast<size_t>(reported)));
  }
}

TEST_F(DownloaderTest, FtpLogins) {
  struct Case {
    const char* name;
    const char* user;
    const char* password;
    int expected;
  };
  const Case cases[] = {
      {"default login Anonymous/GuestQ@", "", "", net::kFtpComplete},
      {"explicit user", "tester", "secret", net::kFtpComplete},
      {"wrong password", "tester", "wrong", net::kFtpConnectFailed},
      {"default user, wrong password", "", "nope", net::kFtpConnectFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = local(std::string("ftp-") + std::to_string(&c - cases) + ".bin");
    ProgressLog log;
    EXPECT_EQ(downloader_.download_ftp(ftp_url("source.bin"), path, c.user, c.password,
                                       log.callback()),
              c.expected);
    if (c.expected == net::kFtpComplete) {
      EXPECT_TRUE(read_all(path) == source());
      expect_progress(log, 0, kSourceSize, kSourceSize);
    } else {
      EXPECT_FALSE(runtime::file_exists(path));
    }
  }
}

TEST_F(DownloaderTest, FtpMissingRemoteFileIsReported) {
  EXPECT_EQ(downloader_.download_ftp(ftp_url("missing.bin"), local("m.bin")),
            net::kFtpRemoteFileNotFound);
  EXPECT_FALSE(runtime::file_exists(local("m.bin")));
}

TEST_F(DownloaderTest, FtpResume) {
  struct Case {
    const char* name;
    std::int64_t offset;
    std::int64_t local_bytes;  // -1: no local file
    std::int64_t expected_start;
  };
  const Case cases[] = {
      {"offset 1000", 1000, 1000, 1000},
      {"offset -1", -1, 1000, 0},
      {"no local file", 1000, -1, 0},
      {"whole file present", kSourceSize, kSourceSize, kSourceSize},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = local(std::string("ftp-resume-") + std::to_string(&c - cases));
    if (c.local_bytes >= 0) {
      ASSERT_TRUE(runtime::write_file(path, source().substr(0, static_cast<size_t>(c.local_bytes))));
    }
    ProgressLog log;
    EXPECT_EQ(downloader_.download_ftp(ftp_url("source.bin"), path, "", "", log.callback(),
                                       c.offset, true),
              net::kFtpComplete);
    EXPECT_TRUE(read_all(path) == source());
    if (c.expected_start < kSourceSize) {
      expect_progress(log, c.expected_start, kSourceSize, kSourceSize);
    }
  }
}

TEST_F(DownloaderTest, MoreBytesThanTheFileHoldsIsAFailureThatKeepsTheResumedPart) {
  const std::string part = source().substr(0, 1000);
  // Announces the rest of a 6000-byte file but sends 8000 bytes, chunked.
  const std::string too_long = source().substr(1000, 8000);
  test_support::ScriptedHttpPeer server;
  ASSERT_TRUE(server.start(test_support::test_port(kScriptedPort), [&](const std::string&) {
    std::string chunks;
    for (size_t at = 0; at < too_long.size(); at += 2000) {
      chunks += "7D0\r\n" + too_long.substr(at, 2000) + "\r\n";
    }
    return http_head("HTTP/1.1 206 Partial Content",
                     "Content-Range: bytes 1000-5999/6000\r\nTransfer-Encoding: chunked\r\n") +
           chunks + "0\r\n\r\n";
  }));
  struct Case {
    const char* name;
    std::function<int(net::Downloader&, const std::string& path)> download;
    int expected;
  } const cases[] = {
      {"HTTP range longer than it said",
       [](net::Downloader& d, const std::string& path) {
         return d.download_http(http_url("f.bin", kScriptedPort), path, {}, 1000, true);
       },
       net::kHttpTooLong},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = local(std::string("too-long-") + std::to_string(&c - cases));
    ASSERT_TRUE(runtime::write_file(path, part));
    EXPECT_EQ(c.download(downloader_, path), c.expected);
    EXPECT_TRUE(read_all(path) == part);
  }
}

// A server that accepts a restart offset and sends the file from its start
// anyway: the bytes it sends first do not continue the part, the file
// starts over with them, and a transfer cut at any point leaves only bytes
// in their right places.
TEST_F(DownloaderTest, FtpServerIgnoringTheRestartOffsetMakesTheFileStartOver) {
  struct Case {
    const char* name;
    std::int64_t part;
    bool cut_after_first_block;
  } const cases[] = {
      {"part within the overlap", 1000, false},
      {"part beyond the overlap", 100000, false},
      {"part beyond the overlap, cut", 100000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = local(std::string("ignored-rest-") + std::to_string(&c - cases));
    ASSERT_TRUE(runtime::write_file(path, source().substr(0, static_cast<size_t>(c.part))));
    net::TransferControl control;
    ProgressLog log;
    const int result = downloader_.download_ftp(
        ftp_url("source.bin", kFtpIgnoringRestPort), path, "", "",
        [&](std::int32_t total, std::int32_t done, std::int32_t elapsed, std::int32_t now) {
          log.calls.push_back({total, done, elapsed, now});
          if (c.cut_after_first_block) control.cancel();
        },
        c.part, true, &control);
    const std::string local_file = read_all(path);
    if (c.cut_after_first_block) {
      EXPECT_EQ(result, net::kFtpCancelled);
      ASSERT_EQ(log.calls.size(), 1u);
      EXPECT_EQ(static_cast<std::int64_t>(local_file.size()), log.calls.front().done);
      EXPECT_LT(local_file.size(), static_cast<size_t>(c.part));
      EXPECT_TRUE(local_file == source().substr(0, local_file.size()));
    } else {
      EXPECT_EQ(result, net::kFtpComplete);
      EXPECT_TRUE(local_file == source());
    }
  }
}

TEST_F(DownloaderTest, ResumeContinuesOnlyThePartsOwnFile) {
  // The version of source.bin nginx serves, as the downloader reports it.
  net::FileValidator served;
  net::ResumeCheck listen;
  listen.on_file = [&served](const net::FileValidator& file) { served = file; };
  ASSERT_EQ(downloader_.download_http(http_url("source.bin"), local("first.bin"), {}, 0, false,
                                      listen),
            net::kHttpComplete);
  ASSERT_EQ(served.etag.front(), '"');
  ASSERT_NE(served.last_modified.find(" GMT"), std::string::npos);
  ASSERT_EQ(served.size, kSourceSize);

  net::FileValidator other_tag = served;
  other_tag.etag = "\"5f0-0\"";
  net::FileValidator other_date;
  other_date.last_modified = "Mon, 01 Jan 2001 00:00:00 GMT";
  net::FileValidator other_size;
  other_size.size = kSourceSize + 1;
  struct Case {
    const char* name;
    net::FileValidator part_of;
    bool part_is_the_files;  // else the present bytes came from another file
    std::int64_t expected_start;
  } const cases[] = {
      {"same file", served, true, 1000},
      {"nothing known of the part: trusted", net::FileValidator(), true, 1000},
      {"another entity tag", other_tag, false, 0},
      {"another date", other_date, false, 0},
      {"another size", other_size, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = local(std::string("if-range-") + std::to_string(&c - cases));
    ASSERT_TRUE(runtime::write_file(path, c.part_is_the_files ? source().substr(0, 1000)
                                                              : make_content(1000, 99)));
    ProgressLog log;
    net::ResumeCheck check;
    check.part_of = c.part_of;
    net::FileValidator written;
    check.on_file = [&written](const net::FileValidator& file) { written = file; };
    EXPECT_EQ(downloader_.download_http(http_url("source.bin"), path, log.callback(), 1000, true,
                                        check),
              net::kHttpComplete);
    EXPECT_TRUE(read_all(path) == source());
    expect_progress(log, c.expected_start, kSourceSize, kSourceSize);
    EXPECT_EQ(written.etag, served.etag);
    EXPECT_EQ(written.size, kSourceSize);
  }
}

TEST_F(DownloaderTest, ServerIgnoringIfRangeWithAChangedFileMakesItStartOver) {
  // The file changed on the server, which continues it anyway: the 206
  // answer names the new version.
  const std::string changed = make_content(6000, 3);
  test_support::ScriptedHttpPeer server;
  ASSERT_TRUE(server.start(test_support::test_port(kScriptedPort), [&](const std::string& request) {
    const std::string tag = "ETag: \"new\"\r\n";
    if (request.find("\r\nRange:") == std::string::npos) {
      return http_head("HTTP/1.1 200 OK", tag + "Content-Length: 6000\r\n") + changed;
    }
    return http_head("HTTP/1.1 206 Partial Content",
                     tag + "Content-Length: 5000\r\nContent-Range: bytes 1000-5999/6000\r\n") +
           changed.substr(1000);
  }));
  const std::string path = local("changed.bin");
  ASSERT_TRUE(runtime::write_file(path, source().substr(0, 1000)));
  net::ResumeCheck check;
  check.part_of.etag = "\"old\"";
  EXPECT_EQ(downloader_.download_http(http_url("f.bin", kScriptedPort), path, {}, 1000, true,
                                      check),
            net::kHttpComplete);
  EXPECT_TRUE(read_all(path) == changed);
  server.stop();
  const std::vector<std::string> requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_NE(requests[0].find("\r\nIf-Range: \"old\"\r\n"), std::string::npos) << requests[0];
  EXPECT_EQ(requests[1].find("Range"), std::string::npos) << requests[1];
}

}  // namespace
