// The built programs as scripts/run.sh and the Windows tests start them.
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "raw_http.h"
#include "scratch.h"
#include "standin/gbk.h"
#include "standin/update_server.h"

namespace {

// A child process whose standard output is readable line by line; ended
// with SIGTERM on destruction if still running.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(pipe_ends[1], STDOUT_FILENO);
      close(pipe_ends[0]);
      close(pipe_ends[1]);
      std::vector<char*> argv;
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(pipe_ends[1]);
    output_ = pipe_ends[0];
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0) close(output_);
  }

  std::string read_line(int timeout_ms) {
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd wait{output_, POLLIN, 0};
      if (poll(&wait, 1, 50) <= 0) continue;
      char c;
      if (read(output_, &c, 1) != 1) break;
      if (c == '\n') return line;
      line += c;
    }
    return line;
  }

  // Sends SIGTERM and returns the exit status, or -1 when it did not end in time.
  int terminate(int timeout_ms) {
    kill(pid_, SIGTERM);
    return wait(timeout_ms);
  }

  // The exit status once the program ends by itself, or -1 after timeout_ms.
  int wait(int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      usleep(10000);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
};

// "...: http://127.0.0.1:PORT/..." -> PORT
int port_in(const std::string& line) {
  size_t at = line.find("127.0.0.1:");
  return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + 10);
}

TEST(ProgramTest, TranslateStandinFindsItsGlossaryAndStopsOnSigterm) {
  std::string log = standin_test::scratch_path("program.log");
  Program program({STANDIN_PROGRAM_DIR "/translate-standin", "--port", "0", "--app-id",
                   "2015063000000001", "--secret-key", "12345678", "--log", log});
  std::string banner = program.read_line(5000);
  int port = port_in(banner);
  ASSERT_GT(port, 0) << banner;
  EXPECT_NE(banner.find("glossary entries"), std::string::npos) << banner;

  httplib::Client client("127.0.0.1", port);
  auto result = client.Get(
      "/api/trans/vip/translate?q=apple&from=en&to=zh&appid=2015063000000001&salt=1435660288"
      "&sign=f89f9594663708c1605f3d736d01d2d4");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->body,
            R"({"from":"en","to":"zh","trans_result":[{"src":"apple","dst":"apple"}]})");
  auto open = client.Get(
      "/api/trans/vip/translate?q=Open&from=en&to=zh&appid=2015063000000001&salt=1"
      "&sign=00000000000000000000000000000000");
  ASSERT_TRUE(open);
  EXPECT_EQ(open->body, R"({"error_code":"54001","error_msg":"Invalid Sign"})");

  EXPECT_EQ(program.terminate(5000), 0);
  EXPECT_NE(standin_test::read_file(log).find(R"("outcome":"54001")"), std::string::npos);
}

TEST(ProgramTest, UpdateStandinServesTheGbkArchivePath) {
  Program program({STANDIN_PROGRAM_DIR "/update-standin", "--port", "0", "--archive-size", "5000"});
  std::string banner = program.read_line(5000);
  int port = port_in(banner);
  ASSERT_GT(port, 0) << banner;
  std::string path;
  ASSERT_TRUE(standin::utf8_to_gbk(standin::kArchivePathUtf8, path));
  standin_test::RawResponse response = standin_test::raw_request(
      port,
      "GET " + path + " HTTP/1.1\r\nHost: x\r\nRange:bytes=4000-\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(response.status, 206);
  EXPECT_EQ(response.body.size(), 1000u);
  EXPECT_EQ(program.terminate(5000), 0);
}

TEST(ProgramTest, BadOptionsEndWithAMessage) {
  for (const char* name : {"/translate-standin", "/update-standin"}) {
    Program program({std::string(STANDIN_PROGRAM_DIR) + name, "--port", "none"});
    EXPECT_EQ(program.wait(5000), 2) << name;
  }
}

}  // namespace
