#include "app/update_download_thread.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <utility>

#include "app/state.h"
#include "platform/unique_handle.h"
#include "runtime/system.h"
#include "update/update_download.h"

namespace app {
namespace {

// Whether a download runs, and whether the program is ending. Never
// destroyed: the download thread may still be reading while the process
// exits.
class DownloadSlot {
 public:
  DownloadSlot() : idle_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

  bool take() {
    if (running_.exchange(true)) return false;
    ResetEvent(idle_.get());
    return true;
  }
  void give_back() {
    running_ = false;
    SetEvent(idle_.get());
  }
  bool running() const { return running_; }
  HANDLE idle_event() const { return idle_.get(); }

  bool stopping() const { return stopping_; }
  void stop() { stopping_ = true; }

 private:
  std::atomic<bool> running_{false};
  std::atomic<bool> stopping_{false};
  platform::KernelHandle idle_;  // signalled while no download runs
};

DownloadSlot& slot() {
  static DownloadSlot* const instance = new DownloadSlot;
  return *instance;
}

void run_download(UpdateDownloadJob& job) {
  int result = net::kHttpOpenInternetFailed;
  // Borrowed: the exit routine may release the program's downloader meanwhile.
  if (const std::shared_ptr<net::Downloader> downloader = state().downloader.get()) {
    result = update::download_archive(
        *downloader, update::update_paths(runtime::run_dir()), update::archive_url(),
        [&job, &downloader](const update::ProgressReport& report) {
          if (slot().stopping() || (job.cancelled && job.cancelled())) {
            downloader->close_file();  // the transfer ends at its next block
            return;
          }
          if (job.progress) job.progress(report);
        });
  }
  if (job.finished) job.finished(result);
}

}  // namespace

bool update_download_running() { return slot().running(); }

bool start_update_download(UpdateDownloadJob job) {
  if (slot().stopping() || !slot().take()) return false;
  auto owned = std::make_shared<UpdateDownloadJob>(std::move(job));
  const bool started = runtime::start_thread([owned]() mutable {
    // Gives the slot back however the download ends, after the job (and
    // whatever window it holds) has been let go.
    struct GiveBack {
      std::shared_ptr<UpdateDownloadJob>& job;
      ~GiveBack() {
        job.reset();
        slot().give_back();
      }
    } give_back{owned};
    run_download(*owned);
  });
  if (!started) slot().give_back();
  return started;
}

bool finish_update_download(unsigned timeout_ms) {
  slot().stop();
  const HANDLE idle = slot().idle_event();
  const DWORD start = GetTickCount();
  bool pumping = true;
  while (slot().running()) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeout_ms) return false;
    const DWORD remaining = timeout_ms - elapsed;
    const DWORD woke = pumping ? MsgWaitForMultipleObjects(1, &idle, FALSE, remaining, QS_ALLINPUT)
                               : WaitForSingleObject(idle, remaining);
    if (pumping && woke == WAIT_OBJECT_0 + 1) {
      // The download thread may be waiting for one of this thread's windows.
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          PostQuitMessage(static_cast<int>(msg.wParam));
          pumping = false;  // only plain waiting is left
          break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    } else if (woke == WAIT_FAILED) {
      break;
    }
  }
  return !slot().running();
}

}  // namespace app
