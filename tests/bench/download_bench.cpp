// Throughput of Downloader::download_http (which reads at most 10240 bytes
// a call, only what has arrived, and writes each block through its cancel
// fence) against a bare WinINet read loop of 10240-byte blocks, both
// writing a 200 MB file served by nginx on loopback. Prints the times of each round and the ratio of the
// medians (downloader / bare loop).
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "net/downloader.h"
#include "platform/internet_handle.h"
#include "platform/unique_handle.h"
#include "runtime/system.h"
#include "tests/net/download_peers.h"
#include "tests/support/test_environment.h"

namespace {

constexpr std::int64_t kFileSize = 200LL * 1024 * 1024;
constexpr int kRounds = 3;
constexpr int kPortOffset = 10;

bool bare_loop(const std::string& url, const std::string& path) {
  platform::InternetHandle session(
      InternetOpenW(L"bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return false;
  platform::InternetHandle request(InternetOpenUrlW(
      session.get(), std::wstring(url.begin(), url.end()).c_str(), nullptr, 0,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE, 0));
  if (!request) return false;
  platform::FileHandle file(CreateFileW(std::wstring(path.begin(), path.end()).c_str(),
                                        GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::vector<char> buffer(10240);
  for (;;) {
    DWORD count = 0;
    if (!InternetReadFile(request.get(), buffer.data(), 10240, &count)) return false;
    if (count == 0) return true;
    DWORD written = 0;
    if (!WriteFile(file.get(), buffer.data(), count, &written, nullptr) || written != count) {
      return false;
    }
  }
}

double seconds_of(const std::function<bool()>& run, bool* ok) {
  const auto start = std::chrono::steady_clock::now();
  *ok = run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  const std::string served = test_support::scratch_dir_unix("bench-served");
  const std::string local = test_support::to_windows_path(test_support::scratch_dir_unix("bench"));
  if (test_support::run_unix("head -c " + std::to_string(kFileSize) + " /dev/urandom > '" +
                             served + "/big.bin'") != 0) {
    std::fprintf(stderr, "could not create the 200 MB file\n");
    return 1;
  }
  test_support::NginxPeer nginx;
  const int port = test_support::test_port(kPortOffset);
  if (!nginx.start(served, port)) {
    std::fprintf(stderr, "nginx did not start on port %d\n", port);
    return 1;
  }
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/big.bin";
  const std::string target = local + "\\big.bin";

  std::vector<double> downloader_times, bare_times;
  std::int64_t callbacks = 0;
  for (int round = 1; round <= kRounds; ++round) {
    bool ok = false;
    net::Downloader downloader;
    int result = -100;
    const double with_downloader = seconds_of(
        [&] {
          result = downloader.download_http(
              url, target, [&](std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
                ++callbacks;
              });
          return result == net::kHttpComplete;
        },
        &ok);
    if (!ok || runtime::file_size(target) != kFileSize) {
      std::fprintf(stderr, "download_http failed: %d\n", result);
      return 1;
    }
    const double bare = seconds_of([&] { return bare_loop(url, target); }, &ok);
    if (!ok || runtime::file_size(target) != kFileSize) {
      std::fprintf(stderr, "bare loop failed\n");
      return 1;
    }
    downloader_times.push_back(with_downloader);
    bare_times.push_back(bare);
    std::printf("round %d: download_http %.3f s (%.1f MB/s), bare loop %.3f s (%.1f MB/s)\n",
                round, with_downloader, 200 / with_downloader, bare, 200 / bare);
  }
  const double ratio = median(downloader_times) / median(bare_times);
  std::printf("median: download_http %.3f s, bare loop %.3f s, ratio %.3f; %lld progress calls\n",
              median(downloader_times), median(bare_times), ratio,
              static_cast<long long>(callbacks / kRounds));
  DeleteFileW(std::wstring(target.begin(), target.end()).c_str());
  test_support::run_unix("rm -f '" + served + "/big.bin'");
  return 0;
}
