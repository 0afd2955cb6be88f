#include "model/fpoint.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace qzn {

namespace {

// Truncation toward zero, saturated to the int32 range so that a stray huge
// or non-finite coordinate cannot make the conversion undefined.
std::int32_t TruncToInt(float v) {
  if (std::isnan(v)) return 0;
  const double t = std::trunc(static_cast<double>(v));
  constexpr double lo = std::numeric_limits<std::int32_t>::min() + 1.0;
  constexpr double hi = std::numeric_limits<std::int32_t>::max() - 1.0;
  if (t < lo) return static_cast<std::int32_t>(lo);
  if (t > hi) return static_cast<std::int32_t>(hi);
  return static_cast<std::int32_t>(t);
}

}  // namespace

RECT CFRect::GetOuterRect() const {
  return RECT{TruncToInt(left) - 1, TruncToInt(top) - 1, TruncToInt(right) + 1, TruncToInt(bottom) + 1};
}

void CFRect::Union(const CFRect& a, const CFRect& b) {
  left = std::fmin(a.left, b.left);
  top = std::fmin(a.top, b.top);
  right = std::fmax(a.right, b.right);
  bottom = std::fmax(a.bottom, b.bottom);
}

}  // namespace qzn
