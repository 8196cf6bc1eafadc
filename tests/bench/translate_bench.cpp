// Throughput of quick_translate against the translation-service stand-in
// (no added latency) on the compiled-in host, and the program's own cost per
// call: preparing the request (salt, signature, URL encoding) and decoding
// the answer (GB18030 conversion, cut, unescaping), timed apart from the
// round trip. Not a test: run it by hand under Wine, e.g.
//   wine build/test/windows/tests/bench/translate_bench.exe [seconds]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "build_constants.h"
#include "tests/support/test_environment.h"
#include "translate/encodings.h"
#include "translate/quick_translate.h"
#include "translate/service_account.h"
#include "translate/service_get.h"
#include "translate/signing.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kServicePortOffset = 90;
// A typical answer of the service: one result, escaped Chinese.
constexpr char kAnswer[] =
    "{\"from\":\"en\",\"to\":\"zh\",\"trans_result\":[{\"src\":\"Open File\",\"dst\":"
    "\"\\u6253\\u5f00\\u6587\\u4ef6\"}]}";

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs body repeatedly for about the given time; returns microseconds per run.
template <typename Body>
double micros_per_run(double seconds, Body body) {
  long runs = 0;
  const Clock::time_point start = Clock::now();
  do {
    body();
    ++runs;
  } while (seconds_since(start) < seconds);
  return seconds_since(start) * 1e6 / static_cast<double>(runs);
}

// quick_translate calls per second, from the given number of threads at once.
double calls_per_second(int threads, double seconds, long* failures) {
  std::vector<long> calls(threads, 0), failed(threads, 0);
  std::vector<std::thread> workers;
  const Clock::time_point start = Clock::now();
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      while (seconds_since(start) < seconds) {
        if (translate::quick_translate("Open File").empty()) ++failed[t];
        ++calls[t];
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  const double elapsed = seconds_since(start);
  long total = 0;
  *failures = 0;
  for (int t = 0; t < threads; ++t) {
    total += calls[t];
    *failures += failed[t];
  }
  return static_cast<double>(total) / elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
  // The client's own cost is measured, not the service's pace: no pacing.
  translate::ServiceAccount unpaced = translate::current_service_account();
  unpaced.requests_per_second = std::numeric_limits<double>::infinity();
  translate::set_service_account(unpaced);
  const int port = test_support::test_port(kServicePortOffset);

  const std::string app_id = moqiao::build::kAppId;
  const std::string key = moqiao::build::kSecretKey;
  const std::string text = "Open File";
  volatile size_t sink = 0;  // keeps the timed work from being optimised away
  const double prepare_us = micros_per_run(1.0, [&] {
    const std::string salt = translate::random_digits(10);
    const std::string sign = translate::request_sign(app_id, text, salt, key, true);
    sink = sink + translate::url_encode(text).size() + sign.size();
  });
  const double sign_us = micros_per_run(1.0, [&] {
    sink = sink + translate::request_sign(app_id, text, "1435660288", key, true).size();
  });
  const double decode_us = micros_per_run(1.0, [&] {
    const std::string answer = translate::utf8_to_gb18030(kAnswer);
    const std::string cut = translate::text_between(answer, "dst#引号:#引号", "#引号");
    sink = sink + translate::unescape_unicode(cut).size();
  });

  test_support::UnixProcess standin;
  const std::string program = test_support::standin_dir_unix() + "/standin/translate-standin";
  if (!standin.start("exec '" + program + "' --port " + std::to_string(port) + " --app-id " + app_id +
                     " --secret-key " + key) ||
      !test_support::wait_for_port(port, 15000)) {
    std::fprintf(stderr, "translate_bench: the stand-in did not start on port %d\n", port);
    return 1;
  }
  if (translate::quick_translate(text).empty()) {
    std::fprintf(stderr, "translate_bench: the stand-in gave no translation\n");
    return 1;
  }

  // The bare round trip: one GET of an already signed request, repeated.
  const std::string salt = "1435660288";
  const std::string object = "/api/trans/vip/translate?q=" + translate::url_encode(text) +
                             "&from=auto&to=zh&appid=" + app_id + "&salt=" + salt + "&sign=" +
                             translate::request_sign(app_id, text, salt, key, true);
  // It and the one-thread quick_translate run in alternating slices, so that
  // the load of a shared machine weighs on both alike.
  constexpr int kSlices = 10;
  double round_trips_per_second = 0, one = 0;  // means over equally long slices
  long failures_one = 0;
  for (int slice = 0; slice < kSlices; ++slice) {
    round_trips_per_second += 1e6 / micros_per_run(seconds / kSlices, [&] {
      sink = sink + translate::service_get(moqiao::build::kTranslateHost, object).size();
    }) / kSlices;
    long failed = 0;
    one += calls_per_second(1, seconds / kSlices, &failed) / kSlices;
    failures_one += failed;
  }
  const double round_trip_us = 1e6 / round_trips_per_second;
  long failures_two = 0;
  const double two = calls_per_second(2, seconds, &failures_two);
  standin.stop();

  std::printf("request preparation (salt, signature, URL encoding): %8.1f us/call\n", prepare_us);
  std::printf("  of which the signature (CryptoAPI MD5):            %8.1f us/call\n", sign_us);
  std::printf("answer decoding (GB18030, cut, unescape):            %8.1f us/call\n", decode_us);
  std::printf("quick_translate, 1 thread:  %8.1f calls/s (%.0f us/call, %ld empty)\n", one,
              1e6 / one, failures_one);
  std::printf("quick_translate, 2 threads: %8.1f calls/s (%ld empty)\n", two, failures_two);
  std::printf("bare round trip (WinINet GET, same request):  %8.1f us/call\n", round_trip_us);
  std::printf("quick_translate rate / bare round-trip rate:   %8.2f\n", one * round_trip_us / 1e6);
  return 0;
}
