#include "georef/triangle.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "model/viewtransform.h"
#include "platform/canvas.h"
#include "platform/host.h"
#include "raster/imaging.h"
#include "resources/messages_georef.h"

namespace qzn {

// ---------------------------------------------------------------------------
// CTriangle

CTriangle::CTriangle(const CControlPt& v1, const CControlPt& v2, const CControlPt& v3, int direction) {
  const CControlPt* src[3] = {&v1, &v2, &v3};
  double rec[12];
  for (int i = 0; i < 3; ++i) {
    const CControlPt& s = *src[i];
    m_v[i] = direction == kMapToImage ? CControlPt(s.m_mapX, s.m_mapY, s.m_imageX, s.m_imageY)
                                      : CControlPt(s.m_imageX, s.m_imageY, s.m_mapX, s.m_mapY);
    rec[4 * i] = m_v[i].m_imageX;
    rec[4 * i + 1] = m_v[i].m_mapX;
    rec[4 * i + 2] = m_v[i].m_imageY;
    rec[4 * i + 3] = m_v[i].m_mapY;
  }
  m_cx = (m_v[0].m_imageX + m_v[1].m_imageX + m_v[2].m_imageX) / 3.0;
  m_cy = (m_v[0].m_imageY + m_v[1].m_imageY + m_v[2].m_imageY) / 3.0;
  int terms = 3;
  if (GetTransform(rec, 3, m_xRow, m_yRow, &terms)) {
    m_nStatus = 3;
  } else {
    m_nStatus = 0;
    AfxMessageBox(res::text::kCannotComputeTransform);
  }
}

bool CTriangle::Contains(const CFPoint& p) const { return ContainsPoint(p.x, p.y); }

bool CTriangle::ContainsPoint(double x, double y) const {
  auto side = [&](const CControlPt& a, const CControlPt& b) {
    return x * a.m_imageY - y * a.m_imageX + y * b.m_imageX - x * b.m_imageY + a.m_imageX * b.m_imageY -
           a.m_imageY * b.m_imageX;
  };
  const double s1 = side(m_v[0], m_v[1]), s2 = side(m_v[1], m_v[2]), s3 = side(m_v[2], m_v[0]);
  return (s1 <= 0 && s2 <= 0 && s3 <= 0) || (s1 >= 0 && s2 >= 0 && s3 >= 0);
}

double CTriangle::CentroidDistance(const CFPoint& p) const { return CentroidDistanceD(p.x, p.y); }

double CTriangle::CentroidDistanceD(double x, double y) const {
  const double dx = x - m_cx, dy = y - m_cy;
  return dx * dx + dy * dy;
}

// ---------------------------------------------------------------------------
// Delaunay triangulation: incremental insertion in Hilbert-curve order with
// Lawson flips, point location by a walk from the last new triangle. The
// outside of the convex hull is covered by "ghost" triangles sharing one
// vertex at infinity, so points outside the hull need no enclosing triangle.
// Flips only ever happen across convex quadrilaterals and only when the far
// vertex is strictly inside the circumcircle: co-circular points (the four
// corners of the rectangle always are) keep the diagonal they got first, so
// the result never overlaps and depends only on the input.

namespace {

constexpr int kInf = -1;

struct Tri {
  int v[3];   // counter-clockwise in the coordinates' own orientation
  int nb[3];  // nb[i]: the triangle across the edge opposite v[i]
};

class Delaunay {
 public:
  Delaunay(const std::vector<double>& x, const std::vector<double>& y) : m_x(x), m_y(y) {}

  // False when the points do not span a plane (fewer than three not on one
  // line).
  bool Run();
  // The finite triangles.
  void Collect(std::vector<std::array<int, 3>>& out) const {
    for (const Tri& t : m_t)
      if (t.v[0] != kInf && t.v[1] != kInf && t.v[2] != kInf) out.push_back({t.v[0], t.v[1], t.v[2]});
  }

 private:
  double Orient(int a, int b, int c) const {
    return (m_x[b] - m_x[a]) * (m_y[c] - m_y[a]) - (m_y[b] - m_y[a]) * (m_x[c] - m_x[a]);
  }
  // Positive when d lies strictly inside the circle through a, b, c
  // (counter-clockwise). Extended precision keeps integer pixel positions of
  // the sizes users scan exact, so co-circular points really test as 0.
  long double InCircle(int a, int b, int c, int d) const {
    const long double adx = static_cast<long double>(m_x[a]) - m_x[d], ady = static_cast<long double>(m_y[a]) - m_y[d];
    const long double bdx = static_cast<long double>(m_x[b]) - m_x[d], bdy = static_cast<long double>(m_y[b]) - m_y[d];
    const long double cdx = static_cast<long double>(m_x[c]) - m_x[d], cdy = static_cast<long double>(m_y[c]) - m_y[d];
    const long double alift = adx * adx + ady * ady, blift = bdx * bdx + bdy * bdy, clift = cdx * cdx + cdy * cdy;
    return alift * (bdx * cdy - cdx * bdy) + blift * (cdx * ady - adx * cdy) + clift * (adx * bdy - bdx * ady);
  }
  bool IsGhost(int t) const { return m_t[t].v[0] == kInf || m_t[t].v[1] == kInf || m_t[t].v[2] == kInf; }
  bool Same(int a, int b) const { return m_x[a] == m_x[b] && m_y[a] == m_y[b]; }
  unsigned Random3() {
    m_rng = m_rng * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<unsigned>((m_rng >> 33) % 3);
  }
  // The slot of t opposite the edge (a, b).
  int Opposite(int t, int a, int b) const {
    for (int k = 0; k < 3; ++k)
      if (m_t[t].v[k] != a && m_t[t].v[k] != b) return k;
    return 0;
  }
  void SetAcross(int t, int a, int b, int nb) { m_t[t].nb[Opposite(t, a, b)] = nb; }

  int Locate(int p);
  bool Insert(int p);
  struct Edge {
    int a, b, outer;
  };
  void Star(int p, const int* reuse, int nReuse, const Edge* edges, int k);
  void Legalize(int p);

  const std::vector<double>& m_x;
  const std::vector<double>& m_y;
  std::vector<Tri> m_t;
  std::vector<int> m_stack;
  int m_last = 0;
  std::uint64_t m_rng = 0x853c49e6748fea9bull;
};

// Hilbert-curve index of (x, y) on a 2^16 grid.
std::uint64_t HilbertIndex(std::uint32_t x, std::uint32_t y) {
  constexpr std::uint32_t n = 1u << 16;
  std::uint64_t d = 0;
  for (std::uint32_t s = n / 2; s > 0; s /= 2) {
    const std::uint32_t rx = (x & s) ? 1 : 0, ry = (y & s) ? 1 : 0;
    d += static_cast<std::uint64_t>(s) * s * ((3 * rx) ^ ry);
    if (ry == 0) {
      if (rx == 1) {
        x = n - 1 - x;
        y = n - 1 - y;
      }
      std::swap(x, y);
    }
  }
  return d;
}

bool Delaunay::Run() {
  const int n = static_cast<int>(m_x.size());
  if (n < 3) return false;
  // Insertion order along a Hilbert curve keeps every walk short.
  double minX = m_x[0], maxX = m_x[0], minY = m_y[0], maxY = m_y[0];
  for (int i = 1; i < n; ++i) {
    minX = std::min(minX, m_x[i]), maxX = std::max(maxX, m_x[i]);
    minY = std::min(minY, m_y[i]), maxY = std::max(maxY, m_y[i]);
  }
  const double sx = maxX > minX ? 65535.0 / (maxX - minX) : 0.0;
  const double sy = maxY > minY ? 65535.0 / (maxY - minY) : 0.0;
  std::vector<std::pair<std::uint64_t, int>> order(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    order[i] = {HilbertIndex(static_cast<std::uint32_t>((m_x[i] - minX) * sx),
                             static_cast<std::uint32_t>((m_y[i] - minY) * sy)),
                i};
  std::sort(order.begin(), order.end());

  // The first triangle: the first point, the first one apart from it, and the
  // first one off their line.
  const int a = order[0].second;
  int b = -1, c = -1;
  std::size_t ib = 0, ic = 0;
  for (std::size_t k = 1; k < order.size() && b < 0; ++k)
    if (!Same(a, order[k].second)) b = order[k].second, ib = k;
  if (b < 0) return false;
  for (std::size_t k = ib + 1; k < order.size() && c < 0; ++k)
    if (Orient(a, b, order[k].second) != 0) c = order[k].second, ic = k;
  if (c < 0) return false;
  if (Orient(a, b, c) < 0) std::swap(b, c);
  m_t.reserve(2 * static_cast<std::size_t>(n) + 8);
  // Triangle 0 and the ghosts across its edges (b, c), (c, a), (a, b).
  m_t.push_back({{a, b, c}, {1, 2, 3}});
  m_t.push_back({{c, b, kInf}, {3, 2, 0}});
  m_t.push_back({{a, c, kInf}, {1, 3, 0}});
  m_t.push_back({{b, a, kInf}, {2, 1, 0}});
  for (std::size_t k = 1; k < order.size(); ++k)
    if (k != ib && k != ic) Insert(order[k].second);
  return true;
}

int Delaunay::Locate(int p) {
  int t = m_last;
  if (IsGhost(t)) {
    // Start from the finite triangle across the ghost's hull edge.
    for (int k = 0; k < 3; ++k)
      if (m_t[t].v[k] == kInf) {
        t = m_t[t].nb[k];
        break;
      }
  }
  const std::size_t limit = 4 * m_t.size() + 64;
  for (std::size_t step = 0; step < limit; ++step) {
    const Tri& T = m_t[t];
    const unsigned r = Random3();
    int next = -1;
    for (unsigned k = 0; k < 3; ++k) {
      const unsigned i = (r + k) % 3;
      if (Orient(T.v[(i + 1) % 3], T.v[(i + 2) % 3], p) < 0) {
        next = T.nb[i];
        break;
      }
    }
    if (next < 0) return t;
    t = next;
    if (IsGhost(t)) return t;
  }
  // A walk that went round in circles (only possible through rounding):
  // look at every triangle.
  for (int u = 0; u < static_cast<int>(m_t.size()); ++u) {
    const Tri& T = m_t[u];
    if (IsGhost(u)) {
      const int k = T.v[0] == kInf ? 0 : T.v[1] == kInf ? 1 : 2;
      if (Orient(T.v[(k + 1) % 3], T.v[(k + 2) % 3], p) > 0) return u;
    } else if (Orient(T.v[1], T.v[2], p) >= 0 && Orient(T.v[2], T.v[0], p) >= 0 && Orient(T.v[0], T.v[1], p) >= 0) {
      return u;
    }
  }
  return -1;
}

bool Delaunay::Insert(int p) {
  const int t = Locate(p);
  if (t < 0) return false;
  const Tri T = m_t[t];
  if (IsGhost(t)) {
    const Edge e[3] = {{T.v[0], T.v[1], T.nb[2]}, {T.v[1], T.v[2], T.nb[0]}, {T.v[2], T.v[0], T.nb[1]}};
    Star(p, &t, 1, e, 3);
    return true;
  }
  for (int k = 0; k < 3; ++k)
    if (Same(T.v[k], p)) return false;  // a second point at the same place
  int onEdge = -1;
  for (int i = 0; i < 3 && onEdge < 0; ++i)
    if (Orient(T.v[(i + 1) % 3], T.v[(i + 2) % 3], p) == 0) onEdge = i;
  if (onEdge < 0) {
    const Edge e[3] = {{T.v[0], T.v[1], T.nb[2]}, {T.v[1], T.v[2], T.nb[0]}, {T.v[2], T.v[0], T.nb[1]}};
    Star(p, &t, 1, e, 3);
    return true;
  }
  // On the edge (a, b) opposite v: split both triangles beside it.
  const int i = onEdge, v = T.v[i], a = T.v[(i + 1) % 3], b = T.v[(i + 2) % 3];
  const int u = T.nb[i];
  const Tri U = m_t[u];
  const int d = U.v[Opposite(u, a, b)];
  const int reuse[2] = {t, u};
  const Edge e[4] = {{v, a, T.nb[(i + 2) % 3]},
                     {a, d, U.nb[Opposite(u, a, d)]},
                     {d, b, U.nb[Opposite(u, d, b)]},
                     {b, v, T.nb[(i + 1) % 3]}};
  Star(p, reuse, 2, e, 4);
  return true;
}

// Replaces a star-shaped cavity by triangles (edge a, edge b, p) for its
// boundary edges, given counter-clockwise, then restores the Delaunay
// property around p.
void Delaunay::Star(int p, const int* reuse, int nReuse, const Edge* edges, int k) {
  int ids[4];
  for (int j = 0; j < k; ++j) {
    if (j < nReuse) {
      ids[j] = reuse[j];
    } else {
      ids[j] = static_cast<int>(m_t.size());
      m_t.push_back(Tri{});
    }
  }
  for (int j = 0; j < k; ++j) {
    Tri& t = m_t[ids[j]];
    t.v[0] = edges[j].a;
    t.v[1] = edges[j].b;
    t.v[2] = p;
    t.nb[0] = ids[(j + 1) % k];
    t.nb[1] = ids[(j + k - 1) % k];
    t.nb[2] = edges[j].outer;
  }
  for (int j = 0; j < k; ++j) SetAcross(edges[j].outer, edges[j].a, edges[j].b, ids[j]);
  m_stack.assign(ids, ids + k);
  m_last = ids[0];
  Legalize(p);
}

// Every triangle on the stack has p as its third vertex; its edge opposite p
// is flipped when the triangle beyond it is in conflict with p.
void Delaunay::Legalize(int p) {
  while (!m_stack.empty()) {
    const int t = m_stack.back();
    m_stack.pop_back();
    const Tri T = m_t[t];
    const int x = T.v[0], y = T.v[1], u = T.nb[2];
    const Tri U = m_t[u];
    const int d = U.v[Opposite(u, x, y)];
    bool flip = false;
    if (!IsGhost(u)) {
      flip = InCircle(U.v[0], U.v[1], U.v[2], p) > 0 && Orient(x, d, p) > 0 && Orient(d, y, p) > 0;
    } else if (d != kInf) {
      // Both are ghosts: the hull edge of u is visible from p, so it becomes
      // a finite triangle with p.
      const int k = U.v[0] == kInf ? 0 : U.v[1] == kInf ? 1 : 2;
      flip = Orient(U.v[(k + 1) % 3], U.v[(k + 2) % 3], p) > 0;
    }
    if (!flip) continue;
    const int nTx = T.nb[0], nTy = T.nb[1];
    const int nUx = U.nb[Opposite(u, d, y)], nUy = U.nb[Opposite(u, x, d)];
    m_t[t] = Tri{{x, d, p}, {u, nTy, nUy}};
    m_t[u] = Tri{{d, y, p}, {nTx, t, nUx}};
    SetAcross(nTx, y, p, u);
    SetAcross(nUy, x, d, t);
    m_stack.push_back(t);
    m_stack.push_back(u);
    m_last = t;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Point location over the finished list: a uniform grid holding, per cell,
// the triangles whose bounds meet it (in list order) and the triangles whose
// centroid lies in it. Containment tests the cell's triangles in list order,
// so the first containing triangle is the one a walk over the list finds; the
// nearest centroid comes from a ring search with ties going to the earlier
// triangle, as in a walk over the list.

struct CTriangleList::Index {
  std::int64_t count = 0;
  const void* tail = nullptr;
  std::vector<const CTriangle*> tris;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  double cw = 1, ch = 1;
  int nx = 1, ny = 1;
  std::vector<int> cellStart, cellItems;
  std::vector<int> centStart, centItems;

  int CellX(double x) const {
    const double f = (x - minX) / cw;
    if (!(f > 0)) return 0;
    return f >= nx ? nx - 1 : static_cast<int>(f);
  }
  int CellY(double y) const {
    const double f = (y - minY) / ch;
    if (!(f > 0)) return 0;
    return f >= ny ? ny - 1 : static_cast<int>(f);
  }

  void Build(const CTriangleList& list) {
    count = list.GetCount();
    tail = count ? list.GetTail() : nullptr;
    tris.assign(list.begin(), list.end());
    minX = minY = std::numeric_limits<double>::infinity();
    maxX = maxY = -std::numeric_limits<double>::infinity();
    for (const CTriangle* t : tris)
      for (const CControlPt& v : t->m_v) {
        minX = std::min(minX, v.m_imageX), maxX = std::max(maxX, v.m_imageX);
        minY = std::min(minY, v.m_imageY), maxY = std::max(maxY, v.m_imageY);
      }
    const double w = maxX - minX, h = maxY - minY;
    const double cells = std::max<double>(1.0, static_cast<double>(tris.size()));
    if (w > 0 && h > 0 && std::isfinite(w) && std::isfinite(h)) {
      nx = static_cast<int>(std::clamp(std::ceil(std::sqrt(cells * w / h)), 1.0, 4096.0));
      ny = static_cast<int>(std::clamp(std::ceil(std::sqrt(cells * h / w)), 1.0, 4096.0));
    } else {
      nx = ny = 1;
    }
    auto cellRange = [&](const CTriangle* t, int& i0, int& i1, int& j0, int& j1) {
      double x0 = t->m_v[0].m_imageX, x1 = x0, y0 = t->m_v[0].m_imageY, y1 = y0;
      for (const CControlPt& v : t->m_v) {
        x0 = std::min(x0, v.m_imageX), x1 = std::max(x1, v.m_imageX);
        y0 = std::min(y0, v.m_imageY), y1 = std::max(y1, v.m_imageY);
      }
      i0 = CellX(x0), i1 = CellX(x1), j0 = CellY(y0), j1 = CellY(y1);
    };
    // Long thin triangles (fans from the corners to points along one line,
    // say) meet many cells each; a coarser grid keeps the lists near linear
    // in the triangle count.
    const double budget = 32.0 * static_cast<double>(tris.size()) + 1024.0;
    for (;;) {
      cw = w > 0 && std::isfinite(w) ? w / nx : 1.0;
      ch = h > 0 && std::isfinite(h) ? h / ny : 1.0;
      double items = 0;
      for (const CTriangle* t : tris) {
        int i0, i1, j0, j1;
        cellRange(t, i0, i1, j0, j1);
        items += static_cast<double>(i1 - i0 + 1) * (j1 - j0 + 1);
      }
      if (items <= budget || (nx == 1 && ny == 1)) break;
      nx = std::max(1, nx / 2);
      ny = std::max(1, ny / 2);
    }
    const std::size_t nCells = static_cast<std::size_t>(nx) * ny;

    auto forCells = [&](const CTriangle* t, auto&& f) {
      int i0, i1, j0, j1;
      cellRange(t, i0, i1, j0, j1);
      for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) f(static_cast<std::size_t>(j) * nx + i);
    };
    cellStart.assign(nCells + 1, 0);
    for (const CTriangle* t : tris) forCells(t, [&](std::size_t c) { ++cellStart[c + 1]; });
    for (std::size_t c = 0; c < nCells; ++c) cellStart[c + 1] += cellStart[c];
    cellItems.assign(static_cast<std::size_t>(cellStart[nCells]), 0);
    std::vector<int> fill(cellStart.begin(), cellStart.end() - 1);
    for (int k = 0; k < static_cast<int>(tris.size()); ++k)
      forCells(tris[k], [&](std::size_t c) { cellItems[static_cast<std::size_t>(fill[c]++)] = k; });

    auto centCell = [&](const CTriangle* t) {
      const double cx = (t->m_v[0].m_imageX + t->m_v[1].m_imageX + t->m_v[2].m_imageX) / 3.0;
      const double cy = (t->m_v[0].m_imageY + t->m_v[1].m_imageY + t->m_v[2].m_imageY) / 3.0;
      return static_cast<std::size_t>(CellY(cy)) * nx + CellX(cx);
    };
    centStart.assign(nCells + 1, 0);
    for (const CTriangle* t : tris) ++centStart[centCell(t) + 1];
    for (std::size_t c = 0; c < nCells; ++c) centStart[c + 1] += centStart[c];
    centItems.assign(tris.size(), 0);
    fill.assign(centStart.begin(), centStart.end() - 1);
    for (int k = 0; k < static_cast<int>(tris.size()); ++k)
      centItems[static_cast<std::size_t>(fill[centCell(tris[k])]++)] = k;
  }

  const CTriangle* FindContaining(double x, double y) const {
    if (!(x >= minX && x <= maxX && y >= minY && y <= maxY)) return nullptr;
    const std::size_t c = static_cast<std::size_t>(CellY(y)) * nx + CellX(x);
    for (int k = cellStart[c]; k < cellStart[c + 1]; ++k) {
      const CTriangle* t = tris[static_cast<std::size_t>(cellItems[static_cast<std::size_t>(k)])];
      if (t->ContainsPoint(x, y)) return t;
    }
    return nullptr;
  }

  const CTriangle* FindNearestCentroid(double x, double y) const {
    const int cx = CellX(x), cy = CellY(y);
    const double m = std::min(cw, ch);
    double best = std::numeric_limits<double>::infinity();
    int bestIdx = -1;
    auto scan = [&](int i, int j) {
      if (i < 0 || i >= nx || j < 0 || j >= ny) return;
      const std::size_t c = static_cast<std::size_t>(j) * nx + i;
      for (int k = centStart[c]; k < centStart[c + 1]; ++k) {
        const int idx = centItems[static_cast<std::size_t>(k)];
        const double d = tris[static_cast<std::size_t>(idx)]->CentroidDistanceD(x, y);
        if (d < best || (d == best && idx < bestIdx)) best = d, bestIdx = idx;
      }
    };
    const int maxR = std::max(nx, ny);
    for (int r = 0; r <= maxR; ++r) {
      // Every cell r rings out lies more than (r - 1) cells away.
      if (r >= 1 && bestIdx >= 0) {
        const double lb = (r - 1) * m;
        if (lb * lb > best) break;
      }
      if (r == 0) {
        scan(cx, cy);
        continue;
      }
      for (int i = cx - r; i <= cx + r; ++i) scan(i, cy - r), scan(i, cy + r);
      for (int j = cy - r + 1; j <= cy + r - 1; ++j) scan(cx - r, j), scan(cx + r, j);
    }
    return bestIdx >= 0 ? tris[static_cast<std::size_t>(bestIdx)] : nullptr;
  }
};

// ---------------------------------------------------------------------------
// CTriangleList

CTriangleList::CTriangleList() = default;

CTriangleList::~CTriangleList() { RemoveAll(); }

CTriangle* CTriangleList::AddTriangle(const CControlPt& v1, const CControlPt& v2, const CControlPt& v3, int direction) {
  CTriangle* t = New(v1, v2, v3, direction);
  if (t) m_index.reset();
  return t;
}

void CTriangleList::RemoveAll() {
  DeleteAll();
  m_index.reset();
}

int CTriangleList::Build(const CControlPtList& points, const RECT& rect, int direction) {
  RemoveAll();
  if (points.GetCount() <= 2) return 0;
  COwningList<CTriangle> built;
  try {
    CControlPtList work;
    if (!work.CopyFrom(points)) return 0;
    work.AddCorners(rect);
    std::vector<const CControlPt*> pts(work.begin(), work.end());
    std::vector<double> x(pts.size()), y(pts.size());
    for (std::size_t i = 0; i < pts.size(); ++i) x[i] = pts[i]->m_imageX, y[i] = pts[i]->m_imageY;

    Delaunay dt(x, y);
    if (!dt.Run()) return 0;
    std::vector<std::array<int, 3>> tris;
    dt.Collect(tris);
    // List order: each triangle from its lowest-numbered point, its corners
    // counter-clockwise as seen on screen (y down), sorted by the three
    // point numbers.
    for (auto& t : tris) {
      std::swap(t[1], t[2]);
      std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
    }
    std::sort(tris.begin(), tris.end());
    for (const auto& t : tris) {
      built.Adopt(new CTriangle(*pts[t[0]], *pts[t[1]], *pts[t[2]], direction));
      if (built.GetTail()->m_nStatus == 0) {
        AfxMessageBox(res::text::kReselectControlPoints);
        return 0;
      }
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  AdoptAll(built);
  m_index.reset();
  return 1;
}

void CTriangleList::Draw(CCanvas* dc, const CViewTransform* view) const {
  if (!dc || !view) return;
  const CPen old = dc->SelectPen(CPen{PS_SOLID, 1, RGB(50, 50, 250)});
  for (const CTriangle* t : *this) {
    POINT p[3];
    for (int k = 0; k < 3; ++k) p[k] = view->ImageToClientPixel(CFPoint(t->m_v[k].m_imageX, t->m_v[k].m_imageY));
    dc->MoveTo(p[0].x, p[0].y);
    dc->LineTo(p[1].x, p[1].y);
    dc->LineTo(p[2].x, p[2].y);
    dc->LineTo(p[0].x, p[0].y);
  }
  dc->SelectPen(old);
}

const CTriangleList::Index& CTriangleList::GetIndex() const {
  const void* tail = IsEmpty() ? nullptr : GetTail();
  if (!m_index || m_index->count != GetCount() || m_index->tail != tail) {
    auto index = std::make_unique<Index>();
    index->Build(*this);
    m_index = std::move(index);
  }
  return *m_index;
}

int CTriangleList::TransformPixel(int x, int y, double& outX, double& outY) const {
  return TransformPoint(x, y, outX, outY);
}

int CTriangleList::TransformPoint(double x, double y, double& outX, double& outY) const {
  if (IsEmpty() || !std::isfinite(x) || !std::isfinite(y)) return 0;
  const Index& index = GetIndex();
  const CTriangle* t = index.FindContaining(x, y);
  if (!t) t = index.FindNearestCentroid(x, y);
  if (!t) return 0;
  t->Apply(x, y, outX, outY);
  return 1;
}

}  // namespace qzn
