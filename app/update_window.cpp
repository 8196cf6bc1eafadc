#include "app/update_window.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <utility>

#include "app/state.h"
#include "app/timed_notice.h"
#include "app/update_download_thread.h"
#include "app/update_window_mailbox.h"
#include "runtime/system.h"
#include "runtime/text.h"
#include "update/download_folder.h"
#include "update/update_download.h"
#include "update/version_check.h"

namespace app {
namespace {

constexpr DWORD kPauseBeforeCheckMs = 500;
constexpr unsigned kNewVersionNoticeMs = 500;
// The display follows the blocks at most this often; more would only keep
// the window's thread repainting without anyone seeing it.
constexpr DWORD kProgressIntervalMs = 100;

// The reports of one download, handed to the window's thread by post: the
// download thread never waits for the window, however busy it is. At most
// one display update is on its way at a time, and the display follows the
// blocks at most every kProgressIntervalMs.
class ProgressDisplay : public std::enable_shared_from_this<ProgressDisplay> {
 public:
  ProgressDisplay(std::shared_ptr<toolkit::Form> window, std::shared_ptr<WindowMailbox> mailbox)
      : window_(std::move(window)), mailbox_(std::move(mailbox)) {}

  // On the download thread.
  void report(const update::ProgressReport& report) {
    const DWORD now = GetTickCount();
    std::lock_guard<std::mutex> lock(mutex_);
    last_ = report;
    pending_ = true;
    if (on_its_way_ || (shown_any_ && now - posted_at_ < kProgressIntervalMs)) return;
    post_locked(now);
  }
  // On the download thread, last: the final report and the outcome.
  void finish(int result) {
    mailbox_->post([self = shared_from_this(), result] { self->show_outcome(result); });
  }

 private:
  void post_locked(DWORD now) {
    on_its_way_ = mailbox_->post([self = shared_from_this()] { self->show_latest(); });
    posted_at_ = now;
    shown_any_ = true;
  }
  // On the window's thread.
  void show_latest() {
    update::ProgressReport report;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      on_its_way_ = false;
      if (!pending_) return;
      report = last_;
      pending_ = false;
    }
    if (window_->exists()) show_download_progress(*window_, report);
  }
  void show_outcome(int result) {
    show_latest();
    if (!window_->exists()) return;
    const bool complete = result == net::kHttpComplete;
    if (complete) update::open_download_folder(update::update_paths(runtime::run_dir()).folder);
    window_->label("下载状态_标签").set_text(complete ? kDownloadReady : kDownloadFailed);
    mailbox_->close();
  }

  const std::shared_ptr<toolkit::Form> window_;
  const std::shared_ptr<WindowMailbox> mailbox_;
  std::mutex mutex_;
  update::ProgressReport last_;
  bool pending_ = false;
  bool on_its_way_ = false;
  bool shown_any_ = false;
  DWORD posted_at_ = 0;
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
  const std::shared_ptr<WindowMailbox> mailbox = WindowMailbox::open(form.handle());
  if (!mailbox) return;
  form.label("下载状态_标签").set_text("");
  form.progress_bar("下载进度条").set_position(0);

  // The download thread holds the window's object; the window itself may
  // close at any time, which cancels the download (see mailbox below).
  auto display = std::make_shared<ProgressDisplay>(form.shared_from_this(), mailbox);
  UpdateDownloadJob job;
  job.progress = [display](const update::ProgressReport& report) { display->report(report); };
  job.finished = [display](int result) { display->finish(result); };
  const std::shared_ptr<net::TransferControl> control = start_update_download(std::move(job));
  if (!control) {
    mailbox->close();
    return;
  }
  // The mailbox dies with the window: closing the window ends the transfer
  // at once and keeps its part for the next download.
  mailbox->on_destroyed([control] { control->cancel(); });
}

}  // namespace app
