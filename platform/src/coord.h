// Coordinate arithmetic on values a caller passed: sums and differences are
// taken in 64 bits and saturated back to 32, so that no call overflows
// whatever it is given. Nothing the platform draws or places lies anywhere
// near the limits, so saturating never changes a pixel.
#pragma once

#include <stdint.h>

#include <algorithm>

#include <windows.h>

namespace plat {

inline LONG saturate(int64_t v) { return LONG(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

inline LONG saturating_add(int64_t a, int64_t b) { return saturate(a + b); }

}  // namespace plat
