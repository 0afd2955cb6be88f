// The software rasteriser behind CRasterCanvas. Coordinates are integer pixel
// positions; a pixel (x, y) is the unit square whose centre is (x + 0.5,
// y + 0.5). Every shape is clipped to the bitmap before its pixels are
// visited, in 64-bit or double arithmetic, so any int coordinates are safe
// and the work is bounded by the visible part of the shape.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

#include "platform/canvas.h"

namespace qzn {

namespace {

using i64 = std::int64_t;

struct P64 {
  i64 x, y;
};

// Windows' cosmetic pen styles, in pixels: on and off runs starting with on.
// All four repeat within 24 pixels, so the phase is kept modulo 24.
constexpr int kPhaseCycle = 24;

struct DashPattern {
  int length = 0;
  std::array<bool, kPhaseCycle> on{};
};

constexpr DashPattern MakePattern(std::initializer_list<int> runs) {
  DashPattern p;
  bool on = true;
  for (int run : runs) {
    for (int i = 0; i < run; ++i) p.on[p.length++] = on;
    on = !on;
  }
  return p;
}

const DashPattern* PatternOf(int style) {
  static constexpr DashPattern dash = MakePattern({18, 6});
  static constexpr DashPattern dot = MakePattern({3, 3});
  static constexpr DashPattern dashDot = MakePattern({9, 6, 3, 6});
  static constexpr DashPattern dashDotDot = MakePattern({9, 3, 3, 3, 3, 3});
  switch (style) {
    case PS_DASH: return &dash;
    case PS_DOT: return &dot;
    case PS_DASHDOT: return &dashDot;
    case PS_DASHDOTDOT: return &dashDotDot;
    default: return nullptr;  // solid
  }
}

// 8 x 8 hatch cells, aligned to the bitmap origin.
bool HatchBit(int hatch, i64 px, i64 py) {
  const int x = static_cast<int>(px & 7), y = static_cast<int>(py & 7);
  switch (hatch) {
    case HS_HORIZONTAL: return y == 3;
    case HS_VERTICAL: return x == 3;
    case HS_FDIAGONAL: return x == y;      // "\\\\"
    case HS_BDIAGONAL: return x + y == 7;  // "////"
    case HS_CROSS: return x == 3 || y == 3;
    case HS_DIAGCROSS: return x == y || x + y == 7;
    default: return true;  // not a hatch: fill solid
  }
}

class Surface {
 public:
  Surface(std::uint8_t* rgb, i64 w, i64 h) : m_rgb(rgb), m_w(w), m_h(h) {}
  i64 W() const { return m_w; }
  i64 H() const { return m_h; }

  void Put(i64 x, i64 y, COLORREF c) {
    if (x < 0 || y < 0 || x >= m_w || y >= m_h) return;
    std::uint8_t* p = m_rgb + (y * m_w + x) * 3;
    p[0] = GetRValue(c);
    p[1] = GetGValue(c);
    p[2] = GetBValue(c);
  }

  // Pixels x0..x1 (inclusive) of row y, clipped.
  void Span(i64 y, i64 x0, i64 x1, COLORREF c) {
    if (y < 0 || y >= m_h) return;
    x0 = std::max<i64>(x0, 0);
    x1 = std::min<i64>(x1, m_w - 1);
    for (i64 x = x0; x <= x1; ++x) Put(x, y, c);
  }

 private:
  std::uint8_t* m_rgb;
  i64 m_w, m_h;
};

// What the gaps of dashes and hatches get: the background colour in opaque
// mode, nothing in transparent mode.
struct Background {
  bool opaque;
  COLORREF color;
};

void FillSpan(Surface& s, const CBrush& brush, Background bk, i64 y, i64 x0, i64 x1) {
  if (brush.style == BS_NULL || y < 0 || y >= s.H()) return;
  if (brush.style != BS_HATCHED) {
    s.Span(y, x0, x1, brush.color);
    return;
  }
  x0 = std::max<i64>(x0, 0);
  x1 = std::min<i64>(x1, s.W() - 1);
  for (i64 x = x0; x <= x1; ++x) {
    if (HatchBit(brush.hatch, x, y))
      s.Put(x, y, brush.color);
    else if (bk.opaque)
      s.Put(x, y, bk.color);
  }
}

// A one-pixel line from (x0, y0) towards (x1, y1), leaving out the end pixel.
// Step i along the major axis has the minor offset round(i * minor / major),
// ties going towards the start; it is computed in closed form at the first
// visible step, so far-away lines cost only their visible pixels.
void CosmeticLine(Surface& s, P64 a, P64 b, COLORREF color, const DashPattern* pat, Background bk, i64& phase) {
  const i64 adx = std::abs(b.x - a.x), ady = std::abs(b.y - a.y);
  const i64 n = std::max(adx, ady);
  if (n == 0) return;
  const i64 start = phase;
  phase = (phase + n) % kPhaseCycle;

  const bool xMajor = adx >= ady;
  const i64 maj0 = xMajor ? a.x : a.y, min0 = xMajor ? a.y : a.x;
  const i64 smaj = (xMajor ? b.x - a.x : b.y - a.y) < 0 ? -1 : 1;
  const i64 smin = (xMajor ? b.y - a.y : b.x - a.x) < 0 ? -1 : 1;
  const i64 amin = xMajor ? ady : adx;
  const i64 majSize = xMajor ? s.W() : s.H(), minSize = xMajor ? s.H() : s.W();
  const i64 den = 2 * n;
  // 2 * i * amin needs up to 67 bits for lines across the whole int range;
  // lines of up to 2^30 steps, the usual ones, stay in 64 bits.
  const bool wide = n > (i64{1} << 30);
  auto minorAt = [&](i64 i) {
    if (!wide) return (2 * i * amin + n - 1) / den;
    return static_cast<i64>((static_cast<__int128>(2) * i * amin + n - 1) / den);
  };

  // Steps whose major coordinate lies in the bitmap.
  i64 lo = 0, hi = n - 1;
  if (smaj > 0) {
    lo = std::max(lo, -maj0);
    hi = std::min(hi, majSize - 1 - maj0);
  } else {
    lo = std::max(lo, maj0 - (majSize - 1));
    hi = std::min(hi, maj0);
  }
  if (lo > hi) return;
  // ... and whose minor offset keeps the minor coordinate in it (the offset
  // never decreases along the line, so binary searches find the range).
  const i64 kmin = smin > 0 ? -min0 : min0 - (minSize - 1);
  const i64 kmax = smin > 0 ? minSize - 1 - min0 : min0;
  if (minorAt(hi) < kmin || minorAt(lo) > kmax) return;
  i64 first = lo, last = hi;
  if (minorAt(first) < kmin) {
    for (i64 h = hi; first < h;) {
      const i64 mid = first + (h - first) / 2;
      if (minorAt(mid) >= kmin)
        h = mid;
      else
        first = mid + 1;
    }
  }
  if (minorAt(first) > kmax) return;
  if (minorAt(last) > kmax) {
    for (i64 l = first; l < last;) {
      const i64 mid = l + (last - l + 1) / 2;
      if (minorAt(mid) <= kmax)
        l = mid;
      else
        last = mid - 1;
    }
  }

  i64 q = minorAt(first);
  i64 rem = wide ? static_cast<i64>(static_cast<__int128>(2) * first * amin + n - 1 - static_cast<__int128>(q) * den)
                 : 2 * first * amin + n - 1 - q * den;
  int pos = pat ? static_cast<int>((start + first) % pat->length) : 0;
  for (i64 i = first; i <= last; ++i) {
    const i64 maj = maj0 + smaj * i, mnr = min0 + smin * q;
    const i64 x = xMajor ? maj : mnr, y = xMajor ? mnr : maj;
    if (!pat || pat->on[pos])
      s.Put(x, y, color);
    else if (bk.opaque)
      s.Put(x, y, bk.color);
    if (pat && ++pos == pat->length) pos = 0;
    rem += 2 * amin;
    if (rem >= den) {
      rem -= den;
      ++q;
    }
  }
}

// Clips the segment a-b to the box [x0, x1] x [y0, y1] (Liang-Barsky); false
// when nothing of it is inside.
bool ClipSegment(double& ax, double& ay, double& bx, double& by, double x0, double y0, double x1, double y1) {
  double t0 = 0, t1 = 1;
  const double dx = bx - ax, dy = by - ay;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax - x0, x1 - ax, ay - y0, y1 - ay};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;
    } else {
      const double t = q[k] / p[k];
      if (p[k] < 0)
        t0 = std::max(t0, t);
      else
        t1 = std::min(t1, t);
    }
  }
  if (t0 > t1) return false;
  const double nax = ax + t0 * dx, nay = ay + t0 * dy;
  bx = ax + t1 * dx;
  by = ay + t1 * dy;
  ax = nax;
  ay = nay;
  return true;
}

// Interval of u where lo <= k * u <= hi, intersected into [ulo, uhi].
void Constrain(double k, double lo, double hi, double& ulo, double& uhi) {
  if (k == 0) {
    if (lo > 0 || hi < 0) uhi = -std::numeric_limits<double>::infinity();
    return;
  }
  double a = lo / k, b = hi / k;
  if (a > b) std::swap(a, b);
  ulo = std::max(ulo, a);
  uhi = std::min(uhi, b);
}

// A wide pen's segment: every pixel whose centre lies within width / 2 of the
// segment, which gives round caps and, segment by segment, round joins. Odd
// widths centre the stroke on the pixel centres, even widths on the pixel
// corners to the upper left, so a horizontal line of width w is w rows high.
void WideSegment(Surface& s, P64 a, P64 b, int width, COLORREF color) {
  if (a.x == b.x && a.y == b.y) return;
  const double r = width / 2.0, off = (width & 1) ? 0.5 : 0.0;
  double ax = a.x + off, ay = a.y + off, bx = b.x + off, by = b.y + off;
  const double m = r + 2;
  if (!ClipSegment(ax, ay, bx, by, -m, -m, s.W() + m, s.H() + m)) return;
  const double dx = bx - ax, dy = by - ay, len = std::hypot(dx, dy), l2 = dx * dx + dy * dy;
  const double r2 = r * r, eps = 1e-7;
  const i64 y0 = std::max<i64>(0, static_cast<i64>(std::floor(std::min(ay, by) - r - 0.5)));
  const i64 y1 = std::min<i64>(s.H() - 1, static_cast<i64>(std::ceil(std::max(ay, by) + r)));
  for (i64 y = y0; y <= y1; ++y) {
    const double yc = y + 0.5;
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (const auto& [cx, cy] : {std::pair{ax, ay}, std::pair{bx, by}}) {
      const double d = yc - cy;
      if (d * d <= r2) {
        const double h = std::sqrt(r2 - d * d);
        lo = std::min(lo, cx - h);
        hi = std::max(hi, cx + h);
      }
    }
    if (l2 > 0) {
      // The band between the caps: 0 <= projection <= 1, |distance| <= r,
      // both linear in u = x - ax.
      const double v = yc - ay;
      double ulo = -std::numeric_limits<double>::infinity(), uhi = -ulo;
      Constrain(dx, -v * dy, l2 - v * dy, ulo, uhi);
      Constrain(dy, v * dx - r * len, v * dx + r * len, ulo, uhi);
      if (ulo <= uhi) {
        lo = std::min(lo, ax + ulo);
        hi = std::max(hi, ax + uhi);
      }
    }
    if (lo > hi) continue;
    const double cl = std::clamp(lo - 0.5 - eps, -2.0, s.W() + 2.0);
    const double ch = std::clamp(hi - 0.5 + eps, -2.0, s.W() + 2.0);
    s.Span(y, static_cast<i64>(std::ceil(cl)), static_cast<i64>(std::floor(ch)), color);
  }
}

int EffectiveWidth(const CPen& pen) { return std::max(pen.width, 1); }

// One segment with the pen; the dash phase runs on from the previous one.
void StrokeSegment(Surface& s, const CPen& pen, Background bk, P64 a, P64 b, i64& phase) {
  if (pen.style == PS_NULL) return;
  const int w = EffectiveWidth(pen);
  if (w <= 1)
    CosmeticLine(s, a, b, pen.color, PatternOf(pen.style), bk, phase);
  else
    WideSegment(s, a, b, w, pen.color);  // wide pens draw solid, as GDI's do
}

void StrokePath(Surface& s, const CPen& pen, Background bk, const std::vector<P64>& pts, bool closed) {
  i64 phase = 0;
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) StrokeSegment(s, pen, bk, pts[i], pts[i + 1], phase);
  if (closed && pts.size() > 1) StrokeSegment(s, pen, bk, pts.back(), pts.front(), phase);
}

// Alternate (even-odd) fill: a pixel is inside when its centre is, a centre
// exactly on a left edge is in and one on a right edge is out. Edges are
// bucketed by their first row and kept in an active list, so a polygon costs
// its visible rows times the edges crossing them.
void FillPolygon(Surface& s, const std::vector<P64>& pts, const CBrush& brush, Background bk) {
  if (brush.style == BS_NULL || pts.size() < 3 || s.W() == 0 || s.H() == 0) return;
  struct Edge {
    i64 first, last;  // rows whose centre the edge spans
    double x0, y0, slope;
  };
  std::vector<Edge> edges;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    P64 a = pts[i], b = pts[(i + 1) % pts.size()];
    if (a.y == b.y) continue;
    if (a.y > b.y) std::swap(a, b);
    const i64 first = std::max<i64>(a.y, 0), last = std::min<i64>(b.y - 1, s.H() - 1);
    if (first > last) continue;
    edges.push_back(Edge{first, last, static_cast<double>(a.x), static_cast<double>(a.y),
                         static_cast<double>(b.x - a.x) / static_cast<double>(b.y - a.y)});
  }
  if (edges.empty()) return;
  std::sort(edges.begin(), edges.end(), [](const Edge& p, const Edge& q) { return p.first < q.first; });
  std::vector<const Edge*> active;
  std::vector<double> xs;
  std::size_t next = 0;
  const double xmax = s.W() + 2.0;
  for (i64 y = edges.front().first; y < s.H() && (next < edges.size() || !active.empty()); ++y) {
    while (next < edges.size() && edges[next].first == y) active.push_back(&edges[next++]);
    std::erase_if(active, [y](const Edge* e) { return e->last < y; });
    if (active.empty()) {
      if (next < edges.size()) y = edges[next].first - 1;
      continue;
    }
    xs.clear();
    for (const Edge* e : active) xs.push_back(e->x0 + (y + 0.5 - e->y0) * e->slope);
    std::sort(xs.begin(), xs.end());
    for (std::size_t k = 0; k + 1 < xs.size(); k += 2) {
      const double l = std::clamp(xs[k] - 0.5, -2.0, xmax), r = std::clamp(xs[k + 1] - 0.5, -2.0, xmax);
      FillSpan(s, brush, bk, y, static_cast<i64>(std::ceil(l)), static_cast<i64>(std::ceil(r)) - 1);
    }
  }
}

// The pixels of row y inside the ellipse centred at (sx / 2, sy / 2) with
// radii rx, ry (sx and sy are doubled centres, so the centre lies on a pixel
// edge or centre). The left end is the mirror of the right one, so the shape
// is exactly symmetric about both axes.
bool EllipseRow(i64 sx, i64 sy, double rx, double ry, i64 y, i64& xl, i64& xr) {
  if (rx <= 0 || ry <= 0) return false;
  const double dy = static_cast<double>(2 * y + 1 - sy) / 2 / ry;
  const double v = 1 - dy * dy;
  if (v < 0) return false;
  const double hw = rx * std::sqrt(v);
  xr = static_cast<i64>(std::floor(sx / 2.0 + hw - 0.5));
  xl = sx - 1 - xr;
  return xl <= xr;
}

void Normalize(i64& l, i64& t, i64& r, i64& b) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
}

std::vector<P64> ToP64(const POINT* pts, int n) {
  std::vector<P64> v;
  if (!pts || n <= 0) return v;
  v.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) v.push_back(P64{pts[i].x, pts[i].y});
  return v;
}

}  // namespace

CRasterCanvas::CRasterCanvas(int width, int height, COLORREF background)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)) {
  const std::size_t n = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
  m_rgb.resize(n * 3);
  for (std::size_t i = 0; i < n; ++i) {
    m_rgb[3 * i] = GetRValue(background);
    m_rgb[3 * i + 1] = GetGValue(background);
    m_rgb[3 * i + 2] = GetBValue(background);
  }
}

void CRasterCanvas::PutPicture(const std::uint8_t* rgb, int width, int height) {
  if (!rgb) return;
  const int w = std::min(std::max(width, 0), m_width), h = std::min(std::max(height, 0), m_height);
  for (int y = 0; y < h; ++y)
    std::memcpy(m_rgb.data() + static_cast<std::size_t>(y) * m_width * 3,
                rgb + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3,
                static_cast<std::size_t>(w) * 3);
}

COLORREF CRasterCanvas::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return CLR_INVALID;
  const std::uint8_t* p = m_rgb.data() + (static_cast<std::size_t>(y) * m_width + x) * 3;
  return RGB(p[0], p[1], p[2]);
}

CPen CRasterCanvas::SelectPen(const CPen& p) { return std::exchange(m_pen, p); }
CBrush CRasterCanvas::SelectBrush(const CBrush& b) { return std::exchange(m_brush, b); }
CFont CRasterCanvas::SelectFont(const CFont& f) { return std::exchange(m_font, f); }
COLORREF CRasterCanvas::SetTextColor(COLORREF c) { return std::exchange(m_textColor, c); }
COLORREF CRasterCanvas::SetBkColor(COLORREF c) { return std::exchange(m_bkColor, c); }
int CRasterCanvas::SetBkMode(int mode) { return std::exchange(m_bkMode, mode); }

// A move starts a new figure, so the dash pattern starts over; lines drawn one
// after another continue it, as a polyline does.
void CRasterCanvas::MoveTo(int x, int y) {
  m_cur = POINT{x, y};
  m_dashPhase = 0;
}

void CRasterCanvas::LineTo(int x, int y) {
  Surface s(m_rgb.data(), m_width, m_height);
  StrokeSegment(s, m_pen, Background{m_bkMode == OPAQUE, m_bkColor}, P64{m_cur.x, m_cur.y}, P64{x, y}, m_dashPhase);
  m_cur = POINT{x, y};
}

void CRasterCanvas::Polyline(const POINT* pts, int n) {
  Surface s(m_rgb.data(), m_width, m_height);
  StrokePath(s, m_pen, Background{m_bkMode == OPAQUE, m_bkColor}, ToP64(pts, n), false);
}

void CRasterCanvas::Polygon(const POINT* pts, int n) {
  const std::vector<P64> v = ToP64(pts, n);
  if (v.size() < 2) return;
  Surface s(m_rgb.data(), m_width, m_height);
  const Background bk{m_bkMode == OPAQUE, m_bkColor};
  FillPolygon(s, v, m_brush, bk);
  StrokePath(s, m_pen, bk, v, true);
}

void CRasterCanvas::Rectangle(int left, int top, int right, int bottom) {
  i64 l = left, t = top, r = right, b = bottom;
  Normalize(l, t, r, b);
  if (r == l || b == t) return;
  Surface s(m_rgb.data(), m_width, m_height);
  const Background bk{m_bkMode == OPAQUE, m_bkColor};
  if (m_brush.style != BS_NULL)
    for (i64 y = std::max<i64>(t, 0); y < std::min<i64>(b, m_height); ++y) FillSpan(s, m_brush, bk, y, l, r - 1);
  StrokePath(s, m_pen, bk, {{l, t}, {r - 1, t}, {r - 1, b - 1}, {l, b - 1}}, true);
}

// The ellipse inscribed in the box, sampled at pixel centres. A one-pixel
// pen draws the filled shape's rim (its pixels with a 4-neighbour outside); a
// wide pen the ring between the ellipses grown and shrunk by half its width.
// The outline is always solid: a dash pattern has no natural start on it.
void CRasterCanvas::Ellipse(int left, int top, int right, int bottom) {
  i64 l = left, t = top, r = right, b = bottom;
  Normalize(l, t, r, b);
  if (r == l || b == t) return;
  Surface s(m_rgb.data(), m_width, m_height);
  const Background bk{m_bkMode == OPAQUE, m_bkColor};
  const i64 sx = l + r, sy = t + b;
  const double rx = (r - l) / 2.0, ry = (b - t) / 2.0;
  i64 xl, xr;
  if (m_brush.style != BS_NULL)
    for (i64 y = std::max<i64>(t, 0); y < std::min<i64>(b, m_height); ++y)
      if (EllipseRow(sx, sy, rx, ry, y, xl, xr)) FillSpan(s, m_brush, bk, y, xl, xr);
  if (m_pen.style == PS_NULL) return;
  const COLORREF c = m_pen.color;
  const int w = EffectiveWidth(m_pen);
  if (w <= 1) {
    for (i64 y = std::max<i64>(t, 0); y < std::min<i64>(b, m_height); ++y) {
      if (!EllipseRow(sx, sy, rx, ry, y, xl, xr)) continue;
      i64 al, ar, bl, br;
      i64 il = xl + 1, ir = xr - 1;  // the part with both vertical neighbours inside
      if (EllipseRow(sx, sy, rx, ry, y - 1, al, ar) && EllipseRow(sx, sy, rx, ry, y + 1, bl, br)) {
        il = std::max({il, al, bl});
        ir = std::min({ir, ar, br});
      } else {
        il = xr + 1;
        ir = xr;
      }
      if (il > ir) {
        s.Span(y, xl, xr, c);
      } else {
        s.Span(y, xl, il - 1, c);
        s.Span(y, ir + 1, xr, c);
      }
    }
    return;
  }
  const double h = w / 2.0;
  const i64 y0 = std::max<i64>(0, static_cast<i64>(std::floor(t - h)));
  const i64 y1 = std::min<i64>(m_height - 1, static_cast<i64>(std::ceil(b + h)));
  for (i64 y = y0; y <= y1; ++y) {
    i64 ol, orr, il, ir;
    if (!EllipseRow(sx, sy, rx + h, ry + h, y, ol, orr)) continue;
    if (EllipseRow(sx, sy, rx - h, ry - h, y, il, ir)) {
      s.Span(y, ol, il - 1, c);
      s.Span(y, ir + 1, orr, c);
    } else {
      s.Span(y, ol, orr, c);
    }
  }
}

void CRasterCanvas::SetPixel(int x, int y, COLORREF c) { Surface(m_rgb.data(), m_width, m_height).Put(x, y, c); }

// A bitmap has no fonts: the text's box (its extent, turned by the escapement
// about the top-left corner) is outlined in the text colour, and in opaque
// mode filled with the background colour first, as a text cell would be.
void CRasterCanvas::TextOut(int x, int y, const std::string& utf8) {
  if (utf8.empty()) return;
  const SIZE e = GetTextExtent(utf8);
  const double a = m_font.escapement * (std::numbers::pi / 1800.0);
  const double c = std::cos(a), sn = std::sin(a);
  auto at = [&](double u, double v) {  // u along the baseline, v downwards
    const double px = std::clamp(x + u * c + v * sn, -1e12, 1e12);
    const double py = std::clamp(y - u * sn + v * c, -1e12, 1e12);
    return P64{std::llround(px), std::llround(py)};
  };
  const std::vector<P64> box{at(0, 0), at(e.cx, 0), at(e.cx, e.cy), at(0, e.cy)};
  Surface s(m_rgb.data(), m_width, m_height);
  const Background bk{m_bkMode == OPAQUE, m_bkColor};
  if (bk.opaque) FillPolygon(s, box, CBrush{BS_SOLID, HS_HORIZONTAL, m_bkColor}, bk);
  StrokePath(s, CPen{PS_SOLID, 1, m_textColor}, bk, box, true);
}

SIZE CRasterCanvas::GetTextExtent(const std::string& utf8) { return FixedPitchTextExtent(m_font, utf8); }

}  // namespace qzn
