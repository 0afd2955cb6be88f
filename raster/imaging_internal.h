// Helpers shared by the imaging library's source files (not for callers).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "raster/rasterimage.h"

namespace qzn {

namespace imaging_detail {

template <class T>
std::unique_ptr<T[]> Alloc(std::int64_t n) {
  if (n <= 0 || static_cast<std::uint64_t>(n) > SIZE_MAX / sizeof(T)) return nullptr;
  return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<std::size_t>(n)]);
}

// An area clipped to the image: columns [x0, x1), rows [y0, y1).
struct Span {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
  int w() const { return x1 - x0; }
  int h() const { return y1 - y0; }
};

inline Span ClipRect(std::int64_t left, std::int64_t top, std::int64_t w, std::int64_t h, int width, int height) {
  Span s;
  s.x0 = static_cast<int>(std::clamp<std::int64_t>(left, 0, width));
  s.y0 = static_cast<int>(std::clamp<std::int64_t>(top, 0, height));
  s.x1 = static_cast<int>(std::clamp<std::int64_t>(left + std::max<std::int64_t>(w, 0), 0, width));
  s.y1 = static_cast<int>(std::clamp<std::int64_t>(top + std::max<std::int64_t>(h, 0), 0, height));
  return s;
}

inline Span ClipArea(const CRasterImage* image, const CImageArea* area) {
  if (!area) return Span{0, 0, image->width, image->height};
  return ClipRect(area->left, area->top, area->width, area->height, image->width, image->height);
}

inline int Bit(const BYTE* row, std::int64_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
inline void PutBit(BYTE* row, std::int64_t x, int v) {
  const BYTE m = static_cast<BYTE>(0x80 >> (x & 7));
  if (v)
    row[x >> 3] |= m;
  else
    row[x >> 3] &= static_cast<BYTE>(~m);
}

// Index of the entry of n colour tables nearest to (r, g, b) in squared RGB
// distance; the lowest index wins ties.
template <class T>
int NearestColor(const T* pr, const T* pg, const T* pb, int n, int r, int g, int b) {
  int best = 0;
  long bestD = -1;
  for (int i = 0; i < n; ++i) {
    const long dr = r - pr[i], dg = g - pg[i], db = b - pb[i];
    const long d = dr * dr + dg * dg + db * db;
    if (bestD < 0 || d < bestD) {
      bestD = d;
      best = i;
    }
  }
  return best;
}

// The value an image uses for white in its first plane: 0 when photometric
// is 0, the palette entry nearest to white for a palette image, else 255.
inline BYTE WhiteFill(const CRasterImage* image) {
  if (image->photometric == kPhotometricMinIsWhite) return 0;
  if (image->photometric == kPhotometricPalette && image->red)
    return static_cast<BYTE>(image->NearestPaletteIndex(255, 255, 255));
  return 255;
}

}  // namespace imaging_detail

}  // namespace qzn
