// Rectification through control points: the forward map places the image's
// corners in map space and so fixes the new grid; the backward map gives
// every new pixel its source position, which raster/resample.cpp samples.
#include "georef/rectify.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <utility>

#include "platform/host.h"
#include "raster/resample.h"
#include "resources/messages_georef.h"

namespace qzn {

namespace {

double Orient(double ax, double ay, double bx, double by, double px, double py) {
  return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

double Poly4(const double* row, double x, double y) { return row[0] * x + row[1] * y + row[2] * x * y + row[3]; }

}  // namespace

// ---------------------------------------------------------------------------
// CTriangleWalker

CTriangleWalker::CTriangleWalker(const CTriangleList& list) : m_list(list) {
  m_tris.assign(list.begin(), list.end());
  // Walking finds the one triangle holding a point; where the mesh folds
  // over itself (a triangle turned round), the first of several in list
  // order is what counts, so the list's own search does all the work.
  int positive = 0, negative = 0;
  for (const CTriangle* t : m_tris) {
    const CControlPt* v = t->m_v;
    const double a = Orient(v[0].m_imageX, v[0].m_imageY, v[1].m_imageX, v[1].m_imageY, v[2].m_imageX, v[2].m_imageY);
    positive += a > 0;
    negative += a <= 0;
  }
  if (positive && negative) m_tris.clear();
  m_adjacent.assign(m_tris.size() * 3, -1);
  // Neighbours share two vertex copies of the same control point, so equal
  // source coordinates identify an edge.
  using Key = std::pair<std::pair<double, double>, std::pair<double, double>>;
  std::map<Key, int> open;
  for (std::size_t t = 0; t < m_tris.size(); ++t)
    for (int k = 0; k < 3; ++k) {
      const CControlPt& a = m_tris[t]->m_v[k];
      const CControlPt& b = m_tris[t]->m_v[(k + 1) % 3];
      std::pair<double, double> pa{a.m_imageX, a.m_imageY}, pb{b.m_imageX, b.m_imageY};
      if (pb < pa) std::swap(pa, pb);
      const Key key{pa, pb};
      const int code = static_cast<int>(t * 3 + k);
      auto it = open.find(key);
      if (it == open.end()) {
        open.emplace(key, code);
      } else {
        m_adjacent[static_cast<std::size_t>(code)] = it->second / 3;
        m_adjacent[static_cast<std::size_t>(it->second)] = static_cast<int>(t);
        open.erase(it);
      }
    }
}

int CTriangleWalker::Locate(double x, double y) {
  const int n = static_cast<int>(m_tris.size());
  if (n == 0) return -1;
  if (m_current < 0 || m_current >= n) m_current = 0;
  int t = m_current;
  // A mesh mapped into map space need not be convex or Delaunay, so a walk
  // may leave it or go round in circles: both end in the list's own search.
  for (int steps = 0; steps <= n + 8; ++steps) {
    const CControlPt* v = m_tris[static_cast<std::size_t>(t)]->m_v;
    const double area =
        Orient(v[0].m_imageX, v[0].m_imageY, v[1].m_imageX, v[1].m_imageY, v[2].m_imageX, v[2].m_imageY);
    if (area == 0) return -1;
    int exit = -1;
    for (int k = 0; k < 3 && exit < 0; ++k) {
      const CControlPt& a = v[k];
      const CControlPt& b = v[(k + 1) % 3];
      const double s = Orient(a.m_imageX, a.m_imageY, b.m_imageX, b.m_imageY, x, y);
      if ((area > 0 && s < 0) || (area < 0 && s > 0)) exit = k;
    }
    if (exit < 0) {
      m_current = t;
      return t;
    }
    const int next = m_adjacent[static_cast<std::size_t>(t) * 3 + exit];
    if (next < 0) return -1;
    t = next;
  }
  return -1;
}

int CTriangleWalker::Transform(double x, double y, double& outX, double& outY) {
  const int t = Locate(x, y);
  if (t >= 0 && m_tris[static_cast<std::size_t>(t)]->m_nStatus == 3) {
    m_tris[static_cast<std::size_t>(t)]->Apply(x, y, outX, outY);
    return 1;
  }
  return m_list.TransformPoint(x, y, outX, outY);
}

// ---------------------------------------------------------------------------
// RectifyImage

int RectifyImage(CRasterImage* image, CControlPtList& points, int useTriangulation) {
  if (!image || !image->pixels || points.GetCount() < 4) return 0;
  const int w = image->width, h = image->height;
  const double cx[4] = {0.0, w - 1.0, w - 1.0, 0.0};
  const double cy[4] = {0.0, 0.0, h - 1.0, h - 1.0};
  double mx[4], my[4];

  CTriangleList forward, backward;
  double fRowX[4], fRowY[4], bRowX[4], bRowY[4];
  if (useTriangulation) {
    const RECT rect{0, 0, w - 1, h - 1};
    if (!forward.Build(points, rect, kImageToMap) || !backward.Build(points, rect, kMapToImage)) return 0;
    for (int k = 0; k < 4; ++k)
      if (!forward.TransformPoint(cx[k], cy[k], mx[k], my[k])) return 0;
  } else {
    // A set of points with no unique fit would warp by whatever the solver
    // left behind; refuse it instead.
    if (!points.FitTransform(fRowX, fRowY, kBilinearPolynomial, kImageToMap) ||
        !points.FitTransform(bRowX, bRowY, kBilinearPolynomial, kMapToImage)) {
      AfxMessageBox(res::text::kBadWarpPoints);
      return 0;
    }
    for (int k = 0; k < 4; ++k) mx[k] = Poly4(fRowX, cx[k], cy[k]), my[k] = Poly4(fRowY, cx[k], cy[k]);
  }

  const double minX = *std::min_element(mx, mx + 4), maxX = *std::max_element(mx, mx + 4);
  const double minY = *std::min_element(my, my + 4), maxY = *std::max_element(my, my + 4);
  // Sizes are judged in doubles before anything is converted or allocated:
  // map units far smaller than a pixel would otherwise overflow the int.
  const double limit = static_cast<double>(INT32_MAX);
  if (!(std::isfinite(minX) && std::isfinite(maxX) && std::isfinite(minY) && std::isfinite(maxY)) ||
      std::fabs(minX) > limit || std::fabs(maxX) > limit || std::fabs(minY) > limit || std::fabs(maxY) > limit) {
    AfxMessageBox(res::text::kBadWarpPoints);
    return 0;
  }
  // The grid starts at the whole map unit at or below the smallest corner
  // and reaches the one at or below the largest, so every corner falls on a
  // pixel and the rewritten control points name the same grid.
  // (A corner a rounding error below a whole unit counts as on it.)
  auto unitBelow = [](double v) { return std::floor(v + 1e-6); };
  const double originX = unitBelow(minX), originY = unitBelow(minY);
  const double newW = unitBelow(maxX) - originX + 1, newH = unitBelow(maxY) - originY + 1;
  const double maxPixels = std::max(static_cast<double>(w) * h * kRectifyMaxGrowth, 16777216.0);
  if (newW < 10 || newH < 10 || newW > limit || newH > limit || newW * newH > maxPixels) {
    AfxMessageBox(res::text::kBadWarpPoints);
    return 0;
  }
  const int outW = static_cast<int>(newW), outH = static_cast<int>(newH);

  int ok = 0;
  if (useTriangulation) {
    CTriangleWalker walker(backward);
    ok = WarpImage(
        image, outW, outH,
        [&](int row, double* sx, double* sy) {
          const double y = originY + row;
          for (int e = 0; e < outW; ++e)
            if (!walker.Transform(originX + e, y, sx[e], sy[e])) return false;
          return true;
        },
        CWarpSampling::nearest);
  } else {
    ok = WarpImage(
        image, outW, outH,
        [&](int row, double* sx, double* sy) {
          const double y = originY + row;
          // Along a row the bilinear map is linear in x.
          const double ax = bRowX[0] + bRowX[2] * y, bx = bRowX[1] * y + bRowX[3];
          const double ay = bRowY[0] + bRowY[2] * y, by = bRowY[1] * y + bRowY[3];
          for (int e = 0; e < outW; ++e) {
            const double x = originX + e;
            sx[e] = ax * x + bx;
            sy[e] = ay * x + by;
          }
          return true;
        },
        CWarpSampling::bilinear);
  }
  if (!ok) return 0;

  for (CControlPt* p : points) {
    p->m_imageX = p->m_mapX - originX;
    p->m_imageY = p->m_mapY - originY;
  }
  points.m_nModified = 1;
  return 1;
}

}  // namespace qzn
