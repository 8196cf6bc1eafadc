#pragma once
// The process-wide application state. The user-interface thread, the
// start-up worker and the harvest threads share it, so every member is safe
// to read and write from any thread: single values are atomic, and a text is
// replaced under a lock and read as a copy, so a reader never sees a text
// freed under it.
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "net/downloader.h"
#include "platform/unique_handle.h"
#include "update/address_pattern.h"

namespace app {

// A GBK text that one thread may replace while another reads it.
class SharedText {
 public:
  std::string get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
  }
  void set(std::string text) {
    std::lock_guard<std::mutex> lock(mutex_);
    text_.swap(text);
  }
  void clear() { set(std::string()); }

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

// The handle of the running harvest thread, owned here: replacing it closes
// the previous handle.
class SharedThreadHandle {
 public:
  HANDLE get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return handle_.get();
  }
  void replace(platform::KernelHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    handle_ = std::move(handle);
  }
  void clear() { replace(platform::KernelHandle()); }

 private:
  mutable std::mutex mutex_;
  platform::KernelHandle handle_;
};

// A long-lived object that threads borrow: a borrower keeps it alive until
// it lets go, even when the exit routine releases it meanwhile.
template <typename T>
class SharedObject {
 public:
  std::shared_ptr<T> get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return object_;
  }
  void replace(std::shared_ptr<T> object) {
    std::lock_guard<std::mutex> lock(mutex_);
    object_.swap(object);
  }
  void clear() { replace(nullptr); }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<T> object_;
};

struct AppState {
  std::atomic<HWND> captured_window{nullptr};
  SharedText app_id;
  SharedText secret_key;
  SharedText source_language;
  SharedText target_language;
  std::atomic<float> server_version{0.0f};
  std::atomic<float> own_version{0.0f};
  SharedThreadHandle harvest_thread;
  SharedText update_page_text;  // the version page as last fetched
  // The program's one downloader, for the update download.
  SharedObject<net::Downloader> downloader;
  // The feedback form's address check; the user-interface thread only.
  std::unique_ptr<update::AddressPattern> mail_address_pattern;
};

// The one instance of the process.
AppState& state();

// Start: creates the long-lived objects before the main window opens.
void create_long_lived_objects();

// The exit routine: empties the texts, drops the thread handle and destroys
// the long-lived objects. Registered at start, runs after the message loop.
void release_state();

}  // namespace app
