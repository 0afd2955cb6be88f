#include "ui/core/rectops.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qzn {

namespace {

using i64 = std::int64_t;

// Moves [lo, hi] along one axis back inside [blo, bhi]; a span wider than
// the bounds becomes the bounds.
void KeepInside(i64& lo, i64& hi, i64 blo, i64 bhi) {
  if (hi - lo > bhi - blo) {
    lo = blo;
    hi = bhi;
    return;
  }
  if (lo < blo) {
    hi += blo - lo;
    lo = blo;
  }
  if (hi > bhi) {
    lo -= hi - bhi;
    hi = bhi;
  }
}

i64 RoundHalfUp(double v) { return static_cast<i64>(std::floor(v + 0.5)); }

}  // namespace

RECT GrowRect(const RECT& rect, SIZE size, const RECT& bounds) {
  i64 l = rect.left - i64{size.cx} / 2, r = rect.right + (i64{size.cx} - i64{size.cx} / 2);
  i64 t = rect.top - i64{size.cy} / 2, b = rect.bottom + (i64{size.cy} - i64{size.cy} / 2);
  KeepInside(l, r, bounds.left, bounds.right);
  KeepInside(t, b, bounds.top, bounds.bottom);
  return RECT{SaturateInt32(l), SaturateInt32(t), SaturateInt32(r), SaturateInt32(b)};
}

SIZE FitSizeToAspect(SIZE size, SIZE aspect) {
  if (aspect.cx <= 0 || aspect.cy <= 0 || size.cx <= 0 || size.cy <= 0) return size;
  const i64 w = RoundHalfUp(static_cast<double>(size.cy) * aspect.cx / aspect.cy);
  if (w <= size.cx) return SIZE{SaturateInt32(std::max<i64>(w, 1)), size.cy};
  // w > size.cx >= 1 here, so the division is safe.
  const i64 h = RoundHalfUp(static_cast<double>(size.cx) * size.cy / static_cast<double>(w));
  return SIZE{size.cx, SaturateInt32(std::max<i64>(h, 1))};
}

RECT FitRectToAspect(const RECT& rect, SIZE size) {
  const i64 w = i64{rect.right} - rect.left, h = i64{rect.bottom} - rect.top;
  if (size.cx <= 0 || size.cy <= 0 || w <= 0 || h <= 0) return RECT{};
  const double f = static_cast<double>(w) / h;
  const double g = static_cast<double>(size.cx) / size.cy;
  RECT out = rect;
  if (f + 0.05 < g)
    out.bottom = SaturateInt32(rect.top + std::max<i64>(static_cast<i64>(w / g), 1));
  else if (g < f - 0.05)
    out.right = SaturateInt32(rect.left + std::max<i64>(static_cast<i64>(h * g), 1));
  return out;
}

bool RectInside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

RECT PlaceRect(const RECT& rect, POINT point, const RECT& bounds, int anchor) {
  if (!RectInside(rect, bounds)) return rect;
  const i64 w = i64{rect.right} - rect.left, h = i64{rect.bottom} - rect.top;
  i64 l = point.x, t = point.y;
  if (anchor == kAnchorBottomRight) {
    l -= w;
    t -= h;
  } else if (anchor == kAnchorCentre) {
    l -= w / 2;
    t -= h / 2;
  }
  l = std::clamp<i64>(l, bounds.left, i64{bounds.right} - w);
  t = std::clamp<i64>(t, bounds.top, i64{bounds.bottom} - h);
  return RECT{SaturateInt32(l), SaturateInt32(t), SaturateInt32(l + w), SaturateInt32(t + h)};
}

RECT GrowRectToAspect(const RECT& rect, SIZE aspect, const RECT& bounds) {
  i64 l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  const i64 bw = i64{bounds.right} - bounds.left, bh = i64{bounds.bottom} - bounds.top;
  if (aspect.cx <= 0 || aspect.cy <= 0 || r <= l || b <= t || bw <= 0 || bh <= 0) return rect;
  // Grow the short side about the centre, never past the bounds' span.
  const double want = static_cast<double>(aspect.cx) / aspect.cy;
  const double w = static_cast<double>(r - l), h = static_cast<double>(b - t);
  if (w / h < want) {
    const i64 nw = std::max(std::min<i64>(RoundHalfUp(h * want), bw), r - l);
    l -= (nw - (r - l)) / 2;
    r = l + nw;
  } else {
    const i64 nh = std::max(std::min<i64>(RoundHalfUp(w / want), bh), b - t);
    t -= (nh - (b - t)) / 2;
    b = t + nh;
  }
  KeepInside(l, r, bounds.left, bounds.right);
  KeepInside(t, b, bounds.top, bounds.bottom);
  return RECT{SaturateInt32(l), SaturateInt32(t), SaturateInt32(r), SaturateInt32(b)};
}

bool SetVisibleRect(const RECT& current, const RECT& candidate, SIZE aspect, RECT& out) {
  if (candidate.right <= candidate.left || candidate.bottom <= candidate.top) return false;
  const RECT cut{std::max(candidate.left, current.left), std::max(candidate.top, current.top),
                 std::min(candidate.right, current.right), std::min(candidate.bottom, current.bottom)};
  if (cut.right <= cut.left || cut.bottom <= cut.top) return false;
  if (current.right <= current.left || current.bottom <= current.top) return false;
  const RECT grown = GrowRectToAspect(cut, aspect, current);
  if (grown.right <= grown.left || grown.bottom <= grown.top) return false;
  out = grown;
  return true;
}

bool SetVisibleRect(const RECT& current, const RECT& candidate, RECT& out) {
  const SIZE aspect{SaturateInt32(i64{current.right} - current.left), SaturateInt32(i64{current.bottom} - current.top)};
  return SetVisibleRect(current, candidate, aspect, out);
}

int ScrollUnitFor(const RECT& extent) {
  const i64 side = std::max<i64>({i64{extent.right} - extent.left, i64{extent.bottom} - extent.top, 0});
  i64 unit = 1;
  while (side / unit >= 32767) unit *= 2;  // at most 2^17 for a 32-bit side
  return static_cast<int>(unit);
}

int AlignDisplayWidth(int w, bool imageHasPixels) {
  if (!imageHasPixels) return w;
  return SaturateInt32((i64{w} + 3) / 4 * 4);
}

bool OverviewRect(const RECT& extent, const RECT& visible, int width, int height, RECT& out) {
  const i64 ew = i64{extent.right} - extent.left, eh = i64{extent.bottom} - extent.top;
  if (ew <= 0 || eh <= 0) return false;
  // In float, as the outline is drawn: a fraction of the client size.
  const float ix = 1.0f / static_cast<float>(ew), iy = 1.0f / static_cast<float>(eh);
  auto map = [](i64 v, i64 origin, int size, float inv) {
    const double d = static_cast<double>(static_cast<float>(v - origin) * static_cast<float>(size) * inv);
    return static_cast<int>(std::clamp(d, -1e9, 1e9));
  };
  out = RECT{map(visible.left, extent.left, width, ix), map(visible.top, extent.top, height, iy),
             map(visible.right, extent.left, width, ix), map(visible.bottom, extent.top, height, iy)};
  return true;
}

}  // namespace qzn
