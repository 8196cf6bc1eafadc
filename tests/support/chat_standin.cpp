#include "tests/support/chat_standin.h"

#include <fstream>

namespace test_support {
namespace {

std::string quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

bool ChatStandin::start(const std::string& extra_options) {
  stop();
  log_path_ = scratch_dir_unix("chat-standin") + "/requests.jsonl";
  const std::string program = standin_dir_unix() + "/standin/chat-standin";
  return process_.start("exec " + quoted(program) + " --port " + std::to_string(port()) +
                        " --model " + kModel + " --api-key " + kKey + " --log " +
                        quoted(log_path_) + " " + extra_options) &&
         wait_for_port(port(), 15000);
}

void ChatStandin::stop() { process_.stop(); }

std::vector<std::string> ChatStandin::log_lines(size_t count, int timeout_ms) const {
  std::vector<std::string> lines;
  wait_until(
      [&] {
        lines.clear();
        std::ifstream in(to_windows_path(log_path_), std::ios::binary);
        for (std::string line; std::getline(in, line);) {
          if (!line.empty()) lines.push_back(line);
        }
        return lines.size() >= count;
      },
      timeout_ms);
  return lines;
}

int ChatStandin::port() { return test_port(kPortOffset); }

std::string ChatStandin::base_url() { return "http://127.0.0.1:" + std::to_string(port()) + "/v1"; }

}  // namespace test_support
