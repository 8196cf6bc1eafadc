#pragma once
// A one-based, growable sequence. Reading outside 1 … count is a programming
// error: the program stops with the runtime's error message.
#include <utility>
#include <vector>

#include "runtime/fatal.h"

namespace runtime {

inline constexpr char kIndexBelowOne[] = "数组成员引用下标必须大于等于1";
inline constexpr char kIndexBeyondCount[] = "数组成员引用下标超出定义范围";

template <typename T>
class Array {
 public:
  Array() = default;
  Array(std::initializer_list<T> items) : items_(items) {}

  int count() const { return static_cast<int>(items_.size()); }
  bool empty() const { return items_.empty(); }

  T& operator[](int index) { return items_[checked(index)]; }
  const T& operator[](int index) const { return items_[checked(index)]; }

  void append(T item) { items_.push_back(std::move(item)); }
  void clear() { items_.clear(); }

  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  const std::vector<T>& items() const { return items_; }

 private:
  size_t checked(int index) const {
    if (index < 1) stop_with_runtime_error(kIndexBelowOne);
    if (index > count()) stop_with_runtime_error(kIndexBeyondCount);
    return static_cast<size_t>(index - 1);
  }

  std::vector<T> items_;
};

}  // namespace runtime
