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

void FrameStrips(const RECT& r, std::vector<RECT>& out) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  const int w = r.right - r.left, h = r.bottom - r.top;
  out.push_back(RECT{r.left, r.top, r.left + w, r.top + 1});          // top
  out.push_back(RECT{r.right, r.top, r.right + 1, r.top + h});        // right
  out.push_back(RECT{r.left, r.top, r.left + 1, r.top + h});          // left
  out.push_back(RECT{r.left, r.bottom, r.left + w, r.bottom + 1});    // bottom
}

}  // namespace

void CFeedbackLayer::Strips(const FeedbackShape& shape, std::vector<RECT>& out) {
  if (shape.kind == FeedbackShape::kFrame) {
    FrameStrips(shape.geometry, out);
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
    ForEachPixel(shape, clip, [&](int x, int y) {
      std::uint8_t* p = rgb + (y - clip.top) * stride + std::int64_t{x - clip.left} * 3;
      p[0] = static_cast<std::uint8_t>(~p[0]);
      p[1] = static_cast<std::uint8_t>(~p[1]);
      p[2] = static_cast<std::uint8_t>(~p[2]);
    });
  }
}

}  // namespace qzn
