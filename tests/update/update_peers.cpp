#include "tests/update/update_peers.h"

#include "runtime/system.h"

namespace test_support {

std::string update_archive_bytes(size_t size) {
  std::string bytes(size, '\0');
  unsigned state = 0x2545F491u;
  for (char& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<char>(state >> 16);
  }
  return bytes;
}

bool UpdateStandin::start(int port, const std::string& version, const std::string& archive,
                          const std::string& extra_options) {
  stop();
  if (scratch_unix_.empty()) scratch_unix_ = scratch_dir_unix("update-standin");
  const std::string archive_unix = scratch_unix_ + "/archive.rar";
  if (!runtime::write_file(to_windows_path(archive_unix), archive)) return false;
  return start_with(port, version, "--archive '" + archive_unix + "' " + extra_options);
}

bool UpdateStandin::start_generated(int port, const std::string& version, long long archive_size,
                                    const std::string& extra_options) {
  stop();
  if (scratch_unix_.empty()) scratch_unix_ = scratch_dir_unix("update-standin");
  return start_with(port, version,
                    "--archive-size " + std::to_string(archive_size) + " " + extra_options);
}

bool UpdateStandin::start_with(int port, const std::string& version,
                               const std::string& archive_options) {
  const std::string command = "exec '" + standin_dir_unix() + "/standin/update-standin' --port " +
                              std::to_string(port) + " --version '" + version + "' --log '" +
                              scratch_unix_ + "/requests.log' " + archive_options;
  return process_.start(command) && wait_for_port(port);
}

std::string UpdateStandin::log() const {
  runtime::Bytes log;
  runtime::read_file(to_windows_path(scratch_unix_ + "/requests.log"), &log);
  return log;
}

}  // namespace test_support
