#include "ui/core/feedback.h"

#include <algorithm>
#include <cstdlib>

namespace qzn {

namespace {

// Lines are split into pieces of at most this many pixels along their major
// axis, so a diagonal across the window damages a chain of small boxes.
constexpr int kLinePiece = 32;

// Bresenham from a to b, b excluded.
template <class F>
void LinePixels(int x0, int y0, int x1, int y1, F&& f) {
  const std::int64_t dx = std::llabs(std::int64_t{x1} - x0), dy = -std::llabs(std::int64_t{y1} - y0);
  const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  std::int64_t err = dx + dy;
  std::int64_t x = x0, y = y0;
  while (!(x == x1 && y == y1)) {
    f(static_cast<int>(x), static_cast<int>(y));
    const std::int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

// The pixels a wide or joined line inverts, each once, sorted by row.
void WidePixels(const FeedbackShape& shape, std::vector<POINT>& out) {
  out.clear();
  const int w = std::max(shape.width, 1);
  const int lo = -(w - 1) / 2, hi = w / 2;
  auto square = [&](int x, int y) {
    for (int dy = lo; dy <= hi; ++dy)
      for (int dx = lo; dx <= hi; ++dx) out.push_back(POINT{x + dx, y + dy});
  };
  if (shape.kind == FeedbackShape::kLine) {
    const RECT& g = shape.geometry;
    LinePixels(g.left, g.top, g.right, g.bottom, square);
  } else {
    const std::vector<POINT>& p = shape.points;
    for (std::size_t i = 1; i < p.size(); ++i) LinePixels(p[i - 1].x, p[i - 1].y, p[i].x, p[i].y, square);
  }
  auto less = [](const POINT& a, const POINT& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; };
  std::sort(out.begin(), out.end(), less);
  out.erase(std::unique(out.begin(), out.end()), out.end());
}

bool IsWide(const FeedbackShape& shape) {
  return shape.kind == FeedbackShape::kPolyline || (shape.kind == FeedbackShape::kLine && shape.width > 1);
}

void FrameStrips(const RECT& r, std::vector<RECT>& out) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  const int w = r.right - r.left, h = r.bottom - r.top;
  out.push_back(RECT{r.left, r.top, r.left + w, r.top + 1});        // top
  out.push_back(RECT{r.right, r.top, r.right + 1, r.top + h});      // right
  out.push_back(RECT{r.left, r.top, r.left + 1, r.top + h});        // left
  out.push_back(RECT{r.left, r.bottom, r.left + w, r.bottom + 1});  // bottom
}

}  // namespace

FeedbackShape FeedbackShape::Polyline(std::vector<POINT> pts, int width) {
  FeedbackShape s = Make(kPolyline, RECT{});
  s.width = width < 1 ? 1 : width;
  if (!pts.empty()) {
    RECT b{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
    for (const POINT& p : pts) {
      b.left = std::min(b.left, p.x);
      b.top = std::min(b.top, p.y);
      b.right = std::max(b.right, p.x);
      b.bottom = std::max(b.bottom, p.y);
    }
    s.geometry = b;
  }
  s.points = std::move(pts);
  return s;
}

void CFeedbackLayer::Strips(const FeedbackShape& shape, std::vector<RECT>& out) {
  if (shape.kind == FeedbackShape::kFrame) {
    FrameStrips(shape.geometry, out);
    return;
  }
  if (shape.kind == FeedbackShape::kPicture) {
    const RECT& g = shape.geometry;
    if (g.right > g.left && g.bottom > g.top) out.push_back(g);
    return;
  }
  if (IsWide(shape)) {
    // Boxes round pieces of each segment, grown by the pen.
    const int grow = std::max(shape.width, 1) / 2 + 1;
    std::vector<POINT> ends;
    if (shape.kind == FeedbackShape::kLine)
      ends = {POINT{shape.geometry.left, shape.geometry.top}, POINT{shape.geometry.right, shape.geometry.bottom}};
    const std::vector<POINT>& p = shape.kind == FeedbackShape::kLine ? ends : shape.points;
    for (std::size_t i = 1; i < p.size(); ++i) {
      const std::size_t first = out.size();
      Strips(FeedbackShape::Line(p[i - 1], p[i]), out);
      if (out.size() == first) out.push_back(RECT{p[i].x, p[i].y, p[i].x + 1, p[i].y + 1});
      for (std::size_t k = first; k < out.size(); ++k) {
        out[k].left -= grow;
        out[k].top -= grow;
        out[k].right += grow;
        out[k].bottom += grow;
      }
    }
    return;
  }
  // A line: boxes around pieces of it.
  const RECT& g = shape.geometry;
  bool have = false;
  RECT box{};
  int count = 0;
  LinePixels(g.left, g.top, g.right, g.bottom, [&](int x, int y) {
    if (!have) {
      box = RECT{x, y, x + 1, y + 1};
      have = true;
    } else {
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x + 1);
      box.bottom = std::max(box.bottom, y + 1);
    }
    if (++count == kLinePiece) {
      out.push_back(box);
      have = false;
      count = 0;
    }
  });
  if (have) out.push_back(box);
}

void CFeedbackLayer::ForEachPixel(const FeedbackShape& shape, const RECT& clip,
                                  const std::function<void(int, int)>& f) {
  auto inside = [&](int x, int y) { return x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom; };
  if (IsWide(shape)) {
    std::vector<POINT> pixels;
    WidePixels(shape, pixels);
    for (const POINT& p : pixels)
      if (inside(p.x, p.y)) f(p.x, p.y);
    return;
  }
  if (shape.kind == FeedbackShape::kPicture) {
    const RECT& g = shape.geometry;
    const int l = std::max(g.left, clip.left), r = std::min(g.right, clip.right);
    const int t = std::max(g.top, clip.top), b = std::min(g.bottom, clip.bottom);
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) f(x, y);
    return;
  }
  if (shape.kind == FeedbackShape::kLine) {
    const RECT& g = shape.geometry;
    LinePixels(g.left, g.top, g.right, g.bottom, [&](int x, int y) {
      if (inside(x, y)) f(x, y);
    });
    return;
  }
  std::vector<RECT> strips;
  FrameStrips(shape.geometry, strips);
  for (const RECT& s : strips) {
    const int l = std::max(s.left, clip.left), r = std::min(s.right, clip.right);
    const int t = std::max(s.top, clip.top), b = std::min(s.bottom, clip.bottom);
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) f(x, y);
  }
}

void CFeedbackLayer::Set(int slot, const FeedbackShape& shape) {
  auto it = m_shapes.find(slot);
  if (it != m_shapes.end()) {
    if (it->second == shape) return;
    Strips(it->second, m_damage);
    it->second = shape;
  } else {
    m_shapes.emplace(slot, shape);
  }
  Strips(shape, m_damage);
}

void CFeedbackLayer::Clear(int slot) {
  auto it = m_shapes.find(slot);
  if (it == m_shapes.end()) return;
  Strips(it->second, m_damage);
  m_shapes.erase(it);
}

void CFeedbackLayer::ClearAll() {
  for (const auto& [slot, shape] : m_shapes) Strips(shape, m_damage);
  m_shapes.clear();
}

std::vector<RECT> CFeedbackLayer::TakeDamage() {
  std::vector<RECT> d;
  d.swap(m_damage);
  return d;
}

void CFeedbackLayer::Invert(std::uint8_t* rgb, std::int64_t stride, const RECT& clip) const {
  for (const auto& [slot, shape] : m_shapes) {
    if (shape.kind == FeedbackShape::kPicture) {
      XorPicture(shape, rgb, stride, clip);
      continue;
    }
    ForEachPixel(shape, clip, [&](int x, int y) {
      std::uint8_t* p = rgb + (y - clip.top) * stride + std::int64_t{x - clip.left} * 3;
      p[0] = static_cast<std::uint8_t>(~p[0]);
      p[1] = static_cast<std::uint8_t>(~p[1]);
      p[2] = static_cast<std::uint8_t>(~p[2]);
    });
  }
}

void CFeedbackLayer::XorPicture(const FeedbackShape& shape, std::uint8_t* rgb, std::int64_t stride, const RECT& clip) {
  const RgbBitmap* pic = shape.picture.get();
  const RECT& g = shape.geometry;
  if (!pic || pic->empty() || g.right <= g.left || g.bottom <= g.top) return;
  const std::int64_t w = std::int64_t{g.right} - g.left, h = std::int64_t{g.bottom} - g.top;
  const int l = std::max(g.left, clip.left), r = std::min(g.right, clip.right);
  const int t = std::max(g.top, clip.top), b = std::min(g.bottom, clip.bottom);
  // Only the part inside the clip is touched, whatever the picture's size.
  for (int y = t; y < b; ++y) {
    const std::int64_t sy = (std::int64_t{y} - g.top) * pic->height / h;
    const std::uint8_t* srow = pic->rgb.data() + sy * pic->width * 3;
    std::uint8_t* drow = rgb + (std::int64_t{y} - clip.top) * stride;
    for (int x = l; x < r; ++x) {
      const std::int64_t sx = (std::int64_t{x} - g.left) * pic->width / w;
      std::uint8_t* d = drow + (std::int64_t{x} - clip.left) * 3;
      const std::uint8_t* src = srow + sx * 3;
      d[0] ^= src[0];
      d[1] ^= src[1];
      d[2] ^= src[2];
    }
  }
}

}  // namespace qzn
