// Read-only questions asked of one line: nearest vertex and segment, distance,
// insertion index, closure, containment, crossings, length, area, winding and
// direction angles.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "model/chain.h"
#include "model/chain_internal.h"
#include "model/geometry.h"

namespace qzn {

double TriangleArea2(const CFPoint& a, const CFPoint& b, const CFPoint& c) {
  return (static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - a.y) -
         (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.x) - a.x);
}

static double Dist2(const CFPoint& a, const CFPoint& b) {
  const double dx = static_cast<double>(a.x) - b.x, dy = static_cast<double>(a.y) - b.y;
  return dx * dx + dy * dy;
}

double SegmentDistanceSquared(const CFPoint& p, const CFPoint& a, const CFPoint& b) {
  const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
  const double px = static_cast<double>(p.x) - a.x, py = static_cast<double>(p.y) - a.y;
  const double l2 = dx * dx + dy * dy;
  if (l2 == 0.0) return px * px + py * py;
  const double dot = px * dx + py * dy;
  if (dot <= 0.0) return px * px + py * py;
  if (dot >= l2) return Dist2(p, b);
  const double cross = dx * py - dy * px;
  return cross * cross / l2;
}

// Position of p's foot along a-b (0 at a, len at b) and its distance from the
// line, in double.
static void SegmentFrame(const CFPoint& p, const CFPoint& a, const CFPoint& b, double& along, double& across,
                         double& len) {
  const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
  const double px = static_cast<double>(p.x) - a.x, py = static_cast<double>(p.y) - a.y;
  len = std::sqrt(dx * dx + dy * dy);
  along = (dx * px + dy * py) / len;
  across = std::fabs(dx * py - dy * px) / len;
}

int DistanceToSegment(const CFPoint& p, const CFPoint& a, const CFPoint& b, double& distance) {
  double along, across, len;
  SegmentFrame(p, a, b, along, across, len);
  if (along >= 0.0 && along <= len) {
    distance = across;
    return 0;
  }
  // Off the segment: the true distance is to the nearer end.
  distance = std::sqrt(along < 0.0 ? Dist2(p, a) : Dist2(p, b));
  return -1;
}

double GetLineAngle(const CFPoint& a, const CFPoint& b) {
  const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
  if (dx == 0.0 && dy == 0.0) return 0.0;
  if (dx == 0.0) return dy > 0.0 ? 1.5708 : 4.71239;
  if (dy == 0.0) return dx > 0.0 ? 0.0 : 3.1415926;
  const double r = std::atan(std::fabs(dy / dx));
  if (dx > 0.0) return dy > 0.0 ? r : 6.283185 - r;
  return dy > 0.0 ? 3.1415926 - r : r + 3.1415926;
}

double GetAngleDifference(const CFPoint& a, const CFPoint& b, const CFPoint& c, const CFPoint& d) {
  // Directions just either side of 0 are close: fold the difference across 0.
  const double diff = std::fabs(GetLineAngle(a, b) - GetLineAngle(c, d));
  return std::min(diff, std::max(0.0, 2.0 * std::numbers::pi - diff));
}

int CChain::HasVertex(const CFPoint& p) const {
  for (const CFPoint& v : m_points)
    if (v == p) return 1;
  return 0;
}

CFPoint CChain::GetFirstDistinctPoint() const {
  if (m_points.empty()) return CFPoint();
  const CFPoint first = m_points.front();
  for (std::size_t i = 1; i < m_points.size(); ++i)
    if (!(m_points[i] == first)) return m_points[i];
  return first;
}

CFPoint CChain::GetLastDistinctPoint() const {
  if (m_points.empty()) return CFPoint();
  const CFPoint last = m_points.back();
  for (std::size_t i = m_points.size() - 1; i-- > 0;)
    if (!(m_points[i] == last)) return m_points[i];
  return last;
}

CFPoint CChain::GetMeanPoint() const {
  if (m_points.empty()) return CFPoint();
  if (m_points.size() == 1) return m_points[0];
  // Every vertex but the last: for a closed line, the mean of its corners.
  const std::size_t n = m_points.size() - 1;
  double sx = 0.0, sy = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    sx += m_points[i].x;
    sy += m_points[i].y;
  }
  return CFPoint(sx / static_cast<double>(n), sy / static_cast<double>(n));
}

double CChain::GetLength() const {
  double len = 0.0;
  for (std::size_t i = 1; i < m_points.size(); ++i) len += std::sqrt(Dist2(m_points[i - 1], m_points[i]));
  return len;
}

int CChain::IsLengthInRange(int minimum, int maximum) const {
  if (m_points.size() <= 1) return 1;
  double len = 0.0;
  for (std::size_t i = 1; i < m_points.size(); ++i) {
    len += std::sqrt(Dist2(m_points[i - 1], m_points[i]));
    if (len > maximum) return 0;
  }
  return len >= minimum ? 1 : 0;
}

int CChain::IsClosed(int tolerance) const {
  if (m_points.size() < 3) return 0;
  const CFPoint& a = m_points.front();
  const CFPoint& b = m_points.back();
  if (tolerance == 0) return a == b ? 1 : 0;
  return TruncInt(std::sqrt(Dist2(a, b))) <= tolerance ? 1 : 0;
}

double CChain::GetArea() const {
  if (!IsClosed(0)) return 0.0;
  double sum = 0.0;
  for (std::size_t i = 1; i + 1 < m_points.size(); ++i) sum += TriangleArea2(m_points[0], m_points[i], m_points[i + 1]);
  return std::fabs(sum / 2.0);
}

int CChain::IsPositiveWinding() const {
  if (m_points.size() <= 2) return 1;
  const std::size_t n = m_points.size() - 1;  // without the closing repeat
  double sum = 0.0;
  for (std::size_t i = 1; i + 1 < n; ++i) sum += TriangleArea2(m_points[0], m_points[i], m_points[i + 1]);
  return sum < 0.0 ? 0 : 1;
}

float CChain::DistanceToPoint(const CFPoint& p) const {
  if (m_points.empty()) return -1.0f;
  double best = Dist2(p, m_points[0]);
  for (std::size_t i = 0; i + 1 < m_points.size(); ++i)
    best = std::min(best, SegmentDistanceSquared(p, m_points[i], m_points[i + 1]));
  return static_cast<float>(std::sqrt(best));
}

std::int64_t CChain::FindNearestVertex(const CFPoint& p, int& distance) const {
  if (m_points.empty()) return -1;
  std::size_t best = 0;
  double bestD = Dist2(p, m_points[0]);
  for (std::size_t i = 1; i < m_points.size(); ++i) {
    const double d = Dist2(p, m_points[i]);
    if (d < bestD) {
      bestD = d;
      best = i;
    }
  }
  distance = TruncInt(std::sqrt(bestD));
  return static_cast<std::int64_t>(best);
}

std::int64_t CChain::NearestEnd(const CFPoint& p) const {
  if (m_points.size() < 2) return -1;
  return Dist2(p, m_points.back()) < Dist2(p, m_points.front()) ? GetCount() - 1 : 0;
}

std::int64_t CChain::NearestEndDist(const CFPoint& p, int& distance) const {
  const std::int64_t end = NearestEnd(p);
  if (end >= 0) distance = TruncInt(std::sqrt(Dist2(p, m_points[static_cast<std::size_t>(end)])));
  return end;
}

std::int64_t CChain::FindNearestSegment(const CFPoint& p) const {
  const std::size_t n = m_points.size();
  if (n < 2) return 0;
  if (HasVertex(p)) return -1;
  const CFPointArray& v = m_points;
  // Candidates: a foot on segment i inserts at i + 1; a point nearest the
  // first vertex goes before the start, one nearest the last after the end;
  // one nearest an inner vertex k (outside a corner) goes on the side that
  // lengthens the line least.
  double best = std::sqrt(Dist2(p, v[0]));
  std::size_t result = 0;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    if (v[i] == v[i + 1]) continue;
    double along, across, len;
    SegmentFrame(p, v[i], v[i + 1], along, across, len);
    double d;
    std::size_t index;
    if (along >= 0.0 && along <= len) {
      d = across;
      index = i + 1;
    } else {
      const std::size_t k = along < 0.0 ? i : i + 1;  // the nearer end
      d = std::sqrt(Dist2(p, v[k]));
      if (k == 0) {
        index = 0;
      } else if (k == n - 1) {
        index = n;
      } else {
        const double pk = std::sqrt(Dist2(p, v[k]));
        const double before = std::sqrt(Dist2(p, v[k - 1])) + pk - std::sqrt(Dist2(v[k - 1], v[k]));
        const double after = pk + std::sqrt(Dist2(p, v[k + 1])) - std::sqrt(Dist2(v[k], v[k + 1]));
        index = after < before ? k + 1 : k;
      }
    }
    if (d < best) {
      best = d;
      result = index;
    }
  }
  return static_cast<std::int64_t>(result);
}

int CChain::PtInPolygon(const CFPoint& p) const {
  if (!IsClosed(0)) return 0;
  if (!PtInRect(m_rcBounds, POINT{RoundPixel(p.x), RoundPixel(p.y)})) return 0;
  int crossings = 0;
  for (std::size_t i = 0; i + 1 < m_points.size(); ++i) {
    const double dx1 = static_cast<double>(m_points[i].x) - p.x, dy1 = static_cast<double>(m_points[i].y) - p.y;
    const double dx2 = static_cast<double>(m_points[i + 1].x) - p.x, dy2 = static_cast<double>(m_points[i + 1].y) - p.y;
    if ((dy1 > 0.0) == (dy2 > 0.0)) continue;
    if ((dy2 * dx1 - dy1 * dx2) / (dy2 - dy1) > 0.0) ++crossings;
  }
  return crossings & 1;
}

int CChain::CrossesRect(const RECT& rc) const {
  RECT inter;
  if (!IntersectRect(inter, m_rcBounds, rc)) return 0;
  if (inter == m_rcBounds) return 1;
  const float l = static_cast<float>(rc.left), t = static_cast<float>(rc.top);
  const float r = static_cast<float>(rc.right), b = static_cast<float>(rc.bottom);
  const CFPoint edges[4][2] = {{CFPoint(l, t), CFPoint(r, t)},
                               {CFPoint(r, t), CFPoint(r, b)},
                               {CFPoint(r, b), CFPoint(l, b)},
                               {CFPoint(l, b), CFPoint(l, t)}};
  for (std::size_t i = 0; i + 1 < m_points.size(); ++i)
    for (const auto& e : edges)
      if (SegmentsIntersect(m_points[i], m_points[i + 1], e[0], e[1])) return 1;
  return 0;
}

int CChain::IntersectSegment(const CLineEquation& segment, CFPoint& out) const {
  for (std::size_t i = 0; i + 1 < m_points.size(); ++i) {
    CLineEquation side(m_points[i + 1], m_points[i]);
    if (side.Intersect(segment, out)) return 1;
  }
  return 0;
}

}  // namespace qzn
