#include "update/download_progress.h"

#include <algorithm>
#include <cmath>

#include "runtime/text.h"

namespace update {
namespace {

constexpr double kMegabyte = 1048576.0;
constexpr double kKilobyte = 1024.0;

// Half away from zero, to `decimals` places.
double round_to(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

// The whole part of a ÷ b, toward zero.
double whole_quotient(double a, double b) { return std::trunc(a / b); }

std::string number(double value) { return runtime::double_to_text(value); }

}  // namespace

std::string progress_text(const ProgressReport& r) {
  const double total = r.total;
  const double done = r.done;
  const double elapsed = std::max<double>(r.elapsed_ms, 1.0);
  const double done_now = r.done_now;

  std::string text = "正在下载新版本，文件大小：";
  text += r.size_known ? number(round_to(total / kMegabyte, 2)) + "MB" : std::string("未知");
  text += "\r\n";
  text += "已下载：" + number(round_to(done / kMegabyte, 2)) + "MB\r\n";
  text += "所用时间：" + number(whole_quotient(elapsed, 1000)) + "秒\r\n";

  const double speed = round_to(done_now * 1000.0 / kKilobyte / elapsed, 1);
  text += "下载速度：" + number(speed) + "KB/秒\r\n";

  if (r.size_known && speed > 0.0000001) {
    const double left = std::trunc(std::max(total - done, 0.0) / kKilobyte / speed);
    text += "剩余时间：" + number(whole_quotient(left, 3600)) + "时" +
            number(std::fmod(whole_quotient(left, 60), 60)) + "分" + number(std::fmod(left, 60)) +
            "秒";
  }
  return text;
}

int progress_percent(const ProgressReport& r) {
  if (!r.size_known || r.total <= 0) return -1;
  const std::int64_t percent = static_cast<std::int64_t>(r.done) * 100 / r.total;
  return static_cast<int>(std::clamp<std::int64_t>(percent, 0, 100));
}

}  // namespace update
