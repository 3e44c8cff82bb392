#pragma once
// Signed 32-bit and 16-bit arithmetic that raises OverflowError instead of wrapping.

#include <cstdint>
#include <limits>
#include <utility>

#include "platform/errors.h"

namespace marlit {

[[nodiscard]] inline std::int32_t CheckedAdd(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_add_overflow(a, b, &r)) throw OverflowError("32-bit addition overflow");
  return r;
}

[[nodiscard]] inline std::int32_t CheckedSub(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_sub_overflow(a, b, &r)) throw OverflowError("32-bit subtraction overflow");
  return r;
}

[[nodiscard]] inline std::int16_t CheckedAdd16(std::int16_t a, std::int16_t b) {
  std::int16_t r;
  if (__builtin_add_overflow(a, b, &r)) throw OverflowError("16-bit addition overflow");
  return r;
}

// Narrowing that refuses values the target cannot hold.
template <typename To, typename From>
[[nodiscard]] To CheckedNarrow(From v) {
  if (!std::in_range<To>(v)) throw OverflowError("value out of range");
  return static_cast<To>(v);
}

}  // namespace marlit
