#include "standin/answer_pacing.h"

#include <chrono>
#include <memory>
#include <string>

namespace standin {

httplib::Server::Handler PacedAnswers::wrap(httplib::Server::Handler handler) {
  return [this, handler](const httplib::Request& request, httplib::Response& response) {
    handler(request, response);
    if (pacing_.never_answer) {
      hold();
    } else if (pacing_.drip_ms > 0) {
      drip(response);
    }
  };
}

void PacedAnswers::release() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
  }
  released_signal_.notify_all();
}

bool PacedAnswers::pause(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return !released_signal_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return released_; });
}

void PacedAnswers::hold() {
  std::unique_lock<std::mutex> lock(mutex_);
  released_signal_.wait(lock, [this] { return released_; });
}

void PacedAnswers::drip(httplib::Response& response) {
  if (response.content_provider_ || response.body.empty()) return;
  auto body = std::make_shared<std::string>(std::move(response.body));
  response.body.clear();
  const std::string type = response.get_header_value("Content-Type");
  response.headers.erase("Content-Type");  // set again with the provider
  const int drip_ms = pacing_.drip_ms;
  response.set_content_provider(
      body->size(), type,
      [this, body, drip_ms](size_t offset, size_t, httplib::DataSink& sink) {
        return pause(drip_ms) && sink.write(body->data() + offset, 1);
      });
}

}  // namespace standin
