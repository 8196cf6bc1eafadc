#pragma once
// The download of the update archive on a thread of its own, so that the
// window it reports to keeps answering and repainting for as long as the
// transfer takes. One download at a time in the whole process.
#include <functional>

#include "update/download_progress.h"

namespace app {

// What a download reports, and when it gives up. Every member is called on
// the download thread.
struct UpdateDownloadJob {
  // Polled after every block; true ends the transfer (the partial archive
  // and the resume marker stay for the next download).
  std::function<bool()> cancelled;
  std::function<void(const update::ProgressReport&)> progress;
  // Last, with the downloader's result (net::kHttpComplete on success).
  std::function<void(int result)> finished;
};

// True while a download runs (or winds down after a cancel).
bool update_download_running();

// Starts downloading the archive into "gx" next to the program, resuming
// per the marker. False, with nothing started, while another download runs.
bool start_update_download(UpdateDownloadJob job);

// At exit: asks a running download to stop and waits up to timeout_ms for
// its thread to let go of the program's objects, dispatching this thread's
// window messages meanwhile. True when no download runs any more.
bool finish_update_download(unsigned timeout_ms);

}  // namespace app
