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
  return RECT{TruncInt(std::floor(r.left)), TruncInt(std::floor(r.top)), TruncInt(std::ceil(r.right)),
              TruncInt(std::ceil(r.bottom))};
}

void CFRect::Union(const CFRect& a, const CFRect& b) {
  left = std::fmin(a.left, b.left);
  top = std::fmin(a.top, b.top);
  right = std::fmax(a.right, b.right);
  bottom = std::fmax(a.bottom, b.bottom);
}

}  // namespace qzn
