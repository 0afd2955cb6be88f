#include "app/vertexreducer.h"

#include <algorithm>
#include <cmath>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "model/chain.h"
#include "model/chainlist.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "resources/messages_app.h"

namespace qzn {

namespace {

double Hypot(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }

// Distances from the line through a and b (from a when they coincide). The
// segment's length is taken once for all the points measured against it.
class CLineFromTo {
 public:
  CLineFromTo(double ax, double ay, double bx, double by)
      : m_ax(ax), m_ay(ay), m_dx(bx - ax), m_dy(by - ay), m_len(Hypot(m_dx, m_dy)) {}
  double operator()(double px, double py) const {
    if (m_len == 0.0) return Hypot(px - m_ax, py - m_ay);
    return std::fabs(m_dx * (py - m_ay) - m_dy * (px - m_ax)) / m_len;
  }

 private:
  double m_ax, m_ay, m_dx, m_dy, m_len;
};

double LineDistance(double px, double py, double ax, double ay, double bx, double by) {
  return CLineFromTo(ax, ay, bx, by)(px, py);
}

double X(const POINT& p) { return p.x; }
double Y(const POINT& p) { return p.y; }
double X(const CFPoint& p) { return p.x; }
double Y(const CFPoint& p) { return p.y; }

float Distance(const POINT& a, const POINT& b) { return PointDistance(a, b); }
float Distance(const CFPoint& a, const CFPoint& b) { return PointDistanceF(a, b); }

// The vertex strictly between s and e (e - s >= 2) farthest from the line
// through p[s] and p[e], and its distance as PointLineDistance(F) gives it
// (rounded to float) in dmax; among (nearly) equal maxima the last one.
// Taken one at a time in order: f is the last vertex whose distance comes
// within 0.0001 of the greatest before it, dmax the greatest.
template <class Pt>
std::int64_t FarthestInOrder(const std::vector<Pt>& p, std::int64_t s, std::int64_t e, double& dmax) {
  dmax = -1000000.0;
  std::int64_t f = e;
  const CLineFromTo line(X(p[s]), Y(p[s]), X(p[e]), Y(p[e]));
  for (std::int64_t i = s + 1; i < e; ++i) {
    const double d = static_cast<float>(line(X(p[i]), Y(p[i])));
    if (d >= dmax - 0.0001) f = i;
    if (d >= dmax) dmax = d;
  }
  return f;
}

// The same vertex without a division a vertex. The rounded distance grows
// with the cross product (or, for a segment of no length, the squared
// distance from its start), so the greatest distance is that of the
// greatest measure; and the vertex wanted is the last one within 0.0001 of
// it (the first vertex of the greatest distance is one, and none after it
// has a greater), found by going back from e, where only the vertices whose
// measure comes near the bound need their distance worked out. Vertices of
// no measure (NaN) count nowhere, as in the plain pass. The measures are
// taken a block at a time, in loops of independent steps the compiler can
// widen, keeping each block's greatest (in most, room for one a block):
// going back, only the blocks whose greatest comes near the bound are
// measured again.
template <class Pt>
std::int64_t Farthest(const std::vector<Pt>& p, std::int64_t s, std::int64_t e, double& dmax,
                      std::vector<double>& most) {
  const double ax = X(p[s]), ay = Y(p[s]);
  const double dx = X(p[e]) - ax, dy = Y(p[e]) - ay;
  const double len = Hypot(dx, dy);
  if (!std::isfinite(len)) return FarthestInOrder(p, s, e, dmax);
  const bool point = len == 0.0;
  const Pt* q = p.data();
  constexpr std::int64_t kBlock = 512;
  double m[kBlock];
  // Measures of the vertices from .. to - 1 (at most a block) into m.
  auto measure = [&](std::int64_t from, std::int64_t to) {
    const std::int64_t count = to - from;
    const Pt* v = q + from;
    if (point) {
      for (std::int64_t k = 0; k < count; ++k) {
        const double qx = X(v[k]) - ax, qy = Y(v[k]) - ay;
        m[k] = qx * qx + qy * qy;
      }
    } else {
      for (std::int64_t k = 0; k < count; ++k) {
        const double qx = X(v[k]) - ax, qy = Y(v[k]) - ay;
        m[k] = std::fabs(dx * qy - dy * qx);
      }
    }
  };
  // The greatest of m[0 .. count), in four running maxima; -1 when all are
  // NaN (measures are never below 0).
  auto greatestOf = [&](std::int64_t count) {
    double four[4] = {-1.0, -1.0, -1.0, -1.0};
    std::int64_t k = 0;
#if defined(__SSE2__)
    // maxpd keeps the second operand where the first is NaN, as m > most ?
    // m : most does.
    __m128d most01 = _mm_set1_pd(-1.0), most23 = most01;
    for (; k + 4 <= count; k += 4) {
      most01 = _mm_max_pd(_mm_loadu_pd(m + k), most01);
      most23 = _mm_max_pd(_mm_loadu_pd(m + k + 2), most23);
    }
    _mm_storeu_pd(four, most01);
    _mm_storeu_pd(four + 2, most23);
#else
    for (; k + 4 <= count; k += 4)
      for (int j = 0; j < 4; ++j) four[j] = m[k + j] > four[j] ? m[k + j] : four[j];
#endif
    for (; k < count; ++k) four[0] = m[k] > four[0] ? m[k] : four[0];
    return std::max(std::max(four[0], four[1]), std::max(four[2], four[3]));
  };
  const std::int64_t first = s + 1;
  const std::int64_t blocks = (e - first + kBlock - 1) / kBlock;
  if (static_cast<std::int64_t>(most.size()) < blocks) most.resize(static_cast<std::size_t>(blocks));
  double greatest = -1.0;
  for (std::int64_t b = 0; b < blocks; ++b) {
    const std::int64_t from = first + b * kBlock, to = std::min(from + kBlock, e);
    measure(from, to);
    most[static_cast<std::size_t>(b)] = greatestOf(to - from);
    greatest = std::max(greatest, most[static_cast<std::size_t>(b)]);
  }
  if (greatest < 0.0) {
    dmax = -1000000.0;
    return e;
  }
  // As CLineFromTo gives it, rounded to float.
  auto distance = [&](double v) -> double { return static_cast<float>(point ? std::sqrt(v) : v / len); };
  dmax = distance(greatest);
  const double bound = dmax - 0.0001;
  // A measure whose distance reaches the bound is at least this (a margin
  // far above the roundings; with a bound near or below 0 every measure).
  double low = -1.0;
  if (bound > 1e-30) {
    const double b = bound * 0.999999;
    low = point ? b * b * 0.999999 : b * len * 0.999999;
  }
  // The block of the greatest reaches the bound, and its vertex of the
  // greatest measure is one. m holds the last block still.
  for (std::int64_t b = blocks - 1;; --b) {
    if (!(most[static_cast<std::size_t>(b)] >= low)) continue;
    const std::int64_t from = first + b * kBlock, to = std::min(from + kBlock, e);
    if (b != blocks - 1) measure(from, to);
    for (std::int64_t k = to - from - 1; k >= 0; --k)
      if (m[k] >= low && distance(m[k]) >= bound) return from + k;
  }
}

// Maximum-deviation reduction of p (more than 2 points) into out, keeping
// input points in order, first and last always. A stack of pending segment
// ends replaces recursion, so long outlines cannot overflow the call stack.
// most: room for Farthest's greatest measure a block, kept from line to
// line. Throws std::bad_alloc.
template <class Pt>
void ReduceInto(const std::vector<Pt>& p, double tolerance, std::vector<Pt>& out, std::vector<double>& most) {
  const std::int64_t n = static_cast<std::int64_t>(p.size());
  std::vector<std::int64_t> stack;
  out.clear();
  out.push_back(p[0]);
  std::int64_t s = 0;
  stack.push_back(n - 1);
  while (!stack.empty()) {
    const std::int64_t e = stack.back();
    double dmax = -1000000.0;
    // A few vertices are quicker taken one at a time.
    const std::int64_t f = e - s < 2 ? e
                           : e - s <= 8 ? FarthestInOrder(p, s, e, dmax)
                                        : Farthest(p, s, e, dmax, most);
    const double l = f < e ? static_cast<double>(Distance(p[s], p[f])) : 0.0;
    // A segment with no vertex between its ends cannot be split, whatever
    // the tolerance.
    if (f == e || dmax <= tolerance || l <= 1.5 * tolerance) {
      out.push_back(p[e]);
      stack.pop_back();
      s = e;
    } else {
      stack.push_back(f);
    }
  }
}

// Farthest's greatest measure a block, kept by each thread for its next
// line (the lines of a sheet are reduced a few at a time by many reducers
// on the worker threads).
thread_local std::vector<double> t_most;

void ReportOutOfMemory() {
  if (!Host().IsQuiet()) AfxMessageBox(res::text::kVertexNoMemory, MB_OK | MB_ICONSTOP);
}

}  // namespace

float PointDistance(const POINT& a, const POINT& b) {
  return static_cast<float>(Hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y));
}
float PointDistanceF(const CFPoint& a, const CFPoint& b) {
  return static_cast<float>(Hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y));
}
float PointLineDistance(const POINT& p, const POINT& a, const POINT& b) {
  return static_cast<float>(LineDistance(X(p), Y(p), X(a), Y(a), X(b), Y(b)));
}
float PointLineDistanceF(const CFPoint& p, const CFPoint& a, const CFPoint& b) {
  return static_cast<float>(LineDistance(X(p), Y(p), X(a), Y(a), X(b), Y(b)));
}

std::int64_t CVertexReducer::ReducePoints(CTracePointList& list, double tolerance) {
  if (list.GetCount() <= 2) return 0;
  try {
    const std::vector<POINT>& in = list.Points();
    std::vector<POINT> kept;
    ReduceInto(in, tolerance, kept, t_most);
    if (in.front() == in.back() && kept.size() > 2) {
      // Closed: run again with the ring starting three kept points further
      // on, so the first pass's fixed seam gets reduced like any vertex.
      const std::size_t ring = kept.size() - 1;  // distinct ring positions
      const std::size_t shift = 3 % ring;
      std::vector<POINT> rotated;
      rotated.reserve(kept.size());
      for (std::size_t i = 0; i <= ring; ++i) {
        const POINT& q = kept[(shift + i) % ring];
        if (rotated.empty() || !(rotated.back() == q)) rotated.push_back(q);
      }
      if (rotated.size() > 2)
        ReduceInto(rotated, tolerance, kept, t_most);
      else
        kept = std::move(rotated);
    }
    const std::int64_t count = static_cast<std::int64_t>(kept.size());
    list.SetPoints(std::move(kept));
    return count;
  } catch (const std::bad_alloc&) {
    ReportOutOfMemory();
    return 0;
  }
}

std::int64_t CVertexReducer::ReduceChain(CChain& chain, double tolerance) {
  if (chain.GetCount() <= 2) return 0;
  try {
    CFPointArray kept;
    ReduceInto(chain.m_points, tolerance, kept, t_most);
    chain.m_points.swap(kept);
    return chain.GetCount();
  } catch (const std::bad_alloc&) {
    ReportOutOfMemory();
    return 0;
  }
}

int CVertexReducer::ReduceChainList(CChainList& list, double tolerance) {
  CStatusProgress progress;
  progress.SetRange(0, list.GetCount());
  progress.SetStep(1);
  for (POSITION pos = list.GetHeadPosition(); pos;) {
    CChain* chain = list.GetNext(pos);
    if (chain) ReduceChain(*chain, tolerance);
    progress.StepIt();
  }
  return 1;
}

// ---------------------------------------------------------------- point list

void CTracePointList::UpdateMeanWidth(int x1, int y1, int x2, int y2) {
  const float w = PointDistance(POINT{x1, y1}, POINT{x2, y2}) + 1.0f;
  const std::int64_t n = GetCount();
  if (n <= 0)
    m_fMeanWidth = w;
  else
    m_fMeanWidth = (static_cast<float>(n - 1) * m_fMeanWidth + w) / static_cast<float>(n);
}

void CTracePointList::Start(int x1, int y1, int x2, int y2) {
  if (!m_points.empty()) {
    AfxMessageBox(res::text::kFirstPointExists);
    return;
  }
  m_points.push_back(POINT{x1 - (x1 - x2) / 2, y1 - (y1 - y2) / 2});
  UpdateMeanWidth(x1, y1, x2, y2);
}

void CTracePointList::AppendPoint(int x, int y) {
  if (m_points.empty()) {
    AfxMessageBox(res::text::kFirstPointMissing);
    return;
  }
  m_points.push_back(POINT{x, y});
}

void CTracePointList::AppendMidpoint(int x1, int y1, int x2, int y2) {
  if (m_points.empty()) {
    AfxMessageBox(res::text::kFirstPointMissing);
    return;
  }
  m_points.push_back(POINT{x1 - (x1 - x2) / 2, y1 - (y1 - y2) / 2});
  UpdateMeanWidth(x1, y1, x2, y2);
}

POINT CTracePointList::GetPoint(std::int64_t index) const {
  if (index < 0 || index >= GetCount()) {
    AfxMessageBox(res::text::kProcessingError);
    return POINT{0, 0};
  }
  return m_points[static_cast<std::size_t>(index)];
}

void CTracePointList::RemoveTail(std::int64_t n) {
  if (n > GetCount()) {
    AfxMessageBox(res::text::kDeletePointError);
    return;
  }
  if (n > 0) m_points.resize(m_points.size() - static_cast<std::size_t>(n));
}

void CTracePointList::RemoveAll() { m_points.clear(); }

void CTracePointList::Reverse() { std::reverse(m_points.begin(), m_points.end()); }

}  // namespace qzn
