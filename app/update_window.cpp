#include "app/update_window.h"

#include <windows.h>

#include <memory>
#include <utility>

#include "app/state.h"
#include "app/timed_notice.h"
#include "app/update_download_thread.h"
#include "runtime/system.h"
#include "runtime/text.h"
#include "update/download_folder.h"
#include "update/update_download.h"
#include "update/version_check.h"

namespace app {
namespace {

constexpr DWORD kPauseBeforeCheckMs = 500;
constexpr unsigned kNewVersionNoticeMs = 500;
// The display follows the blocks at most this often; more would only cost
// the transfer time without anyone seeing it.
constexpr DWORD kProgressIntervalMs = 100;

// The reports of one download and when the display last showed one. Used
// by the download thread only.
class ProgressDisplay {
 public:
  explicit ProgressDisplay(std::shared_ptr<toolkit::Form> window) : window_(std::move(window)) {}

  void report(const update::ProgressReport& report) {
    last_ = report;
    pending_ = true;
    const DWORD now = GetTickCount();
    if (shown_any_ && now - shown_at_ < kProgressIntervalMs) return;
    show(now);
  }
  // The last report, if the display has not shown it yet.
  void catch_up() {
    if (pending_) show(GetTickCount());
  }

 private:
  void show(DWORD now) {
    show_download_progress(*window_, last_);
    shown_at_ = now;
    shown_any_ = true;
    pending_ = false;
  }

  std::shared_ptr<toolkit::Form> window_;
  update::ProgressReport last_;
  bool pending_ = false;
  bool shown_any_ = false;
  DWORD shown_at_ = 0;
};

}  // namespace

void check_for_update(toolkit::Form& form) {
  form.set_caption("检测更新");
  runtime::create_directory(update::update_paths(runtime::run_dir()).folder);
  Sleep(kPauseBeforeCheckMs);

  AppState& s = state();
  s.own_version = update::kOwnVersion;
  form.label("标签1_当前版本号").set_text(runtime::float_to_text(s.own_version));

  s.update_page_text.set(update::fetch_page(update::version_page_url()));
  s.server_version = update::parse_server_version(s.update_page_text.get());
  form.label("标签1_服务器版本号").set_text(runtime::float_to_text(s.server_version));

  if (update::server_is_newer(s.server_version, s.own_version)) {
    show_timed_notice("需要更新", 0, "服务器有新版本", nullptr, kNewVersionNoticeMs);
    form.button("下载更新").set_visible(true);
    form.button("网盘更新").set_visible(true);
  }
}

void show_download_progress(toolkit::Form& form, const update::ProgressReport& report) {
  form.label("下载大小").set_text(update::progress_text(report));
  const int percent = update::progress_percent(report);
  if (percent >= 0) form.progress_bar("下载进度条").set_position(percent);
}

void download_update(toolkit::Form& form) {
  // Clicks while a download runs (a queued double click, a second update
  // window) start nothing.
  if (update_download_running()) return;
  form.label("下载状态_标签").set_text("");
  form.progress_bar("下载进度条").set_position(0);

  // The download thread holds the window's object; the window itself may
  // close at any time, which ends the download.
  const std::shared_ptr<toolkit::Form> window = form.shared_from_this();
  auto display = std::make_shared<ProgressDisplay>(window);
  UpdateDownloadJob job;
  job.cancelled = [window] { return !window->exists(); };
  job.progress = [display](const update::ProgressReport& report) { display->report(report); };
  job.finished = [window, display](int result) {
    if (!window->exists()) return;
    display->catch_up();
    const bool complete = result == net::kHttpComplete;
    if (complete) update::open_download_folder(update::update_paths(runtime::run_dir()).folder);
    window->label("下载状态_标签").set_text(complete ? kDownloadReady : kDownloadFailed);
  };
  start_update_download(std::move(job));
}

}  // namespace app
