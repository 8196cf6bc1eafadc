#pragma once
// What a download shares with whoever may stop it from another thread.
//
//   auto control = std::make_shared<net::TransferControl>();
//   // the downloading thread:
//   downloader.download_http(url, path, progress, 0, false, {}, control.get());
//   // any other thread, at any time:
//   control->cancel();
//
// Cancelling closes the transfer's WinINet handles, which ends a read
// blocked on them at once where the system allows it (Windows; Wine lets
// the read run on until data arrives or the stall limit passes), and fences
// the transfer off its local file: once cancel() has returned, the
// transfer writes nothing more and holds the file no longer, so that
// another transfer may take the file over at once.
#include <windows.h>

#include <chrono>
#include <mutex>

#include "platform/internet_handle.h"
#include "platform/internet_limits.h"
#include "platform/unique_handle.h"

namespace net {

class TransferControl {
 public:
  TransferControl() = default;
  TransferControl(const TransferControl&) = delete;
  TransferControl& operator=(const TransferControl&) = delete;

  // Any thread; later calls do nothing.
  void cancel();
  bool cancelled() const;

  // How long the transfer waits for its next byte before it fails (and
  // keeps its part). Set before the transfer starts.
  std::chrono::milliseconds stall_limit{platform::kDownloadStallMs};

  // The transfer's side. Its WinINet handles, closed by cancel().
  platform::InternetHandles& handles() { return handles_; }
  // Runs step unless the transfer was cancelled, holding cancel() off until
  // step returns; false (step not run) when cancelled. Steps that touch the
  // local file or anything the next transfer would use run through here.
  template <typename Step>
  bool unless_cancelled(Step&& step) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) return false;
    step();
    return true;
  }
  // The local file, owned here so that cancel() can let go of it. Reach
  // it only inside unless_cancelled.
  void set_file(platform::FileHandle file) { file_ = std::move(file); }
  HANDLE file() const { return file_.get(); }
  bool file_open() const { return file_.valid(); }
  void close_file() { file_.reset(); }

 private:
  mutable std::mutex mutex_;
  bool cancelled_ = false;
  platform::FileHandle file_;
  platform::InternetHandles handles_;
};

}  // namespace net
