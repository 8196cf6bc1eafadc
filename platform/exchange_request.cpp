#include "platform/exchange_request.h"

#include <mutex>
#include <set>

namespace platform {
namespace {

// Never destroyed: exchanges may still end while the process exits.
struct OpenExchanges {
  std::mutex mutex;
  std::set<ExchangeRequest*> open;
  bool closing = false;
};

OpenExchanges& open_exchanges() {
  static OpenExchanges* const instance = new OpenExchanges;
  return *instance;
}

}  // namespace

ExchangeRequest::ExchangeRequest(HINTERNET request) : request_(request) {
  if (!request_) return;
  OpenExchanges& exchanges = open_exchanges();
  std::lock_guard<std::mutex> lock(exchanges.mutex);
  if (exchanges.closing) {
    InternetCloseHandle(request_);
    closed_ = true;
    return;
  }
  exchanges.open.insert(this);
}

ExchangeRequest::~ExchangeRequest() {
  if (!request_) return;
  OpenExchanges& exchanges = open_exchanges();
  std::lock_guard<std::mutex> lock(exchanges.mutex);
  exchanges.open.erase(this);
  if (!closed_) InternetCloseHandle(request_);
}

void close_open_exchanges() {
  OpenExchanges& exchanges = open_exchanges();
  std::lock_guard<std::mutex> lock(exchanges.mutex);
  exchanges.closing = true;
  for (ExchangeRequest* exchange : exchanges.open) {
    InternetCloseHandle(exchange->request_);
    exchange->closed_ = true;
  }
  exchanges.open.clear();
}

}  // namespace platform
