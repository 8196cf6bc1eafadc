#pragma once
// The update window's work: the version check when it opens and the
// download of the new version from its button 下载更新.
#include "toolkit/form.h"
#include "update/download_progress.h"

namespace app {

// The status 下载状态_标签 shows after the download call returned.
inline constexpr char kDownloadReady[] = "就绪";   // the archive is complete
inline constexpr char kDownloadFailed[] = "失败";  // anything else

// Created handler of update_window: captions the window, creates the
// download folder, pauses 500 ms (so that the start-up version gate reads
// the values before they are published), then publishes own_version and
// server_version, shows both and offers the download when the server's is
// newer.
void check_for_update(toolkit::Form& form);

// Click handler of 下载更新: downloads the archive into the folder "gx" next
// to the program, continuing an interrupted download, and shows the outcome
// in 下载状态_标签. The transfer runs on a thread of its own that posts its
// progress to the window, so the window stays responsive; closing the
// window ends the transfer at once and keeps the part for the next
// download, which any update window can start right away. Clicks during a
// download are ignored.
void download_update(toolkit::Form& form);

// The progress display: the lines of 下载大小 and the bar 下载进度条. On the
// window's thread.
void show_download_progress(toolkit::Form& form, const update::ProgressReport& report);

}  // namespace app
