#pragma once
// Downloading the new version's archive into the folder "gx" next to the
// program, continuing an interrupted download where it stopped.
//
// The resume marker "gx\hygxb.rar" records that a download of the archive
// is unfinished: it is created when a download starts and deleted once the
// archive is complete. While it exists, the next download asks the server
// only for the bytes the archive still lacks, provided the server still
// has the version of the archive they came from (which the marker names,
// see resume_marker.h); otherwise the archive starts over.
#include <cstdint>
#include <functional>
#include <string>

#include "net/downloader.h"
#include "runtime/file_path.h"
#include "update/download_progress.h"

namespace update {

struct UpdatePaths {
  runtime::FilePath folder;   // run_dir\gx
  runtime::FilePath archive;  // run_dir\gx\墨桥翻译.rar
  runtime::FilePath marker;   // run_dir\gx\hygxb.rar
};

// The paths under run_dir (the program's folder, without trailing backslash).
UpdatePaths update_paths(const runtime::FilePath& run_dir);

// "http://" + the update host in force + the archive's path (GBK, not
// percent-encoded).
std::string archive_url();

// How a download of the archive starts: from byte 0, or after the bytes the
// archive already holds.
struct DownloadStart {
  std::int64_t offset = 0;
  bool resume = false;
  net::FileValidator part_of;  // the version the bytes on disk came from, as far as known
};
// Resumes only when the marker and a non-empty archive both exist.
DownloadStart download_start(const UpdatePaths& paths);

using ProgressSink = std::function<void(const ProgressReport&)>;

// Downloads url into paths.archive (creating the folder when needed),
// resuming per the marker. progress gets every block and, after a complete
// transfer, one last report with the final size known. Returns the
// downloader's result (net::kHttpComplete on success); a failure keeps the
// marker, so the next call continues. With control given, cancelling it
// ends the download at once as far as the files are concerned: neither the
// archive nor the marker is touched afterwards, so that another download
// can take them over.
int download_archive(net::Downloader& downloader, const UpdatePaths& paths, const std::string& url,
                     const ProgressSink& progress, net::TransferControl* control = nullptr);

}  // namespace update
