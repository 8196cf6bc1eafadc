#pragma once
// How a stand-in lets its answers go: at once, never (the connection stays
// open and silent after the request was read), or dripped out a byte at a
// time. The last two play servers that freeze or crawl, so that clients
// can show they give up in time.
#include <httplib.h>

#include <condition_variable>
#include <mutex>

namespace standin {

struct AnswerPacing {
  bool never_answer = false;
  // The status line and headers go at once, then one byte of the body
  // every drip_ms. 0: the body goes at once.
  int drip_ms = 0;
  // The status line and headers go one byte every drip_head_ms, before
  // anything else (see head_drip_relay.h). 0: they go at once.
  int drip_head_ms = 0;
};

class PacedAnswers {
 public:
  explicit PacedAnswers(AnswerPacing pacing) : pacing_(pacing) {}
  PacedAnswers(const PacedAnswers&) = delete;
  PacedAnswers& operator=(const PacedAnswers&) = delete;

  // A route handler that runs handler (which logs and writes the answer),
  // then holds or drips that answer as asked. Answers written by a content
  // provider (the archive) keep their own pace.
  httplib::Server::Handler wrap(httplib::Server::Handler handler);

  // Lets every held answer go and ends every drip, so that the server can
  // stop; later answers go at once.
  void release();
  // Waits until release().
  void hold();

 private:
  // Waits ms, or less once released; false when released.
  bool pause(int ms);
  void drip(httplib::Response& response);

  const AnswerPacing pacing_;
  std::mutex mutex_;
  std::condition_variable released_signal_;
  bool released_ = false;
};

}  // namespace standin
