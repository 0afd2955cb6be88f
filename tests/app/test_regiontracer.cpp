// Region outlines: the pixel tests and steps, hand-drawn regions (bars,
// rectangles, a region whose start pixel joins two parts, holes with
// islands at both depths, the image border), and generated regions whose
// outlines are compared with OpenCV's border following.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include "app/regiontracer.h"
#include "model/chain.h"
#include "model/chainlist.h"
#include "platform/host.h"
#include "raster/rasterimage.h"
#include "tests/app/test_tracer_util.h"
#include "tests/raster/test_filters_util.h"
#include "tests/support/testutil.h"

using namespace qzn;

using pixfix::FromRows;
using pixfix::MakeImage;
using pixfix::Sample;
using tracefix::Line;
using tracefix::Lines;
using tracefix::Show;
using tracefix::Vertices;

namespace {

std::vector<Line> TraceAll(CRasterImage& img, int id = 0) {
  CChainList list;
  CRegionTracer tracer(img.pixels, img.width, img.height, img.bitsPerSample, list);
  EXPECT_EQ(tracer.Trace(id), 1);
  std::vector<Line> out;
  for (POSITION pos = list.GetHeadPosition(); pos;) {
    const CChain* c = list.GetNext(pos);
    EXPECT_EQ(c->m_fID, static_cast<float>(id));
    out.push_back(Vertices(*c));
  }
  return out;
}

// The unreduced outline from a start pixel.
Line Outline(CRasterImage& img, POINT start) {
  CChainList list;
  CRegionTracer tracer(img.pixels, img.width, img.height, img.bitsPerSample, list);
  CChain c;
  EXPECT_EQ(tracer.TraceOutline(start.x, start.y, c), 1);
  return Vertices(c);
}

std::set<std::pair<int, int>> PointSet(const Line& l) {
  std::set<std::pair<int, int>> s;
  for (const POINT& p : l) s.insert({p.x, p.y});
  return s;
}

bool Closed(const Line& l) { return l.size() >= 2 && l.front() == l.back(); }

TEST(RegionTracer, PixelTestsAndSteps) {
  auto img = FromRows({".....", ".##..", "..#..", "....."}, 8);
  img->SetByte(3, 2, 2);
  CChainList list;
  CRegionTracer t(img->pixels, img->width, img->height, 8, list);
  EXPECT_EQ(t.GetPixel(-1, 0), 0);
  EXPECT_EQ(t.GetPixel(5, 1), 0);
  t.SetPixel(7, 7, 1);  // outside: ignored
  EXPECT_TRUE(t.IsLeftEdge(1, 1));
  EXPECT_FALSE(t.IsLeftEdge(2, 1));
  EXPECT_FALSE(t.IsLeftEdge(2, 2));  // its right neighbour is 2, not 1
  EXPECT_FALSE(t.IsIsolated(1, 1));
  EXPECT_TRUE(t.IsIsolated(4, 3));
  img->SetByte(1, 2, 0);
  int x = 2, y = 2;
  EXPECT_EQ(t.StepDir(x, y, 0), 2);   // east: (3, 2)
  EXPECT_EQ(t.StepDir(x, y, -3), 1);  // -3 is 5, north-west: (2, 1)
  EXPECT_EQ(x, 2);
  EXPECT_EQ(y, 1);
  EXPECT_EQ(t.StepDir(x, y, 10), 1);  // 10 is 2, south: (2, 2)
  img->SetByte(2, 2, 2);
  img->SetByte(3, 2, 1);
  EXPECT_TRUE(t.IsTracedLeftEdge(2, 2));
  EXPECT_FALSE(t.IsLeftEdge(2, 2));

  auto bits = FromRows({"....", ".#..", "...."}, 1);
  CRegionTracer b(bits->pixels, 4, 3, 1, list);
  EXPECT_EQ(b.GetPixel(1, 1), 1);
  b.SetPixel(2, 1, 5);
  EXPECT_EQ(b.GetPixel(2, 1), 1);
  EXPECT_TRUE(b.IsLeftEdge(1, 1));
}

class RegionDepth : public ::testing::TestWithParam<int> {};

TEST_P(RegionDepth, BarsAndRectangles) {
  const int bits = GetParam();
  // A one-pixel-wide bar never starts an outline; a two-pixel one does.
  auto img = FromRows({"........", "..#.....", "..#..##.", "..#..##.", "..#..##.", "........"}, bits);
  auto lines = TraceAll(*img);
  ASSERT_EQ(lines.size(), 1u) << Show(lines);
  EXPECT_EQ(lines[0], (Line{{5, 2}, {6, 2}, {6, 4}, {5, 4}, {5, 2}}));
  // A filled rectangle: from its top-left pixel, clockwise on the screen
  // (first along the top edge), closed, reduced to its corners.
  img = FromRows({"..........", "..........", "..######..", "..######..", "..######..", "..........", ".........."},
                 bits);
  const Line full = Outline(*img, POINT{2, 2});
  EXPECT_EQ(full[1], (POINT{3, 2}));
  EXPECT_EQ(full.size(), 15u);
  lines = TraceAll(*img, 7);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], (Line{{2, 2}, {7, 2}, {7, 4}, {2, 4}, {2, 2}}));
}

TEST_P(RegionDepth, StartPixelJoiningTwoPartsKeepsTheWholeOutline) {
  const int bits = GetParam();
  // The start (4, 2) is the only link between its right neighbour and the
  // part below: the walk passes it twice before the outline is complete.
  const std::vector<std::string> rows = {"..........", "..........", "....##....",
                                         "...#......", "..##......", ".........."};
  auto img = FromRows(rows, bits);
  const Line outline = Outline(*img, POINT{4, 2});
  EXPECT_TRUE(Closed(outline));
  std::set<std::pair<int, int>> seen;
  for (const POINT& p : outline) seen.insert({p.x, p.y});
  EXPECT_EQ(seen, (std::set<std::pair<int, int>>{{4, 2}, {5, 2}, {3, 3}, {2, 4}, {3, 4}})) << Show({outline});
  const auto lines = TraceAll(*img);
  ASSERT_EQ(lines.size(), 1u) << Show(lines);
  // The region is retired as a whole: nothing of it is left to start again.
  for (int y = 0; y < img->height; ++y)
    for (int x = 0; x < img->width; ++x)
      EXPECT_EQ(Sample(*img, x, y), rows[y][x] == '#' ? (bits == 8 ? 2 : 0) : 0) << x << "," << y;
}

TEST_P(RegionDepth, HolesAndIslands) {
  const int bits = GetParam();
  std::vector<std::string> rows(16, std::string(16, '.'));
  for (int y = 1; y <= 14; ++y)
    for (int x = 1; x <= 14; ++x) {
      const bool hole = x >= 4 && x <= 11 && y >= 4 && y <= 11;
      const bool island = x >= 6 && x <= 9 && y >= 6 && y <= 9;
      if (!hole || island) rows[y][x] = '#';
    }
  auto img = FromRows(rows, bits);
  const auto lines = TraceAll(*img);
  // The outer outline, then (8 bits only) the hole's, then the island's:
  // at 1 bit the traced region is erased, so its hole starts nothing, but
  // the island inside the hole is a region of its own and is traced.
  ASSERT_EQ(lines.size(), bits == 8 ? 3u : 2u) << Show(lines);
  EXPECT_EQ(lines[0], (Line{{1, 1}, {14, 1}, {14, 14}, {1, 14}, {1, 1}}));
  if (bits == 8) {
    for (const POINT& p : lines[1])
      EXPECT_TRUE((p.x == 3 || p.x == 12 || p.y == 3 || p.y == 12) && p.x >= 3 && p.x <= 12) << Show(lines);
    EXPECT_TRUE(Closed(lines[1]));
  }
  EXPECT_EQ(lines.back(), (Line{{6, 6}, {9, 6}, {9, 9}, {6, 9}, {6, 6}}));
}

TEST_P(RegionDepth, ThinRingWhoseOnlyStartFacesItsHole) {
  const int bits = GetParam();
  // The ring's only left edge is (6, 3), with the hole on its left.
  const std::vector<std::string> rows = {"..........", "....#.....", "...#.#....", "..#...##..",
                                         "...#.#....", "....#.....", ".........."};
  auto img = FromRows(rows, bits);
  const auto lines = TraceAll(*img);
  ASSERT_EQ(lines.size(), 1u) << Show(lines);
  std::set<std::pair<int, int>> seen;
  for (const POINT& p : lines[0]) seen.insert({p.x, p.y});
  if (bits == 8) {
    // The hole's outline, from that start; the ring stays marked.
    EXPECT_EQ(lines[0].front(), (POINT{6, 3}));
    EXPECT_FALSE(seen.count({7, 3})) << Show(lines);
  } else {
    // The region is erased as a whole, so its line is the outer outline,
    // from the region's first pixel.
    auto full = FromRows(rows, 8);
    EXPECT_EQ(lines[0].front(), (POINT{4, 1}));
    const auto outer = PointSet(Outline(*full, POINT{4, 1}));
    EXPECT_TRUE(outer.count({7, 3}));
    for (const auto& p : seen) EXPECT_TRUE(outer.count(p)) << Show(lines);
    EXPECT_TRUE(seen.count({7, 3})) << Show(lines);
    for (int y = 0; y < img->height; ++y)
      for (int x = 0; x < img->width; ++x) EXPECT_EQ(Sample(*img, x, y), 0);
  }
}

TEST_P(RegionDepth, ImageBorderRowsAreWalkedNotStarted) {
  const int bits = GetParam();
  // Regions whose left edges lie only in the outermost rows and columns.
  auto img = FromRows({"..####....", "##........", "##........", "##........", "......####"}, bits);
  EXPECT_TRUE(TraceAll(*img).empty());
  img = FromRows({"..####....", "..####....", "..........", ".........."}, bits);
  const auto lines = TraceAll(*img);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], (Line{{2, 1}, {2, 0}, {5, 0}, {5, 1}, {2, 1}}));
}

INSTANTIATE_TEST_SUITE_P(Depths, RegionDepth, ::testing::Values(1, 8));

TEST(RegionTracer, UnusableImageTracesNothing) {
  CChainList list;
  CRegionTracer none(nullptr, 10, 10, 8, list);
  EXPECT_EQ(none.Trace(0), 0);
  BYTE px[16] = {};
  CRegionTracer fourBits(px, 4, 4, 4, list);
  EXPECT_EQ(fourBits.Trace(0), 0);
  EXPECT_EQ(list.GetCount(), 0);
}

TEST(RegionTracer, OutOfMemoryStopsWithOneMessageAndNoneWhenQuiet) {
  for (const bool quiet : {false, true}) {
    auto img = FromRows({"........", ".##..##.", "........", ".##..##.", "........"}, 8);
    CScriptedHost host;
    CHostScope scope(&host);
    CQuietScope quietRun(quiet);
    CChainList list;
    tracefix::Starved<CRegionTracer> t(img->pixels, img->width, img->height, 8, list);
    t.allowed = 1;
    EXPECT_EQ(t.Trace(0), 0);
    EXPECT_EQ(list.GetCount(), 1);  // the line made before memory ran out stays
    ASSERT_EQ(host.messages.size(), quiet ? 0u : 1u);
    if (!quiet) {
      EXPECT_EQ(host.messages[0].text, "超出内存");
      EXPECT_EQ(host.messages[0].style & MB_ICONSTOP, static_cast<unsigned>(MB_ICONSTOP));
    }
  }
}

TEST(RegionTracer, ProgressStepsEveryTwentyRows) {
  CScriptedHost host;
  CHostScope scope(&host);
  auto img = MakeImage(30, 100, 8, 0);
  CChainList list;
  CRegionTracer t(img->pixels, 30, 100, 8, list);
  EXPECT_EQ(t.Trace(0), 1);
  EXPECT_EQ(host.progressHigh, 5);
  EXPECT_EQ(host.progressPositions.size(), 4u);  // rows 20, 40, 60, 80
}

// ------------------------------------------------------------ oracle

// Filled discs and boxes, thick rings with islands in their holes.
std::unique_ptr<CRasterImage> Regions(unsigned seed, int size) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> pos(15, size - 15), r(3, 20);
  auto img = MakeImage(size, size, 8, 0);
  auto disc = [&](double cx, double cy, double rad, int v) {
    for (int y = 2; y < size - 2; ++y)
      for (int x = 2; x < size - 2; ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= rad * rad) img->SetByte(x, y, static_cast<BYTE>(v));
  };
  for (int i = 0; i < 6; ++i) disc(pos(rng), pos(rng), r(rng), 1);
  for (int i = 0; i < 3; ++i) {
    const int x0 = static_cast<int>(pos(rng)), y0 = static_cast<int>(pos(rng));
    for (int y = y0; y < std::min(size - 2, y0 + 12); ++y)
      for (int x = x0; x < std::min(size - 2, x0 + 25); ++x) img->SetByte(x, y, 1);
  }
  for (int i = 0; i < 3; ++i) {
    const double cx = pos(rng), cy = pos(rng), rad = 12 + r(rng);
    disc(cx, cy, rad, 1);
    disc(cx, cy, rad - 4, 0);
    disc(cx + 1.3, cy - 0.7, rad / 3, 1);  // an island in the hole
  }
  return img;
}

struct Contour {
  int parent;
  std::set<std::pair<int, int>> points;
};

// OpenCV's border following (CCOMP: outer borders at the top level, holes
// below them), every border pixel listed.
std::vector<Contour> OpenCvContours(const CRasterImage& img, const qzntest::TempDir& dir) {
  const std::string pgm = dir.file("regions.pgm"), script = dir.file("contours.py");
  pixfix::WritePgm(img, pgm);
  qzntest::WriteFileText(script,
                         "import sys, cv2, numpy as np\n"
                         "a = cv2.imread(sys.argv[1], cv2.IMREAD_GRAYSCALE)\n"
                         "r = cv2.findContours((a > 0).astype(np.uint8), cv2.RETR_CCOMP, cv2.CHAIN_APPROX_NONE)\n"
                         "cs, h = r[-2], r[-1]\n"
                         "for i, c in enumerate(cs):\n"
                         "    print(h[0][i][3], ' '.join('%d %d' % (p[0][0], p[0][1]) for p in c))\n");
  const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  std::string out;
  EXPECT_EQ(qzntest::RunCommand(python + " " + script + " " + pgm, &out), 0);
  std::vector<Contour> contours;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    Contour c;
    in >> c.parent;
    int x, y;
    while (in >> x >> y) c.points.insert({x, y});
    contours.push_back(c);
  }
  return contours;
}

double SegmentDistance(const POINT& p, const POINT& a, const POINT& b) {
  const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

TEST(RegionTracer, OutlinesMatchOpenCvBorders) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"cv2", "numpy"}), "python3-opencv")
  qzntest::TempDir dir;
  for (unsigned seed = 1; seed <= 4; ++seed) {
    const int size = 160;
    auto pristine = Regions(seed, size);
    const auto contours = OpenCvContours(*pristine, dir);
    ASSERT_FALSE(contours.empty());
    for (const int bits : {8, 1}) {
      auto img = MakeImage(size, size, bits, 0);
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
          if (bits == 1)
            img->SetBit(x, y, pristine->GetByte(x, y));
          else
            img->SetByte(x, y, pristine->GetByte(x, y));
        }
      const auto lines = TraceAll(*img);
      // 8 bits: every border, outer or of a hole; 1 bit: the outer ones.
      std::size_t expected = 0;
      for (const Contour& c : contours) expected += bits == 8 || c.parent < 0;
      EXPECT_EQ(lines.size(), expected) << "seed " << seed << ", " << bits << " bits";
      std::set<std::size_t> matched;
      for (const Line& l : lines) {
        ASSERT_TRUE(Closed(l));
        const Line full = Outline(*pristine, l.front());
        const auto points = PointSet(full);
        std::size_t hit = contours.size();
        for (std::size_t i = 0; i < contours.size(); ++i)
          if (contours[i].points == points) hit = i;
        ASSERT_LT(hit, contours.size()) << "seed " << seed << ", " << bits
                                        << " bits: no border matches the outline from " << l.front().x << ","
                                        << l.front().y;
        EXPECT_TRUE(matched.insert(hit).second) << "border traced twice";
        if (bits == 1) {
          EXPECT_LT(contours[hit].parent, 0) << "a hole's border at 1 bit";
        }
        // The reduced line keeps border pixels only and strays from the
        // full outline by less than 1.5 x 0.6 pixels.
        for (const POINT& p : l) EXPECT_TRUE(points.count({p.x, p.y}));
        for (const POINT& p : full) {
          double d = 1e9;
          for (std::size_t k = 0; k + 1 < l.size(); ++k) d = std::min(d, SegmentDistance(p, l[k], l[k + 1]));
          EXPECT_LE(d, 0.9 + 1e-6) << "seed " << seed;
        }
      }
    }
  }
}

}  // namespace
