#pragma once
// The download of the update archive on a thread of its own, so that the
// window it reports to keeps answering and repainting for as long as the
// transfer takes. One wanted download at a time in the whole process.
//
// A download ends when its control is cancelled (its window closed): the
// transfer's handles are closed and it no longer touches the archive or the
// marker. Its thread may still wind down a while (under Wine a read blocked
// on a silent server ends only at the stall limit); a new download does not
// wait for that: it waits at most kTakeOverWaitMs for the old thread, then
// takes the files over.
#include <functional>
#include <memory>

#include "net/transfer_control.h"
#include "update/download_progress.h"

namespace app {

inline constexpr unsigned kTakeOverWaitMs = 2000;

// What a download reports. Both members are called on the download thread
// and must not wait for any window's thread (post, never send).
struct UpdateDownloadJob {
  std::function<void(const update::ProgressReport&)> progress;
  // Last, with the downloader's result (net::kHttpComplete on success);
  // not called for a download that was cancelled.
  std::function<void(int result)> finished;
};

// True while a download that nobody cancelled runs.
bool update_download_running();

// Starts downloading the archive into "gx" next to the program, resuming
// per the marker. Returns the download's control, or null, with nothing
// started, while a wanted download runs or the program is ending.
std::shared_ptr<net::TransferControl> start_update_download(UpdateDownloadJob job);

// At exit: cancels the running download and waits up to timeout_ms for
// every download thread to let go of the program's objects, dispatching
// this thread's window messages meanwhile. True when none runs any more.
bool finish_update_download(unsigned timeout_ms);

}  // namespace app
