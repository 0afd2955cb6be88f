// Skeleton tracing: hand-drawn skeletons with known lines (segments, arches,
// rings, junctions, image borders), the driver's contract (depths, clipping,
// layer attributes, running out of memory), the junction queue against a
// plain search of the queue, and generated drawings thinned and traced,
// whose lines must cover the skeleton, join at its junctions and close its
// rings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <vector>

#include "app/skeletontracer.h"
#include "model/chain.h"
#include "model/chainlist.h"
#include "model/geometry.h"
#include "model/layer.h"
#include "platform/host.h"
#include "raster/rasterimage.h"
#include "raster/thin.h"
#include "tests/app/test_tracer_util.h"
#include "tests/raster/test_filters_util.h"

using namespace qzn;

using pixfix::FromRows;
using pixfix::MakeImage;
using pixfix::Sample;
using tracefix::Line;
using tracefix::Lines;
using tracefix::Show;
using tracefix::Vertices;

namespace {

bool Closed(const Line& l) { return l.size() >= 4 && l.front() == l.back(); }

// Traces the whole image at its own depth.
std::vector<Line> Trace(CRasterImage& img) {
  CChainList lines;
  CLayerList layers;
  CSkeletonTracer tracer(img, lines, layers);
  const int r = img.bitsPerSample == 1 ? tracer.Trace1Bit(0, 0, img.width, img.height)
                                       : tracer.Trace8Bit(0, 0, img.width, img.height);
  EXPECT_EQ(r, 1);
  return Lines(lines);
}

std::vector<Line> TraceRows(const std::vector<std::string>& rows, int bits) {
  auto img = FromRows(rows, bits);
  return Trace(*img);
}

bool HasEnd(const Line& l, POINT p) { return l.front() == p || l.back() == p; }

class SkeletonDepth : public ::testing::TestWithParam<int> {};

TEST_P(SkeletonDepth, SegmentArchAndIsolatedPixel) {
  const int bits = GetParam();
  // A segment found at its left end: its two end pixels after redundant
  // vertices are gone. An arch found at its top: one line from end to end.
  // A lone pixel: no line.
  const auto lines = TraceRows({"............", "..#######...", "............", ".....#......", "....#.#.....",
                                "...#...#....", "..........#.", "............"},
                               bits);
  ASSERT_EQ(lines.size(), 2u) << Show(lines);
  EXPECT_EQ(lines[0], (Line{{2, 1}, {8, 1}}));
  EXPECT_EQ(lines[1], (Line{{3, 5}, {5, 3}, {7, 5}}));
}

TEST_P(SkeletonDepth, RingsOfAnyShapeClose) {
  const int bits = GetParam();
  struct Case {
    const char* name;
    std::vector<std::string> rows;
    Line expected;
  };
  const Case cases[] = {
      {"square ring",
       {".......", ".#####.", ".#...#.", ".#...#.", ".#####.", "......."},
       {{1, 1}, {5, 1}, {5, 4}, {1, 4}, {1, 1}}},
      {"diamond", {".....", "..#..", ".#.#.", "..#..", "....."}, {{2, 1}, {1, 2}, {2, 3}, {3, 2}, {2, 1}}},
      {"rounded ring", {"........", "...##...", "..#..#..", ".#....#.", "..#..#..", "...##...", "........"}, {}},
  };
  for (const Case& c : cases) {
    const auto lines = TraceRows(c.rows, bits);
    ASSERT_EQ(lines.size(), 1u) << c.name << "\n" << Show(lines);
    EXPECT_TRUE(Closed(lines[0])) << c.name << "\n" << Show(lines);
    if (!c.expected.empty()) {
      EXPECT_EQ(lines[0], c.expected) << c.name << "\n" << Show(lines);
    }
  }
}

TEST_P(SkeletonDepth, ShortCornerIsNotARing) {
  // Three pixels in an L are a bend, not a ring.
  const auto lines = TraceRows({".....", "..#..", "..##.", "....."}, GetParam());
  ASSERT_EQ(lines.size(), 1u) << Show(lines);
  EXPECT_FALSE(lines[0].front() == lines[0].back()) << Show(lines);
  EXPECT_EQ(lines[0].size(), 3u);
}

TEST_P(SkeletonDepth, BranchesEndOnTheirJunction) {
  const int bits = GetParam();
  {
    // A "T": three lines, each with an end on the junction pixel.
    const auto lines = TraceRows({".........", ".#######.", "....#....", "....#....", "....#....", "........."}, bits);
    ASSERT_EQ(lines.size(), 3u) << Show(lines);
    for (const Line& l : lines) EXPECT_TRUE(HasEnd(l, POINT{4, 1})) << Show(lines);
  }
  {
    // A crossing found at its top branch: four lines meeting at the centre.
    const auto lines = TraceRows({".......", "...#...", "...#...", ".#####.", "...#...", "...#...", "......."}, bits);
    ASSERT_EQ(lines.size(), 4u) << Show(lines);
    for (const Line& l : lines) EXPECT_TRUE(HasEnd(l, POINT{3, 3})) << Show(lines);
  }
  {
    // A line found in its middle whose far end runs out next to a junction
    // traced before it: it ends on that junction.
    const auto lines = TraceRows({"..........", "..#.......", "..#.......", "..####....", "..#...#...", "..#....#..",
                                  "..........", ".........."},
                                 bits);
    for (const Line& l : lines)
      for (const POINT& p : {l.front(), l.back()})
        if (!(p == POINT{2, 1}) && !(p == POINT{2, 5}) && !(p == POINT{7, 5})) {
          EXPECT_TRUE((p == POINT{2, 3})) << Show(lines);
        }
  }
}

TEST_P(SkeletonDepth, BorderRowsAreWalkedNotStarted) {
  const int bits = GetParam();
  // A line from the top row down: found in row 1, followed up into row 0.
  auto lines = TraceRows({"...#......", "...#......", "...#......", "...#......", "..........", ".........."}, bits);
  ASSERT_EQ(lines.size(), 1u) << Show(lines);
  EXPECT_TRUE(HasEnd(lines[0], POINT{3, 0}) && HasEnd(lines[0], POINT{3, 3})) << Show(lines);
  // A line along the top row only is never found.
  EXPECT_TRUE(TraceRows({".######...", "..........", "..........", ".........."}, bits).empty());
  // A walk stops on reaching the last column.
  lines = TraceRows({"........", "........", "..######", "........", "........"}, bits);
  ASSERT_EQ(lines.size(), 1u) << Show(lines);
  EXPECT_EQ(lines[0], (Line{{2, 2}, {7, 2}}));
}

TEST_P(SkeletonDepth, RectangleIsClippedToTheImage) {
  const int bits = GetParam();
  const std::vector<std::string> rows = {"..........", ".####.....", "..........", "......###.", ".........."};
  auto whole = FromRows(rows, bits);
  const auto expected = Trace(*whole);
  ASSERT_EQ(expected.size(), 2u);
  for (const RECT rc : {RECT{-50, -50, 1000, 1000}, RECT{-3, 0, 40, 5}, RECT{0, -7, 10, 400}}) {
    auto img = FromRows(rows, bits);
    CChainList list;
    CLayerList layers;
    CSkeletonTracer tracer(*img, list, layers);
    // left, top, width, height
    EXPECT_EQ(bits == 1 ? tracer.Trace1Bit(rc.left, rc.top, rc.right, rc.bottom)
                        : tracer.Trace8Bit(rc.left, rc.top, rc.right, rc.bottom),
              1);
    EXPECT_EQ(Lines(list), expected);
  }
  // A rectangle holding only the second line's start.
  auto img = FromRows(rows, bits);
  CChainList list;
  CLayerList layers;
  CSkeletonTracer tracer(*img, list, layers);
  bits == 1 ? tracer.Trace1Bit(5, 2, 3, 3) : tracer.Trace8Bit(5, 2, 3, 3);
  EXPECT_EQ(Lines(list), (std::vector<Line>{{{6, 3}, {8, 3}}}));
}

INSTANTIATE_TEST_SUITE_P(Depths, SkeletonDepth, ::testing::Values(1, 8));

TEST(SkeletonTracer, WrongDepthOrNoPixelsDoesNothing) {
  const std::vector<std::string> rows = {".....", ".###.", "....."};
  auto grey = FromRows(rows, 8);
  auto bilevel = FromRows(rows, 1);
  CChainList list;
  CLayerList layers;
  {
    CSkeletonTracer tracer(*grey, list, layers);
    EXPECT_EQ(tracer.Trace1Bit(0, 0, 5, 3), 0);
  }
  {
    CSkeletonTracer tracer(*bilevel, list, layers);
    EXPECT_EQ(tracer.Trace8Bit(0, 0, 5, 3), 0);
  }
  EXPECT_EQ(pixfix::ToRows(*grey), rows);
  EXPECT_EQ(pixfix::ToRows(*bilevel), rows);
  CRasterImage empty;
  empty.width = 5, empty.height = 3, empty.bitsPerSample = 8;
  CSkeletonTracer tracer(empty, list, layers);
  EXPECT_EQ(tracer.Trace8Bit(0, 0, 5, 3), 0);
  EXPECT_EQ(list.GetCount(), 0);
}

TEST(SkeletonTracer, LinesGetTheCurrentLayersAttributes) {
  auto img = FromRows({".......", ".#####.", "......."}, 8);
  CChainList list;
  CLayerList layers;
  CLayer* layer = layers.AddLayer();
  layer->m_color = RGB(10, 20, 30);
  layer->m_nPenStyle = 2;
  layers.SetCurrentLayer(layer->m_strName);
  const int id = layers.GetCurrentLayerID();
  ASSERT_NE(id, 0);
  CSkeletonTracer tracer(*img, list, layers);
  ASSERT_EQ(tracer.Trace8Bit(0, 0, 7, 3), 1);
  ASSERT_EQ(list.GetCount(), 1);
  const CChain* c = list.GetHead();
  EXPECT_EQ(c->m_nLayer, id);
  EXPECT_EQ(c->m_color, RGB(10, 20, 30));
  EXPECT_EQ(c->m_nPenStyle, 2);
  EXPECT_EQ(c->m_rcBounds.left, 1 - c->GetPenWidth());
  EXPECT_EQ(c->m_rcBounds.right, 5 + c->GetPenWidth());
  EXPECT_EQ(list.m_nModified, 1);
}

TEST(SkeletonTracer, OutOfMemoryIsReportedOnceAndNotWhenQuiet) {
  const std::vector<std::string> rows = {"........", ".##.##..", "........", ".##.##..", "........",
                                         ".####...", "...#....", "...#....", "........"};
  for (const bool quiet : {false, true}) {
    auto img = FromRows(rows, 8);
    CChainList list;
    CLayerList layers;
    CScriptedHost host;
    CHostScope scope(&host);
    CQuietScope quietRun(quiet);
    tracefix::Starved<CSkeletonTracer> tracer(*img, list, layers);
    tracer.allowed = 1;
    EXPECT_EQ(tracer.Trace8Bit(0, 0, 8, 9), 1);
    EXPECT_EQ(list.GetCount(), 1);  // the first line, found before memory ran out
    ASSERT_EQ(host.messages.size(), quiet ? 0u : 1u);
    if (!quiet) {
      EXPECT_EQ(host.messages[0].text, "内存不足, 矢量化失败。");
    }
  }
}

TEST(JunctionQueue, AgreesWithASearchOfTheQueue) {
  std::mt19937 rng(7);
  CJunctionQueue queue;
  CIntPtList plain;
  std::set<std::pair<int, int>> used;  // a junction is queued only once
  for (int step = 0; step < 20000; ++step) {
    const int op = static_cast<int>(rng() % 3);
    if (op == 0) {
      const int x = static_cast<int>(rng() % 40), y = static_cast<int>(rng() % 40);
      if (!used.insert({x, y}).second) continue;
      const int copies = 1 + static_cast<int>(rng() % 3);
      queue.Push(x, y, copies);
      for (int i = 0; i < copies; ++i) plain.AddTail(x, y);
    } else if (op == 1 && !plain.IsEmpty()) {
      const POINT a = queue.Pop();
      const POINT b = plain.RemoveHead();
      ASSERT_EQ(a, b);
    } else {
      const int x = static_cast<int>(rng() % 40), y = static_cast<int>(rng() % 40);
      POINT a{}, b{};
      const int fa = queue.FindNeighbour(x, y, a), fb = plain.FindNear(x, y, b);
      ASSERT_EQ(fa, fb);
      if (fa) {
        ASSERT_EQ(a, b);
      }
    }
    ASSERT_EQ(queue.GetCount(), plain.GetCount());
  }
}

// ------------------------------------------------------ generated drawings

void Stamp(CRasterImage& img, double cx, double cy, double r) {
  for (int y = static_cast<int>(cy - r - 1); y <= static_cast<int>(cy + r + 1); ++y)
    for (int x = static_cast<int>(cx - r - 1); x <= static_cast<int>(cx + r + 1); ++x)
      if (x >= 4 && y >= 4 && x < img.width - 4 && y < img.height - 4 &&
          (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r + 0.25)
        img.SetByte(x, y, 1);
}

void ThickLine(CRasterImage& img, double x0, double y0, double x1, double y1, double r) {
  const int n = static_cast<int>(std::hypot(x1 - x0, y1 - y0) * 2) + 1;
  for (int i = 0; i <= n; ++i) Stamp(img, x0 + (x1 - x0) * i / n, y0 + (y1 - y0) * i / n, r);
}

void Ring(CRasterImage& img, double cx, double cy, double radius, double r) {
  const int n = static_cast<int>(radius * 8) + 8;
  for (int i = 0; i < n; ++i) {
    const double a0 = 2 * M_PI * i / n, a1 = 2 * M_PI * (i + 1) / n;
    ThickLine(img, cx + radius * std::cos(a0), cy + radius * std::sin(a0), cx + radius * std::cos(a1),
              cy + radius * std::sin(a1), r);
  }
}

// Lines, crossings, T-junctions and rings of widths 1 to 4, thinned.
std::unique_ptr<CRasterImage> Drawing(unsigned seed, int size) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> pos(10, size - 10), rad(0.5, 2.0), big(8, size / 4.0);
  auto img = MakeImage(size, size, 8, 0);
  for (int i = 0; i < 6; ++i) ThickLine(*img, pos(rng), pos(rng), pos(rng), pos(rng), rad(rng));
  for (int i = 0; i < 3; ++i) {
    const double x = pos(rng), y = pos(rng);  // a T
    ThickLine(*img, x - 30, y, x + 30, y, rad(rng));
    ThickLine(*img, x, y, x, y + 30, rad(rng));
  }
  for (int i = 0; i < 3; ++i) Ring(*img, pos(rng), pos(rng), big(rng), rad(rng));
  EXPECT_EQ(Thin(*img, RECT{0, 0, size - 1, size - 1}), 1);
  return img;
}

std::unique_ptr<CRasterImage> ToBilevel(const CRasterImage& grey) {
  auto out = MakeImage(grey.width, grey.height, 1, 0);
  for (int y = 0; y < grey.height; ++y)
    for (int x = 0; x < grey.width; ++x) out->SetBit(x, y, grey.GetByte(x, y) != 0);
  return out;
}

// The pixels of a traced line: its segments are runs of equal unit steps.
std::vector<POINT> PathPixels(const Line& l) {
  std::vector<POINT> out;
  for (std::size_t i = 0; i < l.size(); ++i) {
    if (i == 0) {
      out.push_back(l[0]);
      continue;
    }
    const int dx = l[i].x - l[i - 1].x, dy = l[i].y - l[i - 1].y;
    const int n = std::max(std::abs(dx), std::abs(dy));
    EXPECT_TRUE(dx == 0 || dy == 0 || std::abs(dx) == std::abs(dy)) << "segment is not a pixel run";
    for (int k = 1; k <= n; ++k) out.push_back(POINT{l[i - 1].x + dx / n * k, l[i - 1].y + dy / n * k});
  }
  return out;
}

struct UnionFind {
  std::vector<int> p;
  explicit UnionFind(int n) : p(n) { std::iota(p.begin(), p.end(), 0); }
  int Find(int a) { return p[a] == a ? a : p[a] = Find(p[a]); }
  void Join(int a, int b) { p[Find(a)] = Find(b); }
};

TEST(SkeletonTracer, GeneratedDrawingsAreCoveredJoinedAndClosed) {
  for (unsigned seed = 1; seed <= 24; ++seed) {
    const int size = 220;
    auto skeleton = Drawing(seed, size);
    auto grey = MakeImage(size, size, 8, 0);
    std::memcpy(grey->pixels, skeleton->pixels, static_cast<std::size_t>(size) * size);
    auto bilevel = ToBilevel(*skeleton);
    const auto lines = Trace(*grey);
    EXPECT_EQ(Trace(*bilevel), lines) << "seed " << seed << ": the depths disagree";

    // Pixel -> skeleton component.
    std::vector<int> comp(static_cast<std::size_t>(size) * size, -1);
    int components = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        if (!skeleton->GetByte(x, y) || comp[y * size + x] >= 0) continue;
        std::vector<POINT> stack{{x, y}};
        comp[y * size + x] = components;
        while (!stack.empty()) {
          const POINT p = stack.back();
          stack.pop_back();
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
              const int nx = p.x + dx, ny = p.y + dy;
              if (nx < 0 || ny < 0 || nx >= size || ny >= size) continue;
              if (skeleton->GetByte(nx, ny) && comp[ny * size + nx] < 0) {
                comp[ny * size + nx] = components;
                stack.push_back({nx, ny});
              }
            }
        }
        ++components;
      }

    // Every line runs over skeleton pixels; lines sharing a pixel are joined.
    std::vector<int> covered(comp.size(), -1);
    UnionFind joined(static_cast<int>(lines.size()));
    std::vector<int> lineComp(lines.size(), -1);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      ASSERT_GE(lines[i].size(), 2u);
      for (const POINT& p : PathPixels(lines[i])) {
        const std::size_t at = static_cast<std::size_t>(p.y) * size + p.x;
        ASSERT_GE(comp[at], 0) << "seed " << seed << ": line leaves the skeleton at " << p.x << "," << p.y;
        lineComp[i] = comp[at];
        if (covered[at] >= 0) joined.Join(covered[at], static_cast<int>(i));
        covered[at] = static_cast<int>(i);
      }
    }
    auto lone = [&](std::size_t at) {
      const int x = static_cast<int>(at % size), y = static_cast<int>(at / size);
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if ((dx || dy) && skeleton->GetByte(x + dx, y + dy)) return false;
      return true;
    };
    // Every skeleton pixel is covered, and each component's lines form one
    // joined group: no branch is left a pixel short of its junction.
    std::map<int, std::set<int>> groups;
    for (std::size_t at = 0; at < comp.size(); ++at) {
      if (comp[at] < 0 || lone(at)) continue;  // a lone pixel is no line
      ASSERT_GE(covered[at], 0) << "seed " << seed << ": pixel " << at % size << "," << at / size << " not covered";
      groups[comp[at]].insert(joined.Find(covered[at]));
    }
    for (const auto& [c, g] : groups) EXPECT_EQ(g.size(), 1u) << "seed " << seed << ": component " << c;
    // A component that is a plain ring (no end, no junction) is one closed line.
    for (int c = 0; c < components; ++c) {
      bool ring = true;
      for (std::size_t at = 0; at < comp.size() && ring; ++at) {
        if (comp[at] != c) continue;
        const int x = static_cast<int>(at % size), y = static_cast<int>(at / size);
        unsigned m = 0;
        const int dx[8] = {1, 1, 0, -1, -1, -1, 0, 1}, dy[8] = {0, -1, -1, -1, 0, 1, 1, 1};
        for (int k = 0; k < 8; ++k) m |= (skeleton->GetByte(x + dx[k], y + dy[k]) ? 1u : 0u) << k;
        int crossing = 0;
        for (int k = 0; k < 8; ++k) crossing += !((m >> k) & 1) && ((m >> ((k + 1) & 7)) & 1);
        ring = crossing == 2;
      }
      if (!ring) continue;
      int count = 0;
      for (std::size_t i = 0; i < lines.size(); ++i)
        if (lineComp[i] == c) {
          ++count;
          EXPECT_TRUE(Closed(lines[i])) << "seed " << seed << ": ring not closed";
        }
      EXPECT_EQ(count, 1) << "seed " << seed;
    }
  }
}

}  // namespace
