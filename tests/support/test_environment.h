#pragma once
// What the test programs need from the machine around them: loopback ports,
// paths of the build, Linux helper processes started from inside Wine, and
// polling with a time limit instead of fixed sleeps.
#include <functional>
#include <string>

namespace test_support {

// The loopback port base + offset; each test bench run has its own base.
int test_port(int offset);

// Unix paths of the checkout and the build, and their Windows (Z:) forms.
std::string source_dir_unix();
std::string binary_dir_unix();
std::string standin_dir_unix();
std::string to_windows_path(const std::string& unix_path);

// A fresh, empty scratch folder for one test (Unix path), under the build.
std::string scratch_dir_unix(const std::string& name);

// Runs a shell command on the Linux side and waits for it; returns its exit
// status, or -1 when it did not finish within timeout_ms.
int run_unix(const std::string& command, int timeout_ms = 60000);

// A Linux program running in the background for the life of the object,
// killed (with its process group) on destruction.
class UnixProcess {
 public:
  UnixProcess() = default;
  explicit UnixProcess(const std::string& command) { start(command); }
  UnixProcess(const UnixProcess&) = delete;
  UnixProcess& operator=(const UnixProcess&) = delete;
  ~UnixProcess() { stop(); }

  bool start(const std::string& command);
  void stop();
  // Ends it at once with SIGKILL: it gets no chance to finish anything.
  void kill();
  bool running() const { return !pid_file_.empty(); }

 private:
  std::string pid_file_;
};

// Polls until the predicate holds or timeout_ms passed; returns the last result.
bool wait_until(const std::function<bool()>& predicate, int timeout_ms, int step_ms = 20);

// True once a TCP connection to 127.0.0.1:port succeeds within timeout_ms.
bool wait_for_port(int port, int timeout_ms = 10000);

// Writes a PNG screenshot of the whole X screen to the Unix path.
bool take_screenshot(const std::string& png_unix_path);

}  // namespace test_support
