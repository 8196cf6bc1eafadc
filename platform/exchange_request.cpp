#include "platform/exchange_request.h"

#include <mutex>
#include <set>

#include "platform/internet_handle.h"

namespace platform {
namespace {

// Never destroyed: exchanges may still end while the process exits.
struct OpenExchanges {
  std::mutex mutex;
  std::set<InternetHandles*> open;
  bool closing = false;
};

OpenExchanges& open_exchanges() {
  static OpenExchanges* const instance = new OpenExchanges;
  return *instance;
}

}  // namespace

InternetHandles::InternetHandles() {
  OpenExchanges& exchanges = open_exchanges();
  std::lock_guard<std::mutex> lock(exchanges.mutex);
  if (exchanges.closing) {
    closed_ = true;  // nothing to close yet; every handle adopted is closed at once
    return;
  }
  exchanges.open.insert(this);
}

InternetHandles::~InternetHandles() {
  {
    OpenExchanges& exchanges = open_exchanges();
    std::lock_guard<std::mutex> lock(exchanges.mutex);
    exchanges.open.erase(this);
  }
  close_all();
}

void close_open_exchanges() {
  OpenExchanges& exchanges = open_exchanges();
  std::lock_guard<std::mutex> lock(exchanges.mutex);
  exchanges.closing = true;
  for (InternetHandles* handles : exchanges.open) handles->close_all();
  exchanges.open.clear();
}

}  // namespace platform
