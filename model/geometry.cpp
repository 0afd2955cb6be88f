#include "model/geometry.h"

#include <algorithm>
#include <cmath>

namespace qzn {

// --- Orientation family ------------------------------------------------------

long double Cross2D(const CFPoint& p, const CFPoint& q, const CFPoint& r) {
  const long double px = p.x, py = p.y, qx = q.x, qy = q.y, rx = r.x, ry = r.y;
  // Float inputs have 24-bit mantissas, so every product is exact in the
  // 64-bit mantissa of long double; only the sums round.
  return px * qy - qx * py + py * rx - px * ry + qx * ry - qy * rx;
}

int IsLeftTurn(const CFPoint& p, const CFPoint& q, const CFPoint& r) { return Cross2D(p, q, r) > 0 ? 1 : 0; }

int IsCollinear(const CFPoint& p, const CFPoint& q, const CFPoint& r) { return Cross2D(p, q, r) == 0 ? 1 : 0; }

int ExactlyOne(int a, int b) { return (a != 0) != (b != 0) ? 1 : 0; }

int SegmentsCrossProperly(const CFPoint& p, const CFPoint& q, const CFPoint& r, const CFPoint& s) {
  if (IsCollinear(p, q, r) || IsCollinear(p, q, s) || IsCollinear(r, s, p) || IsCollinear(r, s, q)) return 0;
  return ExactlyOne(IsLeftTurn(p, q, r), IsLeftTurn(p, q, s)) && ExactlyOne(IsLeftTurn(r, s, p), IsLeftTurn(r, s, q))
             ? 1
             : 0;
}

int IsBetween(const CFPoint& p, const CFPoint& q, const CFPoint& r) {
  if (!IsCollinear(p, q, r)) return 0;
  if (p.x != q.x) return ((p.x <= r.x && r.x <= q.x) || (q.x <= r.x && r.x <= p.x)) ? 1 : 0;
  return ((p.y <= r.y && r.y <= q.y) || (q.y <= r.y && r.y <= p.y)) ? 1 : 0;
}

int SegmentsIntersect(const CFPoint& p, const CFPoint& q, const CFPoint& r, const CFPoint& s) {
  if (SegmentsCrossProperly(p, q, r, s)) return 1;
  return (IsBetween(p, q, r) || IsBetween(p, q, s) || IsBetween(r, s, p) || IsBetween(r, s, q)) ? 1 : 0;
}

int SegmentIntersection(const CFPoint& p, const CFPoint& q, const CFPoint& r, const CFPoint& s, CFPoint& out) {
  const double d1x = static_cast<double>(q.x) - p.x, d1y = static_cast<double>(q.y) - p.y;
  const double d2x = static_cast<double>(s.x) - r.x, d2y = static_cast<double>(s.y) - r.y;
  const double f = d2x * d1y - d2y * d1x;
  if (std::fabs(f) < 0.00001) return 0;
  const double t = (d2x * (static_cast<double>(r.y) - p.y) - d2y * (static_cast<double>(r.x) - p.x)) / f;
  // The crossing point itself: image positions carry no half-pixel offset.
  out = CFPoint(p.x + t * d1x, p.y + t * d1y);
  return 1;
}

// --- Line-equation form -------------------------------------------------------

namespace {

struct Coefficients {
  double a, b, c;
};

Coefficients LineCoefficients(const CFPoint& p1, const CFPoint& p2) {
  const double dx = static_cast<double>(p1.x) - p2.x;
  if (dx != 0.0) {
    const double a = (static_cast<double>(p1.y) - p2.y) / dx;
    return {a, -1.0, p1.y - p1.x * a};
  }
  return {1.0, 0.0, -static_cast<double>(p1.x)};
}

}  // namespace

void CLineEquation::Compute() {
  const Coefficients k = LineCoefficients(p1, p2);
  a = k.a;
  b = k.b;
  c = k.c;
}

int TurnDirection(const CLineEquation& line, const CFPoint& q1, const CFPoint& q2) {
  const CFPoint& p = line.p1;
  const double d1x = static_cast<double>(q1.x) - p.x, d1y = static_cast<double>(q1.y) - p.y;
  const double d2x = static_cast<double>(q2.x) - p.x, d2y = static_cast<double>(q2.y) - p.y;
  if (d1x * d2y > d1y * d2x) return 1;
  if (d1x * d2y < d1y * d2x) return -1;
  if (d1x * d2x < 0 || d1y * d2y < 0) return -1;
  if (d2x * d2x + d2y * d2y > d1x * d1x + d1y * d1y) return 1;
  return 0;
}

int CLineEquation::SegmentsCross(const CLineEquation& other) const {
  return TurnDirection(*this, p2, other.p1) * TurnDirection(*this, p2, other.p2) <= 0 &&
                 TurnDirection(other, other.p2, p2) * TurnDirection(other, other.p2, p1) <= 0
             ? 1
             : 0;
}

int CLineEquation::Intersect(const CLineEquation& other, CFPoint& out) {
  if (!SegmentsCross(other)) return 0;
  Compute();
  // The other line's coefficients are derived here rather than trusted from
  // its owner, who may never have computed them.
  const Coefficients o = LineCoefficients(other.p1, other.p2);
  double x, y;
  if (a == o.a && b == o.b) {
    out = p1;
    return 1;
  }
  if (b == 0.0 && o.b != 0.0) {
    x = -c;
    y = o.a * x + o.c;
  } else if (o.b == 0.0 && b != 0.0) {
    x = -o.c;
    y = a * x + c;
  } else if (a == 0.0) {
    y = -c / b;
    x = -(o.c + o.b * y) / o.a;
  } else if (o.a == 0.0) {
    y = -o.c / o.b;
    x = -(c + b * y) / a;
  } else {
    x = -(c - o.c) / (a - o.a);
    y = a * x + c;
  }
  out = CFPoint(x, y);
  return 1;
}

// --- Distances ----------------------------------------------------------------

double PointDistanceSquared(const CFPoint& a, const CFPoint& b) {
  const float dx = a.x - b.x;
  const float dy = a.y - b.y;
  return static_cast<double>(dx) * dx + static_cast<double>(dy) * dy;
}

double PointDistance(const CFPoint& a, const CFPoint& b) { return std::sqrt(PointDistanceSquared(a, b)); }

// --- CFPoint3 -------------------------------------------------------------------

// 0xFFFF: a runtime class that is never written to an archive.
QZN_IMPLEMENT_SERIAL(CFPoint3, CObject, 0xFFFF)

void CFPoint3::CopyFrom(const CFPoint3& o) {
  x = o.x;
  y = o.y;
  z = o.z;
}

int CFPoint3::IsEqual(const CFPoint3& o) const { return x == o.x && y == o.y && z == o.z ? 1 : 0; }

int CFPoint3::IsNotEqual(const CFPoint3& o) const { return IsEqual(o) ? 0 : 1; }

// --- CIntPtList -------------------------------------------------------------------

POINT CIntPtList::RemoveHead() {
  assert(!IsEmpty());
  const POINT p = m_points[m_head++];
  if (m_head == m_points.size()) {
    RemoveAll();
  } else if (m_head >= 64 && m_head * 2 >= m_points.size()) {
    // Drop the consumed prefix once it is at least half the storage, so the
    // list stays linear in time and memory when used as a queue.
    m_points.erase(m_points.begin(), m_points.begin() + static_cast<std::ptrdiff_t>(m_head));
    m_head = 0;
  }
  return p;
}

void CIntPtList::RemoveAt(std::size_t index) {
  assert(index < static_cast<std::size_t>(GetCount()));
  m_points.erase(m_points.begin() + static_cast<std::ptrdiff_t>(m_head + index));
  if (m_head == m_points.size()) RemoveAll();
}

bool CIntPtList::Remove(const POINT& p) {
  const auto it = std::find(begin(), end(), p);
  if (it == end()) return false;
  RemoveAt(static_cast<std::size_t>(it - begin()));
  return true;
}

int CIntPtList::FindNear(int x, int y, POINT& out) const {
  for (const POINT& p : *this) {
    const std::int64_t dx = static_cast<std::int64_t>(p.x) - x;
    const std::int64_t dy = static_cast<std::int64_t>(p.y) - y;
    if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1 && (dx != 0 || dy != 0)) {
      out = p;
      return 1;
    }
  }
  return 0;
}

}  // namespace qzn
