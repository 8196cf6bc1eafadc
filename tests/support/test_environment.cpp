#include "tests/support/test_environment.h"

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "runtime/codepage.h"
#include "runtime/system.h"

namespace test_support {
namespace {

std::string unique_name(const char* prefix) {
  static std::atomic<int> counter{0};
  std::ostringstream name;
  name << prefix << "-" << GetCurrentProcessId() << "-" << counter++;
  return name.str();
}

std::string tmp_dir_unix() {
  const std::string dir = binary_dir_unix() + "/test-tmp";
  CreateDirectoryA(to_windows_path(dir).c_str(), nullptr);
  return dir;
}

bool write_text(const std::string& unix_path, const std::string& content) {
  std::ofstream out(to_windows_path(unix_path), std::ios::binary);
  out << content;
  return static_cast<bool>(out);
}

bool read_text(const std::string& unix_path, std::string* content) {
  std::ifstream in(to_windows_path(unix_path), std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  *content = all.str();
  return true;
}

// Wine starts an ELF program given to CreateProcess as a Unix process; it
// cannot be waited for through a handle, so results travel through files.
bool spawn_unix_script(const std::string& script_unix_path) {
  std::string command = "/bin/sh " + script_unix_path;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
  return true;
}

}  // namespace

int test_port(int offset) { return MOQIAO_TEST_PORT_BASE + offset; }

std::string source_dir_unix() { return MOQIAO_SOURCE_DIR; }
std::string binary_dir_unix() { return MOQIAO_BINARY_DIR; }
std::string standin_dir_unix() { return MOQIAO_STANDIN_DIR; }

std::string to_windows_path(const std::string& unix_path) {
  std::string path = "Z:" + unix_path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string scratch_dir_unix(const std::string& name) {
  const std::string dir = tmp_dir_unix() + "/" + unique_name(name.c_str());
  run_unix("rm -rf '" + dir + "' && mkdir -p '" + dir + "'");
  return dir;
}

int run_unix(const std::string& command, int timeout_ms) {
  const std::string base = tmp_dir_unix() + "/" + unique_name("run");
  const std::string status_file = base + ".status";
  write_text(base + ".sh", "(\n" + command + "\n) </dev/null\necho $? > '" + status_file +
                               ".part' && mv '" + status_file + ".part' '" + status_file + "'\n");
  if (!spawn_unix_script(base + ".sh")) return -1;
  std::string status;
  if (!wait_until([&] { return read_text(status_file, &status); }, timeout_ms, 10)) return -1;
  DeleteFileA(to_windows_path(base + ".sh").c_str());
  DeleteFileA(to_windows_path(status_file).c_str());
  return std::atoi(status.c_str());
}

bool UnixProcess::start(const std::string& command) {
  stop();
  const std::string base = tmp_dir_unix() + "/" + unique_name("proc");
  const std::string pid_file = base + ".pid";
  write_text(base + ".cmd.sh", command + "\n");
  // setsid gives the program a process group of its own, whose id is the
  // pid written here, so that stop() ends it together with its children.
  write_text(base + ".sh", "exec setsid sh -c 'echo $$ > \"" + pid_file + ".part\" && mv \"" +
                               pid_file + ".part\" \"" + pid_file + "\" && exec sh \"" + base +
                               ".cmd.sh\"' </dev/null >/dev/null 2>&1\n");
  if (!spawn_unix_script(base + ".sh")) return false;
  std::string pid;
  if (!wait_until([&] { return read_text(pid_file, &pid); }, 10000, 10)) return false;
  pid_file_ = pid_file;
  return true;
}

void UnixProcess::stop() {
  if (pid_file_.empty()) return;
  const std::string pid_file = pid_file_;
  pid_file_.clear();
  // No "--" before the group: dash's kill takes it for a process id.
  run_unix("pid=$(cat '" + pid_file + "'); kill -TERM -$pid 2>/dev/null; "
           "i=0; while kill -0 -$pid 2>/dev/null && [ $i -lt 50 ]; do sleep 0.1; i=$((i+1)); done; "
           "kill -KILL -$pid 2>/dev/null; rm -f '" + pid_file + "'",
           15000);
}

void UnixProcess::kill() {
  if (pid_file_.empty()) return;
  const std::string pid_file = pid_file_;
  pid_file_.clear();
  run_unix("pid=$(cat '" + pid_file + "'); kill -KILL -$pid 2>/dev/null; "
           "i=0; while kill -0 -$pid 2>/dev/null && [ $i -lt 50 ]; do sleep 0.05; i=$((i+1)); done; "
           "rm -f '" + pid_file + "'",
           15000);
}

bool wait_until(const std::function<bool()>& predicate, int timeout_ms, int step_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (predicate()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return predicate();
    std::this_thread::sleep_for(std::chrono::milliseconds(step_ms));
  }
}

bool wait_for_port(int port, int timeout_ms) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  const bool open = wait_until(
      [port] {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) return false;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        closesocket(s);
        return ok;
      },
      timeout_ms, 50);
  WSACleanup();
  return open;
}

bool take_screenshot(const std::string& png_unix_path) {
  return run_unix("xwd -root -silent | /usr/bin/convert xwd:- 'png:" + png_unix_path + "'",
                  30000) == 0;
}

}  // namespace test_support
