#pragma once
// One JSON object per line for every request a stand-in saw, so that a test
// or a developer can check exactly what a client sent.
//
// {"time_ms":..., "method":"GET", "target":"/path?raw", "version":"HTTP/1.1",
//  "headers":[["Host","..."],...], "body":"...", "params":[["q","..."],...],
//  "status":200, "outcome":"..."}
//
// "params" appears only where the program decodes parameters. Bytes that are
// not UTF-8 (a GBK path, say) appear as \u00XX escapes of their byte value.
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

#include "standin/form_params.h"

namespace httplib {
struct Request;
}

namespace standin {

class RequestLog {
 public:
  // Creates or empties the file; false when it cannot be opened.
  bool open(const std::string& path);
  bool is_open() const { return file_.is_open(); }

  // Writes one line and flushes it; does nothing when no file is open.
  void write(const httplib::Request& request, const Params* params, int status,
             std::string_view outcome);

 private:
  std::mutex mutex_;
  std::ofstream file_;
};

}  // namespace standin
