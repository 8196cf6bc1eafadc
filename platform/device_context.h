#pragma once
// Scoped owners for drawing: a window's device context, an object selected
// into a device context and a changed raster operation. Each puts back what
// it took, in reverse order of construction when declared in that order.
#include <windows.h>

#include <utility>

namespace platform {

// A device context from GetWindowDC (the whole window, frame included),
// given back with ReleaseDC.
class WindowDc {
 public:
  WindowDc() = default;
  explicit WindowDc(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  WindowDc(WindowDc&& other) noexcept
      : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&& other) noexcept {
    if (this != &other) {
      release();
      window_ = other.window_;
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  ~WindowDc() { release(); }

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  void release() {
    if (dc_) ReleaseDC(window_, std::exchange(dc_, nullptr));
  }

  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// Selects a GDI object into a device context for the life of the guard. The
// object must outlive the guard: declare its owner first.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

  bool selected() const { return previous_ && previous_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Sets the foreground mix mode (SetROP2) for the life of the guard.
class RasterOperation {
 public:
  RasterOperation(HDC dc, int mode) : dc_(dc), previous_(SetROP2(dc, mode)) {}
  RasterOperation(const RasterOperation&) = delete;
  RasterOperation& operator=(const RasterOperation&) = delete;
  ~RasterOperation() {
    if (previous_) SetROP2(dc_, previous_);
  }

 private:
  HDC dc_;
  int previous_;
};

}  // namespace platform
