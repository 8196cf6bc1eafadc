#pragma once
// The translation-service stand-in, started on the port of the program's
// compiled-in translation host (port base + 90), with its request log.
// Tests that use it take the CTest lock "translate-standin".
#include <string>
#include <vector>

#include "tests/support/test_environment.h"

namespace test_support {

class TranslateStandin {
 public:
  static constexpr int kPortOffset = 90;

  TranslateStandin() = default;
  TranslateStandin(const TranslateStandin&) = delete;
  TranslateStandin& operator=(const TranslateStandin&) = delete;
  ~TranslateStandin() { stop(); }

  // Starts it with the program's credentials and a fresh log, plus any
  // further options ("--force-error 54003"); true once it accepts
  // connections.
  bool start(const std::string& extra_options = "");
  // Ends it at once; every request it answered is in the log already.
  void stop();
  // The service dies at once: open connections are cut, not answered.
  void kill() { process_.kill(); }

  // The log's lines (one JSON object per request) once it holds at least
  // count of them, or whatever it holds when timeout_ms has passed.
  std::vector<std::string> log_lines(size_t count, int timeout_ms = 5000) const;

  static int port();

  // The decoded value (UTF-8) of the first parameter called name in a log
  // line, and the line's arrival time; "" and -1 when the line lacks them.
  static std::string logged_param(const std::string& line, const std::string& name);
  static long long logged_time_ms(const std::string& line);

 private:
  UnixProcess process_;
  std::string log_path_;
};

}  // namespace test_support
