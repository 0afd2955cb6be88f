// Operations that change one line: node editing, splitting, joining and
// snapping, closing and orienting, moving and shaping, vertex clean-up,
// distance-threshold simplification and B-spline smoothing; and the sorted
// selection through which several lines are numbered at once.
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "model/chain.h"
#include "model/writerlinks.h"
#include "model/chain_internal.h"
#include "model/chainlist.h"
#include "platform/host.h"
#include "resources/messages_model.h"

namespace qzn {

namespace {

// Runs fn; when the vertex array cannot grow, shows the operation's message
// and reports the failure. fn builds its result aside and commits it only at
// the end, so the line stays as it was.
template <class Fn>
bool Guarded(const char* message, Fn&& fn) {
  try {
    fn();
    return true;
  } catch (const std::bad_alloc&) {
    AfxMessageBox(message);
    return false;
  }
}

double Dist2(const CFPoint& a, const CFPoint& b) {
  const double dx = static_cast<double>(a.x) - b.x, dy = static_cast<double>(a.y) - b.y;
  return dx * dx + dy * dy;
}

}  // namespace

// ---------------------------------------------------------------- nodes

void CChain::ReplaceNode(const CFPoint& p, std::int64_t i) {
  if (i >= 0 && i < GetCount()) {
    m_points[static_cast<std::size_t>(i)] = p;
    return;
  }
  Guarded(res::text::kReplaceVertexNoMemory, [&] { m_points.push_back(p); });
}

std::int64_t CChain::InsertPoint(const CFPoint& p) {
  std::int64_t at = GetCount();
  if (m_points.size() >= 2) {
    at = FindNearestSegment(p);
    if (at < 0) return -1;  // already a vertex
  }
  if (!Guarded(res::text::kInsertPointNoMemory, [&] { m_points.insert(m_points.begin() + at, p); })) return 0;
  CalcBounds();
  return 1;
}

int CChain::DeleteVertex(std::int64_t i) {
  if (i < 0 || i >= GetCount()) return 0;
  m_points.erase(m_points.begin() + i);
  return 1;
}

RECT CChain::DeleteNearestVertex(const CFPoint& p, int maxDistance) {
  int d = 0;
  const std::int64_t i = FindNearestVertex(p, d);
  if (i < 0 || d >= maxDistance) return RECT{};
  const RECT old = m_rcBounds;
  m_points.erase(m_points.begin() + i);
  return old;
}

void CChain::DeleteVerticesInRect(const RECT& rc) {
  // One compacting pass.
  std::size_t w = 0;
  for (std::size_t i = 0; i < m_points.size(); ++i) {
    const CFPoint v = m_points[i];
    if (!PtInRect(rc, POINT{RoundPixel(v.x), RoundPixel(v.y)})) m_points[w++] = v;
  }
  m_points.resize(w);
  if (w) CalcBounds();
}

int CChain::Split(const CFPoint& p, CChain* second) {
  const std::int64_t count = GetCount();
  std::int64_t n = FindNearestSegment(p);
  if (n == 0 || n == count) return 0;  // before the start or after the end
  bool insert = true;
  if (n < 0) {
    int d;
    n = FindNearestVertex(p, d);
    insert = false;
    // Splitting at an end vertex would only make a one-vertex line.
    if (n == 0 || n == count - 1) return 0;
  }
  CFPointArray head, tail;
  if (!Guarded(res::text::kSplitNoMemory, [&] {
        head.assign(m_points.begin(), m_points.begin() + n);
        head.push_back(insert ? p : m_points[static_cast<std::size_t>(n)]);
        tail.reserve(static_cast<std::size_t>(count - n + 1));
        tail.push_back(head.back());
        tail.insert(tail.end(), m_points.begin() + n + (insert ? 0 : 1), m_points.end());
        second->m_points.reserve(second->m_points.size() + tail.size());
      }))
    return 0;
  second->m_points.insert(second->m_points.end(), tail.begin(), tail.end());
  second->CalcBounds();
  second->m_fID = m_fID;
  m_points.swap(head);
  CalcBounds();
  return 1;
}

void CChain::Close() {
  if (m_points.size() < 2 || m_points.back() == m_points.front()) return;
  Guarded(res::text::kCloseNoMemory, [&] { m_points.push_back(m_points.front()); });
}

void CChain::Reverse() { std::reverse(m_points.begin(), m_points.end()); }

void CChain::SetOrientation(int positive) {
  const int winding = IsPositiveWinding();
  if ((positive && winding == 0) || (!positive && winding == 1)) Reverse();
}

// ---------------------------------------------------------------- joining

int CChain::FindEndPairing(const CChain* other) const {
  if (m_points.empty() || other->m_points.empty()) return 0;
  const CFPoint a0 = m_points.front(), a1 = m_points.back();
  const CFPoint b0 = other->m_points.front(), b1 = other->m_points.back();
  const double d[5] = {0.0, Dist2(a0, b0), Dist2(a0, b1), Dist2(a1, b0), Dist2(a1, b1)};
  const bool thisSingle = m_points.size() == 1, otherSingle = other->m_points.size() == 1;
  int best = 1;
  for (int code = 2; code <= 4; ++code) {
    if (thisSingle && code >= 3) continue;
    if (otherSingle && (code == 2 || code == 4)) continue;
    if (d[code] < d[best]) best = code;
  }
  return best;
}

int CChain::CanJoinSmoothly(const CChain* other, int maxDist2, float maxAngle) const {
  if (m_points.size() < 2 || other->m_points.size() < 2) return 0;
  const CFPointArray& a = m_points;
  const CFPointArray& b = other->m_points;
  const std::size_t na = a.size(), nb = b.size();
  const double d[5] = {0.0, Dist2(a[0], b[0]), Dist2(a[0], b[nb - 1]), Dist2(a[na - 1], b[0]),
                       Dist2(a[na - 1], b[nb - 1])};
  int code = 0;
  for (int c = 1; c <= 4 && !code; ++c)
    if (d[c] <= maxDist2) code = c;
  if (!code) return 0;
  // Outward direction of this line at its meeting end against the inward
  // direction of the other line from its meeting end.
  const bool thisFirst = code <= 2, otherFirst = code == 1 || code == 3;
  const CFPoint p0 = thisFirst ? a[1] : a[na - 2], p1 = thisFirst ? a[0] : a[na - 1];
  const CFPoint q0 = otherFirst ? b[0] : b[nb - 1], q1 = otherFirst ? b[1] : b[nb - 2];
  return GetAngleDifference(p0, p1, q0, q1) <= maxAngle ? code : 0;
}

bool JoinVertices(CChain& line, CChain* other, int pairing, bool takeOther) {
  CFPointArray& a = line.m_points;
  if ((pairing == 3 || pairing == 4) && other != &line) {
    // Appending in place keeps long runs of joins at the growing end linear:
    // the array grows geometrically, and a range insert at the end that
    // cannot allocate leaves the vertices as they were.
    const CFPointArray& b = other->m_points;
    return Guarded(res::text::kJoinNoMemory, [&] {
      if (pairing == 3)
        a.insert(a.end(), b.begin(), b.end());
      else
        a.insert(a.end(), b.rbegin(), b.rend());
    });
  }
  if (pairing == 2 && takeOther && other != &line) {
    // The other line goes anyway: its array takes this line's vertices at
    // its end and becomes this line's, so prepending stays linear too.
    CFPointArray& b = other->m_points;
    if (!Guarded(res::text::kJoinNoMemory, [&] { b.insert(b.end(), a.begin(), a.end()); })) return false;
    a.swap(b);
    return true;
  }
  CFPointArray joined;
  const CFPointArray& b = other->m_points;
  if (!Guarded(res::text::kJoinNoMemory, [&] {
        joined.reserve(a.size() + b.size());
        switch (pairing) {
          case 1:
            joined.assign(a.rbegin(), a.rend());
            joined.insert(joined.end(), b.begin(), b.end());
            break;
          case 2:
            joined.assign(b.begin(), b.end());
            joined.insert(joined.end(), a.begin(), a.end());
            break;
          case 3:
            joined.assign(a.begin(), a.end());
            joined.insert(joined.end(), b.begin(), b.end());
            break;
          default:
            joined.assign(a.begin(), a.end());
            joined.insert(joined.end(), b.rbegin(), b.rend());
            break;
        }
      }))
    return false;
  a.swap(joined);
  return true;
}

void CChain::JoinChain(const CChain* other, int pairing) {
  if (pairing < 1 || pairing > 4) return;
  // Only a line that is given up is changed: the other one stays as it is.
  if (JoinVertices(*this, const_cast<CChain*>(other), pairing, false)) CalcBounds();
}

int CChain::JoinNearEnds(const CChain* other) {
  const int code = FindEndPairing(other);
  if (!code) return 0;
  JoinChain(other, code);
  return 1;
}

int CChain::SnapToChain(const CChain* other, int tolerance) {
  RECT a = m_rcBounds, b = other->m_rcBounds, inter;
  InflateRect(a, tolerance, tolerance);
  InflateRect(b, tolerance, tolerance);
  if (!IntersectRect(inter, a, b)) return 0;
  const CFPointArray w = other->m_points;  // other may be this line
  const std::size_t m = w.size();
  if (m < 2) return 1;
  for (CFPoint& v : m_points) {
    for (std::size_t j = 0; j + 1 < m; ++j) {
      const CFPoint s0 = w[j], s1 = w[j + 1];
      if (std::fabs(static_cast<double>(v.x) - s0.x) <= tolerance &&
          std::fabs(static_cast<double>(v.y) - s0.y) <= tolerance) {
        v = s0;
        break;
      }
      if (s0 == s1) continue;
      double dist;
      if (DistanceToSegment(v, s0, s1, dist) != 0 || TruncInt(dist) > tolerance) continue;
      if (s0.x == s1.x) {
        v = CFPoint(s0.x, v.y);
      } else if (s0.y == s1.y) {
        v = CFPoint(v.x, s0.y);
      } else {
        // Crossing of the segment's line with the perpendicular through v.
        const float s = (s1.y - s0.y) / (s1.x - s0.x);
        const float x = (s * s0.x - s0.y + v.x / s + v.y) / (s + 1.0f / s);
        v = CFPoint(x, s * (x - s0.x) + s0.y);
      }
      break;
    }
  }
  return 1;
}

// ---------------------------------------------------------------- shaping

void CChain::Translate(float dx, float dy) {
  for (CFPoint& p : m_points) p = CFPoint(p.x + dx, p.y + dy);
  CalcBounds();
}

void CChain::Scale(double originX, double originY, double factorX, double factorY) {
  for (CFPoint& p : m_points)
    p = CFPoint(static_cast<float>(factorX * (p.x - originX)), static_cast<float>(factorY * (p.y - originY)));
  CalcBounds();
}

void CChain::Transform(const double* cx, const double* cy, int type) {
  double X, Y;
  for (CFPoint& p : m_points)
    if (ApplyPolynomial(p.x, p.y, cx, cy, type, X, Y)) p = CFPoint(X, Y);
  CalcBounds();
}

void CChain::MakeRectangle(const RECT& rc) {
  m_points = {CFPoint(rc.left, rc.top), CFPoint(rc.right, rc.top), CFPoint(rc.right, rc.bottom),
              CFPoint(rc.left, rc.bottom), CFPoint(rc.left, rc.top)};
  CalcBounds();
}

void CChain::MakeCircle(RECT& rc) {
  if (rc.right == rc.left) rc.right = rc.left + 2;
  if (rc.bottom == rc.top) rc.bottom = rc.top + 2;
  const double cx = (rc.left + rc.right + 1) / 2.0, cy = (rc.top + rc.bottom + 1) / 2.0;
  const double rx = (rc.right - rc.left + 1) / 2.0, ry = (rc.bottom - rc.top + 1) / 2.0;
  const double k = 0.017453292222222222;
  CFPointArray pts;
  pts.reserve(73);
  for (float a = 0.0f; a < 360.0f; a += 5.0f) pts.emplace_back(std::cos(a * k) * rx + cx, std::sin(a * k) * ry + cy);
  pts.push_back(pts.front());
  m_points.swap(pts);
  CalcBounds();
}

void CChain::SetFromPtList(const std::vector<POINT>& points, int closed) {
  CFPointArray pts;
  pts.reserve(points.size() + 1);
  for (const POINT& p : points) pts.emplace_back(p.x, p.y);
  if (closed && !points.empty()) pts.push_back(pts.front());
  m_points.swap(pts);
  CalcBounds();
}

// ---------------------------------------------------------------- clean-up

void CChain::RemoveRedundantVertices() {
  const std::size_t n = m_points.size();
  if (n >= 3) {
    // One compacting pass: each inner vertex is tested against the last vertex
    // kept and the next input vertex, exactly as removing in place would.
    CFPointArray& v = m_points;
    std::size_t w = 1;
    for (std::size_t i = 1; i + 1 < n; ++i) {
      const CFPoint a = v[w - 1], p = v[i], b = v[i + 1];
      const bool redundant = p == a || (a.y == p.y && p.y == b.y) || (a.x == p.x && p.x == b.x) ||
                             (static_cast<double>(p.y) - a.y) * (static_cast<double>(b.x) - p.x) ==
                                 (static_cast<double>(b.y) - p.y) * (static_cast<double>(p.x) - a.x);
      if (!redundant) v[w++] = p;
    }
    v[w++] = v[n - 1];
    v.resize(w);
  }
  if (m_points.size() >= 3 && m_points.back() == m_points[m_points.size() - 2]) m_points.erase(m_points.end() - 2);
}

namespace {

// Farthest vertex from a chord among an index range, by branch and bound over
// a tree of bounding boxes: the distance to a segment is convex, so no vertex
// in a box lies farther than the box's farthest corner. The first of equal
// maxima wins, as a plain scan would give.
class CFarthestFinder {
 public:
  explicit CFarthestFinder(const CFPointArray& v) : m_v(v) {}

  // Index in [lo, hi] with the largest squared distance to a-b above limit;
  // SIZE_MAX when none exceeds it.
  std::size_t Find(std::size_t lo, std::size_t hi, const CFPoint& a, const CFPoint& b, double limit) {
    m_a = a;
    m_b = b;
    m_lo = lo;
    m_hi = hi;
    m_best = limit;
    m_bestIndex = SIZE_MAX;
    if (lo > hi) return m_bestIndex;
    if (hi - lo < 2 * kBlock) {  // short ranges: a plain scan is cheaper
      for (std::size_t i = lo; i <= hi; ++i) {
        const double d = SegmentDistanceSquared(m_v[i], a, b);
        if (Better(d, i)) m_best = d, m_bestIndex = i;
      }
      return m_bestIndex;
    }
    if (m_box.empty()) Build();
    const std::size_t top = m_leaves * kBlock - 1;
    Visit(1, 0, top, Child(1, 0, top));
    return m_bestIndex;
  }

 private:
  // The tree is built on the first long range, so short lines never pay for it.
  void Build() {
    const std::size_t blocks = (m_v.size() + kBlock - 1) / kBlock;
    m_leaves = 1;
    while (m_leaves < blocks) m_leaves *= 2;
    m_box.assign(2 * m_leaves, Box{});
    for (std::size_t b = 0; b < blocks; ++b) {
      Box& box = m_box[m_leaves + b];
      for (std::size_t i = b * kBlock; i < std::min(m_v.size(), (b + 1) * kBlock); ++i) box.Add(m_v[i]);
    }
    for (std::size_t i = m_leaves; i-- > 1;) m_box[i] = Box::Join(m_box[2 * i], m_box[2 * i + 1]);
  }

  static constexpr std::size_t kBlock = 32;
  struct Box {
    float l = std::numeric_limits<float>::infinity(), t = l, r = -l, b = -l;
    void Add(const CFPoint& p) {
      l = std::min(l, p.x), t = std::min(t, p.y), r = std::max(r, p.x), b = std::max(b, p.y);
    }
    bool Empty() const { return l > r; }
    static Box Join(const Box& x, const Box& y) {
      return Box{std::min(x.l, y.l), std::min(x.t, y.t), std::max(x.r, y.r), std::max(x.b, y.b)};
    }
  };

  bool Better(double d, std::size_t i) const {
    return d > m_best || (d == m_best && m_bestIndex != SIZE_MAX && i < m_bestIndex);
  }
  double Bound(const Box& box) const {
    double u = 0.0;
    for (const CFPoint& c :
         {CFPoint(box.l, box.t), CFPoint(box.r, box.t), CFPoint(box.l, box.b), CFPoint(box.r, box.b)})
      u = std::max(u, SegmentDistanceSquared(c, m_a, m_b));
    return u * (1.0 + 1e-9) + 1e-9;  // margin for rounding
  }
  void Visit(std::size_t node, std::size_t first, std::size_t last, double ub) {
    if (ub < m_best || (ub <= m_best && (m_bestIndex == SIZE_MAX || first > m_bestIndex))) return;
    if (node >= m_leaves) {
      const std::size_t e = std::min({last, m_hi, m_v.size() - 1});
      for (std::size_t i = std::max(first, m_lo); i <= e; ++i) {
        const double d = SegmentDistanceSquared(m_v[i], m_a, m_b);
        if (Better(d, i)) m_best = d, m_bestIndex = i;
      }
      return;
    }
    const std::size_t mid = first + (last - first) / 2;
    const double ul = Child(2 * node, first, mid), ur = Child(2 * node + 1, mid + 1, last);
    // The more promising half first finds a good bound early.
    if (ur > ul) {
      Visit(2 * node + 1, mid + 1, last, ur);
      Visit(2 * node, first, mid, ul);
    } else {
      Visit(2 * node, first, mid, ul);
      Visit(2 * node + 1, mid + 1, last, ur);
    }
  }
  // The bound of a child, or -1 when it holds nothing of the range.
  double Child(std::size_t node, std::size_t first, std::size_t last) const {
    if (last < m_lo || first > m_hi || m_box[node].Empty()) return -1.0;
    return Bound(m_box[node]);
  }

  const CFPointArray& m_v;
  std::size_t m_leaves = 1;
  std::vector<Box> m_box;
  CFPoint m_a, m_b;
  std::size_t m_lo = 0, m_hi = 0, m_bestIndex = SIZE_MAX;
  double m_best = 0.0;
};

}  // namespace

void CChain::Smooth(float tolerance) {
  if (tolerance == 0.0f) {
    RemoveRedundantVertices();
    return;
  }
  const std::size_t n = m_points.size();
  if (n < 3) return;
  const CFPointArray& in = m_points;
  const double limit = static_cast<double>(tolerance) * tolerance;
  CFarthestFinder finder(in);
  // Between the kept start s and the trial end e only input vertices lie, so
  // the walk runs over input indices and builds the kept list aside.
  CFPointArray out;
  out.push_back(in[0]);
  const std::size_t last = n - 1;
  std::size_t s = 0, e = last;
  while (s < e) {
    if (in[s] == in[e]) {
      out.push_back(in[++s]);
      continue;
    }
    const std::size_t k = s + 1 < e ? finder.Find(s + 1, e - 1, in[s], in[e], limit) : SIZE_MAX;
    if (k == SIZE_MAX) {  // every vertex between lies within the tolerance
      s = e;
      out.push_back(in[s]);
      e = last;
    } else if (k == s + 1) {
      out.push_back(in[++s]);
      e = last;
    } else {
      e = k;  // try the shorter chord from the same start
    }
  }
  for (std::size_t i = s + 1; i <= last; ++i) out.push_back(in[i]);
  m_points.swap(out);
}

int CChain::SmoothBSpline(int step, int pointsPerSpan) {
  const std::int64_t count = GetCount();
  if (count <= 2) return 1;
  try {
    const std::int64_t maxStep = std::max<std::int64_t>(1, count / 3);
    const std::int64_t k = std::clamp<std::int64_t>(step, 1, maxStep);
    const int p = std::max(2, pointsPerSpan);
    constexpr std::int64_t K = 4;  // cubic
    const std::int64_t M = count / k + 1;

    std::vector<CFPoint> cp;
    cp.reserve(static_cast<std::size_t>(M));
    for (std::int64_t i = 0; static_cast<std::int64_t>(cp.size()) < M - 1; i += k) cp.push_back(m_points[i]);
    cp.push_back(m_points.back());

    // Clamped knots 0 x K, 1 .. M-K, then K x (M-K+2). 32-bit knots: long
    // lines have more spans than 16 bits can number.
    std::vector<std::int32_t> knot(static_cast<std::size_t>(M + K + 1), 0);
    for (std::int64_t i = K; i < M; ++i) knot[i] = static_cast<std::int32_t>(i - K + 1);
    for (std::int64_t i = M; i < M + K; ++i) knot[i] = static_cast<std::int32_t>(M - K + 2);

    // Cox-de Boor, computing only the basis terms that can be non-zero: at
    // most one first-order term (the span holding t) and r terms of order r.
    std::vector<float> prev(K + 1), cur(K + 1);
    std::int64_t base = 0;  // column of prev[0]/cur[0]
    bool any = false;
    auto basis = [&](float t, std::int64_t lo) {
      any = false;
      // First index u in [lo, M] with knot[u] > t; the span is u - 1.
      auto it = std::upper_bound(knot.begin() + lo, knot.begin() + M + 1, t,
                                 [](float v, std::int32_t kn) { return v < static_cast<float>(kn); });
      const std::int64_t j0 = (it - knot.begin()) - 1;
      if (j0 < lo || it == knot.begin() + M + 1 || !(static_cast<float>(knot[j0]) < t)) return;
      any = true;
      // prev holds order r-1 for columns base .. j0 (base = j0 - (r-2)).
      base = j0;
      std::fill(prev.begin(), prev.end(), 0.0f);
      prev[0] = 1.0f;
      for (std::int64_t r = 2; r <= K; ++r) {
        const std::int64_t nb = std::max(lo, j0 - r + 1);
        std::fill(cur.begin(), cur.end(), 0.0f);
        for (std::int64_t j = nb; j <= std::min(j0, M - 1); ++j) {
          const float nj = (j >= base && j <= j0) ? prev[j - base] : 0.0f;
          const float nj1 = (j + 1 >= base && j + 1 <= j0) ? prev[j + 1 - base] : 0.0f;
          float term = 0.0f;
          const std::int32_t d1 = knot[j + r - 1] - knot[j];
          if (d1 != 0) term = (t - static_cast<float>(knot[j])) / static_cast<float>(d1) * nj;
          const std::int32_t d2 = knot[j + r] - knot[j + 1];
          if (d2 != 0) term = term + (static_cast<float>(knot[j + r]) - t) / static_cast<float>(d2) * nj1;
          cur[j - nb] = term;
        }
        base = nb;
        std::swap(prev, cur);
      }
    };

    CFPointArray out;
    out.reserve(static_cast<std::size_t>((M + 1) * p + 1));
    for (std::int64_t i = K - 1; i <= M; ++i) {
      float t = static_cast<float>(knot[i] + 0.0000001);
      const float dt = static_cast<float>((knot[i + 1] - (knot[i] + 0.0000001)) / p - 0.0000001);
      const std::int64_t lo = std::max<std::int64_t>(0, i - K + 1);
      for (int s = 0; s < p; ++s, t += dt) {
        if (s == 0 || dt > 0.0000001f) basis(t, lo);
        if (i == K - 1 && s == 0) {
          out.push_back(cp[0]);
          continue;
        }
        if (!any) continue;
        const std::int64_t hi = std::min(i + K - 1, M) - 1;
        float x = 0.0f, y = 0.0f, wsum = 0.0f;
        for (std::int64_t j = std::max(lo, base); j <= std::min(hi, base + K); ++j) {
          const float w = prev[j - base];
          if (w == 0.0f) continue;
          x += w * cp[j].x;
          y += w * cp[j].y;
          wsum += w;
        }
        if (wsum == 0.0f) continue;
        out.emplace_back(x, y);
      }
    }
    out.push_back(cp[M - 1]);
    m_points.swap(out);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

// ---------------------------------------------------------------- selection

CChainSelection::~CChainSelection() { DeleteAllItems(); }

void CChainSelection::DeleteAllItems() { DeleteAll(); }

void CChainSelection::InsertSorted(CChainSelectionItem* item) {
  if (!item) return;
  for (POSITION pos = GetHeadPosition(); pos;) {
    POSITION at = pos;
    if (GetNext(pos)->key > item->key) {
      AdoptBefore(at, item);
      return;
    }
  }
  Adopt(item);
}

void CChainSelection::AssignIDs(float start, float step) {
  float id = start;
  for (CChainSelectionItem* item : *this) {
    if (!item || !item->chain) continue;
    item->chain->m_fID = id;
    item->chain->m_color = m_owner ? m_owner->m_idColors.GetColor(TruncInt(id)) : RGB(0, 255, 0);
    id += step;
  }
}

}  // namespace qzn
