// The canvases: what the recording canvas keeps, and the pixels the software
// rasteriser draws (pinned as small pictures, '#' the ink, '.' untouched, 'o'
// any other colour).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <random>
#include <set>
#include <utility>

#include "platform/canvas.h"

using namespace qzn;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(200, 10, 20);
constexpr COLORREF kOther = RGB(0, 90, 0);

std::string Art(const CRasterCanvas& c, COLORREF ink = kInk) {
  std::string s;
  for (int y = 0; y < c.Height(); ++y) {
    for (int x = 0; x < c.Width(); ++x) {
      const COLORREF p = c.GetPixel(x, y);
      s += p == ink ? '#' : p == kWhite ? '.' : 'o';
    }
    s += '\n';
  }
  return s;
}

std::string Lines(std::initializer_list<const char*> rows) {
  std::string s;
  for (const char* r : rows) (s += r) += '\n';
  return s;
}

using PixelSet = std::set<std::pair<int, int>>;
PixelSet Inked(const CRasterCanvas& c, COLORREF ink = kInk) {
  PixelSet s;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (c.GetPixel(x, y) == ink) s.insert({x, y});
  return s;
}

CPen Pen(int style = PS_SOLID, int width = 1, COLORREF color = kInk) { return CPen{style, width, color}; }
CBrush Solid(COLORREF color = kInk) { return CBrush{BS_SOLID, HS_HORIZONTAL, color}; }

TEST(RecordingCanvas, KeepsEveryCallAsText) {
  CRecordingCanvas c;
  const CPen old = c.SelectPen(CPen{PS_DASH, 2, RGB(255, 0, 0)});
  EXPECT_EQ(old.style, PS_SOLID);
  c.SelectBrush(CBrush{BS_HATCHED, HS_CROSS, RGB(0, 0xAB, 0)});
  c.SelectFont(CFont{12, 900, 400, "Arial"});
  c.SetTextColor(RGB(1, 2, 3));
  EXPECT_EQ(c.SetBkColor(RGB(0x10, 0x20, 0xFE)), RGB(255, 255, 255));
  EXPECT_EQ(c.SetBkMode(TRANSPARENT), OPAQUE);
  c.MoveTo(1, 2);
  c.LineTo(3, -4);
  c.Polyline(std::vector<POINT>{{1, 2}, {3, 4}});
  c.Polygon(std::vector<POINT>{{0, 0}, {5, 0}, {5, 5}});
  c.Rectangle(1, 2, 3, 4);
  c.Ellipse(-1, -2, 3, 4);
  c.SetPixel(7, 8, RGB(0xFF, 0xEE, 0x0D));
  c.TextOut(5, 6, "高程 12");
  EXPECT_EQ(c.calls, (std::vector<std::string>{
                         "pen 1 2 #ff0000",
                         "brush 2 4 #00ab00",
                         "font 12 900 Arial",
                         "textcolor #010203",
                         "bkcolor #1020fe",
                         "bkmode 1",
                         "move 1 2",
                         "line 3 -4",
                         "polyline 1 2 3 4",
                         "polygon 0 0 5 0 5 5",
                         "rect 1 2 3 4",
                         "ellipse -1 -2 3 4",
                         "pixel 7 8 #ffee0d",
                         "text 5 6 高程 12",
                     }));
  EXPECT_EQ(c.current, (POINT{3, -4}));
  EXPECT_EQ(c.pen.width, 2);
  EXPECT_EQ(c.bkMode, TRANSPARENT);
  // 5 code points at 0.6 x 12 each.
  const SIZE e = c.GetTextExtent("高程 12");
  EXPECT_EQ(e.cx, 36);
  EXPECT_EQ(e.cy, 12);
}

TEST(RasterCanvas, OnePixelLinesLeaveOutTheirEnd) {
  CRasterCanvas c(10, 6);
  c.SelectPen(Pen());
  c.MoveTo(1, 1);
  c.LineTo(7, 1);  // horizontal: 1..6
  c.MoveTo(1, 2);
  c.LineTo(4, 5);  // diagonal: (1,2) (2,3) (3,4), not (4,5)
  c.MoveTo(9, 5);
  c.LineTo(9, 2);  // vertical upwards: 5, 4, 3
  c.MoveTo(6, 4);
  c.LineTo(6, 4);  // zero length: nothing
  EXPECT_EQ(Art(c), Lines({
                        "..........",
                        ".######...",
                        ".#........",
                        "..#......#",
                        "...#.....#",
                        ".........#",
                    }));
}

TEST(RasterCanvas, OnePixelLinesFollowTheIdealLineInEveryOctant) {
  const POINT ends[] = {{10, 3},  {3, 10},  {-3, 10}, {-10, 3}, {-10, -3}, {-3, -10},
                        {3, -10}, {10, -3}, {7, 7},   {-7, 7},  {9, 0},    {0, -9}};
  for (POINT d : ends) {
    CRasterCanvas c(30, 30);
    c.SelectPen(Pen());
    const int x0 = 15, y0 = 15;
    c.MoveTo(x0, y0);
    c.LineTo(x0 + d.x, y0 + d.y);
    const PixelSet px = Inked(c);
    const int n = std::max(std::abs(d.x), std::abs(d.y));
    ASSERT_EQ(px.size(), static_cast<std::size_t>(n)) << d.x << "," << d.y;
    EXPECT_TRUE(px.count({x0, y0}));
    EXPECT_FALSE(px.count({x0 + d.x, y0 + d.y}));
    for (auto [x, y] : px) {
      // One pixel per step along the major axis, within half a pixel of the line.
      const double t = std::abs(d.x) >= std::abs(d.y) ? double(x - x0) / d.x : double(y - y0) / d.y;
      EXPECT_GE(t, 0);
      EXPECT_LT(t, 1);
      EXPECT_LE(std::abs(x0 + t * d.x - x), 0.5 + 1e-9);
      EXPECT_LE(std::abs(y0 + t * d.y - y), 0.5 + 1e-9);
    }
  }
}

TEST(RasterCanvas, DashPatternsAndTheirPhase) {
  // The cosmetic patterns: dash 18 on 6 off, dot 3/3, dash-dot 9/6/3/6,
  // dash-dot-dot 9/3/3/3/3/3.
  struct Case {
    int style;
    const char* row;
  } cases[] = {
      {PS_DASH, "##################......##################......##"},
      {PS_DOT, "###...###...###...###...###...###...###...###...##"},
      {PS_DASHDOT, "#########......###......#########......###......##"},
      {PS_DASHDOTDOT, "#########...###...###...#########...###...###...##"},
  };
  for (const Case& k : cases) {
    CRasterCanvas c(50, 1);
    c.SelectPen(Pen(k.style));
    c.SetBkMode(TRANSPARENT);
    c.MoveTo(0, 0);
    c.LineTo(60, 0);
    EXPECT_EQ(Art(c), std::string(k.row) + "\n") << k.style;
  }
  // Opaque mode paints the gaps in the background colour.
  CRasterCanvas c(30, 1);
  c.SelectPen(Pen(PS_DASH));
  c.SetBkColor(kOther);
  c.MoveTo(0, 0);
  c.LineTo(30, 0);
  EXPECT_EQ(Art(c), "##################oooooo######\n");
}

TEST(RasterCanvas, DashPhaseRunsAlongPolylinesAndRestartsOnMove) {
  auto draw = [](auto&& fn) {
    CRasterCanvas c(40, 1);
    c.SelectPen(Pen(PS_DASHDOT));
    c.SetBkMode(TRANSPARENT);
    fn(c);
    return Art(c);
  };
  const std::string straight = draw([](CRasterCanvas& c) {
    c.MoveTo(0, 0);
    c.LineTo(40, 0);
  });
  EXPECT_EQ(straight, draw([](CRasterCanvas& c) {
              c.MoveTo(0, 0);
              for (int x = 5; x <= 40; x += 5) c.LineTo(x, 0);
            }));
  EXPECT_EQ(straight, draw([](CRasterCanvas& c) { c.Polyline(std::vector<POINT>{{0, 0}, {7, 0}, {11, 0}, {40, 0}}); }));
  // A move starts the pattern over.
  EXPECT_EQ(draw([](CRasterCanvas& c) {
              c.MoveTo(0, 0);
              c.LineTo(20, 0);
              c.MoveTo(20, 0);
              c.LineTo(40, 0);
            }),
            "#########......###..#########......###..\n");
  // A line that starts outside the bitmap keeps the phase of its hidden part.
  EXPECT_EQ(draw([](CRasterCanvas& c) {
              c.MoveTo(-20, 0);
              c.LineTo(40, 0);
            }),
            "....#########......###......#########...\n");
}

TEST(RasterCanvas, FilledSquarePolygon) {
  CRasterCanvas c(8, 8);
  c.SelectPen(Pen(PS_NULL));
  c.SelectBrush(Solid());
  c.Polygon(std::vector<POINT>{{1, 2}, {6, 2}, {6, 6}, {1, 6}});
  // The fill covers the pixels whose centres are inside: right and bottom out.
  EXPECT_EQ(Art(c),
            Lines({"........", "........", ".#####..", ".#####..", ".#####..", ".#####..", "........", "........"}));
  // With a pen the outline runs through every vertex.
  CRasterCanvas d(8, 8);
  d.SelectPen(Pen(PS_SOLID, 1, kOther));
  d.SelectBrush(Solid());
  d.Polygon(std::vector<POINT>{{1, 2}, {6, 2}, {6, 6}, {1, 6}});
  EXPECT_EQ(Art(d),
            Lines({"........", "........", ".oooooo.", ".o####o.", ".o####o.", ".o####o.", ".oooooo.", "........"}));
}

TEST(RasterCanvas, PolygonsFillAlternately) {
  // A five-pointed star drawn in one stroke: its centre is crossed twice and
  // stays empty; the points are filled.
  CRasterCanvas c(21, 21);
  c.SelectPen(Pen(PS_NULL));
  c.SelectBrush(Solid());
  c.Polygon(std::vector<POINT>{{10, 0}, {16, 20}, {0, 7}, {21, 7}, {4, 20}});
  EXPECT_EQ(c.GetPixel(10, 11), kWhite);
  EXPECT_EQ(c.GetPixel(10, 3), kInk);
  EXPECT_EQ(c.GetPixel(2, 8), kInk);
  EXPECT_EQ(c.GetPixel(18, 8), kInk);
  // A square with a square hole, as one ring with a seam.
  CRasterCanvas d(10, 10);
  d.SelectPen(Pen(PS_NULL));
  d.SelectBrush(Solid());
  d.Polygon(std::vector<POINT>{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}, {3, 3}, {3, 7}, {7, 7}, {7, 3}, {3, 3}});
  EXPECT_EQ(Inked(d).size(), 100u - 16u);
  EXPECT_EQ(d.GetPixel(5, 5), kWhite);
}

TEST(RasterCanvas, HatchesAreAlignedToTheOrigin) {
  struct Case {
    int hatch;
    const char* rows[8];
  } cases[] = {
      {HS_HORIZONTAL,
       {"..........", "..........", "..........", "##########", "..........", "..........", "..........",
        ".........."}},
      {HS_CROSS,
       {"...#......", "...#......", "...#......", "##########", "...#......", "...#......", "...#......",
        "...#......"}},
      {HS_FDIAGONAL,
       {"#.......#.", ".#.......#", "..#.......", "...#......", "....#.....", ".....#....", "......#...",
        ".......#.."}},
      {HS_DIAGCROSS,
       {"#......##.", ".#....#..#", "..#..#....", "...##.....", "...##.....", "..#..#....", ".#....#..#",
        "#......##."}},
  };
  for (const Case& k : cases) {
    CRasterCanvas c(10, 8);
    c.SelectPen(Pen(PS_NULL));
    c.SelectBrush(CBrush{BS_HATCHED, k.hatch, kInk});
    c.SetBkMode(TRANSPARENT);
    c.Rectangle(-5, -5, 20, 20);
    std::string expected;
    for (const char* r : k.rows) (expected += r) += '\n';
    EXPECT_EQ(Art(c), expected) << k.hatch;
  }
  // The pattern belongs to the bitmap, not to the shape; opaque mode fills
  // the gaps with the background colour.
  CRasterCanvas c(10, 8);
  c.SelectPen(Pen(PS_NULL));
  c.SelectBrush(CBrush{BS_HATCHED, HS_BDIAGONAL, kInk});
  c.SetBkColor(kOther);
  c.Polygon(std::vector<POINT>{{2, 1}, {9, 1}, {9, 7}, {2, 7}});
  EXPECT_EQ(Art(c), Lines({"..........", "..oooo#oo.", "..ooo#ooo.", "..oo#oooo.", "..o#ooooo.", "..#oooooo.",
                           "..ooooooo.", ".........."}));
}

TEST(RasterCanvas, RectangleIsRightAndBottomExclusive) {
  CRasterCanvas c(8, 6);
  c.SelectPen(Pen(PS_SOLID, 1, kOther));
  c.SelectBrush(Solid());
  c.Rectangle(6, 5, 1, 1);  // given in any corner order
  EXPECT_EQ(Art(c), Lines({"........", ".ooooo..", ".o###o..", ".o###o..", ".ooooo..", "........"}));
  CRasterCanvas d(8, 6);
  d.SelectPen(Pen());  // no brush: outline only
  d.Rectangle(1, 1, 3, 5);
  EXPECT_EQ(Art(d), Lines({"........", ".##.....", ".##.....", ".##.....", ".##.....", "........"}));
}

TEST(RasterCanvas, EllipseIsSymmetricAndFitsItsBox) {
  const RECT boxes[] = {{3, 4, 17, 13}, {2, 2, 13, 13}, {5, 1, 6, 19}, {0, 0, 20, 20}, {4, 9, 16, 10}};
  for (const RECT& b : boxes) {
    for (int width : {1, 3}) {
      CRasterCanvas c(20, 20);
      c.SelectPen(Pen(PS_SOLID, width, kOther));
      c.SelectBrush(Solid());
      c.Ellipse(b.left, b.top, b.right, b.bottom);
      int minx = 99, miny = 99, maxx = -1, maxy = -1;
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
          const COLORREF p = c.GetPixel(x, y);
          // mirror images across both axes of the box
          const int mx = b.left + b.right - 1 - x, my = b.top + b.bottom - 1 - y;
          if (mx >= 0 && mx < 20) {
            EXPECT_EQ(p, c.GetPixel(mx, y)) << x << "," << y;
          }
          if (my >= 0 && my < 20) {
            EXPECT_EQ(p, c.GetPixel(x, my)) << x << "," << y;
          }
          if (p == kWhite) continue;
          minx = std::min(minx, x), maxx = std::max(maxx, x);
          miny = std::min(miny, y), maxy = std::max(maxy, y);
        }
      if (width == 1) {  // a one-pixel pen stays inside the box and touches all four sides
        EXPECT_EQ(minx, b.left);
        EXPECT_EQ(miny, b.top);
        EXPECT_EQ(maxx, b.right - 1);
        EXPECT_EQ(maxy, b.bottom - 1);
      }
    }
  }
  // A circle's outline and interior.
  CRasterCanvas c(11, 11);
  c.SelectPen(Pen(PS_SOLID, 1, kOther));
  c.SelectBrush(Solid());
  c.Ellipse(1, 1, 10, 10);
  EXPECT_EQ(Art(c), Lines({"...........", "...ooooo...", "..o#####o..", ".o#######o.", ".o#######o.", ".o#######o.",
                           ".o#######o.", ".o#######o.", "..o#####o..", "...ooooo...", "..........."}));
}

TEST(RasterCanvas, WidePensAreSolidWithRoundEnds) {
  CRasterCanvas c(20, 9);
  c.SelectPen(Pen(PS_DASH, 3));  // wide pens ignore the dash style
  c.MoveTo(4, 4);
  c.LineTo(15, 4);
  EXPECT_EQ(Art(c), Lines({"....................", "....................", "....................",
                           "...##############...", "...##############...", "...##############...",
                           "....................", "....................", "...................."}));
  // Even widths cover exactly that many rows.
  CRasterCanvas d(20, 9);
  d.SelectPen(Pen(PS_SOLID, 4));
  d.MoveTo(4, 4);
  d.LineTo(15, 4);
  const std::string art = Art(d);
  int rows = 0;
  for (int y = 0; y < 9; ++y) rows += d.GetPixel(9, y) == kInk;
  EXPECT_EQ(rows, 4) << art;

  // A right-angled join is round: the outer corner square stays empty.
  CRasterCanvas e(30, 30);
  e.SelectPen(Pen(PS_SOLID, 5));
  e.Polyline(std::vector<POINT>{{5, 5}, {20, 5}, {20, 20}});
  EXPECT_EQ(e.GetPixel(22, 5), kInk);
  EXPECT_EQ(e.GetPixel(20, 3), kInk);
  EXPECT_EQ(e.GetPixel(21, 4), kInk);
  EXPECT_EQ(e.GetPixel(22, 3), kWhite);
  EXPECT_EQ(e.GetPixel(20, 22), kInk);  // round cap past the end
  EXPECT_EQ(e.GetPixel(20, 23), kWhite);
}

TEST(RasterCanvas, NullPenAndNullBrushDrawNothing) {
  CRasterCanvas c(10, 10);
  c.SelectPen(Pen(PS_NULL, 5));
  c.SelectBrush(CBrush{BS_NULL, HS_CROSS, kInk});
  c.MoveTo(0, 0);
  c.LineTo(9, 9);
  c.Polyline(std::vector<POINT>{{0, 5}, {9, 5}});
  c.Polygon(std::vector<POINT>{{0, 0}, {9, 0}, {9, 9}});
  c.Rectangle(0, 0, 10, 10);
  c.Ellipse(0, 0, 10, 10);
  EXPECT_TRUE(Inked(c).empty());
}

TEST(RasterCanvas, TextIsTheOutlineOfItsBox) {
  CRasterCanvas c(16, 16);
  c.SelectFont(CFont{5, 0, 400, "Arial"});
  c.SetTextColor(kInk);
  c.SetBkColor(kOther);
  const SIZE e = c.GetTextExtent("字ab");  // 3 code points
  EXPECT_EQ(e.cx, 9);
  EXPECT_EQ(e.cy, 5);
  c.TextOut(2, 3, "字ab");
  c.SetBkMode(TRANSPARENT);
  c.SelectFont(CFont{3, 900, 400, ""});  // turned a quarter to the left: it runs upwards
  c.TextOut(2, 15, "ab");                // 4 x 3
  EXPECT_EQ(Art(c), Lines({"................", "................", "................", "..##########....",
                           "..#oooooooo#....", "..#oooooooo#....", "..#oooooooo#....", "..#oooooooo#....",
                           "..##########....", "................", "................", "..####..........",
                           "..#..#..........", "..#..#..........", "..#..#..........", "..####.........."}));
  c.TextOut(5, 5, "");
  EXPECT_EQ(c.GetPixel(5, 5), kOther);
}

TEST(RasterCanvas, FarAwayCoordinatesClipSafely) {
  CRasterCanvas c(20, 20);
  c.SelectPen(Pen());
  // The diagonal through the whole int range crosses the bitmap on its diagonal.
  c.MoveTo(INT_MIN + 1, INT_MIN + 1);
  c.LineTo(INT_MAX, INT_MAX);
  PixelSet diag;
  for (int i = 0; i < 20; ++i) diag.insert({i, i});
  EXPECT_EQ(Inked(c), diag);

  // Shapes far outside draw nothing; wide pens too.
  CRasterCanvas d(20, 20);
  d.SelectPen(Pen(PS_SOLID, 1000));
  d.SelectBrush(Solid());
  d.MoveTo(INT_MIN, INT_MIN);
  d.LineTo(INT_MIN, INT_MAX);
  d.Polyline(std::vector<POINT>{{INT_MAX, INT_MIN}, {INT_MAX, INT_MAX}, {2000000000, 0}});
  d.Ellipse(INT_MAX - 10, 0, INT_MAX, 10);
  d.Rectangle(-100000, -100000, -50000, 50000);
  d.TextOut(INT_MAX, INT_MAX, "far away");
  d.SetPixel(INT_MIN, 3, kInk);
  d.SetPixel(3, 20, kInk);
  EXPECT_TRUE(Inked(d).empty());
  EXPECT_EQ(d.GetPixel(-1, 0), CLR_INVALID);
  EXPECT_EQ(d.GetPixel(0, 20), CLR_INVALID);

  // Shapes that cover the bitmap fill all of it.
  struct Case {
    const char* name;
    void (*draw)(CRasterCanvas&);
  } cover[] = {
      {"rect", [](CRasterCanvas& k) { k.Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX); }},
      {"polygon",
       [](CRasterCanvas& k) {
         k.Polygon(std::vector<POINT>{{INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}});
       }},
      {"ellipse", [](CRasterCanvas& k) { k.Ellipse(-1000000000, -1000000000, 1000000000, 1000000000); }},
      {"wide line",
       [](CRasterCanvas& k) {
         k.SelectPen(Pen(PS_SOLID, 2000000000));
         k.MoveTo(INT_MIN, 10);
         k.LineTo(INT_MAX, 10);
       }},
  };
  for (const Case& k : cover) {
    CRasterCanvas e(20, 20);
    e.SelectPen(Pen(PS_NULL));
    e.SelectBrush(Solid());
    k.draw(e);
    EXPECT_EQ(Inked(e).size(), 400u) << k.name;
  }

  // An empty bitmap takes every call.
  CRasterCanvas z(0, -5);
  z.SelectPen(Pen(PS_DOT, 3));
  z.SelectBrush(Solid());
  z.MoveTo(0, 0);
  z.LineTo(10, 10);
  z.Polygon(std::vector<POINT>{{0, 0}, {5, 0}, {0, 5}});
  z.Ellipse(0, 0, 4, 4);
  z.TextOut(0, 0, "x");
  EXPECT_EQ(z.Width(), 0);
  EXPECT_EQ(z.Height(), 0);
  EXPECT_TRUE(z.Pixels().empty());
}

// Clipping must not change what is visible: a shape drawn on a small bitmap
// shows the same pixels as the same shape drawn shifted into the middle of a
// bitmap large enough to hold it whole.
TEST(RasterCanvas, ClippingKeepsTheVisiblePixels) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> coord(-40, 60), style(0, 4), width(0, 6), hatch(0, 5);
  constexpr int kSmall = 20, kShift = 64, kBig = 200;  // shift: whole hatch cells
  for (int round = 0; round < 300; ++round) {
    const CPen pen{style(rng), width(rng), kInk};
    const CBrush brush{round % 3 == 0 ? BS_SOLID : BS_HATCHED, hatch(rng), kOther};
    std::vector<POINT> pts(2 + round % 5);
    for (POINT& p : pts) p = POINT{coord(rng), coord(rng)};
    auto draw = [&](CRasterCanvas& c, int d) {
      c.SelectPen(pen);
      c.SelectBrush(brush);
      std::vector<POINT> q = pts;
      for (POINT& p : q) p = POINT{p.x + d, p.y + d};
      switch (round % 4) {
        case 0: c.Polyline(q); break;
        case 1: c.Polygon(q); break;
        case 2: c.Ellipse(q[0].x, q[0].y, q[1].x, q[1].y); break;
        default:
          c.MoveTo(q[0].x, q[0].y);
          for (std::size_t i = 1; i < q.size(); ++i) c.LineTo(q[i].x, q[i].y);
      }
    };
    CRasterCanvas small(kSmall, kSmall), big(kBig, kBig);
    draw(small, 0);
    draw(big, kShift);
    for (int y = 0; y < kSmall; ++y)
      for (int x = 0; x < kSmall; ++x)
        ASSERT_EQ(small.GetPixel(x, y), big.GetPixel(x + kShift, y + kShift))
            << "round " << round << " at " << x << "," << y;
  }
}

// Lines across the whole int range, checked column by column (or row by row)
// against the stepping rule itself: step i has the minor offset
// i * minor / major rounded, ties towards the start.
TEST(RasterCanvas, HugeLinesKeepTheirSteps) {
  struct Case {
    long long x0, y0, x1, y1;
  } cases[] = {
      {INT_MIN, 10, INT_MAX, 30},      {INT_MAX, 45, INT_MIN, 3},
      {-7, INT_MIN, 33, INT_MAX},      {INT_MIN, INT_MAX, INT_MAX, INT_MIN + 40},
      {-1000000000, 0, 999999937, 13}, {25, 25, INT_MIN, INT_MIN + 12345},
  };
  constexpr int kSize = 50;
  for (const Case& k : cases) {
    CRasterCanvas c(kSize, kSize);
    c.SelectPen(Pen());
    c.MoveTo(int(k.x0), int(k.y0));
    c.LineTo(int(k.x1), int(k.y1));
    const long long dx = k.x1 - k.x0, dy = k.y1 - k.y0;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long n = std::max(std::llabs(dx), std::llabs(dy)), amin = xMajor ? std::llabs(dy) : std::llabs(dx);
    PixelSet expected;
    for (long long m = 0; m < kSize; ++m) {  // the major coordinate
      const long long i = xMajor ? (dx > 0 ? m - k.x0 : k.x0 - m) : (dy > 0 ? m - k.y0 : k.y0 - m);
      if (i < 0 || i >= n) continue;
      const long long off = static_cast<long long>((static_cast<__int128>(2) * i * amin + n - 1) / (2 * n));
      const long long mn = xMajor ? k.y0 + (dy < 0 ? -off : off) : k.x0 + (dx < 0 ? -off : off);
      if (mn < 0 || mn >= kSize) continue;
      expected.insert(xMajor ? std::pair<int, int>(int(m), int(mn)) : std::pair<int, int>(int(mn), int(m)));
    }
    EXPECT_EQ(Inked(c), expected) << k.x0 << "," << k.y0 << " " << k.x1 << "," << k.y1;
    EXPECT_FALSE(expected.empty());
  }
}

}  // namespace
