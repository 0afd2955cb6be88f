// Operations that change one line, and the sorted selection.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "model/chain.h"
#include "tests/model/chain_test_util.h"
#include "model/chainlist.h"

using namespace qzn;

namespace {

std::unique_ptr<CChain> Line(const std::vector<CFPoint>& pts) { return MakeLine(pts); }

using V = CFPointArray;

TEST(ChainEdit, ReplaceInsertDelete) {
  auto c = Line({{0, 0}, {10, 0}});
  c->ReplaceNode(CFPoint(5.f, 5.f), 0);
  c->ReplaceNode(CFPoint(1.f, 1.f), 2);   // = count: appends
  c->ReplaceNode(CFPoint(2.f, 2.f), -1);  // appends
  EXPECT_EQ(c->Points(), (V{{5, 5}, {10, 0}, {1, 1}, {2, 2}}));
  CChain e;
  e.ReplaceNode(CFPoint(3.f, 3.f), 0);
  EXPECT_EQ(e.Points(), (V{{3, 3}}));

  auto l = Line({{0, 0}, {10, 0}, {20, 0}});
  EXPECT_EQ(l->InsertPoint(CFPoint(10.f, 0.f)), -1);
  EXPECT_EQ(l->GetCount(), 3);
  EXPECT_EQ(l->InsertPoint(CFPoint(25.f, 1.f)), 1);  // after the end, not back at the start
  EXPECT_EQ(l->Points(), (V{{0, 0}, {10, 0}, {20, 0}, {25, 1}}));
  EXPECT_TRUE((l->m_rcBounds == RECT{-1, -1, 26, 2}));
  CChain one;
  one.AddPoint(1, 1);
  EXPECT_EQ(one.InsertPoint(CFPoint(2.f, 2.f)), 1);
  EXPECT_EQ(one.Points(), (V{{1, 1}, {2, 2}}));

  EXPECT_EQ(l->DeleteVertex(4), 0);
  EXPECT_EQ(l->DeleteVertex(-1), 0);
  EXPECT_EQ(l->DeleteVertex(1), 1);
  EXPECT_EQ(l->Points(), (V{{0, 0}, {20, 0}, {25, 1}}));

  const RECT before = l->m_rcBounds;
  EXPECT_TRUE(l->DeleteNearestVertex(CFPoint(20.f, 3.f), 3) == RECT{});  // distance 3 is not below 3
  EXPECT_TRUE(l->DeleteNearestVertex(CFPoint(20.f, 2.f), 3) == before);
  EXPECT_EQ(l->Points(), (V{{0, 0}, {25, 1}}));
}

TEST(ChainEdit, DeleteVerticesInRectCompacts) {
  auto c = Line({{0, 0}, {5, 5}, {6.4f, 5.f}, {6.6f, 5.f}, {20, 20}});
  c->DeleteVerticesInRect(RECT{5, 5, 7, 6});  // 6.6 rounds to 7: outside
  EXPECT_EQ(c->Points(), (V{{0, 0}, {6.6f, 5.f}, {20, 20}}));
  EXPECT_TRUE((c->m_rcBounds == RECT{-1, -1, 21, 21}));
  c->DeleteVerticesInRect(RECT{-100, -100, 100, 100});
  EXPECT_EQ(c->GetCount(), 0);
}

TEST(ChainEdit, SplitKeepsTheSplitVertexInBoth) {
  struct Case {
    CFPoint p;
    int result;
    V first, second;
  } cases[] = {
      {{5.f, 1.f}, 1, {{0, 0}, {5, 1}}, {{5, 1}, {10, 0}, {20, 0}}},
      {{10.f, 0.f}, 1, {{0, 0}, {10, 0}}, {{10, 0}, {20, 0}}},
      {{-5.f, 0.f}, 0, {{0, 0}, {10, 0}, {20, 0}}, {}},
      {{25.f, 0.f}, 0, {{0, 0}, {10, 0}, {20, 0}}, {}},  // beyond the end
      {{0.f, 0.f}, 0, {{0, 0}, {10, 0}, {20, 0}}, {}},   // at an end vertex
  };
  for (const Case& c : cases) {
    auto line = Line({{0, 0}, {10, 0}, {20, 0}});
    line->m_fID = 42;
    CChain second;
    EXPECT_EQ(line->Split(c.p, &second), c.result);
    EXPECT_EQ(line->Points(), c.first);
    EXPECT_EQ(second.Points(), c.second);
    if (c.result) {
      EXPECT_EQ(second.m_fID, 42);
      EXPECT_TRUE((second.m_rcBounds == RECT{static_cast<int>(c.p.x + 0.5f) - 1, -1, 21, second.m_rcBounds.bottom}));
    }
  }
}

TEST(ChainEdit, CloseReverseOrientation) {
  auto c = Line({{0, 0}, {10, 0}, {10, 10}});
  c->Close();
  EXPECT_EQ(c->GetCount(), 4);
  c->Close();
  EXPECT_EQ(c->GetCount(), 4);
  auto one = Line({{1, 1}});
  one->Close();
  EXPECT_EQ(one->GetCount(), 1);
  c->SetOrientation(1);
  EXPECT_EQ(c->IsPositiveWinding(), 1);
  c->SetOrientation(0);
  EXPECT_EQ(c->IsPositiveWinding(), 0);
  EXPECT_EQ(c->Points(), (V{{0, 0}, {10, 10}, {10, 0}, {0, 0}}));
}

TEST(ChainEdit, EndPairingAndJoins) {
  auto a = Line({{0, 0}, {5, 0}});
  auto b = Line({{5, 0}, {9, 0}});
  EXPECT_EQ(a->FindEndPairing(b.get()), 3);
  auto sq = Line({{0, 0}, {10, 0}});
  auto eq = Line({{5, 5}, {5, -5}});  // all four end distances equal
  EXPECT_EQ(sq->FindEndPairing(eq.get()), 1);
  auto single = Line({{20, 0}});
  EXPECT_EQ(sq->FindEndPairing(single.get()), 3);  // codes 1 and 3 only
  EXPECT_EQ(single->FindEndPairing(sq.get()), 2);  // codes 1 and 2 only
  EXPECT_EQ(sq->FindEndPairing(std::make_unique<CChain>().get()), 0);

  struct Case {
    int code;
    V result;
  } cases[] = {
      {1, {{5, 0}, {0, 0}, {5, 0}, {9, 0}}},
      {2, {{5, 0}, {9, 0}, {0, 0}, {5, 0}}},
      {3, {{0, 0}, {5, 0}, {5, 0}, {9, 0}}},
      {4, {{0, 0}, {5, 0}, {9, 0}, {5, 0}}},
      {7, {{0, 0}, {5, 0}}},
  };
  for (const Case& c : cases) {
    auto x = Line({{0, 0}, {5, 0}});
    x->m_fID = 3;
    x->m_nPenStyle = 2;
    x->JoinChain(b.get(), c.code);
    EXPECT_EQ(x->Points(), c.result) << c.code;
    EXPECT_EQ(x->m_fID, 3);
    EXPECT_EQ(x->m_nPenStyle, 2);
  }
  auto j = Line({{0, 0}, {5, 0}});
  EXPECT_EQ(j->JoinNearEnds(b.get()), 1);
  EXPECT_EQ(j->GetCount(), 4);
  EXPECT_TRUE((j->m_rcBounds == RECT{-1, -1, 10, 1}));
}

// A contour broken into many pieces, joined back piece by piece at the end
// that grows (codes 3 and 4), and a line joined to itself: the vertices are
// those of the pieces laid end to end, the bounds those of all of them.
TEST(ChainEdit, RepeatedJoinsAtTheEndKeepEveryVertex) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> d(-500.f, 500.f);
  auto line = Line({{0, 0}, {1, 1}});
  V expected = line->Points();
  for (int i = 0; i < 3000; ++i) {
    V piece{{d(rng), d(rng)}, {d(rng), d(rng)}, {d(rng), d(rng)}};
    const int code = i % 2 ? 3 : 4;
    line->JoinChain(Line(piece).get(), code);
    if (code == 4) std::reverse(piece.begin(), piece.end());
    expected.insert(expected.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(line->Points(), expected);
  const RECT joined = line->m_rcBounds;
  line->CalcBounds();
  EXPECT_TRUE(joined == line->m_rcBounds);

  for (int code : {3, 4}) {
    auto self = Line({{0, 0}, {5, 0}, {5, 5}});
    self->JoinChain(self.get(), code);
    EXPECT_EQ(self->Points(), code == 3 ? (V{{0, 0}, {5, 0}, {5, 5}, {0, 0}, {5, 0}, {5, 5}})
                                        : (V{{0, 0}, {5, 0}, {5, 5}, {5, 5}, {5, 0}, {0, 0}}))
        << code;
  }
}

TEST(ChainEdit, CanJoinSmoothlyTakesTheFirstNearPairing) {
  auto a = Line({{0, 0}, {10, 0}});
  auto b = Line({{13, 0}, {20, 0}});  // ends 3 apart, same direction
  EXPECT_EQ(a->CanJoinSmoothly(b.get(), 9, 0.1f), 3);
  EXPECT_EQ(a->CanJoinSmoothly(b.get(), 8, 0.1f), 0);
  auto bent = Line({{13, 0}, {13, 10}});  // a right angle
  EXPECT_EQ(a->CanJoinSmoothly(bent.get(), 9, 0.1f), 0);
  EXPECT_EQ(a->CanJoinSmoothly(bent.get(), 9, 1.6f), 3);
  // Directions on either side of 0 radians still compare as close.
  auto up = Line({{0.f, 0.1f}, {10, 0}});
  auto down = Line({{10, 0}, {20.f, 0.1f}});
  EXPECT_EQ(up->CanJoinSmoothly(down.get(), 1, 0.05f), 3);
  EXPECT_EQ(Line({{0, 0}})->CanJoinSmoothly(b.get(), 1000, 7.f), 0);
}

TEST(ChainEdit, SnapToChain) {
  auto target = Line({{0, 0}, {10, 0}, {10, 10}});
  auto c = Line({{1, 1}, {5, 2}, {12, 5}, {30, 30}});
  EXPECT_EQ(c->SnapToChain(target.get(), 2), 1);
  // (1,1) to the vertex (0,0); (5,2) onto the horizontal segment; (12,5)
  // onto the vertical one; (30,30) stays.
  EXPECT_EQ(c->Points(), (V{{0, 0}, {5, 0}, {10, 5}, {30, 30}}));
  auto diag = Line({{0, 0}, {10, 10}});
  auto d = Line({{4, 6}});
  EXPECT_EQ(d->SnapToChain(diag.get(), 2), 1);
  EXPECT_NEAR(d->GetPoint(0).x, 5.f, 1e-5);
  EXPECT_NEAR(d->GetPoint(0).y, 5.f, 1e-5);
  auto far = Line({{100, 100}});
  EXPECT_EQ(far->SnapToChain(target.get(), 2), 0);
  // The other line's last vertex is never a vertex target.
  auto tail = Line({{11, 11}});
  tail->SnapToChain(target.get(), 1);
  EXPECT_EQ(tail->Points(), (V{{11, 11}}));
}

TEST(ChainEdit, ShapesAndTransforms) {
  CChain c;
  RECT rc{0, 0, 10, 10};
  c.MakeCircle(rc);
  ASSERT_EQ(c.GetCount(), 73);
  EXPECT_TRUE(c.GetPoint(0) == c.GetPoint(72));
  EXPECT_FLOAT_EQ(c.GetPoint(0).x, 11.0f);  // centre 5.5 + radius 5.5
  EXPECT_FLOAT_EQ(c.GetPoint(0).y, 5.5f);
  EXPECT_NEAR(c.GetPoint(18).y, 11.0f, 1e-5);
  RECT flat{3, 3, 3, 3};
  c.MakeCircle(flat);
  EXPECT_TRUE((flat == RECT{3, 3, 5, 5}));

  c.MakeRectangle(RECT{1, 2, 3, 4});
  EXPECT_EQ(c.Points(), (V{{1, 2}, {3, 2}, {3, 4}, {1, 4}, {1, 2}}));
  c.Translate(1, -1);
  EXPECT_EQ(c.GetPoint(0), CFPoint(2.f, 1.f));
  EXPECT_TRUE((c.m_rcBounds == RECT{1, 0, 5, 4}));
  c.Scale(2, 1, 2, 3);  // x = 2 (x - 2), y = 3 (y - 1)
  EXPECT_EQ(c.GetPoint(2), CFPoint(4.f, 6.f));
  const double ax[3] = {1, 0, 10}, ay[3] = {0, 2, 0};
  c.Transform(ax, ay, 3);
  EXPECT_EQ(c.GetPoint(2), CFPoint(14.f, 12.f));
  const double bx[4] = {0, 0, 1, 0}, by[4] = {1, 1, 0, 0};
  c.Transform(bx, by, 4);
  EXPECT_EQ(c.GetPoint(2), CFPoint(168.f, 26.f));
  c.Transform(bx, by, 5);
  EXPECT_EQ(c.GetPoint(2), CFPoint(168.f, 26.f));

  c.SetFromPtList({POINT{1, 2}, POINT{3, 4}}, 1);
  EXPECT_EQ(c.Points(), (V{{1, 2}, {3, 4}, {1, 2}}));
  EXPECT_TRUE((c.m_rcBounds == RECT{0, 1, 4, 5}));
}

// ---- clean-up against straightforward reference versions

V RefRemoveRedundant(V v) {
  std::size_t i = 1;
  while (v.size() >= 3 && i < v.size() - 1) {
    const CFPoint a = v[i - 1], p = v[i], b = v[i + 1];
    if (p == a || (a.y == p.y && p.y == b.y) || (a.x == p.x && p.x == b.x) ||
        (double(p.y) - a.y) * (double(b.x) - p.x) == (double(b.y) - p.y) * (double(p.x) - a.x))
      v.erase(v.begin() + i);
    else
      ++i;
  }
  if (v.size() >= 3 && v.back() == v[v.size() - 2]) v.erase(v.end() - 2);
  return v;
}

V RefSmooth(V v, float d) {
  const double d2 = double(d) * d;
  std::size_t s = 0, e = v.size() - 1;
  while (s < e) {
    if (v[s] == v[e]) {
      ++s;
      continue;
    }
    std::size_t k = 0;
    double best = d2;
    for (std::size_t i = s + 1; i < e; ++i) {
      const double di = SegmentDistanceSquared(v[i], v[s], v[e]);
      if (di > best) best = di, k = i;
    }
    if (!k) {
      v.erase(v.begin() + s + 1, v.begin() + e);
      ++s;
      e = v.size() - 1;
    } else if (k == s + 1) {
      ++s;
      e = v.size() - 1;
    } else {
      e = k;
    }
  }
  return v;
}

V RefBSpline(const V& pts, int step, int p) {
  const long count = long(pts.size());
  const long k = std::clamp<long>(step, 1, std::max<long>(1, count / 3));
  p = std::max(2, p);
  const long K = 4, M = count / k + 1;
  V cp;
  for (long i = 0; long(cp.size()) < M - 1; i += k) cp.push_back(pts[i]);
  cp.push_back(pts.back());
  std::vector<int> knot(M + K + 1, 0);
  for (long i = K; i < M; ++i) knot[i] = int(i - K + 1);
  for (long i = M; i < M + K; ++i) knot[i] = int(M - K + 2);
  V out;
  std::vector<std::vector<float>> N(K + 1, std::vector<float>(M + 1, 0.0f));
  for (long i = K - 1; i <= M; ++i) {
    float t = float(knot[i] + 0.0000001);
    const float dt = float((knot[i + 1] - (knot[i] + 0.0000001)) / p - 0.0000001);
    const long lo = std::max(0L, i - K + 1);
    for (int s = 0; s < p; ++s, t += dt) {
      if (s == 0 || dt > 0.0000001f) {
        for (auto& row : N) std::fill(row.begin(), row.end(), 0.0f);
        for (long j = lo; j < M; ++j) N[1][j] = (float(knot[j]) < t && t < float(knot[j + 1])) ? 1.0f : 0.0f;
        for (long r = 2; r <= K; ++r)
          for (long j = lo; j < M; ++j) {
            const int d1 = knot[j + r - 1] - knot[j], d2 = knot[j + r] - knot[j + 1];
            const float a = d1 ? (t - float(knot[j])) / float(d1) * N[r - 1][j] : 0.0f;
            const float b = d2 ? (float(knot[j + r]) - t) / float(d2) * N[r - 1][j + 1] : 0.0f;
            N[r][j] = a + b;
          }
      }
      if (i == K - 1 && s == 0) {
        out.push_back(cp[0]);
        continue;
      }
      float x = 0, y = 0, w = 0;
      for (long j = lo; j <= std::min(i + K - 1, M) - 1; ++j) {
        if (N[K][j] == 0.0f) continue;
        x += N[K][j] * cp[j].x;
        y += N[K][j] * cp[j].y;
        w += N[K][j];
      }
      if (w != 0.0f) out.emplace_back(x, y);
    }
  }
  out.push_back(cp[M - 1]);
  return out;
}

V RandomWalk(std::mt19937& rng, int n, bool grid) {
  std::uniform_int_distribution<int> step(-1, 1);
  std::normal_distribution<float> jitter(0.f, 1.5f);
  V v;
  float x = 100, y = 100;
  for (int i = 0; i < n; ++i) {
    if (grid) {
      x += static_cast<float>(step(rng));
      y += static_cast<float>(step(rng) == 0 ? 1 : step(rng));
    } else {
      x += jitter(rng) + 0.7f;
      y += jitter(rng);
    }
    v.emplace_back(x, y);
  }
  return v;
}

TEST(ChainClean, RemoveRedundantVertices) {
  auto a = Line({{0, 0}, {5, 0}, {10, 0}, {10, 5}});
  a->RemoveRedundantVertices();
  EXPECT_EQ(a->Points(), (V{{0, 0}, {10, 0}, {10, 5}}));
  auto b = Line({{0, 0}, {0, 0}, {3, 4}});
  b->RemoveRedundantVertices();
  EXPECT_EQ(b->Points(), (V{{0, 0}, {3, 4}}));
  auto back = Line({{0, 0}, {10, 10}, {5, 5}, {5, 9}});  // collinear back-tracking goes too
  back->RemoveRedundantVertices();
  EXPECT_EQ(back->Points(), (V{{0, 0}, {5, 5}, {5, 9}}));

  std::mt19937 rng(7);
  for (int trial = 0; trial < 200; ++trial) {
    V v = RandomWalk(rng, 3 + trial % 60, true);
    CChain c;
    for (const CFPoint& p : v) c.AddPoint(p.x, p.y);
    c.RemoveRedundantVertices();
    ASSERT_EQ(c.Points(), RefRemoveRedundant(v)) << trial;
  }
}

TEST(ChainClean, SmoothByDistance) {
  auto a = Line({{0, 0}, {5.f, 0.5f}, {10, 0}});
  a->Smooth(1.0f);
  EXPECT_EQ(a->Points(), (V{{0, 0}, {10, 0}}));
  auto b = Line({{0, 0}, {5.f, 0.5f}, {10, 0}});
  b->Smooth(0.4f);
  EXPECT_EQ(b->GetCount(), 3);
  auto z = Line({{0, 0}, {5, 0}, {10, 0}});
  z->Smooth(0.0f);  // tolerance 0: redundant vertices only
  EXPECT_EQ(z->Points(), (V{{0, 0}, {10, 0}}));

  std::mt19937 rng(11);
  for (int trial = 0; trial < 120; ++trial) {
    const bool grid = trial % 2 == 0;
    const int n = trial < 100 ? 3 + trial * 7 : 3000;
    V v = RandomWalk(rng, n, grid);
    if (trial % 5 == 0) v.push_back(v.front());  // closed
    const float tol = 0.5f + float(trial % 7);
    CChain c;
    for (const CFPoint& p : v) c.AddPoint(p.x, p.y);
    c.Smooth(tol);
    ASSERT_EQ(c.Points(), RefSmooth(v, tol)) << trial;
  }
}

TEST(ChainClean, BSplineSmoothing) {
  auto t = Line({{0, 0}, {10, 5}, {20, 0}});
  EXPECT_EQ(t->SmoothBSpline(0, 1), 1);
  EXPECT_TRUE(t->GetPoint(0) == CFPoint(0.f, 0.f));
  EXPECT_TRUE(t->GetPoint(t->GetCount() - 1) == CFPoint(20.f, 0.f));
  // Four control points (the last vertex twice) make one cubic over two
  // knot units: the middle sample is the curve at its half.
  ASSERT_EQ(t->GetCount(), 3);
  EXPECT_NEAR(t->GetPoint(1).x, 13.75f, 1e-3);
  EXPECT_NEAR(t->GetPoint(1).y, 1.875f, 1e-3);
  auto two = Line({{0, 0}, {1, 1}});
  EXPECT_EQ(two->SmoothBSpline(1, 4), 1);
  EXPECT_EQ(two->GetCount(), 2);

  std::mt19937 rng(3);
  for (int trial = 0; trial < 60; ++trial) {
    V v = RandomWalk(rng, 3 + trial * 5, trial % 3 == 0);
    const int step = trial % 6, per = trial % 9;
    CChain c;
    for (const CFPoint& p : v) c.AddPoint(p.x, p.y);
    ASSERT_EQ(c.SmoothBSpline(step, per), 1);
    ASSERT_EQ(c.Points(), RefBSpline(v, step, per)) << trial;
  }
}

// ---- selection

TEST(ChainSelection, SortedInsertionAndNumbering) {
  CChainList owner;
  owner.m_idColors.SetRangeColor(105, 115, RGB(255, 0, 0));
  CChain a, b, c, d;
  CChainSelection sel(&owner);
  sel.InsertSorted(nullptr);
  sel.InsertSorted(new CChainSelectionItem{&a, 50});
  sel.InsertSorted(new CChainSelectionItem{&b, 10});
  sel.InsertSorted(new CChainSelectionItem{&c, 50});  // equal keys keep arrival order
  sel.InsertSorted(new CChainSelectionItem{&d, 20});
  std::vector<CChain*> order;
  for (auto* item : sel) order.push_back(item->chain);
  EXPECT_EQ(order, (std::vector<CChain*>{&b, &d, &a, &c}));
  sel.AssignIDs(100, 10);
  EXPECT_EQ(b.m_fID, 100);
  EXPECT_EQ(d.m_fID, 110);
  EXPECT_EQ(a.m_fID, 120);
  EXPECT_EQ(c.m_fID, 130);
  EXPECT_EQ(b.m_color, RGB(0, 255, 0));
  EXPECT_EQ(d.m_color, RGB(255, 0, 0));
}

}  // namespace
