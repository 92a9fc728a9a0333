// Narrowing of 64-bit results to the 32-bit coordinates of pages and screens.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace lf {

// v clamped into the range of int32_t.
inline int32_t SaturateToInt32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace lf
