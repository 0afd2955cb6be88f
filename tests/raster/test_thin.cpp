// Thinning: the keep tables, hand-drawn cases, agreement with a plain
// whole-rectangle implementation of the alternating passes, and the shape of
// the skeletons of generated drawings (connected, one pixel wide).
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "raster/rasterimage.h"
#include "raster/thin.h"
#include "tests/raster/test_filters_util.h"

using namespace qzn;

using pixfix::FromRows;
using pixfix::MakeImage;
using pixfix::Sample;
using pixfix::ToRows;

namespace {

int Index(int e, int ne, int n, int nw, int w, int sw, int s, int se) {
  return e | ne << 1 | n << 2 | nw << 3 | w << 4 | sw << 5 | s << 6 | se << 7;
}

// The alternating passes done the plain way: every pass visits every inside
// pixel of the rectangle and decides from a copy of the mask.
void ReferenceThin(CRasterImage& img, RECT rc) {
  const CThinTables& t = GetThinTables();
  if (rc.right - rc.left < 2 || rc.bottom - rc.top < 2) return;
  int idle = 0;
  for (int pass = 0; idle < 2; ++pass) {
    const BYTE* table = (pass & 1) ? t.b.data() : t.a.data();
    std::vector<std::vector<int>> v(img.height, std::vector<int>(img.width));
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x) v[y][x] = Sample(img, x, y) != 0;
    int deleted = 0;
    for (int y = rc.top + 1; y < rc.bottom; ++y)
      for (int x = rc.left + 1; x < rc.right; ++x) {
        if (!v[y][x]) continue;
        const int idx = Index(v[y][x + 1], v[y - 1][x + 1], v[y - 1][x], v[y - 1][x - 1], v[y][x - 1], v[y + 1][x - 1],
                              v[y + 1][x], v[y + 1][x + 1]);
        if (!table[idx]) {
          ++deleted;
          if (img.bitsPerSample == 1)
            img.ClearBit(x, y);
          else
            img.SetByte(x, y, 0);
        }
      }
    idle = deleted ? 0 : idle + 1;
  }
}

// 8-connected components of the set pixels.
int CountComponents(const CRasterImage& img) {
  std::vector<int> seen(static_cast<std::size_t>(img.width) * img.height, 0);
  int count = 0;
  std::vector<std::pair<int, int>> stack;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      if (!Sample(img, x, y) || seen[y * img.width + x]) continue;
      ++count;
      stack.push_back({x, y});
      seen[y * img.width + x] = 1;
      while (!stack.empty()) {
        auto [cx, cy] = stack.back();
        stack.pop_back();
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = cx + dx, ny = cy + dy;
            if (nx < 0 || ny < 0 || nx >= img.width || ny >= img.height) continue;
            if (!Sample(img, nx, ny) || seen[ny * img.width + nx]) continue;
            seen[ny * img.width + nx] = 1;
            stack.push_back({nx, ny});
          }
      }
    }
  return count;
}

// 2 x 2 blocks of set pixels with their top-left corner inside the inclusive
// rectangle (the whole image by default).
int CountSquares2x2(const CRasterImage& img, RECT rc = RECT{0, 0, 1 << 30, 1 << 30}) {
  int n = 0;
  for (int y = std::max(0, rc.top); y + 1 < img.height && y <= rc.bottom; ++y)
    for (int x = std::max(0, rc.left); x + 1 < img.width && x <= rc.right; ++x)
      n += Sample(img, x, y) && Sample(img, x + 1, y) && Sample(img, x, y + 1) && Sample(img, x + 1, y + 1);
  return n;
}

std::unique_ptr<CRasterImage> RandomBlobs(int w, int h, int bits, unsigned seed) {
  auto img = MakeImage(w, h, bits, 0);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> px(0, w - 1), py(0, h - 1), pr(1, 6);
  for (int k = 0; k < w * h / 60; ++k) {
    const int cx = px(rng), cy = py(rng), r = pr(rng);
    for (int y = std::max(0, cy - r); y <= std::min(h - 1, cy + r); ++y)
      for (int x = std::max(0, cx - r); x <= std::min(w - 1, cx + r); ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) {
          if (bits == 1)
            img->SetBit(x, y, 1);
          else
            img->SetByte(x, y, 1);
        }
  }
  return img;
}

// A thick line drawn with a round brush of the given radius.
void Stroke(CRasterImage& img, double x0, double y0, double x1, double y1, double radius) {
  const double len = std::hypot(x1 - x0, y1 - y0);
  const int steps = static_cast<int>(len * 2) + 1;
  for (int i = 0; i <= steps; ++i) {
    const double cx = x0 + (x1 - x0) * i / steps, cy = y0 + (y1 - y0) * i / steps;
    for (int y = static_cast<int>(cy - radius) - 1; y <= static_cast<int>(cy + radius) + 1; ++y)
      for (int x = static_cast<int>(cx - radius) - 1; x <= static_cast<int>(cx + radius) + 1; ++x)
        if (x > 0 && y > 0 && x < img.width - 1 && y < img.height - 1 &&
            (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius)
          img.SetByte(x, y, 1);
  }
}

}  // namespace

TEST(ThinTables, DecideAsTheRulesSay) {
  const CThinTables& t = GetThinTables();
  // Top edge of a thick bar: W, SW, S, SE, E set; north is clear, so table A
  // deletes it; table B (south or west edges) keeps it.
  const int topEdge = Index(1, 0, 0, 0, 1, 1, 1, 1);
  EXPECT_EQ(t.a[topEdge], 0);
  EXPECT_EQ(t.b[topEdge], 1);
  const int bottomEdge = Index(1, 1, 1, 1, 1, 0, 0, 0);
  EXPECT_EQ(t.a[bottomEdge], 1);
  EXPECT_EQ(t.b[bottomEdge], 0);
  // n = 0, n = 1 (line end), n = 8 (inside) and two transitions (a bridge) keep.
  for (int idx : {0, Index(1, 0, 0, 0, 0, 0, 0, 0), 255, Index(1, 0, 0, 0, 1, 0, 0, 0)}) {
    EXPECT_EQ(t.a[idx], 1) << idx;
    EXPECT_EQ(t.b[idx], 1) << idx;
  }
}

TEST(Thin, HandDrawnCases) {
  struct Case {
    const char* name;
    std::vector<std::string> in, out;
  };
  const std::vector<Case> cases = {
      {"3-pixel bar becomes its centre line, whose west end is the bar's end",
       {"..........", ".########.", ".########.", ".########.", ".........."},
       {"..........", "..........", ".######...", "..........", ".........."}},
      {"the tip of a diagonal staircase stays, so the staircase is not eaten from its end",
       {"........", ".##.....", "..##....", "...##...", "....##..", "........"},
       {"........", ".##.....", "..##....", "...##...", "....##..", "........"}},
      {"single pixel and two-pixel diagonal stay",
       {".......", ".#.....", ".......", "....#..", ".....#.", "......."},
       {".......", ".#.....", ".......", "....#..", ".....#.", "......."}},
      {"one-pixel line stays", {"......", ".####.", "......"}, {"......", ".####.", "......"}},
  };
  for (const Case& c : cases) {
    for (int bits : {8, 1}) {
      auto img = FromRows(c.in, bits);
      ASSERT_EQ(Thin(*img, RECT{0, 0, img->width - 1, img->height - 1}), 1);
      EXPECT_EQ(ToRows(*img), c.out) << c.name << " at " << bits << " bits";
    }
  }
}

TEST(Thin, FilledSquareShrinksToItsSkeleton) {
  // Every inside pixel of a 12 x 12 square has all neighbours set; thinning
  // must go on until the interior is eaten away.
  std::vector<std::string> rows(16, std::string(16, '.'));
  for (int y = 2; y < 14; ++y)
    for (int x = 2; x < 14; ++x) rows[y][x] = '#';
  auto img = FromRows(rows, 8);
  ASSERT_EQ(Thin(*img, RECT{0, 0, 15, 15}), 1);
  EXPECT_EQ(CountComponents(*img), 1);
  EXPECT_EQ(CountSquares2x2(*img), 0);
  auto ref = FromRows(rows, 8);
  ReferenceThin(*ref, RECT{0, 0, 15, 15});
  EXPECT_EQ(ToRows(*img), ToRows(*ref));
}

TEST(Thin, SmallRectanglesAndImagesAreLeftAlone) {
  const std::vector<std::string> full = {"####", "####", "####", "####"};
  for (RECT rc : {RECT{0, 0, 1, 3}, RECT{0, 0, 3, 1}, RECT{2, 2, 3, 3}}) {
    auto img = FromRows(full, 8);
    EXPECT_EQ(Thin(*img, rc), 1);
    EXPECT_EQ(ToRows(*img), full);
  }
  for (const std::vector<std::string>& tiny :
       {std::vector<std::string>{"##", "##", "##"}, std::vector<std::string>{"####", "####"}}) {
    for (int bits : {8, 1}) {
      auto img = FromRows(tiny, bits);
      EXPECT_EQ(Thin(*img, RECT{0, 0, img->width - 1, img->height - 1}), 1);
      EXPECT_EQ(ToRows(*img), tiny);
    }
  }
  CRasterImage empty;
  EXPECT_EQ(Thin(empty, RECT{0, 0, 10, 10}), 0);
  auto grey16 = MakeImage(8, 8, 16, 1);
  EXPECT_EQ(Thin(*grey16, RECT{0, 0, 7, 7}), 0);
}

TEST(Thin, OnlyTheRectangleInsideChanges) {
  // A solid field with a one-pixel gap across the rectangle: the gap's sides
  // thin inside the rectangle, nothing outside it moves.
  std::vector<std::string> rows(20, std::string(30, '#'));
  for (int y = 0; y < 20; ++y) rows[y][12] = '.';
  auto img = FromRows(rows, 1);
  const RECT rc{5, 4, 20, 15};
  ASSERT_EQ(Thin(*img, rc), 1);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x)
      if (x <= rc.left || x >= rc.right || y <= rc.top || y >= rc.bottom) {
        ASSERT_EQ(Sample(*img, x, y), x == 12 ? 0 : 1) << x << "," << y;
      }
  int cleared = 0;
  for (int y = rc.top + 1; y < rc.bottom; ++y)
    for (int x = rc.left + 1; x < rc.right; ++x) cleared += !Sample(*img, x, y);
  EXPECT_GT(cleared, 0);
}

TEST(Thin, AgreesWithPlainPassesOnRandomMasks) {
  // Both depths, whole images and rectangles that cut blocks of 64 columns
  // and 8-pixel bytes at odd places; images wider than one block.
  struct Case {
    int w, h;
    RECT rc;
  };
  const Case cases[] = {
      {150, 90, {0, 0, 149, 89}}, {150, 90, {3, 5, 140, 77}}, {70, 40, {63, 1, 69, 38}}, {200, 130, {61, 7, 193, 128}}};
  unsigned seed = 7;
  for (const Case& c : cases)
    for (int bits : {8, 1}) {
      auto a = RandomBlobs(c.w, c.h, bits, seed);
      auto b = RandomBlobs(c.w, c.h, bits, seed++);
      ASSERT_EQ(Thin(*a, c.rc), 1);
      ReferenceThin(*b, c.rc);
      EXPECT_EQ(ToRows(*a), ToRows(*b)) << c.w << "x" << c.h << " at " << bits << " bits";
    }
}

TEST(Thin, SkeletonsOfDrawnShapesAreConnectedAndOnePixelWide) {
  // Strokes 3 to 9 pixels wide at many angles, crossings, a ring and a disk:
  // each shape stays one piece, and no 2 x 2 block of set pixels is left
  // except where the X's strokes cross (parallel thinning leaves the
  // crossing as a small knot there).
  auto img = MakeImage(400, 380, 8, 0);
  const double pi = std::acos(-1.0);
  int shapes = 0;
  for (int i = 0; i < 12; ++i) {
    const double a = i * pi / 12;
    const double cx = 40 + (i % 4) * 95, cy = 40 + (i / 4) * 90;
    Stroke(*img, cx - 30 * std::cos(a), cy - 30 * std::sin(a), cx + 30 * std::cos(a), cy + 30 * std::sin(a),
           1.5 + (i % 4));
    ++shapes;
  }
  // A cross and a V.
  Stroke(*img, 20, 290, 80, 350, 2.5);
  Stroke(*img, 20, 350, 80, 290, 2.5);
  Stroke(*img, 110, 350, 150, 290, 2.0);
  Stroke(*img, 150, 290, 190, 355, 2.0);
  shapes += 2;
  // A ring and a filled disk.
  for (int y = 0; y < 380; ++y)
    for (int x = 0; x < 400; ++x) {
      const double d1 = std::hypot(x - 240.0, y - 320.0), d2 = std::hypot(x - 330.0, y - 320.0);
      if ((d1 >= 14 && d1 <= 22) || d2 <= 18) img->SetByte(x, y, 1);
    }
  shapes += 2;
  ASSERT_EQ(CountComponents(*img), shapes);
  auto copy = MakeImage(400, 380, 8, 0);
  std::memcpy(copy->pixels, img->pixels, 400 * 380);
  ASSERT_EQ(Thin(*img, RECT{0, 0, 399, 379}), 1);
  EXPECT_EQ(CountComponents(*img), shapes);
  const RECT crossing{44, 314, 56, 326};
  EXPECT_LE(CountSquares2x2(*img, crossing), 1);
  EXPECT_EQ(CountSquares2x2(*img) - CountSquares2x2(*img, crossing), 0);
  ReferenceThin(*copy, RECT{0, 0, 399, 379});
  EXPECT_EQ(ToRows(*img), ToRows(*copy));
}
