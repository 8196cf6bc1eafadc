#pragma once
// The crosshair capture on the user-interface thread. Pressing the left
// button on the crosshair lifts it into the mouse cursor and captures the
// mouse; once a second the window under the cursor is previewed (its text
// and translation shown, a red frame flashed); releasing puts the crosshair
// back and starts the harvest of the window under the cursor.
//
// The three steps are reached from window messages, and each of them may
// dispatch further messages while it runs (to let the cursor change show,
// and during the frame's flash), so a release can arrive in the middle of a
// press or a preview, and a timer tick after a release. The capture keeps
// its own running flag so that every order of these ends in a consistent
// state: the crosshair is either in the box or in the cursor, never lost,
// and the status line is never set back to "captured" once the harvest has
// been started.
#include <windows.h>

#include <string>

#include "capture/harvest.h"
#include "platform/unique_handle.h"
#include "toolkit/picture_box.h"
#include "toolkit/timer.h"

namespace capture {

// How often the window under the held crosshair is previewed.
constexpr unsigned kPreviewPeriodMs = 1000;

// The picture box that shows the crosshair and the timer of the preview.
struct Crosshair {
  toolkit::PictureBox& box;
  toolkit::Timer& timer;
};

// What one preview did.
struct Preview {
  bool ran = false;            // false: no capture running, or one already previewing
  HWND window = nullptr;       // the picked window (stored through the hooks)
  std::string text;            // the text under the cursor
  bool translated = false;     // the text was handed to the translator
  std::string translation;
};

class CrosshairCapture {
 public:
  bool running() const { return running_; }

  // Left button pressed on the crosshair: its picture becomes the mouse
  // cursor and the box empties, the pending messages are dispatched once,
  // the box captures the mouse, the status becomes kStatusCapturing and the
  // timer starts (the first preview comes one period after the press). A
  // press while a capture runs, or while the crosshair is not in the box,
  // changes nothing.
  void press(Crosshair crosshair, const HarvestHooks& hooks);

  // Timer elapsed: stores the window under the cursor, shows the text under
  // the cursor and, when there is one, its translation; flashes the frame
  // around the window and sets kStatusCaptured. Does nothing when no capture
  // runs (a tick that was already queued at the release) or while a preview
  // is still running. When the box lost the mouse capture without a
  // release (another window took it), the capture ends without a harvest.
  Preview tick(Crosshair crosshair, const HarvestHooks& hooks);

  // Left button released on the crosshair: the mouse capture is released,
  // the pending messages are dispatched once, the crosshair returns into the
  // box (the box shows the arrow cursor from now on) and the timer stops.
  // Then, when captured_window is not 0, the harvest starts on its own
  // thread (start_harvest sets kStatusHarvesting) and its handle goes to
  // harvest_thread. True when a harvest was started. A release without a
  // running capture (the button was pressed elsewhere) changes nothing.
  bool release(Crosshair crosshair, HWND captured_window, HarvestHooks hooks,
               platform::KernelHandle* harvest_thread = nullptr);

 private:
  // Ends the capture: the crosshair back into the box, the timer stopped.
  void finish(Crosshair crosshair);

  bool running_ = false;
  bool previewing_ = false;
};

}  // namespace capture
