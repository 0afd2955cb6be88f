// Vertex reduction (straight runs, corners, the keep rule near a segment's
// start, closed point lists, random polylines within the tolerance) and the
// line tracker's point list (midpoints, mean width, misuse messages).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "app/vertexreducer.h"
#include "model/chain.h"
#include "model/chainlist.h"
#include "platform/host.h"

using namespace qzn;

namespace {

std::vector<CFPoint> ReduceF(const std::vector<CFPoint>& in, double tol, std::int64_t* result = nullptr) {
  CChain c;
  for (const CFPoint& p : in) c.AddPoint(p.x, p.y);
  CVertexReducer r;
  const std::int64_t n = r.ReduceChain(c, tol);
  if (result) *result = n;
  return c.Points();
}

std::vector<POINT> ReduceP(const std::vector<POINT>& in, double tol, std::int64_t* result = nullptr) {
  CTracePointList list;
  list.SetPoints(std::vector<POINT>(in));
  CVertexReducer r;
  const std::int64_t n = r.ReducePoints(list, tol);
  if (result) *result = n;
  return list.Points();
}

TEST(Distances, PointAndLine) {
  EXPECT_FLOAT_EQ(PointDistance(POINT{1, 2}, POINT{4, 6}), 5.0f);
  EXPECT_FLOAT_EQ(PointDistance(POINT{3, 3}, POINT{3, 3}), 0.0f);
  EXPECT_FLOAT_EQ(PointDistanceF(CFPoint(0.5f, 0.0f), CFPoint(0.5f, -2.0f)), 2.0f);
  EXPECT_FLOAT_EQ(PointLineDistance(POINT{5, 3}, POINT{0, 0}, POINT{10, 0}), 3.0f);
  EXPECT_FLOAT_EQ(PointLineDistance(POINT{20, -3}, POINT{0, 0}, POINT{10, 0}), 3.0f);  // the line, not the segment
  EXPECT_FLOAT_EQ(PointLineDistance(POINT{3, 4}, POINT{0, 0}, POINT{0, 0}), 5.0f);
  EXPECT_NEAR(PointLineDistanceF(CFPoint(1.0f, 0.0f), CFPoint(0.0f, 0.0f), CFPoint(1.0f, 1.0f)), std::sqrt(0.5), 1e-6);
}

TEST(VertexReducer, TableOfShapes) {
  struct Case {
    const char* name;
    std::vector<CFPoint> in;
    double tol;
    std::vector<CFPoint> out;
    std::int64_t result;
  };
  const Case cases[] = {
      {"collinear run", {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {7, 0}}, 0.6, {{0, 0}, {7, 0}}, 2},
      {"L keeps its corner",
       {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2}, {3, 3}},
       0.6,
       {{0, 0}, {3, 0}, {3, 3}},
       3},
      // The farthest vertex deviates 1 > tolerance but lies within 1.5 x
      // tolerance of the start: the chord is kept.
      {"zigzag near the start", {{0.0f, 0.0f}, {0.5f, 1.0f}, {1.0f, 0.0f}, {10.0f, 0.0f}}, 0.8, {{0, 0}, {10, 0}}, 2},
      {"two vertices", {{0, 0}, {5, 5}}, 0.6, {{0, 0}, {5, 5}}, 0},
      {"one vertex", {{1, 1}}, 0.6, {{1, 1}}, 0},
      {"tolerance zero keeps every bend", {{0, 0}, {1, 1}, {2, 1}, {3, 1}}, 0.0, {{0, 0}, {1, 1}, {3, 1}}, 3},
      // Tolerances below zero (a script's "LineSmooth -1e7") split down to
      // single segments and keep every vertex.
      {"negative tolerance", {{0, 0}, {1, 0}, {2, 0}, {3, 1}}, -1.0, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}, 4},
      {"tolerance far below zero", {{0, 0}, {1, 0}, {2, 0}, {3, 1}}, -1e7, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}, 4},
  };
  for (const Case& c : cases) {
    std::int64_t result = -1;
    EXPECT_EQ(ReduceF(c.in, c.tol, &result), c.out) << c.name;
    EXPECT_EQ(result, c.result) << c.name;
    std::vector<POINT> ip;
    bool integral = true;
    for (const CFPoint& p : c.in) {
      integral = integral && p.x == std::floor(p.x) && p.y == std::floor(p.y);
      ip.push_back(POINT{static_cast<int>(p.x), static_cast<int>(p.y)});
    }
    if (!integral) continue;
    std::vector<POINT> expected;
    for (const CFPoint& p : c.out) expected.push_back(POINT{static_cast<int>(p.x), static_cast<int>(p.y)});
    EXPECT_EQ(ReduceP(ip, c.tol, &result), expected) << c.name << " (points)";
    EXPECT_EQ(result, c.result) << c.name << " (points)";
  }
}

TEST(VertexReducer, RandomPolylinesStayWithinTolerance) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> step(-1.5, 1.5);
  for (int run = 0; run < 200; ++run) {
    std::vector<CFPoint> in{{50.0f, 50.0f}};
    const int n = 3 + static_cast<int>(rng() % 300);
    for (int i = 1; i < n; ++i) in.push_back(CFPoint(in.back().x + step(rng) + 0.4, in.back().y + step(rng)));
    const double tol = 0.3 + (rng() % 10) * 0.2;
    const auto out = ReduceF(in, tol);
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out.front(), in.front());
    EXPECT_EQ(out.back(), in.back());
    // Kept vertices are input vertices in order; every input vertex lies
    // within 1.5 x tolerance of its segment's line (the keep rule's bound).
    std::size_t j = 0;
    for (std::size_t k = 0; k < out.size(); ++k) {
      while (j < in.size() && !(in[j] == out[k])) ++j;
      ASSERT_LT(j, in.size()) << "vertex not from the input, in order";
      if (k + 1 == out.size()) break;
      std::size_t e = j + 1;
      while (!(in[e] == out[k + 1])) ++e;
      for (std::size_t i = j + 1; i < e; ++i)
        EXPECT_LE(PointLineDistanceF(in[i], out[k], out[k + 1]), 1.5 * tol + 1e-4) << "run " << run;
    }
  }
}

// The rule one vertex at a time, as written down: the farthest vertex by
// the float distance, the last of (nearly) equal ones.
std::vector<CFPoint> PlainRule(const std::vector<CFPoint>& p, double tol) {
  std::vector<CFPoint> out{p[0]};
  std::vector<std::size_t> stack{p.size() - 1};
  std::size_t s = 0;
  while (!stack.empty()) {
    const std::size_t e = stack.back();
    double dmax = -1000000.0;
    std::size_t f = e;
    for (std::size_t i = s + 1; i < e; ++i) {
      const double d = PointLineDistanceF(p[i], p[s], p[e]);
      if (d >= dmax - 0.0001) f = i;
      if (d >= dmax) dmax = d;
    }
    const double l = f < e ? PointDistanceF(p[s], p[f]) : 0.0;
    if (f == e || dmax <= tol || l <= 1.5 * tol) {
      out.push_back(p[e]);
      stack.pop_back();
      s = e;
    } else {
      stack.push_back(f);
    }
  }
  return out;
}

TEST(VertexReducer, KeepsTheVerticesOfThePlainRule) {
  // Pixel outlines (whole numbers: many vertices at equal distances), closed
  // rings (a first segment of no length), wild floats, near ties, values of
  // no measure, short lines and long ones.
  std::mt19937 rng(47);
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  for (int run = 0; run < 3000; ++run) {
    std::vector<CFPoint> in{{100.0f, 100.0f}};
    // Some lines longer than the blocks the search measures at a time, so
    // that the farthest vertex lies in an earlier block than the last.
    const int n = run % 8 == 7 ? 600 + static_cast<int>(rng() % 2000) : 3 + static_cast<int>(rng() % 400);
    const int kind = run % 5;
    for (int i = 1; i < n; ++i) {
      const CFPoint& q = in.back();
      const int dx = static_cast<int>(rng() % 3) - 1, dy = static_cast<int>(rng() % 3) - 1;
      switch (kind) {
        case 0:
        case 1: in.push_back(CFPoint(q.x + dx, q.y + dy)); break;
        case 2: in.push_back(CFPoint(q.x + dx * 0.37f + 0.1f, q.y + dy * 1e-4f)); break;
        case 3: in.push_back(CFPoint(std::ldexp(static_cast<float>(rng() % 1000), static_cast<int>(rng() % 80) - 40),
                                     static_cast<float>(rng() % 7))); break;
        default: in.push_back(CFPoint(q.x + dx, q.y + 2 * dy)); break;
      }
    }
    if (kind == 1 || kind == 4) in.push_back(in.front());  // a ring
    if (kind == 3 && run % 15 == 3) in[in.size() / 2].x = run % 2 ? nan : inf;
    const double tol = (run % 7) * 0.3 - 0.3;
    const auto want = PlainRule(in, tol);
    const auto got = ReduceF(in, tol);
    ASSERT_EQ(got.size(), want.size()) << "run " << run;
    for (std::size_t i = 0; i < got.size(); ++i) {
      ASSERT_EQ(std::memcmp(&got[i], &want[i], sizeof got[i]), 0) << "run " << run << " vertex " << i;
    }
  }
}

TEST(VertexReducer, ClosedPointListLosesItsSeam) {
  // A square ring starting in the middle of an edge: one pass must keep the
  // start; the second pass, started elsewhere, drops it.
  std::vector<POINT> ring;
  for (int x = 5; x <= 10; ++x) ring.push_back({x, 0});
  for (int y = 1; y <= 10; ++y) ring.push_back({10, y});
  for (int x = 9; x >= 0; --x) ring.push_back({x, 10});
  for (int y = 9; y >= 0; --y) ring.push_back({0, y});
  for (int x = 1; x <= 5; ++x) ring.push_back({x, 0});
  std::int64_t result = 0;
  const auto out = ReduceP(ring, 0.6, &result);
  EXPECT_EQ(result, static_cast<std::int64_t>(out.size()));
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out.front(), out.back());
  std::vector<POINT> corners(out.begin(), out.end() - 1);
  for (const POINT& c : {POINT{0, 0}, POINT{10, 0}, POINT{10, 10}, POINT{0, 10}})
    EXPECT_NE(std::find(corners.begin(), corners.end(), c), corners.end());
  // The same ring as a chain gets one pass: the seam stays.
  std::vector<CFPoint> f;
  for (const POINT& p : ring) f.push_back(CFPoint(p.x, p.y));
  EXPECT_EQ(ReduceF(f, 0.6).size(), 6u);
}

TEST(VertexReducer, ChainListReducesEveryLineWithProgress) {
  CScriptedHost host;
  CHostScope scope(&host);
  CChainList list;
  for (int i = 0; i < 3; ++i) {
    CChain* c = list.NewChain();
    for (int x = 0; x <= 10; ++x) c->AddPoint(static_cast<float>(x), static_cast<float>(i));
  }
  CVertexReducer r;
  EXPECT_EQ(r.ReduceChainList(list, 0.5), 1);
  for (POSITION pos = list.GetHeadPosition(); pos;) EXPECT_EQ(list.GetNext(pos)->GetCount(), 2);
  EXPECT_EQ(host.progressHigh, 3);
  EXPECT_EQ(host.progressPositions.size(), 3u);
}

TEST(TracePointList, MidpointsAndMeanWidth) {
  CScriptedHost host;
  CHostScope scope(&host);
  CTracePointList list;
  list.Start(10, 4, 13, 8);  // midpoint (10 - (-3) / 2, 4 - (-4) / 2) = (11, 6); width 5 + 1
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetPoint(0), (POINT{11, 6}));
  EXPECT_FLOAT_EQ(list.GetMeanWidth(), 6.0f);
  list.AppendMidpoint(0, 0, 0, 2);  // width 3; mean (6 + 3) / 2
  EXPECT_EQ(list.GetPoint(1), (POINT{0, 1}));
  EXPECT_FLOAT_EQ(list.GetMeanWidth(), 4.5f);
  list.AppendPoint(7, 7);
  EXPECT_FLOAT_EQ(list.GetMeanWidth(), 4.5f);
  list.Reverse();
  EXPECT_EQ(list.GetPoint(0), (POINT{7, 7}));
  EXPECT_EQ(list.GetPoint(2), (POINT{11, 6}));
  list.RemoveTail(2);
  EXPECT_EQ(list.GetCount(), 1);
  EXPECT_TRUE(host.messages.empty());
}

TEST(TracePointList, MisuseIsReportedAndChangesNothing) {
  CScriptedHost host;
  CHostScope scope(&host);
  CTracePointList list;
  list.AppendPoint(1, 1);
  list.AppendMidpoint(1, 1, 3, 3);
  EXPECT_EQ(list.GetCount(), 0);
  list.Start(0, 0, 2, 0);
  list.Start(5, 5, 5, 5);
  EXPECT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetPoint(1), (POINT{0, 0}));
  EXPECT_EQ(list.GetPoint(-1), (POINT{0, 0}));
  list.RemoveTail(2);
  EXPECT_EQ(list.GetCount(), 1);
  std::vector<std::string> texts;
  for (const auto& m : host.messages) texts.push_back(m.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"第一点不存在", "第一点不存在", "第一点已存在", "处理错误", "处理错误",
                                             "删除点错误"}));
  list.RemoveAll();
  EXPECT_TRUE(list.IsEmpty());
}

}  // namespace
