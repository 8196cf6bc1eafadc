#include "app/update_download_thread.h"

#include <windows.h>

#include <mutex>
#include <utility>

#include "app/state.h"
#include "platform/unique_handle.h"
#include "runtime/system.h"
#include "update/update_download.h"

namespace app {
namespace {

// The threads' bookkeeping. Never destroyed: a download thread may still be
// winding down while the process exits.
class DownloadSlot {
 public:
  DownloadSlot() : idle_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

  struct Ticket {
    std::shared_ptr<net::TransferControl> control;
    std::shared_ptr<platform::KernelHandle> done;           // set when this thread ends
    std::shared_ptr<platform::KernelHandle> previous_done;  // the thread taken over, if any
  };

  // A ticket for a new download; empty while a wanted one runs or the
  // program ends.
  Ticket take() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || (current_ && !current_->cancelled())) return {};
    Ticket ticket;
    ticket.control = std::make_shared<net::TransferControl>();
    ticket.done = std::make_shared<platform::KernelHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ticket.previous_done = current_done_;
    current_ = ticket.control;
    current_done_ = ticket.done;
    if (threads_++ == 0) ResetEvent(idle_.get());
    return ticket;
  }

  // The thread of ticket ends (or never started).
  void give_back(const Ticket& ticket) {
    SetEvent(ticket.done->get());
    std::lock_guard<std::mutex> lock(mutex_);
    if (current_ == ticket.control) {
      current_.reset();
      current_done_.reset();
    }
    if (--threads_ == 0) SetEvent(idle_.get());
  }

  // Runs step unless the download was cancelled, so that a cancelled
  // thread's last word never overwrites the current one's.
  template <typename Step>
  void unless_cancelled(const net::TransferControl& control, Step step) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!control.cancelled()) step();
  }

  bool wanted_running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_ && !current_->cancelled();
  }
  bool idle() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_ == 0;
  }
  HANDLE idle_event() const { return idle_.get(); }

  void stop() {
    std::shared_ptr<net::TransferControl> current;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      current = current_;
    }
    if (current) current->cancel();
  }

 private:
  mutable std::mutex mutex_;
  bool stopping_ = false;
  int threads_ = 0;
  std::shared_ptr<net::TransferControl> current_;
  std::shared_ptr<platform::KernelHandle> current_done_;
  platform::KernelHandle idle_;  // signalled while no download thread runs
};

DownloadSlot& slot() {
  static DownloadSlot* const instance = new DownloadSlot;
  return *instance;
}

void run_download(const UpdateDownloadJob& job, net::TransferControl& control) {
  int result = net::kHttpOpenInternetFailed;
  // Borrowed: the exit routine may release the program's downloader
  // meanwhile. The transfer runs on a copy, since a download being taken
  // over may still be inside the original's transfer; the result goes back
  // to the program's object unless this download was cancelled.
  if (const std::shared_ptr<net::Downloader> shared = state().downloader.get()) {
    net::Downloader downloader;
    slot().unless_cancelled(control, [&] { downloader = *shared; });
    result = update::download_archive(
        downloader, update::update_paths(runtime::run_dir()), update::archive_url(),
        [&job](const update::ProgressReport& report) {
          if (job.progress) job.progress(report);
        },
        &control);
    slot().unless_cancelled(control, [&] { *shared = downloader; });
  }
  if (job.finished && !control.cancelled()) job.finished(result);
}

}  // namespace

bool update_download_running() { return slot().wanted_running(); }

std::shared_ptr<net::TransferControl> start_update_download(UpdateDownloadJob job) {
  const DownloadSlot::Ticket ticket = slot().take();
  if (!ticket.control) return nullptr;
  auto owned = std::make_shared<UpdateDownloadJob>(std::move(job));
  const bool started = runtime::start_thread([owned, ticket]() mutable {
    // Lets go of the job (and whatever window it holds) before the slot is
    // given back, however the download ends.
    struct GiveBack {
      std::shared_ptr<UpdateDownloadJob>& job;
      const DownloadSlot::Ticket& ticket;
      ~GiveBack() {
        job.reset();
        slot().give_back(ticket);
      }
    } give_back{owned, ticket};
    if (ticket.previous_done) WaitForSingleObject(ticket.previous_done->get(), kTakeOverWaitMs);
    run_download(*owned, *ticket.control);
  });
  if (!started) {
    ticket.control->cancel();
    slot().give_back(ticket);
    return nullptr;
  }
  return ticket.control;
}

bool finish_update_download(unsigned timeout_ms) {
  slot().stop();
  const HANDLE idle = slot().idle_event();
  const DWORD start = GetTickCount();
  bool pumping = true;
  while (!slot().idle()) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeout_ms) return false;
    const DWORD remaining = timeout_ms - elapsed;
    const DWORD woke = pumping ? MsgWaitForMultipleObjects(1, &idle, FALSE, remaining, QS_ALLINPUT)
                               : WaitForSingleObject(idle, remaining);
    if (pumping && woke == WAIT_OBJECT_0 + 1) {
      // A download thread may be waiting for one of this thread's windows.
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
  return slot().idle();
}

}  // namespace app
