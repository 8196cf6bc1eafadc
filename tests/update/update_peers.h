#pragma once
// The update server the update tests run against: the project's update
// stand-in (a native program) started from inside Wine, serving an archive
// the test wrote, and logging every request it saw.
#include <string>

#include "tests/support/test_environment.h"

namespace test_support {

// Reproducible archive content of the given size (not a run of one byte, so
// a misplaced block shows).
std::string update_archive_bytes(size_t size);

class UpdateStandin {
 public:
  // Serves archive (bytes) and "版本号:<version>|" on 127.0.0.1:port, the
  // version given as UTF-8 (the stand-in serves its GBK form);
  // extra_options are further command-line options (e.g. "--no-length").
  // True once the port answers.
  bool start(int port, const std::string& version, const std::string& archive,
             const std::string& extra_options = "");
  // The same with an archive the stand-in makes up itself, of any size.
  bool start_generated(int port, const std::string& version, long long archive_size,
                       const std::string& extra_options = "");
  // Outright: its log is flushed with every request, and a polite stop waits
  // for the keep-alive of the last connection (about 5 s).
  void stop() { process_.kill(); }
  // The request log so far: one JSON line per request.
  std::string log() const;

 private:
  bool start_with(int port, const std::string& version, const std::string& archive_option);

  std::string scratch_unix_;
  UnixProcess process_;
};

}  // namespace test_support
