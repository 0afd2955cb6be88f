// Float image-pixel points and rectangles: the vertices of every line.
#pragma once

#include "platform/wintypes.h"

namespace qzn {

// One vertex: 32-bit float x then y, 8 bytes, copied by value.
struct CFPoint {
  float x = 0.0f;
  float y = 0.0f;

  CFPoint() = default;
  CFPoint(float fx, float fy) : x(fx), y(fy) {}
  CFPoint(double dx, double dy) : x(static_cast<float>(dx)), y(static_cast<float>(dy)) {}
  CFPoint(int ix, int iy) : x(static_cast<float>(ix)), y(static_cast<float>(iy)) {}

  bool operator==(const CFPoint& o) const { return x == o.x && y == o.y; }
};
static_assert(sizeof(CFPoint) == 8);

// A rectangle of floats: left, top, right, bottom.
struct CFRect {
  float left = 0.0f;
  float top = 0.0f;
  float right = 0.0f;
  float bottom = 0.0f;

  CFRect() = default;
  CFRect(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}

  // (trunc(left) - 1, trunc(top) - 1, trunc(right) + 1, trunc(bottom) + 1).
  RECT GetOuterRect() const;
  // This becomes the smallest rectangle holding both a and b.
  void Union(const CFRect& a, const CFRect& b);

  bool operator==(const CFRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};
static_assert(sizeof(CFRect) == 16);

// True when v is a finite number whose pixel lies within the int range: a
// workspace's extent and every line's bounds are whole pixels.
inline bool InPixelRange(double v) { return v > -2147483648.0 && v < 2147483647.0; }

// The smallest whole-pixel rectangle holding the float rectangle (left and
// top rounded down, right and bottom up), held to the int range.
RECT CoveringRect(const CFRect& r);

}  // namespace qzn
