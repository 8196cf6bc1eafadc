#include "app/update_window.h"

#include <windows.h>

#include <atomic>
#include <memory>

#include "app/state.h"
#include "app/timed_notice.h"
#include "runtime/system.h"
#include "runtime/text.h"
#include "toolkit/message_loop.h"
#include "update/download_folder.h"
#include "update/update_download.h"
#include "update/version_check.h"

namespace app {
namespace {

constexpr DWORD kPauseBeforeCheckMs = 500;
constexpr unsigned kNewVersionNoticeMs = 500;

// One download at a time in the whole process: the window's thread pumps
// its messages once after a download, which would otherwise run a click
// queued meanwhile as a second, nested download.
std::atomic<bool> download_running{false};

// Holds the flag for one download; lets go however the handler ends.
class DownloadTurn {
 public:
  DownloadTurn() : taken_(!download_running.exchange(true)) {}
  DownloadTurn(const DownloadTurn&) = delete;
  DownloadTurn& operator=(const DownloadTurn&) = delete;
  ~DownloadTurn() {
    if (taken_) download_running = false;
  }
  bool taken() const { return taken_; }

 private:
  bool taken_;
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
  toolkit::Label& text = form.label("下载大小");
  text.set_text(update::progress_text(report));
  UpdateWindow(text.window_handle());

  const int percent = update::progress_percent(report);
  if (percent >= 0) {
    toolkit::ProgressBar& bar = form.progress_bar("下载进度条");
    bar.set_position(percent);
    UpdateWindow(bar.window_handle());
  }
}

void download_update(toolkit::Form& form) {
  const DownloadTurn turn;
  if (!turn.taken()) return;
  // Messages processed below may close the window; its object stays valid.
  const std::shared_ptr<toolkit::Form> keep_alive = form.shared_from_this();
  toolkit::Label& status = form.label("下载状态_标签");
  status.set_text("");
  form.progress_bar("下载进度条").set_position(0);

  int result = net::kHttpOpenInternetFailed;
  const update::UpdatePaths paths = update::update_paths(runtime::run_dir());
  if (const std::shared_ptr<net::Downloader> downloader = state().downloader.get()) {
    result = update::download_archive(
        *downloader, paths, update::archive_url(),
        [&form](const update::ProgressReport& report) { show_download_progress(form, report); });
  }
  const bool complete = result == net::kHttpComplete;
  if (complete) update::open_download_folder(paths.folder);

  toolkit::process_pending_messages();
  status.set_text(complete ? kDownloadReady : kDownloadFailed);
}

}  // namespace app
