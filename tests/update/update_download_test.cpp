// The update download against the update stand-in on loopback: where the
// archive goes, when a download resumes (the marker), what the progress
// reports say, and that a failure leaves the partial archive as it was.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/downloader.h"
#include "runtime/system.h"
#include "tests/net/download_peers.h"
#include "tests/support/test_environment.h"
#include "tests/update/update_peers.h"
#include "update/resume_marker.h"
#include "update/update_download.h"
#include "update/version_check.h"

namespace {

using test_support::to_windows_path;

constexpr size_t kArchiveSize = 300000;
constexpr size_t kPartSize = 30000;

int standin_port() { return test_support::test_port(61); }
int nginx_port() { return test_support::test_port(62); }
int unused_port() { return test_support::test_port(63); }

std::string url_on(int port) {
  return "http://127.0.0.1:" + std::to_string(port) + "/jiaoben/update/墨桥翻译.rar";
}

class UpdateDownloadTest : public testing::Test {
 protected:
  void SetUp() override {
    archive_ = test_support::update_archive_bytes(kArchiveSize);
    use_fresh_run_dir();
  }

  // A new, empty program folder.
  void use_fresh_run_dir() {
    run_dir_ = to_windows_path(test_support::scratch_dir_unix("update-download"));
    paths_ = update::update_paths(run_dir_);
  }

  // A partial archive from an earlier download, with or without its marker.
  void leave_partial_archive(size_t size, bool marker) {
    ASSERT_TRUE(runtime::create_directory(paths_.folder));
    ASSERT_TRUE(runtime::write_file(paths_.archive, archive_.substr(0, size)));
    if (marker) ASSERT_TRUE(runtime::write_file(paths_.marker, ""));
  }

  int download(const std::string& url) {
    reports_.clear();
    return update::download_archive(
        downloader_, paths_, url,
        [this](const update::ProgressReport& report) { reports_.push_back(report); });
  }

  std::string archive_on_disk() const {
    runtime::Bytes content;
    runtime::read_file(paths_.archive, &content);
    return content;
  }

  std::string archive_;
  std::string run_dir_;
  update::UpdatePaths paths_;
  net::Downloader downloader_;
  std::vector<update::ProgressReport> reports_;
  test_support::UpdateStandin standin_;
};

TEST_F(UpdateDownloadTest, FreshDownloadBuildsTheArchiveInGxAndClearsTheMarker) {
  ASSERT_TRUE(standin_.start(standin_port(), "1.1", archive_));
  EXPECT_EQ(paths_.archive, run_dir_ + "\\gx\\墨桥翻译.rar");
  EXPECT_EQ(paths_.marker, run_dir_ + "\\gx\\hygxb.rar");
  ASSERT_FALSE(runtime::file_exists(paths_.folder));

  ASSERT_EQ(download(url_on(standin_port())), net::kHttpComplete);
  EXPECT_TRUE(archive_on_disk() == archive_);
  EXPECT_FALSE(runtime::file_exists(paths_.marker));
  ASSERT_GE(reports_.size(), 2u);
  EXPECT_TRUE(reports_.front().size_known);
  EXPECT_EQ(reports_.front().total, static_cast<std::int32_t>(kArchiveSize));
  EXPECT_LT(reports_.front().done, reports_.front().total);
  const update::ProgressReport& last = reports_.back();
  EXPECT_TRUE(last.size_known);
  EXPECT_EQ(last.total, static_cast<std::int32_t>(kArchiveSize));
  EXPECT_EQ(last.done, last.total);
  EXPECT_EQ(update::progress_percent(last), 100);
}

TEST_F(UpdateDownloadTest, MarkerDecidesWhetherTheArchiveIsContinued) {
  struct Case {
    const char* what;
    long long part;  // bytes of the archive already on disk; -1: no archive
    bool marker;
    bool resumes;
  } const cases[] = {
      {"marker and a partial archive", static_cast<long long>(kPartSize), true, true},
      {"marker without an archive", -1, true, false},
      {"marker and an empty archive", 0, true, false},
      {"partial archive without a marker", static_cast<long long>(kPartSize), false, false},
  };
  ASSERT_TRUE(standin_.start(standin_port(), "1.1", archive_));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    use_fresh_run_dir();
    if (c.part >= 0) {
      leave_partial_archive(static_cast<size_t>(c.part), c.marker);
    } else if (c.marker) {
      ASSERT_TRUE(runtime::create_directory(paths_.folder));
      ASSERT_TRUE(runtime::write_file(paths_.marker, ""));
    }
    const update::DownloadStart start = update::download_start(paths_);
    EXPECT_EQ(start.resume, c.resumes);
    EXPECT_EQ(start.offset, c.resumes ? c.part : 0);

    const size_t requests_before = standin_.log().size();
    ASSERT_EQ(download(url_on(standin_port())), net::kHttpComplete);
    EXPECT_TRUE(archive_on_disk() == archive_);
    EXPECT_FALSE(runtime::file_exists(paths_.marker));
    const std::string request = standin_.log().substr(requests_before);
    EXPECT_EQ(request.find("bytes=" + std::to_string(kPartSize) + "-") != std::string::npos,
              c.resumes)
        << request;
    ASSERT_FALSE(reports_.empty());
    // The first report counts the bytes already there, but not as this
    // transfer's (the speed).
    const update::ProgressReport& first = reports_.front();
    EXPECT_EQ(first.done - first.done_now, c.resumes ? static_cast<std::int32_t>(kPartSize) : 0);
  }
}

TEST_F(UpdateDownloadTest, ResumeContinuesOnlyTheArchiveItsPartCameFrom) {
  const std::string reversed(archive_.rbegin(), archive_.rend());
  struct Case {
    const char* what;
    std::string served_after_the_cut;
    bool continued;
  } const cases[] = {
      {"same archive", archive_, true},
      {"replaced by one of the same size", reversed, false},
      {"replaced by a longer one", test_support::update_archive_bytes(kArchiveSize + 5000), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    use_fresh_run_dir();
    ASSERT_TRUE(standin_.start(standin_port(), "1.1", archive_));
    // Cut after a few blocks, as a dropped connection would.
    reports_.clear();
    net::TransferControl control;
    const int cut = update::download_archive(
        downloader_, paths_, url_on(standin_port()),
        [&control](const update::ProgressReport& r) {
          if (r.done >= static_cast<std::int32_t>(kPartSize)) control.cancel();
        },
        &control);
    ASSERT_NE(cut, net::kHttpComplete);
    const std::int64_t part = runtime::file_size(paths_.archive);
    ASSERT_GE(part, static_cast<std::int64_t>(kPartSize));
    ASSERT_LT(part, static_cast<std::int64_t>(kArchiveSize));
    runtime::Bytes marker;
    ASSERT_TRUE(runtime::read_file(paths_.marker, &marker));
    EXPECT_EQ(update::parse_marker(marker).size, static_cast<std::int64_t>(kArchiveSize)) << marker;
    EXPECT_FALSE(update::parse_marker(marker).etag.empty()) << marker;

    ASSERT_TRUE(standin_.start(standin_port(), "1.1", c.served_after_the_cut));
    ASSERT_EQ(download(url_on(standin_port())), net::kHttpComplete);
    EXPECT_TRUE(archive_on_disk() == c.served_after_the_cut);
    EXPECT_FALSE(runtime::file_exists(paths_.marker));
    const std::string log = standin_.log();
    EXPECT_NE(log.find("If-Range"), std::string::npos) << log;
    EXPECT_EQ(log.find("archive, bytes " + std::to_string(part) + "-") != std::string::npos,
              c.continued)
        << log;
    ASSERT_FALSE(reports_.empty());
    EXPECT_EQ(reports_.front().done - reports_.front().done_now,
              c.continued ? static_cast<std::int32_t>(part) : 0);
  }
}

TEST(ResumeMarkerTest, NamesTheArchiveVersionAndReadsOldOrDamagedMarkers) {
  net::FileValidator full;
  full.etag = "\"5f3a-1b2c\"";
  full.last_modified = "Tue, 08 Dec 2026 04:00:00 GMT";
  full.size = 5000000000;  // beyond 32 bits
  struct Case {
    const char* what;
    std::string text;
    net::FileValidator expected;
  } const cases[] = {
      {"written by the program", update::marker_text(full), full},
      {"empty, as older versions left it", "", net::FileValidator()},
      {"unknown lines and bare line feeds", "Other: x\nSize: 42\n", [] {
         net::FileValidator v;
         v.size = 42;
         return v;
       }()},
      {"damaged size", "Size: 4x2\r\nETag: \"a\"\r\n", [] {
         net::FileValidator v;
         v.etag = "\"a\"";
         return v;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const net::FileValidator read = update::parse_marker(c.text);
    EXPECT_EQ(read.etag, c.expected.etag);
    EXPECT_EQ(read.last_modified, c.expected.last_modified);
    EXPECT_EQ(read.size, c.expected.size);
  }
  EXPECT_EQ(update::marker_text(net::FileValidator()), "");
}

TEST_F(UpdateDownloadTest, ServerIgnoringTheRangeMakesTheArchiveStartOver) {
  ASSERT_TRUE(standin_.start(standin_port(), "1.1", archive_, "--ignore-range"));
  leave_partial_archive(kPartSize, true);
  ASSERT_EQ(download(url_on(standin_port())), net::kHttpComplete);
  EXPECT_TRUE(archive_on_disk() == archive_);
  EXPECT_FALSE(runtime::file_exists(paths_.marker));
}

TEST_F(UpdateDownloadTest, WithoutALengthTheSizeIsUnknownUntilTheEnd) {
  ASSERT_TRUE(standin_.start(standin_port(), "1.1", archive_, "--no-length"));
  ASSERT_EQ(download(url_on(standin_port())), net::kHttpComplete);
  EXPECT_TRUE(archive_on_disk() == archive_);
  ASSERT_GE(reports_.size(), 2u);
  for (size_t i = 0; i + 1 < reports_.size(); ++i) {
    EXPECT_FALSE(reports_[i].size_known) << "report " << i;
    EXPECT_EQ(update::progress_percent(reports_[i]), -1);
    EXPECT_EQ(update::progress_text(reports_[i]).find("剩余时间"), std::string::npos);
  }
  // Once complete, the size is what arrived.
  EXPECT_TRUE(reports_.back().size_known);
  EXPECT_EQ(reports_.back().total, static_cast<std::int32_t>(kArchiveSize));
  EXPECT_EQ(update::progress_percent(reports_.back()), 100);
}

TEST_F(UpdateDownloadTest, FailedDownloadLeavesThePartialArchiveAndItsMarker) {
  // nginx serves a folder without the archive: 404.
  const std::string served = test_support::scratch_dir_unix("update-nginx");
  test_support::NginxPeer nginx;
  ASSERT_TRUE(nginx.start(served, nginx_port()));
  struct Case {
    const char* what;
    int port;
  } const cases[] = {{"404 answer", nginx_port()}, {"nobody listening", unused_port()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    use_fresh_run_dir();
    leave_partial_archive(kPartSize, true);
    EXPECT_NE(download(url_on(c.port)), net::kHttpComplete);
    EXPECT_TRUE(archive_on_disk() == archive_.substr(0, kPartSize));
    EXPECT_TRUE(runtime::file_exists(paths_.marker));
    EXPECT_TRUE(reports_.empty());
  }
  EXPECT_NE(nginx.access_log().find(" 404 "), std::string::npos) << nginx.access_log();
}

// A server that stops in the middle of the archive and keeps the connection
// open. Left alone, the download fails at its stall limit and keeps its
// part; cancelled, it lets go of the files at once, and a second download
// takes them over and finishes while the first still waits on its socket.
TEST_F(UpdateDownloadTest, StalledDownloadFailsAtTheStallLimitOrIsTakenOver) {
  constexpr size_t kStallAt = 100000;
  const std::string archive = archive_.substr(0, 150000);  // the rest fits in one answer
  ASSERT_TRUE(standin_.start(standin_port(), "1.1", archive, "--stall-after " + std::to_string(kStallAt)));
  const struct {
    const char* what;
    bool cancel_and_take_over;
  } cases[] = {{"left alone", false}, {"cancelled and taken over", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    use_fresh_run_dir();
    net::TransferControl first;
    first.stall_limit = std::chrono::milliseconds(c.cancel_and_take_over ? 5000 : 2000);
    int first_result = 1;
    const auto started = std::chrono::steady_clock::now();
    std::thread stalled([&] {
      net::Downloader own;
      first_result = update::download_archive(own, paths_, url_on(standin_port()), {}, &first);
    });
    EXPECT_TRUE(test_support::wait_until(
        [&] { return runtime::file_size(paths_.archive) == static_cast<std::int64_t>(kStallAt); },
        10000, 20));
    if (c.cancel_and_take_over) {
      first.cancel();
      // No ASSERT while the first download's thread runs: it must be joined.
      EXPECT_EQ(download(url_on(standin_port())), net::kHttpComplete);
      EXPECT_TRUE(archive_on_disk() == archive);
      EXPECT_LT(std::chrono::steady_clock::now() - started, first.stall_limit);
      EXPECT_NE(standin_.log().find("bytes=" + std::to_string(kStallAt) + "-"), std::string::npos);
    }
    stalled.join();
    if (c.cancel_and_take_over) {
      EXPECT_EQ(first_result, net::kHttpCancelled);
      EXPECT_TRUE(archive_on_disk() == archive);  // the first wrote nothing more
      EXPECT_FALSE(runtime::file_exists(paths_.marker));
    } else {
      EXPECT_EQ(first_result, net::kHttpReadFailed);
      EXPECT_GE(std::chrono::steady_clock::now() - started, first.stall_limit);
      EXPECT_TRUE(archive_on_disk() == archive.substr(0, kStallAt));
      EXPECT_TRUE(runtime::file_exists(paths_.marker));
    }
  }
}

TEST_F(UpdateDownloadTest, VersionPageIsFetchedAndRead) {
  ASSERT_TRUE(standin_.start(standin_port(), u8"１.２", archive_));
  const std::string page = update::fetch_page(
      "http://127.0.0.1:" + std::to_string(standin_port()) + "/jiaoben/update/deverira.html");
  EXPECT_NE(page.find("版本号:"), std::string::npos) << page;
  EXPECT_FLOAT_EQ(update::parse_server_version(page), 1.2f);

  const std::string nothing = update::fetch_page(
      "http://127.0.0.1:" + std::to_string(unused_port()) + "/jiaoben/update/deverira.html");
  EXPECT_EQ(nothing, "");
  EXPECT_FLOAT_EQ(update::parse_server_version(nothing), 0.0f);
}

}  // namespace
