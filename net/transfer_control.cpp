#include "net/transfer_control.h"

namespace net {

void TransferControl::cancel() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    file_.reset();
  }
  handles_.close_all();
}

bool TransferControl::cancelled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cancelled_;
}

}  // namespace net
