#include "capture/crosshair_capture.h"

#include <utility>

#include "capture/harvest_thread.h"
#include "capture/highlight_frame.h"
#include "capture/pumped_wait.h"
#include "capture/status_texts.h"
#include "capture/window_pick.h"

namespace capture {
namespace {

void call(const std::function<void(const std::string&)>& hook, const std::string& text) {
  if (hook) hook(text);
}

// Clears a flag when the scope ends, however it ends.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;
  ~FlagScope() { flag_ = false; }

 private:
  bool& flag_;
};

}  // namespace

void CrosshairCapture::press(Crosshair crosshair, const HarvestHooks& hooks) {
  // Only a crosshair that is in the box can be lifted: a second press (or
  // one while a release is still on its way) would move the empty picture
  // into the cursor and lose the crosshair.
  if (running_ || crosshair.box.picture_bytes().empty()) return;
  running_ = true;
  // The crosshair is lifted: the same bytes serve as cursor and as picture.
  crosshair.box.set_cursor_bytes(crosshair.box.picture_bytes());
  crosshair.box.set_picture_bytes(std::string());
  dispatch_pending_messages();
  // A quick click's release may have been among those messages and ended
  // the capture already; capturing the mouse now would keep it captured
  // with no button held.
  if (!running_) return;
  SetCapture(crosshair.box.window_handle());
  call(hooks.set_status, kStatusCapturing);
  crosshair.timer.set_period(kPreviewPeriodMs);
}

Preview CrosshairCapture::tick(Crosshair crosshair, const HarvestHooks& hooks) {
  Preview preview;
  // The flash below dispatches messages; a slow translation can make the
  // next tick due by then.
  if (!running_ || previewing_) return preview;
  if (GetCapture() != crosshair.box.window_handle()) {
    // No release will come to the box any more.
    finish(crosshair);
    return preview;
  }
  FlagScope previewing(previewing_);
  preview.ran = true;

  preview.window = pick_window_under_cursor();
  if (hooks.store_captured_window) hooks.store_captured_window(preview.window);
  preview.text = text_at_point(hooks.message_timeout_ms);
  call(hooks.show_text, preview.text);
  if (!preview.text.empty()) {
    preview.translated = true;
    preview.translation = hooks.translate ? hooks.translate(preview.text) : std::string();
    // No translation yet (none held, no slot free): the box keeps the text
    // rather than going blank.
    if (!preview.translation.empty()) call(hooks.show_text, preview.translation);
  }
  draw_highlight_frame(preview.window, kDefaultFrameWidth, 0, true);
  // Released during the flash: the status already tells of the harvest.
  if (running_) call(hooks.set_status, kStatusCaptured);
  return preview;
}

bool CrosshairCapture::release(Crosshair crosshair, HWND captured_window, HarvestHooks hooks,
                               platform::KernelHandle* harvest_thread) {
  if (!running_) return false;
  running_ = false;
  ReleaseCapture();
  dispatch_pending_messages();
  finish(crosshair);
  if (!captured_window) return false;
  return start_harvest(std::move(hooks), harvest_thread);
}

void CrosshairCapture::finish(Crosshair crosshair) {
  running_ = false;
  // Only a lifted crosshair goes back: the cursor is empty otherwise.
  if (!crosshair.box.cursor_bytes().empty()) {
    crosshair.box.set_picture_bytes(crosshair.box.cursor_bytes());
    crosshair.box.set_cursor_bytes(std::string());
  }
  crosshair.timer.set_period(0);
}

}  // namespace capture
