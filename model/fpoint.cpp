#include "model/fpoint.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

namespace qzn {

namespace {

// An edge truncated and moved by d, saturated; an edge that is not a number
// counts as 0.
std::int32_t OuterEdge(float v, int d) { return SaturatedSum(std::isnan(v) ? 0 : TruncInt(v), d); }

}  // namespace

RECT CFRect::GetOuterRect() const {
  return RECT{OuterEdge(left, -1), OuterEdge(top, -1), OuterEdge(right, 1), OuterEdge(bottom, 1)};
}

RECT CoveringRect(const CFRect& r) {
  auto held = [](double v) {
    if (!(v > -2147483648.0)) return INT_MIN;
    if (!(v < 2147483647.0)) return INT_MAX;
    return static_cast<int>(v);
  };
  return RECT{held(std::floor(r.left)), held(std::floor(r.top)), held(std::ceil(r.right)), held(std::ceil(r.bottom))};
}

void CFRect::Union(const CFRect& a, const CFRect& b) {
  left = std::fmin(a.left, b.left);
  top = std::fmin(a.top, b.top);
  right = std::fmax(a.right, b.right);
  bottom = std::fmax(a.bottom, b.bottom);
}

}  // namespace qzn
