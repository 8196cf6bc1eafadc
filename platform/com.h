#pragma once
// COM on the calling thread, and an owning pointer for COM interfaces.
#include <objbase.h>

#include <utility>

namespace platform {

// Initialises COM (single-threaded apartment) for the life of the object and
// uninitialises it only when this object's initialisation succeeded, so
// nesting on a thread that already joined another apartment is harmless.
class ScopedComApartment {
 public:
  ScopedComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ScopedComApartment(const ScopedComApartment&) = delete;
  ScopedComApartment& operator=(const ScopedComApartment&) = delete;
  ~ScopedComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  // False only when COM cannot be used on this thread at all.
  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

// Holds one reference to a COM interface and releases it exactly once.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      ptr_ = std::exchange(other.ptr_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  // For functions that return a new reference through an out parameter.
  T** put() {
    reset();
    return &ptr_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (ptr_) std::exchange(ptr_, nullptr)->Release();
  }

 private:
  T* ptr_ = nullptr;
};

}  // namespace platform
