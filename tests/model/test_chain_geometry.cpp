// Read-only line geometry: hand-checked cases and agreement with shapely on
// random polylines.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <random>
#include <sstream>

#include "model/chain.h"
#include "tests/model/chain_test_util.h"
#include "model/geometry.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

std::unique_ptr<CChain> Line(const std::vector<CFPoint>& pts) { return MakeLine(pts); }

const std::initializer_list<CFPoint> kSquare = {{0.f, 0.f}, {10.f, 0.f}, {10.f, 10.f}, {0.f, 10.f}, {0.f, 0.f}};

TEST(ChainGeometry, ClosureTolerance) {
  auto c = Line({{0.f, 0.f}, {5.f, 5.f}, {2.9f, 0.f}});
  EXPECT_EQ(c->IsClosed(2), 1);  // 2.9 truncates to 2
  c->SetPoint(2, 3.0f, 0.0f);
  EXPECT_EQ(c->IsClosed(2), 0);
  c->SetPoint(2, 0.001f, 0.0f);
  EXPECT_EQ(c->IsClosed(0), 0);
  c->SetPoint(2, 0.0f, 0.0f);
  EXPECT_EQ(c->IsClosed(0), 1);
  EXPECT_EQ(Line({{1.f, 1.f}, {1.f, 1.f}})->IsClosed(0), 0);
}

TEST(ChainGeometry, SquareAreaWindingAndContainment) {
  auto sq = Line(kSquare);
  EXPECT_DOUBLE_EQ(sq->GetArea(), 100.0);
  EXPECT_EQ(sq->IsPositiveWinding(), 1);  // clockwise on the screen
  EXPECT_EQ(sq->PtInPolygon(CFPoint(5.f, 5.f)), 1);
  EXPECT_EQ(sq->PtInPolygon(CFPoint(15.f, 5.f)), 0);
  sq->Reverse();
  EXPECT_EQ(sq->IsPositiveWinding(), 0);
  EXPECT_DOUBLE_EQ(sq->GetArea(), 100.0);

  auto open = Line({{0.f, 0.f}, {10.f, 0.f}, {10.f, 10.f}, {0.f, 10.f}, {0.f, 0.5f}});
  EXPECT_EQ(open->GetArea(), 0.0);
  EXPECT_EQ(open->PtInPolygon(CFPoint(5.f, 5.f)), 0);
  EXPECT_EQ(Line({{0.f, 0.f}, {1.f, 0.f}, {0.f, 1.f}})->IsPositiveWinding(), 1);
}

TEST(ChainGeometry, DistanceAndNearestElements) {
  auto seg = Line({{0.f, 0.f}, {10.f, 0.f}});
  EXPECT_FLOAT_EQ(seg->DistanceToPoint(CFPoint(5.f, 3.f)), 3.0f);
  EXPECT_FLOAT_EQ(seg->DistanceToPoint(CFPoint(13.f, 4.f)), 5.0f);
  EXPECT_EQ(CChain().DistanceToPoint(CFPoint(1.f, 1.f)), -1.0f);
  EXPECT_FLOAT_EQ(Line({{3.f, 4.f}})->DistanceToPoint(CFPoint(0.f, 0.f)), 5.0f);

  int d = -7;
  EXPECT_EQ(CChain().FindNearestVertex(CFPoint(0.f, 0.f), d), -1);
  EXPECT_EQ(d, -7);
  EXPECT_EQ(seg->FindNearestVertex(CFPoint(5.f, 2.9f), d), 0);  // tie: lower index
  EXPECT_EQ(d, 5);
  EXPECT_EQ(seg->NearestEnd(CFPoint(5.f, 1.f)), 0);  // equally far
  EXPECT_EQ(seg->NearestEndDist(CFPoint(9.f, 0.f), d), 1);
  EXPECT_EQ(d, 1);
  EXPECT_EQ(Line({{1.f, 1.f}})->NearestEnd(CFPoint(0.f, 0.f)), -1);

  double dist = 0;
  EXPECT_EQ(DistanceToSegment(CFPoint(5.f, 2.f), CFPoint(0.f, 0.f), CFPoint(10.f, 0.f), dist), 0);
  EXPECT_DOUBLE_EQ(dist, 2.0);
  EXPECT_EQ(DistanceToSegment(CFPoint(10.f, 2.f), CFPoint(0.f, 0.f), CFPoint(10.f, 0.f), dist), 0);  // end B included
  // Beyond B the true distance is to B, not to A.
  EXPECT_EQ(DistanceToSegment(CFPoint(13.f, 4.f), CFPoint(0.f, 0.f), CFPoint(10.f, 0.f), dist), -1);
  EXPECT_DOUBLE_EQ(dist, 5.0);
}

TEST(ChainGeometry, InsertionIndexNeverSpikesBackToTheStart) {
  struct Case {
    std::initializer_list<CFPoint> line;
    CFPoint p;
    std::int64_t index;
  } cases[] = {
      {{{0, 0}, {10, 0}}, {5.f, 1.f}, 1},
      {{{0, 0}, {10, 0}}, {15.f, 0.f}, 2},   // after the end
      {{{0, 0}, {10, 0}}, {-5.f, 0.f}, 0},   // before the start
      {{{0, 0}, {10, 0}}, {10.f, 0.f}, -1},  // already a vertex
      {{{0, 0}, {10, 0}, {20, 0}}, {25.f, 0.f}, 3},
      {{{0, 0}, {10, 0}, {20, 0}}, {15.f, -2.f}, 2},
      // Outside a corner: on the side that lengthens the line least.
      {{{0, 0}, {10, 0}, {10, 10}}, {12.f, -1.f}, 2},
      {{{0, 0}, {10, 0}, {10, 10}}, {11.f, -3.f}, 1},
      {{{4, 4}}, {1.f, 1.f}, 0},
  };
  for (const Case& c : cases) {
    auto line = Line(c.line);
    EXPECT_EQ(line->FindNearestSegment(c.p), c.index) << c.p.x << "," << c.p.y;
  }
}

TEST(ChainGeometry, DistinctEndsMeanLength) {
  auto c = Line({{1.f, 1.f}, {1.f, 1.f}, {2.f, 3.f}, {4.f, 4.f}, {4.f, 4.f}});
  EXPECT_TRUE(c->GetFirstDistinctPoint() == CFPoint(2.f, 3.f));
  EXPECT_TRUE(c->GetLastDistinctPoint() == CFPoint(2.f, 3.f));
  auto same = Line({{1.f, 1.f}, {1.f, 1.f}});
  EXPECT_TRUE(same->GetFirstDistinctPoint() == CFPoint(1.f, 1.f));
  EXPECT_TRUE(same->GetLastDistinctPoint() == CFPoint(1.f, 1.f));
  EXPECT_TRUE(CChain().GetFirstDistinctPoint() == CFPoint());

  auto tri = Line({{0.f, 0.f}, {2.f, 0.f}, {2.f, 2.f}, {0.f, 0.f}});
  EXPECT_FLOAT_EQ(tri->GetMeanPoint().x, 4.0f / 3.0f);
  EXPECT_FLOAT_EQ(tri->GetMeanPoint().y, 2.0f / 3.0f);
  EXPECT_TRUE(Line({{7.f, 8.f}})->GetMeanPoint() == CFPoint(7.f, 8.f));

  auto l = Line({{0.f, 0.f}, {3.f, 4.f}, {3.f, 10.f}});
  EXPECT_DOUBLE_EQ(l->GetLength(), 11.0);
  EXPECT_EQ(l->IsLengthInRange(11, 11), 1);
  EXPECT_EQ(l->IsLengthInRange(12, 20), 0);
  EXPECT_EQ(l->IsLengthInRange(0, 10), 0);
  EXPECT_EQ(Line({{0.f, 0.f}})->IsLengthInRange(5, 6), 1);
}

TEST(ChainGeometry, AnglesAndTheirDifferenceFoldAcrossZero) {
  const CFPoint o(0.f, 0.f);
  EXPECT_DOUBLE_EQ(GetLineAngle(o, CFPoint(1.f, 1.f)), std::atan(1.0));
  EXPECT_DOUBLE_EQ(GetLineAngle(o, CFPoint(1.f, -1.f)), 6.283185 - std::atan(1.0));
  EXPECT_DOUBLE_EQ(GetLineAngle(o, CFPoint(0.f, -1.f)), 4.71239);
  EXPECT_DOUBLE_EQ(GetLineAngle(o, CFPoint(-1.f, 0.f)), 3.1415926);
  EXPECT_DOUBLE_EQ(GetLineAngle(o, o), 0.0);
  // Directions of 0.1 and 6.2 radians are about 0.18 apart, not 6.1.
  const CFPoint a(static_cast<float>(std::cos(0.1)), static_cast<float>(std::sin(0.1)));
  const CFPoint b(static_cast<float>(std::cos(6.2)), static_cast<float>(std::sin(6.2)));
  EXPECT_NEAR(GetAngleDifference(o, a, o, b), 2 * std::numbers::pi - 6.1, 1e-5);
  EXPECT_NEAR(GetAngleDifference(o, CFPoint(1.f, 0.f), o, CFPoint(-1.f, 0.f)), std::numbers::pi, 1e-6);
}

TEST(ChainGeometry, CrossesRectAndIntersectSegment) {
  auto inside = Line({{2.f, 2.f}, {5.f, 5.f}});
  EXPECT_EQ(inside->CrossesRect(RECT{0, 0, 10, 10}), 1);
  // Bounds overlap the rectangle, but the diagonal passes beside it.
  auto beside = Line({{0.f, 10.f}, {10.f, 0.f}});
  EXPECT_EQ(beside->CrossesRect(RECT{0, 0, 3, 3}), 0);
  EXPECT_EQ(beside->CrossesRect(RECT{4, 4, 8, 8}), 1);
  EXPECT_EQ(beside->CrossesRect(RECT{20, 20, 30, 30}), 0);

  auto l = Line({{0.f, 0.f}, {10.f, 0.f}, {10.f, 10.f}});
  CLineEquation cut(CFPoint(5.f, -5.f), CFPoint(15.f, 5.f));
  cut.Compute();
  CFPoint at;
  ASSERT_EQ(l->IntersectSegment(cut, at), 1);
  EXPECT_NEAR(at.x, 10.0f, 1e-4);  // the first segment in vertex order meets it at (10, 0)
  EXPECT_NEAR(at.y, 0.0f, 1e-4);
  CLineEquation away(CFPoint(20.f, 20.f), CFPoint(30.f, 30.f));
  away.Compute();
  EXPECT_EQ(l->IntersectSegment(away, at), 0);
}

// ---- agreement with shapely

TEST(ChainGeometryOracle, AgreesWithShapelyOnRandomPolylines) {
  const std::string py = qzntest::Python();
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"shapely", "numpy"}), "shapely and numpy")
  qzntest::TempDir dir;
  std::mt19937 rng(12345);
  std::uniform_real_distribution<float> coord(0.f, 200.f);
  std::uniform_int_distribution<int> count(2, 12);
  std::vector<std::unique_ptr<CChain>> lines;
  std::vector<CFPoint> probes;
  std::ostringstream in;
  in.precision(9);
  for (int i = 0; i < 300; ++i) {
    auto c = std::make_unique<CChain>();
    const int n = count(rng);
    for (int k = 0; k < n; ++k) c->AddPoint(std::round(coord(rng) * 4) / 4, std::round(coord(rng) * 4) / 4);
    c->CalcBounds();
    CFPoint p(coord(rng) * 1.2f - 20.f, coord(rng) * 1.2f - 20.f);
    for (const CFPoint& v : c->Points()) in << v.x << ' ' << v.y << ' ';
    in << "| " << p.x << ' ' << p.y << '\n';
    lines.push_back(std::move(c));
    probes.push_back(p);
  }
  // Star-shaped polygons for area and containment.
  std::vector<std::unique_ptr<CChain>> polys;
  std::vector<CFPoint> inner;
  std::ostringstream pin;
  pin.precision(9);
  for (int i = 0; i < 200; ++i) {
    auto c = std::make_unique<CChain>();
    const int n = count(rng) + 2;
    for (int k = 0; k < n; ++k) {
      const double a = 2 * std::numbers::pi * k / n;
      const double r = 20 + coord(rng) / 4;
      c->AddPoint(static_cast<float>(100 + r * std::cos(a)), static_cast<float>(100 + r * std::sin(a)));
    }
    c->AddPoint(c->GetPoint(0).x, c->GetPoint(0).y);
    c->CalcBounds();
    CFPoint p(60 + coord(rng) / 2.5f, 60 + coord(rng) / 2.5f);
    for (const CFPoint& v : c->Points()) pin << v.x << ' ' << v.y << ' ';
    pin << "| " << p.x << ' ' << p.y << '\n';
    polys.push_back(std::move(c));
    inner.push_back(p);
  }
  qzntest::WriteFileText(dir.file("lines.txt"), in.str());
  qzntest::WriteFileText(dir.file("polys.txt"), pin.str());
  const std::string script =
      "import sys\n"
      "from shapely.geometry import LineString, Point, Polygon\n"
      "def rows(name):\n"
      "  for line in open(name):\n"
      "    a, b = line.split('|')\n"
      "    v = [float(t) for t in a.split()]\n"
      "    yield list(zip(v[0::2], v[1::2])), Point(*[float(t) for t in b.split()])\n"
      "for pts, p in rows(sys.argv[1]):\n"
      "  g = LineString(pts)\n"
      "  print('L %.9g %.9g %.9g' % (g.distance(p), g.project(p), g.length))\n"
      "for pts, p in rows(sys.argv[2]):\n"
      "  g = Polygon(pts)\n"
      "  print('P %.9g %d' % (g.area, 1 if g.contains(p) else 0))\n";
  qzntest::WriteFileText(dir.file("oracle.py"), script);
  std::string out;
  ASSERT_EQ(qzntest::RunCommand(
                py + " " + dir.file("oracle.py") + " " + dir.file("lines.txt") + " " + dir.file("polys.txt"), &out),
            0);
  std::istringstream res(out);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string tag;
    double dist, proj, length;
    ASSERT_TRUE(res >> tag >> dist >> proj >> length);
    const CChain& c = *lines[i];
    const CFPoint p = probes[i];
    EXPECT_NEAR(c.DistanceToPoint(p), dist, 1e-3 * (1 + dist)) << i;
    EXPECT_NEAR(c.GetLength(), length, 1e-6 * length) << i;
    // The insertion index must bracket the nearest point's position along the
    // line: vertices before it lie no farther along, those after no nearer.
    const std::int64_t k = c.FindNearestSegment(p);
    if (k < 0) continue;
    double before = 0.0;
    for (std::int64_t j = 1; j < k && j < c.GetCount(); ++j)
      before += std::hypot(c.GetPoint(j).x - c.GetPoint(j - 1).x, c.GetPoint(j).y - c.GetPoint(j - 1).y);
    double after = before;
    if (k >= 1 && k < c.GetCount())
      after += std::hypot(c.GetPoint(k).x - c.GetPoint(k - 1).x, c.GetPoint(k).y - c.GetPoint(k - 1).y);
    if (k == 0) after = 0.0;
    if (k == c.GetCount()) before = after = length;
    // Ties between equally near parts of the line may pick either one; the
    // distance of the chosen place must still be the nearest distance.
    const bool bracketed = proj >= before - 1e-3 && proj <= after + 1e-3;
    if (!bracketed) {
      // Another part of the line equally near: the chosen segment (or end)
      // must be just as near.
      double dk;
      if (k == 0)
        dk = std::hypot(p.x - c.GetPoint(0).x, p.y - c.GetPoint(0).y);
      else if (k == c.GetCount())
        dk = std::hypot(p.x - c.GetPoint(k - 1).x, p.y - c.GetPoint(k - 1).y);
      else
        dk = std::sqrt(SegmentDistanceSquared(p, c.GetPoint(k - 1), c.GetPoint(k)));
      EXPECT_NEAR(dk, dist, 1e-3 * (1 + dist)) << "line " << i << " index " << k;
    }
  }
  for (std::size_t i = 0; i < polys.size(); ++i) {
    std::string tag;
    double area;
    int contains;
    ASSERT_TRUE(res >> tag >> area >> contains);
    EXPECT_NEAR(polys[i]->GetArea(), area, 1e-6 * area) << i;
    EXPECT_EQ(polys[i]->PtInPolygon(inner[i]), contains) << i;
  }
}

}  // namespace
