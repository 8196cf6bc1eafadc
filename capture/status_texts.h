#pragma once
// The texts the main window's title shows while a window is captured and
// translated, and after its originals were restored (GBK).

namespace capture {

inline constexpr char kStatusCapturing[] = "窗口捕获中！";
inline constexpr char kStatusCaptured[] = "捕获成功！";
inline constexpr char kStatusHarvesting[] = "正在翻译中...";
inline constexpr char kStatusHarvestDone[] = "翻译已完成！";
// After the originals have been written back into the translated windows.
inline constexpr char kStatusRestored[] = "已还原原文";
// After "跟随翻译" of "工具" was switched on or off.
inline constexpr char kStatusFollowOn[] = "跟随翻译已开启";
inline constexpr char kStatusFollowOff[] = "跟随翻译已关闭";

}  // namespace capture
