#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "translate/signing.h"

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#include <intrin.h>
#define MOQIAO_HAS_TSC 1
#endif

namespace translate {
namespace {

std::uint32_t read_cycle_counter() {
#ifdef MOQIAO_HAS_TSC
  return static_cast<std::uint32_t>(__rdtsc());
#else
  // Any free-running counter whose low bits move between calls will do.
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<std::uint32_t>(counter.QuadPart);
#endif
}

}  // namespace

std::int32_t random_in_range(std::int32_t min, std::int32_t max) {
  if (max == 0) max = INT32_MAX;
  if (max < min) std::swap(min, max);
  const std::uint32_t x = read_cycle_counter();
  const std::uint32_t r = ((x * 214013u + 2531011u) >> 16) & 0x7FFFu;
  // Unsigned arithmetic throughout: a span of the whole 32-bit range wraps
  // to 0 and then takes r unreduced instead of dividing by zero.
  const std::uint32_t span = static_cast<std::uint32_t>(max) - static_cast<std::uint32_t>(min) + 1u;
  const std::uint32_t offset = span == 0 ? r : r % span;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(min) + offset);
}

std::string random_digits(int count) {
  std::string digits;
  for (int i = 0; i < count; ++i) digits.push_back(static_cast<char>('0' + random_in_range(0, 9)));
  return digits;
}

}  // namespace translate
