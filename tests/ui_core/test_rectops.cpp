// Zoom, scroll and overview arithmetic over ordinary and degenerate input.
#include <climits>

#include <gtest/gtest.h>

#include "ui/core/rectops.h"

using namespace qzn;

namespace {
bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
}  // namespace

TEST(RectOps, GrowRectKeepsInsideBounds) {
  struct Case {
    RECT rect;
    SIZE size;
    RECT bounds, expect;
  } cases[] = {
      {{100, 100, 200, 200}, {100, 100}, {0, 0, 999, 999}, {50, 50, 250, 250}},
      {{0, 0, 100, 100}, {100, 100}, {0, 0, 999, 999}, {0, 0, 200, 200}},        // moved right/down
      {{900, 900, 999, 999}, {99, 99}, {0, 0, 999, 999}, {801, 801, 999, 999}},  // odd size: one more right
      {{0, 0, 800, 800}, {800, 800}, {0, 0, 999, 999}, {0, 0, 999, 999}},        // wider than bounds
      {{5, 5, 5, 5}, {0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},                        // empty bounds
  };
  for (const Case& c : cases) EXPECT_TRUE(Same(GrowRect(c.rect, c.size, c.bounds), c.expect)) << c.rect.left;
}

TEST(RectOps, FitSizeToAspectHandlesEveryShape) {
  struct Case {
    SIZE size, aspect, expect;
  } cases[] = {
      {{800, 600}, {1000, 500}, {800, 400}},                                // width kept, height from it
      {{800, 600}, {500, 1000}, {300, 600}},                                // height kept
      {{800, 600}, {0, 0}, {800, 600}},                                     // empty extent: unchanged
      {{800, 600}, {1, 0}, {800, 600}},      {{0, 0}, {100, 100}, {0, 0}},  // no client area: unchanged
      {{1, 1}, {100000, 1}, {1, 1}},                                        // one-pixel client stays one pixel
      {{1920, 1080}, {1, 1}, {1080, 1080}},
  };
  for (const Case& c : cases) {
    const SIZE r = FitSizeToAspect(c.size, c.aspect);
    EXPECT_EQ(r.cx, c.expect.cx) << c.size.cx << "x" << c.size.cy << " to " << c.aspect.cx << ":" << c.aspect.cy;
    EXPECT_EQ(r.cy, c.expect.cy);
  }
}

TEST(RectOps, FitRectToAspectCutsOrKeeps) {
  EXPECT_TRUE(Same(FitRectToAspect({0, 0, 400, 100}, {200, 100}), {0, 0, 200, 100}));  // wider: width cut
  EXPECT_TRUE(Same(FitRectToAspect({0, 0, 400, 400}, {200, 100}), {0, 0, 400, 200}));  // higher: height cut
  EXPECT_TRUE(Same(FitRectToAspect({0, 0, 100, 400}, {200, 100}), {0, 0, 100, 50}));
  EXPECT_TRUE(Same(FitRectToAspect({0, 0, 101, 100}, {100, 100}), {0, 0, 101, 100}));  // within 0.05
  EXPECT_TRUE(Same(FitRectToAspect({0, 0, 400, 400}, {0, 100}), {}));
  EXPECT_TRUE(Same(FitRectToAspect({0, 0, 0, 400}, {100, 100}), {}));
  EXPECT_TRUE(Same(FitRectToAspect({10, 10, 5, 5}, {100, 100}), {}));  // inverted
}

TEST(RectOps, PlaceRectClampsAndLeavesOutsidersAlone) {
  const RECT bounds{0, 0, 999, 999};
  EXPECT_TRUE(Same(PlaceRect({0, 0, 100, 100}, {500, 500}, bounds, kAnchorCentre), {450, 450, 550, 550}));
  EXPECT_TRUE(Same(PlaceRect({0, 0, 100, 100}, {990, 5}, bounds, kAnchorCentre), {899, 0, 999, 100}));
  EXPECT_TRUE(Same(PlaceRect({0, 0, 100, 100}, {500, 500}, bounds, kAnchorBottomRight), {400, 400, 500, 500}));
  EXPECT_TRUE(Same(PlaceRect({0, 0, 100, 100}, {500, 500}, bounds, kAnchorTopLeft), {500, 500, 600, 600}));
  EXPECT_TRUE(Same(PlaceRect({-5, 0, 100, 100}, {500, 500}, bounds, kAnchorCentre), {-5, 0, 100, 100}));
}

TEST(RectOps, SetVisibleRectRefusesEmptyCandidates) {
  RECT out{1, 2, 3, 4};
  EXPECT_FALSE(SetVisibleRect({0, 0, 400, 300}, {10, 10, 10, 50}, out));
  EXPECT_FALSE(SetVisibleRect({0, 0, 400, 300}, {500, 500, 600, 600}, out));  // no common part
  EXPECT_FALSE(SetVisibleRect({0, 0, 0, 0}, {0, 0, 10, 10}, out));            // empty current
  EXPECT_TRUE(Same(out, {1, 2, 3, 4}));
  ASSERT_TRUE(SetVisibleRect({0, 0, 400, 300}, {100, 100, 140, 110}, out));
  EXPECT_EQ(RectWidth(out) * 3, RectHeight(out) * 4);  // the current aspect
  EXPECT_TRUE(RectInside(out, {0, 0, 400, 300}));
}

TEST(RectOps, GrowRectToAspectKeepsTheWholeRectangle) {
  struct Case {
    RECT rect;
    SIZE aspect;
    RECT expect;
  };
  const RECT bounds{0, 0, 1000, 500};
  for (const Case& c : {
           Case{{400, 200, 500, 300}, {2, 1}, {350, 200, 550, 300}},  // wider about the centre
           Case{{400, 200, 600, 250}, {2, 1}, {400, 175, 600, 275}},  // higher about the centre
           Case{{0, 400, 100, 500}, {2, 1}, {0, 400, 200, 500}},      // moved back inside
           Case{{0, 0, 800, 100}, {1, 1}, {0, 0, 800, 500}},          // the bounds' span, another aspect
           Case{{0, 0, 200, 100}, {2, 1}, {0, 0, 200, 100}},          // already of that aspect
           Case{{0, 0, 200, 100}, {0, 1}, {0, 0, 200, 100}},          // no aspect
       }) {
    const RECT got = GrowRectToAspect(c.rect, c.aspect, bounds);
    EXPECT_TRUE(Same(got, c.expect)) << got.left << "," << got.top << " " << got.right << "," << got.bottom;
    EXPECT_TRUE(RectInside(c.rect, got));
  }
  // Zooming into a band on a page of another shape than the view shown.
  RECT out;
  ASSERT_TRUE(SetVisibleRect({0, 0, 1000, 2000}, {100, 1500, 300, 1600}, SIZE{16, 9}, out));
  EXPECT_TRUE(RectInside({100, 1500, 300, 1600}, out));
  EXPECT_NEAR(double(RectWidth(out)) / RectHeight(out), 16.0 / 9.0, 0.02);
}

TEST(RectOps, ScrollUnitKeepsRangesBelowTheLimit) {
  EXPECT_EQ(ScrollUnitFor({0, 0, 100, 100}), 1);
  EXPECT_EQ(ScrollUnitFor({0, 0, 70000, 100}), 4);
  EXPECT_EQ(ScrollUnitFor({0, 0, 32766, 10}), 1);
  EXPECT_EQ(ScrollUnitFor({0, 0, 32767, 10}), 2);
  EXPECT_EQ(ScrollUnitFor({10, 10, 0, 0}), 1);  // inverted
  const int unit = ScrollUnitFor({INT_MIN, INT_MIN, INT_MAX, INT_MAX});
  EXPECT_LT((std::int64_t{INT_MAX} - INT_MIN) / unit, 32767);
}

TEST(RectOps, DisplayWidthAndOverviewOutline) {
  EXPECT_EQ(AlignDisplayWidth(301, true), 304);
  EXPECT_EQ(AlignDisplayWidth(304, true), 304);
  EXPECT_EQ(AlignDisplayWidth(301, false), 301);
  RECT r{7, 7, 7, 7};
  EXPECT_FALSE(OverviewRect({0, 0, 0, 100}, {0, 0, 0, 50}, 128, 128, r));  // one-pixel extent
  EXPECT_FALSE(OverviewRect({5, 5, 0, 0}, {0, 0, 1, 1}, 128, 128, r));     // inverted
  EXPECT_TRUE(Same(r, {7, 7, 7, 7}));
  ASSERT_TRUE(OverviewRect({0, 0, 999, 499}, {0, 0, 999, 499}, 128, 128, r));
  EXPECT_TRUE(Same(r, {0, 0, 128, 128}));  // the whole client
}
