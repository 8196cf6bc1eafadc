#include "tests/support/translate_standin.h"

#include <fstream>

#include "build_constants.h"

namespace test_support {
namespace {

std::string quoted(const std::string& text) { return "'" + text + "'"; }

std::vector<std::string> read_lines(const std::string& unix_path) {
  std::ifstream in(to_windows_path(unix_path), std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

}  // namespace

bool TranslateStandin::start(const std::string& extra_options) {
  stop();
  log_path_ = scratch_dir_unix("translate-standin") + "/requests.jsonl";
  const std::string program = standin_dir_unix() + "/standin/translate-standin";
  return process_.start("exec " + quoted(program) + " --port " + std::to_string(port()) +
                        " --app-id " + moqiao::build::kAppId + " --secret-key " +
                        moqiao::build::kSecretKey + " --log " + quoted(log_path_) + " " +
                        extra_options) &&
         wait_for_port(port(), 15000);
}

void TranslateStandin::stop() { process_.stop(); }

std::vector<std::string> TranslateStandin::log_lines(size_t count, int timeout_ms) const {
  std::vector<std::string> lines;
  wait_until([&] { return (lines = read_lines(log_path_)).size() >= count; }, timeout_ms);
  return lines;
}

int TranslateStandin::port() { return test_port(kPortOffset); }

}  // namespace test_support
