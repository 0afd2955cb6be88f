// Small value types and rules of the Windows API that the data model and the
// pixel code lean on: integer rectangles and points, colour references, and
// the fixed-width integer names used by the stored layouts.
#pragma once

#include <algorithm>
#include <cstdint>

namespace qzn {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using BOOL = int;
using COLORREF = std::uint32_t;  // 0x00BBGGRR

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

struct POINT {
  std::int32_t x = 0;
  std::int32_t y = 0;
};
struct SIZE {
  std::int32_t cx = 0;
  std::int32_t cy = 0;
};

// Right and bottom are exclusive, as for the Windows rectangle functions; the
// pixel algorithms that take inclusive right/bottom edges say so themselves.
struct RECT {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Empty when it has no area: right <= left or bottom <= top.
inline bool IsRectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
inline void SetRectEmpty(RECT& r) { r = RECT{}; }
inline void SetRect(RECT& r, int l, int t, int rt, int b) { r = RECT{l, t, rt, b}; }
inline bool PtInRect(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
// Intersection; an empty result is set to all zeros and returns false.
inline bool IntersectRect(RECT& out, const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (IsRectEmpty(r)) {
    out = RECT{};
    return false;
  }
  out = r;
  return true;
}
// Union; an empty operand is ignored, two empty operands give all zeros.
inline bool UnionRect(RECT& out, const RECT& a, const RECT& b) {
  if (IsRectEmpty(a)) {
    out = IsRectEmpty(b) ? RECT{} : b;
  } else if (IsRectEmpty(b)) {
    out = a;
  } else {
    out = RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
               std::max(a.bottom, b.bottom)};
  }
  return !IsRectEmpty(out);
}
// The saturating conversions to int: coordinates far outside the image, or
// not numbers at all, must never make a conversion undefined.
// A 64-bit value held to the int range.
constexpr std::int32_t SaturateInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}
// Sums of coordinates in 64 bits, held to the int range: the bounds of lines
// far outside the image sit at its edges and must not overflow there.
inline std::int32_t SaturatedSum(std::int64_t a, std::int64_t b) { return SaturateInt32(a + b); }
// Truncation toward zero, held to the int range; NaN gives INT32_MIN.
constexpr std::int32_t TruncInt(double v) {
  if (!(v > -2147483648.0)) return INT32_MIN;
  if (v >= 2147483647.0) return INT32_MAX;
  return static_cast<std::int32_t>(v);
}
// Image position to pixel: add 0.5 and truncate toward zero (saturated).
constexpr std::int32_t RoundPixel(double v) { return TruncInt(v + 0.5); }
inline void InflateRect(RECT& r, int dx, int dy) {
  r.left = SaturatedSum(r.left, -std::int64_t{dx});
  r.top = SaturatedSum(r.top, -std::int64_t{dy});
  r.right = SaturatedSum(r.right, dx);
  r.bottom = SaturatedSum(r.bottom, dy);
}
inline void OffsetRect(RECT& r, int dx, int dy) {
  r.left = SaturatedSum(r.left, dx);
  r.right = SaturatedSum(r.right, dx);
  r.top = SaturatedSum(r.top, dy);
  r.bottom = SaturatedSum(r.bottom, dy);
}
inline void NormalizeRect(RECT& r) {
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
}
inline std::int32_t RectWidth(const RECT& r) { return SaturatedSum(r.right, -std::int64_t{r.left}); }
inline std::int32_t RectHeight(const RECT& r) { return SaturatedSum(r.bottom, -std::int64_t{r.top}); }

// Pen styles, brush styles and hatch patterns as stored in files and passed to
// the canvas.
enum : int {
  PS_SOLID = 0,
  PS_DASH = 1,
  PS_DOT = 2,
  PS_DASHDOT = 3,
  PS_DASHDOTDOT = 4,
  PS_NULL = 5,
  PS_INSIDEFRAME = 6,
};
enum : int { BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2 };
enum : int {
  HS_HORIZONTAL = 0,
  HS_VERTICAL = 1,
  HS_FDIAGONAL = 2,
  HS_BDIAGONAL = 3,
  HS_CROSS = 4,
  HS_DIAGCROSS = 5,
};

}  // namespace qzn
