#include "georef/triangle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include "model/viewtransform.h"
#include "platform/canvas.h"
#include "platform/host.h"
#include "tests/georef/test_controlpt_support.h"

using namespace qzn;

using georeftest::Fill;

namespace {

double Area(const CTriangle* t) {
  const CControlPt* v = t->m_v;
  return 0.5 * ((v[1].m_imageX - v[0].m_imageX) * (v[2].m_imageY - v[0].m_imageY) -
                (v[2].m_imageX - v[0].m_imageX) * (v[1].m_imageY - v[0].m_imageY));
}

// What a walk over the list in order finds: the reference for the index.
int ReferenceTransform(const CTriangleList& list, double x, double y, double& ox, double& oy) {
  if (list.IsEmpty()) return 0;
  for (const CTriangle* t : list)
    if (t->ContainsPoint(x, y)) {
      t->Apply(x, y, ox, oy);
      return 1;
    }
  const CTriangle* best = nullptr;
  double bestD = INFINITY;
  for (const CTriangle* t : list) {
    const double d = t->CentroidDistanceD(x, y);
    if (d < bestD) bestD = d, best = t;
  }
  best->Apply(x, y, ox, oy);
  return 1;
}

// The triangles tile the rectangle: every one turns the same way, no point
// lies strictly inside another's circumcircle, and the areas add up.
void ExpectDelaunayTiling(const CTriangleList& list, const std::vector<std::array<double, 2>>& pts, double hullArea) {
  double sum = 0;
  for (const CTriangle* t : list) {
    const double a = Area(t);
    EXPECT_LT(a, 0) << "list order: counter-clockwise on screen";
    sum += -a;
    const CControlPt* v = t->m_v;
    for (const auto& p : pts) {
      long double adx = v[0].m_imageX - p[0], ady = v[0].m_imageY - p[1];
      long double bdx = v[1].m_imageX - p[0], bdy = v[1].m_imageY - p[1];
      long double cdx = v[2].m_imageX - p[0], cdy = v[2].m_imageY - p[1];
      const long double det = (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) +
                              (bdx * bdx + bdy * bdy) * (cdx * ady - adx * cdy) +
                              (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
      // Clockwise in y-up terms, so "inside" is negative here.
      EXPECT_GE(det, -1e-6L) << "point (" << p[0] << ", " << p[1] << ") inside a circumcircle";
    }
  }
  EXPECT_NEAR(sum, hullArea, 1e-9 * hullArea);
}

TEST(Triangulation, ThreePointsAndFourCornersCoverTheRectangle) {
  CControlPtList cps;
  Fill(cps, {{30, 20, 1030, 980}, {70, 30, 1070, 970}, {50, 70, 1050, 930}});
  CTriangleList list;
  ASSERT_EQ(list.Build(cps, RECT{0, 0, 100, 100}, 0), 1);
  EXPECT_EQ(cps.GetCount(), 3) << "the corners go into a working copy";
  // Seven points, all four corners on the hull: 2 * 7 - 4 - 2 = 8 triangles.
  EXPECT_EQ(list.GetCount(), 8);
  std::vector<std::array<double, 2>> pts = {{30, 20}, {70, 30}, {50, 70}, {0, 0}, {100, 0}, {0, 100}, {100, 100}};
  ExpectDelaunayTiling(list, pts, 100.0 * 100.0);
  for (const CTriangle* t : list) EXPECT_EQ(t->m_nStatus, 3);
  // Control points map exactly; map = image + (1000, 1000 - 2y) throughout.
  double x = 0, y = 0;
  ASSERT_EQ(list.TransformPoint(70, 30, x, y), 1);
  EXPECT_NEAR(x, 1070, 1e-9);
  EXPECT_NEAR(y, 970, 1e-9);
  ASSERT_EQ(list.TransformPixel(10, 90, x, y), 1);
  EXPECT_NEAR(x, 1010, 1e-9);
  EXPECT_NEAR(y, 910, 1e-9);
}

TEST(Triangulation, CoCircularPointsNeverOverlap) {
  // A square grid: every cell's four corners are co-circular, and so are the
  // image corners. Each cell must be split by exactly one diagonal.
  CControlPtList cps;
  std::vector<std::array<double, 2>> pts;
  for (int j = 0; j <= 6; ++j)
    for (int i = 0; i <= 8; ++i) {
      Fill(cps, {{i * 10.0, j * 10.0, i * 10.0 + 0.01 * j, j * 10.0}});
      pts.push_back({i * 10.0, j * 10.0});
    }
  CTriangleList a, b;
  ASSERT_EQ(a.Build(cps, RECT{0, 0, 80, 60}, 0), 1);
  ASSERT_EQ(b.Build(cps, RECT{0, 0, 80, 60}, 0), 1);
  EXPECT_EQ(a.GetCount(), 2 * 8 * 6);
  ExpectDelaunayTiling(a, pts, 80.0 * 60.0);
  // The same input always gives the same list.
  auto ib = b.begin();
  for (const CTriangle* t : a) {
    for (int k = 0; k < 3; ++k) EXPECT_EQ(t->m_v[k].m_imageX, (*ib)->m_v[k].m_imageX);
    ++ib;
  }

  // Four control points on a circle inside the rectangle.
  CControlPtList circle;
  Fill(circle, {{50, 20, 0, 0}, {80, 50, 1, 0}, {50, 80, 1, 1}, {20, 50, 0, 1}});
  CTriangleList c;
  ASSERT_EQ(c.Build(circle, RECT{0, 0, 100, 100}, 0), 1);
  double sum = 0;
  for (const CTriangle* t : c) sum += -Area(t);
  EXPECT_NEAR(sum, 100.0 * 100.0, 1e-9);
  EXPECT_EQ(c.GetCount(), 2 * 8 - 4 - 2);
}

// Lattice points: duplicates, long collinear runs on the hull and inside,
// points on the rectangle's edges and many co-circular quadruples. Every
// distinct point is a vertex, and the triangles tile the rectangle.
TEST(Triangulation, DegenerateLatticeInput) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> u(0, 12);
  for (int round = 0; round < 20; ++round) {
    CControlPtList cps;
    std::set<std::array<double, 2>> distinct = {{0, 0}, {12, 0}, {0, 12}, {12, 12}};
    for (int i = 0; i < 60; ++i) {
      const double x = u(rng), y = u(rng);
      Fill(cps, {{x, y, x * 3 + 5, 7 - y * 2}});
      distinct.insert({x, y});
    }
    CTriangleList list;
    ASSERT_EQ(list.Build(cps, RECT{0, 0, 12, 12}, 0), 1);
    std::vector<std::array<double, 2>> pts(distinct.begin(), distinct.end());
    ExpectDelaunayTiling(list, pts, 144.0);
    std::set<std::array<double, 2>> vertices;
    for (const CTriangle* t : list)
      for (const CControlPt& v : t->m_v) vertices.insert({v.m_imageX, v.m_imageY});
    EXPECT_EQ(vertices, distinct);
    // One affine map everywhere (per axis, so the corners extrapolate onto it).
    for (const auto& p : pts) {
      double x = 0, y = 0;
      ASSERT_EQ(list.TransformPoint(p[0], p[1], x, y), 1);
      EXPECT_NEAR(x, p[0] * 3 + 5, 1e-9);
      EXPECT_NEAR(y, 7 - p[1] * 2, 1e-9);
    }
  }
}

TEST(Triangulation, FailuresLeaveNoTriangles) {
  CScriptedHost host;
  CHostScope scope(&host);
  CTriangleList list;
  CControlPtList two;
  Fill(two, {{10, 10, 0, 0}, {20, 20, 1, 1}});
  EXPECT_EQ(list.Build(two, RECT{0, 0, 100, 100}, 0), 0);
  EXPECT_TRUE(list.IsEmpty());

  // All points on a line with an empty rectangle: nothing to triangulate.
  CControlPtList line;
  Fill(line, {{0, 0, 0, 0}, {1, 1, 1, 1}, {2, 2, 2, 2}});
  EXPECT_EQ(list.Build(line, RECT{0, 0, 0, 0}, 0), 0);
  EXPECT_TRUE(list.IsEmpty());

  // Map positions that fold onto one line: the map-to-image triangles cannot
  // be fitted. The list built before is gone and none is half-built.
  CControlPtList good;
  Fill(good, {{30, 20, 0, 0}, {70, 30, 10, 0}, {50, 70, 0, 10}});
  ASSERT_EQ(list.Build(good, RECT{0, 0, 100, 100}, 0), 1);
  CControlPtList folded;
  Fill(folded, {{30, 20, 0, 0}, {70, 30, 10, 10}, {50, 70, 20, 20}, {50, 40, 5, 5}});
  EXPECT_EQ(list.Build(folded, RECT{0, 0, 100, 100}, 1), 0);
  EXPECT_TRUE(list.IsEmpty());
  ASSERT_GE(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[host.messages.size() - 2].text, "不能计算变换参数。");
  EXPECT_EQ(host.messages.back().text, "重新选择控制点");
  double x = 7, y = 8;
  EXPECT_EQ(list.TransformPoint(1, 1, x, y), 0);
  EXPECT_EQ(x, 7.0);
}

TEST(Triangulation, EdgesOutsideAndReverseDirection) {
  CControlPtList cps;
  Fill(cps, {{30, 20, 500030, 4000080}, {70, 30, 500075, 4000070}, {50, 70, 500050, 4000025}});
  CTriangleList forward, reverse;
  ASSERT_EQ(forward.Build(cps, RECT{0, 0, 100, 100}, 0), 1);
  ASSERT_EQ(reverse.Build(cps, RECT{0, 0, 100, 100}, 1), 1);
  // Map to image gives every control point's image position back.
  for (const CControlPt* p : cps) {
    double x = 0, y = 0;
    ASSERT_EQ(reverse.TransformPoint(p->m_mapX, p->m_mapY, x, y), 1);
    EXPECT_NEAR(x, p->m_imageX, 1e-6);
    EXPECT_NEAR(y, p->m_imageY, 1e-6);
  }
  // A point on an edge shared by two triangles is mapped by the first one in
  // list order; a point outside by the nearest centroid.
  double ex = 0, ey = 0, x = 0, y = 0;
  for (int k = 0; k < 3; ++k) {
    const CTriangle* head = forward.GetHead();
    const CControlPt& a = head->m_v[k];
    const CControlPt& b = head->m_v[(k + 1) % 3];
    const double mx = (a.m_imageX + b.m_imageX) / 2, my = (a.m_imageY + b.m_imageY) / 2;
    ASSERT_EQ(forward.TransformPoint(mx, my, x, y), 1);
    head->Apply(mx, my, ex, ey);
    EXPECT_EQ(x, ex);
    EXPECT_EQ(y, ey);
  }
  ASSERT_EQ(forward.TransformPoint(-500, 40, x, y), 1);
  ReferenceTransform(forward, -500, 40, ex, ey);
  EXPECT_EQ(x, ex);
  EXPECT_EQ(y, ey);
}

// The grid index answers exactly as a walk over the list does, for points
// inside, on edges and vertices, and far outside, in both directions.
TEST(Triangulation, IndexAgreesWithWalkOverTheList) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(0, 1);
  CControlPtList cps;
  for (int i = 0; i < 300; ++i) {
    const double ix = std::floor(u(rng) * 4000), iy = std::floor(u(rng) * 3000);
    Fill(cps, {{ix, iy, 300000 + ix * 2.5 + 20 * std::sin(iy / 300), 4200000 - iy * 2.5 + 0.001 * ix * ix}});
  }
  for (int direction = 0; direction < 2; ++direction) {
    CTriangleList list;
    ASSERT_EQ(list.Build(cps, RECT{0, 0, 4000, 3000}, direction), 1);
    std::vector<std::array<double, 2>> queries;
    double x0 = direction ? 290000 : -1000, x1 = direction ? 315000 : 5000;
    double y0 = direction ? 4190000 : -1000, y1 = direction ? 4220000 : 4000;
    for (int i = 0; i < 3000; ++i) queries.push_back({x0 + u(rng) * (x1 - x0), y0 + u(rng) * (y1 - y0)});
    for (const CTriangle* t : list) {
      queries.push_back({t->m_v[0].m_imageX, t->m_v[0].m_imageY});
      queries.push_back({(t->m_v[0].m_imageX + t->m_v[1].m_imageX) / 2, (t->m_v[0].m_imageY + t->m_v[1].m_imageY) / 2});
    }
    for (const auto& q : queries) {
      double x = 0, y = 0, ex = 0, ey = 0;
      ASSERT_EQ(list.TransformPoint(q[0], q[1], x, y), 1);
      ReferenceTransform(list, q[0], q[1], ex, ey);
      ASSERT_EQ(x, ex) << q[0] << ", " << q[1] << " direction " << direction;
      ASSERT_EQ(y, ey) << q[0] << ", " << q[1] << " direction " << direction;
    }
  }
}

// Control points along one road: fans of long thin triangles from the
// corners. The index stays small and still answers as the walk does.
TEST(Triangulation, IndexOnFansOfThinTriangles) {
  CControlPtList cps;
  for (int i = 0; i < 2000; ++i) Fill(cps, {{10.0 + i * 2, 1500.0 + (i % 2) * 0.5, i * 2.0, 3000.0 - i}});
  CTriangleList list;
  ASSERT_EQ(list.Build(cps, RECT{0, 0, 4020, 3000}, 0), 1);
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(-0.1, 1.1);
  for (int i = 0; i < 3000; ++i) {
    const double qx = u(rng) * 4020, qy = u(rng) * 3000;
    double x = 0, y = 0, ex = 0, ey = 0;
    ASSERT_EQ(list.TransformPoint(qx, qy, x, y), 1);
    ReferenceTransform(list, qx, qy, ex, ey);
    ASSERT_EQ(x, ex) << qx << ", " << qy;
    ASSERT_EQ(y, ey) << qx << ", " << qy;
  }
}

TEST(Triangulation, AgreesWithScipyDelaunay) {
  QZN_REQUIRE_PYTHON("import numpy, scipy.spatial");
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(0.02, 0.98);
  CControlPtList cps;
  for (int i = 0; i < 200; ++i) {
    const double ix = u(rng) * 2000, iy = u(rng) * 1500;
    Fill(cps, {{ix, iy, 1000 + ix * 0.5 + 3 * std::cos(ix / 100), 2000 - iy * 0.5 + 2 * std::sin(iy / 70)}});
  }
  const RECT rect{0, 0, 2000, 1500};
  CTriangleList list;
  ASSERT_EQ(list.Build(cps, rect, 0), 1);
  // The points the triangulation was built on, corners included.
  CControlPtList all(cps);
  all.AddCorners(rect);
  qzntest::TempDir dir;
  std::ostringstream data, queries;
  data.precision(17);
  queries.precision(17);
  for (const CControlPt* p : all)
    data << p->m_imageX << " " << p->m_imageY << " " << p->m_mapX << " " << p->m_mapY << "\n";
  std::vector<std::array<double, 2>> q;
  for (int i = 0; i < 2000; ++i) {
    q.push_back({u(rng) * 2000, u(rng) * 1500});
    queries << q.back()[0] << " " << q.back()[1] << "\n";
  }
  qzntest::WriteFileText(dir.file("pts.txt"), data.str());
  qzntest::WriteFileText(dir.file("q.txt"), queries.str());
  const std::string script =
      "import numpy as np\n"
      "from scipy.spatial import Delaunay\n"
      "p = np.loadtxt('" +
      dir.file("pts.txt") + "'); q = np.loadtxt('" + dir.file("q.txt") +
      "')\n"
      "d = Delaunay(p[:, :2])\n"
      "print(len(d.simplices))\n"
      "for t in sorted(tuple(sorted(s)) for s in d.simplices): print(*t)\n"
      "for (x, y), s in zip(q, d.find_simplex(q)):\n"
      "  v = d.simplices[s]\n"
      "  A = np.c_[p[v, 0], p[v, 1], np.ones(3)]\n"
      "  cx, cy = np.linalg.solve(A, p[v, 2]), np.linalg.solve(A, p[v, 3])\n"
      "  print(repr(cx @ [x, y, 1]), repr(cy @ [x, y, 1]))\n";
  int status = 0;
  std::istringstream out(georeftest::RunPython(dir, script, &status));
  ASSERT_EQ(status, 0) << out.str();
  std::vector<const CControlPt*> index(all.begin(), all.end());
  auto numberOf = [&](const CControlPt& v) {
    for (std::size_t i = 0; i < index.size(); ++i)
      if (index[i]->m_imageX == v.m_imageX && index[i]->m_imageY == v.m_imageY) return static_cast<int>(i);
    return -1;
  };
  std::set<std::array<int, 3>> ours;
  for (const CTriangle* t : list) {
    std::array<int, 3> k = {numberOf(t->m_v[0]), numberOf(t->m_v[1]), numberOf(t->m_v[2])};
    std::sort(k.begin(), k.end());
    ours.insert(k);
  }
  std::size_t count = 0;
  out >> count;
  EXPECT_EQ(count, list.GetCount());
  std::set<std::array<int, 3>> theirs;
  for (std::size_t i = 0; i < count; ++i) {
    std::array<int, 3> k{};
    out >> k[0] >> k[1] >> k[2];
    theirs.insert(k);
  }
  EXPECT_EQ(ours, theirs);
  for (const auto& p : q) {
    double ex = 0, ey = 0, x = 0, y = 0;
    out >> ex >> ey;
    ASSERT_EQ(list.TransformPoint(p[0], p[1], x, y), 1);
    EXPECT_NEAR(x, ex, 1e-7);
    EXPECT_NEAR(y, ey, 1e-7);
  }
}

TEST(Triangulation, DrawsEveryEdge) {
  CControlPtList cps;
  Fill(cps, {{0, 0, 0, 0}, {10, 0, 1, 0}, {0, 10, 0, 1}, {10, 10, 1, 1}});
  CTriangleList list;
  ASSERT_EQ(list.Build(cps, RECT{0, 0, 10, 10}, 0), 1);
  ASSERT_EQ(list.GetCount(), 2);
  CRecordingCanvas canvas;
  CFixedViewTransform view(2.0, 2.0, 0, 0);
  list.Draw(&canvas, &view);
  int moves = 0, lines = 0;
  bool pen = false;
  for (const std::string& c : canvas.calls) {
    moves += c.rfind("move", 0) == 0;
    lines += c.rfind("line", 0) == 0;
    pen |= c == "pen 0 1 #3232fa";
  }
  EXPECT_TRUE(pen);
  EXPECT_EQ(moves, 2);
  EXPECT_EQ(lines, 6);
}

}  // namespace
