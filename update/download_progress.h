#pragma once
// What the update window shows while the archive arrives: the lines of the
// progress text (size, downloaded, time, speed, remaining time) and the
// position of the progress bar.
#include <cstdint>
#include <string>

namespace update {

// One progress report of a transfer.
struct ProgressReport {
  std::int32_t total = 0;       // size of the finished file, resumed part included
  std::int32_t done = 0;        // bytes present, resumed part included
  std::int32_t elapsed_ms = 0;  // since the transfer started, never 0
  std::int32_t done_now = 0;    // bytes received by this transfer
  // False while the server has not said how long the file is; total is then
  // just the bytes present so far and says nothing about the end.
  bool size_known = true;
};

// The lines, each but the last ending in "\r\n":
//   正在下载新版本，文件大小：<total MB, 2 decimals>MB  ("未知" without a size)
//   已下载：<done MB, 2 decimals>MB
//   所用时间：<whole seconds>秒
//   下载速度：<KB per second, 1 decimal>KB/秒
//   剩余时间：<h>时<m>分<s>秒  (only with a known size and a speed above 0)
std::string progress_text(const ProgressReport& report);

// Position of the progress bar on its 0…100 scale: done × 100 ÷ total, cut
// toward zero and clamped; -1 when the size is unknown (the bar stays put).
int progress_percent(const ProgressReport& report);

}  // namespace update
