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

}  // namespace capture
