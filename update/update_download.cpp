#include "update/update_download.h"

#include <windows.h>

#include "update/server_accounts.h"
#include "runtime/codepage.h"
#include "runtime/system.h"
#include "update/resume_marker.h"

namespace update {
namespace {

// The last report of a transfer, and whether the server announced a length.
// The downloader reports total = done when it did not, so the first block
// tells: with a length, the file is longer than what the first block brought
// (unless the whole rest fits into it, which the final report then settles).
class ProgressTracker {
 public:
  explicit ProgressTracker(const ProgressSink& sink) : sink_(sink) {}

  void on_block(std::int32_t total, std::int32_t done, std::int32_t elapsed_ms,
                std::int32_t done_now) {
    if (!seen_block_) {
      size_known_ = total > done;
      seen_block_ = true;
    }
    last_ = ProgressReport{total, done, elapsed_ms, done_now, size_known_};
    if (sink_) sink_(last_);
  }

  // After a complete transfer the file's size is what it holds.
  void on_complete() {
    if (!seen_block_ || !sink_) return;
    last_.total = last_.done;
    last_.size_known = true;
    sink_(last_);
  }

 private:
  const ProgressSink& sink_;
  bool seen_block_ = false;
  bool size_known_ = true;
  ProgressReport last_;
};

bool create_marker(const runtime::FilePath& path) {
  return runtime::file_exists(path) || runtime::write_file(path, runtime::Bytes());
}

}  // namespace

UpdatePaths update_paths(const runtime::FilePath& run_dir) {
  UpdatePaths paths;
  paths.folder = run_dir / L"gx";
  paths.archive = paths.folder / L"墨桥翻译.rar";
  paths.marker = paths.folder / L"hygxb.rar";
  return paths;
}

std::string archive_url() {
  return "http://" + current_update_host() + "/jiaoben/update/墨桥翻译.rar";
}

DownloadStart download_start(const UpdatePaths& paths) {
  if (!runtime::file_exists(paths.marker)) return {};
  // A marker without an archive (size -1) or with an empty one has nothing
  // to continue: start from byte 0.
  const std::int64_t present = runtime::file_size(paths.archive);
  if (present <= 0) return {};
  runtime::Bytes marker;
  runtime::read_file(paths.marker, &marker);
  return DownloadStart{present, true, parse_marker(marker)};
}

int download_archive(net::Downloader& downloader, const UpdatePaths& paths, const std::string& url,
                     const ProgressSink& progress, net::TransferControl* given_control) {
  net::TransferControl own_control;
  net::TransferControl& control = given_control ? *given_control : own_control;
  DownloadStart start;
  if (!control.unless_cancelled([&] {
        runtime::create_directory(paths.folder);
        start = download_start(paths);
        create_marker(paths.marker);
      })) {
    return net::kHttpCancelled;
  }

  net::ResumeCheck check;
  check.part_of = start.part_of;
  // Named before the first byte lands, so that a download cut at any point
  // knows which version its part belongs to.
  check.on_file = [&paths](const net::FileValidator& file) {
    runtime::write_file(paths.marker, marker_text(file));
  };

  ProgressTracker tracker(progress);
  const int result = downloader.download_http(
      url, paths.archive,
      [&tracker](std::int32_t total, std::int32_t done, std::int32_t elapsed_ms,
                 std::int32_t done_now) { tracker.on_block(total, done, elapsed_ms, done_now); },
      start.offset, start.resume, check, &control);
  if (result == net::kHttpComplete) {
    control.unless_cancelled([&] { DeleteFileW(paths.marker.c_str()); });
    tracker.on_complete();
  }
  return result;
}

}  // namespace update
