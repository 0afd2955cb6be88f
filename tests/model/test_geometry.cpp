#include "model/geometry.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

using namespace qzn;

namespace {

CFPoint P(float x, float y) { return CFPoint(x, y); }

TEST(Geometry, Cross2DSignAndCollinearity) {
  EXPECT_EQ(Cross2D(P(0, 0), P(1, 0), P(0, 1)), 1.0L);
  EXPECT_EQ(Cross2D(P(0, 0), P(0, 1), P(1, 0)), -1.0L);
  EXPECT_EQ(Cross2D(P(0, 0), P(1, 1), P(3, 3)), 0.0L);
  EXPECT_EQ(IsLeftTurn(P(0, 0), P(1, 0), P(0, 1)), 1);
  EXPECT_EQ(IsLeftTurn(P(0, 0), P(0, 1), P(1, 0)), 0);
  EXPECT_EQ(IsCollinear(P(0, 0), P(1, 1), P(3, 3)), 1);
  // Large image coordinates one unit off a line: the sign must survive.
  EXPECT_GT(Cross2D(P(0, 0), P(20000, 15000), P(19999, 15000)), 0.0L);
  EXPECT_EQ(IsCollinear(P(4, 3), P(20000, 15000), P(12000, 9000)), 1);
  EXPECT_EQ(ExactlyOne(0, 0) + ExactlyOne(1, 1) + ExactlyOne(2, 0) + ExactlyOne(0, 5), 2);
}

TEST(Geometry, SegmentTestsTable) {
  struct Case {
    CFPoint p, q, r, s;
    int intersect, proper;
  } cases[] = {
      {P(0, 0), P(2, 0), P(2, 0), P(3, 5), 1, 0},   // shared end point
      {P(0, 0), P(2, 2), P(0, 2), P(2, 0), 1, 1},   // X crossing
      {P(0, 0), P(4, 0), P(2, 0), P(2, 3), 1, 0},   // T: end on the other's interior
      {P(0, 0), P(4, 0), P(2, 0), P(6, 0), 1, 0},   // collinear overlap
      {P(0, 0), P(1, 0), P(2, 0), P(3, 0), 0, 0},   // collinear apart
      {P(0, 0), P(4, 0), P(0, 1), P(4, 1), 0, 0},   // parallel
      {P(0, 0), P(1, 1), P(3, 0), P(2, 1), 0, 0},   // lines cross outside both segments
      {P(0, 0), P(0, 4), P(-1, 2), P(1, 2), 1, 1},  // vertical crossed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.p.x << "," << c.p.y << "-" << c.q.x << "," << c.q.y << " / " << c.r.x << ","
                                    << c.r.y << "-" << c.s.x << "," << c.s.y);
    EXPECT_EQ(SegmentsIntersect(c.p, c.q, c.r, c.s), c.intersect);
    EXPECT_EQ(SegmentsIntersect(c.r, c.s, c.p, c.q), c.intersect);
    EXPECT_EQ(SegmentsCrossProperly(c.p, c.q, c.r, c.s), c.proper);
  }
}

TEST(Geometry, IsBetweenTable) {
  struct Case {
    CFPoint p, q, r;
    int expected;
  } cases[] = {
      {P(0, 0), P(0, 4), P(0, 4), 1},                                    // vertical, end included
      {P(0, 0), P(0, 4), P(0, 5), 0},                                    // vertical, beyond
      {P(0, 4), P(0, 0), P(0, 2), 1},                                    // reversed
      {P(0, 0), P(4, 2), P(2, 1), 1},                                    // sloped, inside
      {P(0, 0), P(4, 2), P(-2, -1), 0}, {P(0, 0), P(4, 0), P(2, 1), 0},  // not collinear
  };
  for (const Case& c : cases) EXPECT_EQ(IsBetween(c.p, c.q, c.r), c.expected) << c.r.x << "," << c.r.y;
}

TEST(Geometry, SegmentIntersectionGivesTheCrossingPoint) {
  CFPoint out;
  ASSERT_EQ(SegmentIntersection(P(0, 0), P(2, 2), P(0, 2), P(2, 0), out), 1);
  EXPECT_EQ(out, P(1, 1));  // the point itself, no half-pixel shift
  ASSERT_EQ(SegmentIntersection(P(0, 0), P(4, 0), P(1, -1), P(1, 3), out), 1);
  EXPECT_EQ(out, P(1, 0));
  ASSERT_EQ(SegmentIntersection(P(10, 20), P(30, 20), P(17.5f, 0), P(17.5f, 100), out), 1);
  EXPECT_EQ(out, P(17.5f, 20));

  out = P(-7, -7);
  EXPECT_EQ(SegmentIntersection(P(0, 0), P(4, 0), P(0, 1), P(4, 1), out), 0);
  EXPECT_EQ(out, P(-7, -7));  // untouched
}

TEST(Geometry, TurnDirectionTable) {
  const CLineEquation line(P(0, 0), P(9, 9));
  struct Case {
    CFPoint q1, q2;
    int expected;
  } cases[] = {
      {P(1, 0), P(2, 0), 1},    // collinear, q2 farther
      {P(2, 0), P(1, 0), 0},    // collinear, q2 nearer
      {P(1, 0), P(-1, 0), -1},  // opposite sides of p
      {P(1, 0), P(0, 1), 1},   {P(0, 1), P(1, 0), -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TurnDirection(line, c.q1, c.q2), c.expected) << c.q1.x << "," << c.q1.y << " " << c.q2.x << "," << c.q2.y;
}

TEST(Geometry, LineEquationCoefficients) {
  CLineEquation sloped(P(0, 1), P(4, 5));
  EXPECT_EQ(sloped.a, 0.0);  // nothing until Compute
  sloped.Compute();
  EXPECT_DOUBLE_EQ(sloped.a, 1.0);
  EXPECT_DOUBLE_EQ(sloped.b, -1.0);
  EXPECT_DOUBLE_EQ(sloped.c, 1.0);
  CLineEquation vertical(P(3, 0), P(3, 8));
  vertical.Compute();
  EXPECT_DOUBLE_EQ(vertical.a, 1.0);
  EXPECT_DOUBLE_EQ(vertical.b, 0.0);
  EXPECT_DOUBLE_EQ(vertical.c, -3.0);
}

TEST(Geometry, LineEquationIntersectTable) {
  // The other line is always fresh (its coefficients never computed by a
  // caller): Intersect must derive them itself.
  struct Case {
    CFPoint p1, p2, q1, q2;
    int hit;
    CFPoint expected;
  } cases[] = {
      {P(1, 0), P(1, 4), P(0, 1), P(4, 5), 1, P(1, 2)},  // this vertical
      {P(0, 1), P(4, 5), P(1, 0), P(1, 4), 1, P(1, 2)},  // other vertical
      {P(0, 2), P(6, 2), P(1, 0), P(4, 6), 1, P(2, 2)},  // this horizontal
      {P(1, 0), P(4, 6), P(0, 2), P(6, 2), 1, P(2, 2)},  // other horizontal
      {P(0, 0), P(4, 4), P(0, 4), P(4, 0), 1, P(2, 2)},  // general
      {P(0, 0), P(4, 0), P(2, 0), P(6, 0), 1, P(0, 0)},  // collinear overlap: first point
      {P(0, 0), P(1, 1), P(3, 0), P(2, 1), 0, P(0, 0)},  // no crossing
  };
  for (const Case& c : cases) {
    CLineEquation self(c.p1, c.p2);
    const CLineEquation other(c.q1, c.q2);
    CFPoint out(-9.0f, -9.0f);
    SCOPED_TRACE(testing::Message() << c.p1.x << "," << c.p1.y << "-" << c.p2.x << "," << c.p2.y);
    ASSERT_EQ(self.Intersect(other, out), c.hit);
    if (c.hit) {
      EXPECT_NEAR(out.x, c.expected.x, 1e-5);
      EXPECT_NEAR(out.y, c.expected.y, 1e-5);
    }
  }
}

// The two independent forms of segment intersection agree on random
// crossing segments.
TEST(Geometry, IntersectionFormsAgree) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> coord(0.0f, 1000.0f);
  int crossings = 0;
  for (int i = 0; i < 2000; ++i) {
    const CFPoint p(coord(rng), coord(rng)), q(coord(rng), coord(rng));
    const CFPoint r(coord(rng), coord(rng)), s(coord(rng), coord(rng));
    if (!SegmentsCrossProperly(p, q, r, s)) continue;
    ++crossings;
    CLineEquation a(p, q);
    const CLineEquation b(r, s);
    CFPoint viaLine, viaFree;
    ASSERT_EQ(a.Intersect(b, viaLine), 1);
    ASSERT_EQ(SegmentIntersection(p, q, r, s, viaFree), 1);
    // Nearly vertical lines make the slope form lose digits; allow for it.
    EXPECT_NEAR(viaLine.x, viaFree.x, 0.05);
    EXPECT_NEAR(viaLine.y, viaFree.y, 0.05);
  }
  EXPECT_GT(crossings, 200);
}

TEST(Geometry, Distances) {
  EXPECT_DOUBLE_EQ(PointDistance(P(1, 2), P(4, 6)), 5.0);
  EXPECT_DOUBLE_EQ(PointDistanceSquared(P(1, 2), P(4, 6)), 25.0);
  EXPECT_DOUBLE_EQ(PointDistanceSquared(P(20000, 15000), P(0, 0)), 625000000.0);
}

TEST(Geometry, FRectOuterRectAndUnion) {
  struct Case {
    CFRect r;
    RECT expected;
  } cases[] = {
      {CFRect(-0.5f, 0.5f, 2.7f, 3.0f), RECT{-1, -1, 3, 4}},
      {CFRect(-1.5f, -2.9f, -0.2f, 0.0f), RECT{-2, -3, 1, 1}},
      {CFRect(0, 0, 3e10f, 1e10f), RECT{-1, -1, 2147483647, 2147483647}},  // saturates, no overflow
  };
  for (const Case& c : cases) EXPECT_EQ(c.r.GetOuterRect(), c.expected) << c.r.left << "," << c.r.top;

  CFRect u;
  u.Union(CFRect(1, 5, 3, 6), CFRect(-2, 7, 2, 9));
  EXPECT_EQ(u, CFRect(-2, 5, 3, 9));
  u.Union(u, CFRect(0, 0, 10, 1));  // the result may be an operand
  EXPECT_EQ(u, CFRect(-2, 0, 10, 9));
}

TEST(Geometry, FPoint3) {
  const CFPoint3 zero, a(1.5f, 2.0f, -3.0f), b(1, 2, -3);
  EXPECT_TRUE(zero.x == 0 && zero.y == 0 && zero.z == 0);
  EXPECT_EQ(b.y, 2.0f);
  CFPoint3 c;
  c.CopyFrom(a);
  EXPECT_EQ(c.IsEqual(a), 1);
  EXPECT_EQ(c.IsNotEqual(a), 0);
  EXPECT_EQ(c.IsEqual(b), 0);
  EXPECT_EQ(c.IsNotEqual(b), 1);
  EXPECT_TRUE(a.IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_STREQ(a.GetRuntimeClass()->m_lpszClassName, "CFPoint3");
  EXPECT_EQ(a.GetRuntimeClass()->m_wSchema, 0xFFFF);  // never written to files
}

TEST(Geometry, IntPtListFindNear) {
  struct Case {
    std::vector<POINT> list;
    int x, y;
    int found;
    POINT expected;
  } cases[] = {
      {{{5, 5}, {6, 6}}, 5, 5, 1, {6, 6}},          // the point itself is skipped
      {{}, 5, 5, 0, {}},                            // empty
      {{{7, 5}, {5, 8}}, 5, 5, 0, {}},              // two away
      {{{9, 9}, {4, 5}, {5, 4}}, 5, 5, 1, {4, 5}},  // first in list order
  };
  for (const Case& c : cases) {
    CIntPtList list;
    for (const POINT& p : c.list) list.AddTail(p);
    POINT out{-1, -1};
    EXPECT_EQ(list.FindNear(c.x, c.y, out), c.found);
    if (c.found) {
      EXPECT_EQ(out, c.expected);
    }
  }
}

// The list used as a work queue (add at tail, remove head, remove a given
// point) behaves as a deque does, across its internal compaction.
TEST(Geometry, IntPtListQueueOperations) {
  CIntPtList list;
  std::deque<POINT> model;
  std::mt19937 rng(3);
  for (int i = 0; i < 5000; ++i) {
    const int op = static_cast<int>(rng() % 4);
    if (op <= 1 || model.empty()) {
      const POINT p{static_cast<int>(rng() % 50), i};
      list.AddTail(p);
      model.push_back(p);
    } else if (op == 2) {
      ASSERT_EQ(list.RemoveHead(), model.front());
      model.pop_front();
    } else {
      const POINT victim = model[rng() % model.size()];
      ASSERT_TRUE(list.Remove(victim));
      model.erase(std::find(model.begin(), model.end(), victim));
    }
    ASSERT_EQ(list.GetCount(), static_cast<std::int64_t>(model.size()));
  }
  ASSERT_TRUE(std::equal(list.begin(), list.end(), model.begin(), model.end()));
  EXPECT_FALSE(list.Remove(POINT{-1, -1}));
  while (!list.IsEmpty()) list.RemoveHead();
  EXPECT_EQ(list.GetCount(), 0);
}

}  // namespace
