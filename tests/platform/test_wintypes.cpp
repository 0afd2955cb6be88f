// The Windows rectangle and colour rules the pixel code and the stored layouts
// rely on: right and bottom exclusive, empty results all zeros.
#include <gtest/gtest.h>

#include <climits>

#include "platform/wintypes.h"

using namespace qzn;

namespace {

std::string Str(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

TEST(WinTypes, IsRectEmpty) {
  struct Case {
    RECT r;
    bool empty;
  } cases[] = {
      {{0, 0, 1, 1}, false},
      {{0, 0, 0, 5}, true},
      {{0, 0, 5, 0}, true},
      {{5, 0, 1, 5}, true},
      {{0, 5, 5, 1}, true},
      {{-3, -3, -2, -2}, false},
      {{}, true},
      {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsRectEmpty(c.r), c.empty) << Str(c.r);
}

TEST(WinTypes, IntersectAndUnion) {
  struct Case {
    RECT a, b;
    bool meets;
    RECT inter;
    RECT uni;
  } cases[] = {
      // overlapping
      {{0, 0, 10, 10}, {5, 5, 15, 15}, true, {5, 5, 10, 10}, {0, 0, 15, 15}},
      // touching edges share no pixel (right/bottom exclusive)
      {{0, 0, 10, 10}, {10, 0, 20, 10}, false, {}, {0, 0, 20, 10}},
      // one inside the other
      {{0, 0, 10, 10}, {2, 3, 4, 5}, true, {2, 3, 4, 5}, {0, 0, 10, 10}},
      // disjoint: union spans both
      {{0, 0, 2, 2}, {8, 9, 10, 11}, false, {}, {0, 0, 10, 11}},
      // an empty operand is ignored by the union even when it lies far away
      {{0, 0, 2, 2}, {100, 100, 100, 200}, false, {}, {0, 0, 2, 2}},
      {{50, 50, 40, 60}, {1, 2, 3, 4}, false, {}, {1, 2, 3, 4}},
      // two empty operands give all zeros
      {{5, 5, 5, 9}, {7, 7, 3, 3}, false, {}, {}},
  };
  for (const Case& c : cases) {
    RECT out{1, 2, 3, 4};
    EXPECT_EQ(IntersectRect(out, c.a, c.b), c.meets) << Str(c.a) << " " << Str(c.b);
    EXPECT_EQ(out, c.inter) << Str(out);
    RECT out2{1, 2, 3, 4};
    EXPECT_EQ(IntersectRect(out2, c.b, c.a), c.meets);
    EXPECT_EQ(out2, c.inter);
    RECT u{1, 2, 3, 4};
    EXPECT_EQ(UnionRect(u, c.a, c.b), !IsRectEmpty(c.uni)) << Str(c.a) << " " << Str(c.b);
    EXPECT_EQ(u, c.uni) << Str(u);
  }
}

TEST(WinTypes, PtInRectIsRightAndBottomExclusive) {
  const RECT r{2, 3, 5, 7};
  struct Case {
    POINT p;
    bool in;
  } cases[] = {
      {{2, 3}, true},  {{4, 6}, true},  {{5, 3}, false}, {{2, 7}, false},
      {{1, 3}, false}, {{2, 2}, false}, {{5, 7}, false}, {{3, 5}, true},
  };
  for (const Case& c : cases) EXPECT_EQ(PtInRect(r, c.p), c.in) << c.p.x << "," << c.p.y;
  EXPECT_FALSE(PtInRect(RECT{4, 4, 4, 9}, POINT{4, 4}));  // an empty rectangle holds nothing
}

TEST(WinTypes, NormalizeInflateOffset) {
  RECT r{10, 20, 2, 5};
  NormalizeRect(r);
  EXPECT_EQ(r, (RECT{2, 5, 10, 20}));
  NormalizeRect(r);
  EXPECT_EQ(r, (RECT{2, 5, 10, 20}));
  EXPECT_EQ(RectWidth(r), 8);
  EXPECT_EQ(RectHeight(r), 15);
  InflateRect(r, 1, -2);
  EXPECT_EQ(r, (RECT{1, 7, 11, 18}));
  OffsetRect(r, -1, 3);
  EXPECT_EQ(r, (RECT{0, 10, 10, 21}));
  SetRect(r, 1, 2, 3, 4);
  EXPECT_EQ(r, (RECT{1, 2, 3, 4}));
  SetRectEmpty(r);
  EXPECT_EQ(r, RECT{});
}

// Rectangles at the edges of the int range (bounds of far-out lines) are held
// there when grown or moved, and their sizes saturate, instead of overflowing.
TEST(WinTypes, InflateOffsetAndSizesHoldToTheIntRange) {
  RECT r{INT_MIN, INT_MIN + 1, INT_MAX - 1, INT_MAX};
  InflateRect(r, 3, 3);
  EXPECT_EQ(r, (RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX}));
  EXPECT_EQ(RectWidth(r), INT_MAX);
  EXPECT_EQ(RectHeight(RECT{0, INT_MAX, 0, INT_MIN}), INT_MIN);
  OffsetRect(r, -5, 5);
  EXPECT_EQ(r, (RECT{INT_MIN, INT_MIN + 5, INT_MAX - 5, INT_MAX}));
}

TEST(WinTypes, ColorRef) {
  static_assert(RGB(0x12, 0x34, 0x56) == 0x00563412u);
  struct Case {
    int r, g, b;
    COLORREF c;
  } cases[] = {
      {255, 0, 0, 0x0000FF},     {0, 255, 0, 0x00FF00},          {0, 0, 255, 0xFF0000},
      {192, 192, 192, 0xC0C0C0}, {256 + 1, -1, 0x1FF, 0xFFFF01},  // each channel keeps its low byte
  };
  for (const Case& c : cases) {
    const COLORREF v = RGB(c.r, c.g, c.b);
    EXPECT_EQ(v, c.c);
    EXPECT_EQ(GetRValue(v), c.r & 0xFF);
    EXPECT_EQ(GetGValue(v), c.g & 0xFF);
    EXPECT_EQ(GetBValue(v), c.b & 0xFF);
  }
  EXPECT_EQ(sizeof(BYTE), 1u);
  EXPECT_EQ(sizeof(WORD), 2u);
  EXPECT_EQ(sizeof(DWORD), 4u);
  EXPECT_EQ(sizeof(POINT), 8u);
  EXPECT_EQ(sizeof(RECT), 16u);
}

}  // namespace
