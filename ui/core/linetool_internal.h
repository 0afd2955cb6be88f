// What the two halves of the line tool share besides its class: its
// feedback slots and small point and rectangle helpers.
#pragma once

#include <cmath>

#include "model/fpoint.h"
#include "platform/wintypes.h"
#include "ui/core/feedback.h"

namespace qzn::linetool {

// Feedback slots of the tool: the rubber segment or rectangle, the picked
// line shown inverted, and the polygon selection from kSlotSelection on.
inline constexpr int kSlotRubber = kSlotToolFirstFree;
inline constexpr int kSlotInverted = kSlotToolFirstFree + 1;
inline constexpr int kSlotSelection = 64;

inline RECT Union(const RECT& a, const RECT& b) {
  RECT r;
  UnionRect(r, a, b);
  return r;
}

inline POINT Rounded(const CFPoint& p) { return POINT{RoundPixel(p.x), RoundPixel(p.y)}; }

inline double Distance(const CFPoint& a, const CFPoint& b) {
  return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

}  // namespace qzn::linetool
