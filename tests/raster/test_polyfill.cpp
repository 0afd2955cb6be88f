// The scanline polygon filler: masks, fills and crops on small drawn
// polygons, 1-bit rows with partial bytes, polygons cut by the image, the
// chain-taking entry points.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/chain.h"
#include "model/chainlist.h"
#include "raster/polyfill.h"
#include "raster/rasterimage.h"
#include "tests/raster/test_filters_util.h"

using namespace qzn;

using pixfix::FromRows;
using pixfix::GreyOf;
using pixfix::MakeImage;
using pixfix::ToRows;

namespace {

std::vector<CFPoint> Poly(std::initializer_list<std::pair<float, float>> pts) {
  std::vector<CFPoint> v;
  for (auto [x, y] : pts) v.emplace_back(x, y);
  return v;
}

std::vector<CFPoint> Rect(float l, float t, float r, float b) { return Poly({{l, t}, {r, t}, {r, b}, {l, b}}); }

std::unique_ptr<CRasterImage> Ones(int w, int h, int bits) {
  auto img = MakeImage(w, h, bits, 0);
  if (bits == 8)
    std::memset(img->pixels, 1, static_cast<std::size_t>(img->GetImageBytes()));
  else
    std::memset(img->pixels, 0xFF, static_cast<std::size_t>(img->GetImageBytes()));
  return img;
}

// Rows of '#' for the columns a..b of each listed row, the other rows empty.
std::vector<std::string> Expect(int w, int h, const std::vector<std::vector<std::pair<int, int>>>& spansPerRow,
                                int firstRow) {
  std::vector<std::string> rows(h, std::string(w, '.'));
  for (std::size_t i = 0; i < spansPerRow.size(); ++i)
    for (auto [a, b] : spansPerRow[i])
      for (int x = a; x <= b; ++x) rows[firstRow + i][x] = '#';
  return rows;
}

}  // namespace

TEST(PolygonFiller, TriangleFromTheTopRowMasksRowsAboveItsBase) {
  // Apex on row 0, base on row 10 of a 20-row image: rows 0 to 9 keep their
  // spans, rows 10 to 19 are cleared.
  for (int bits : {8, 1}) {
    auto img = Ones(21, 20, bits);
    CPolygonFiller f(20);
    ASSERT_EQ(f.AddPolygon(Poly({{10, 0}, {20, 10}, {0, 10}})), 1);
    EXPECT_EQ(f.GetEdgeCount(), 2);
    ASSERT_EQ(f.MaskBilevel(*img), 1);
    std::vector<std::vector<std::pair<int, int>>> spans;
    for (int y = 0; y < 10; ++y) spans.push_back({{10 - y, 10 + y}});
    EXPECT_EQ(ToRows(*img), Expect(21, 20, spans, 0)) << bits << " bits";
  }
}

TEST(PolygonFiller, PolygonOnTheBottomRowKeepsItsSpansThere) {
  auto img = Ones(10, 20, 8);
  CPolygonFiller f(20);
  f.AddPolygon(Rect(2, 15, 8, 19));
  ASSERT_EQ(f.MaskBilevel(*img), 1);
  EXPECT_EQ(ToRows(*img), Expect(10, 20, std::vector<std::vector<std::pair<int, int>>>(5, {{2, 8}}), 15));
}

TEST(PolygonFiller, EvenOddRuleForSideBySideAndNestedPolygons) {
  auto img = Ones(14, 12, 8);
  CPolygonFiller f(12);
  f.AddPolygon(Rect(1, 1, 4, 4));
  f.AddPolygon(Rect(7, 1, 10, 4));
  ASSERT_EQ(f.MaskBilevel(*img), 1);
  EXPECT_EQ(ToRows(*img), Expect(14, 12, std::vector<std::vector<std::pair<int, int>>>(3, {{1, 4}, {7, 10}}), 1));

  auto holed = Ones(14, 12, 8);
  CPolygonFiller g(12);
  g.AddPolygon(Rect(1, 1, 12, 10));
  g.AddPolygon(Rect(4, 3, 8, 7));
  ASSERT_EQ(g.MaskBilevel(*holed), 1);
  std::vector<std::vector<std::pair<int, int>>> spans(9, {{1, 12}});
  for (int y = 3; y < 7; ++y) spans[y - 1] = {{1, 4}, {8, 12}};
  EXPECT_EQ(ToRows(*holed), Expect(14, 12, spans, 1));
}

TEST(PolygonFiller, FillInsideLeavesOtherRowsAndIncludesTheLastRow) {
  auto img = MakeImage(8, 8, 8, 1);
  std::memset(img->pixels, 0xF7, 64);
  CPolygonFiller f(8);
  f.AddPolygon(Rect(2, 2, 5, 4));
  ASSERT_EQ(f.FillInside(*img, 0x0F), 1);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool inside = y >= 2 && y <= 4 && x >= 2 && x <= 5;
      EXPECT_EQ(img->GetByte(x, y), inside ? 0x07 : 0xF7) << x << "," << y;
    }
}

TEST(PolygonFiller, OneBitRowsWithAPartialByte) {
  // 13 pixels: one whole byte and five pixels of the next; rows 1 and 2 hold
  // the polygon. Erasing touches no byte of row 3; masking clears the other
  // rows and the padding bits of the rows it keeps.
  auto erase = Ones(13, 4, 1);
  CPolygonFiller f(4);
  f.AddPolygon(Rect(3, 1, 11, 2));
  ASSERT_EQ(f.FillInside(*erase, 0), 1);
  EXPECT_EQ(ToRows(*erase),
            (std::vector<std::string>{"#############", "###.........#", "###.........#", "#############"}));
  EXPECT_EQ(erase->GetRow(3)[0], 0xFF);
  EXPECT_EQ(erase->GetRow(3)[1], 0xFF);

  auto mask = Ones(13, 4, 1);
  CPolygonFiller g(4);
  g.AddPolygon(Rect(3, 1, 11, 2));
  ASSERT_EQ(g.MaskBilevel(*mask), 1);
  EXPECT_EQ(ToRows(*mask),
            (std::vector<std::string>{".............", "...#########.", ".............", "............."}));
  EXPECT_EQ(mask->GetRow(1)[1] & 0x07, 0);
}

TEST(PolygonFiller, CropSetsOutsideToTheImagesWhite) {
  struct Case {
    int photometric, bits, planes;
    int white;
  };
  const Case cases[] = {{1, 8, 1, 255}, {0, 8, 1, 0}, {2, 8, 3, 255}};
  for (const Case& c : cases) {
    auto img = MakeImage(6, 5, c.bits, c.photometric, c.planes);
    std::memset(img->pixels, 100, static_cast<std::size_t>(img->GetImageBytes()));
    CPolygonFiller f(5);
    f.AddPolygon(Rect(1, 1, 3, 3));
    ASSERT_EQ(f.CropToPolygons(*img), 1);
    for (int n = 0; n < c.planes; ++n)
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
          const bool inside = y >= 1 && y <= 2 && x >= 1 && x <= 3;
          EXPECT_EQ(img->GetPlaneByte(x, y, n), inside ? 100 : c.white) << x << "," << y << " plane " << n;
        }
  }
  // A palette without pure white: the entry nearest to white.
  auto pal = MakeImage(4, 4, 8, 3);
  ASSERT_EQ(pal->AllocPalette(), 1);
  for (int i = 0; i < 256; ++i) pal->red[i] = pal->green[i] = pal->blue[i] = static_cast<BYTE>(i / 2);
  pal->red[9] = 250;
  pal->green[9] = 240;
  pal->blue[9] = 245;
  CPolygonFiller f(4);
  ASSERT_EQ(f.CropToPolygons(*pal), 1);
  EXPECT_EQ(GreyOf(*pal), (std::vector<std::vector<int>>(4, std::vector<int>(4, 9))));

  // 1 bit: the background bit is set unless 0 is white.
  auto bits = FromRows({"......", "......", "......", "......"}, 1, 1);
  CPolygonFiller g(4);
  g.AddPolygon(Rect(1, 0, 3, 2));
  ASSERT_EQ(g.CropToPolygons(*bits), 1);
  EXPECT_EQ(ToRows(*bits), (std::vector<std::string>{"#...##", "#...##", "######", "######"}));
}

TEST(PolygonFiller, PolygonsReachingPastTheImageAreCut) {
  // A diamond centred on the top-left corner: its parts above row 0 and left
  // of column 0 fall away, the rest is filled as if the image were larger.
  auto img = Ones(8, 8, 8);
  CPolygonFiller f(8);
  ASSERT_EQ(f.AddPolygon(Poly({{0, -4}, {4, 0}, {0, 4}, {-4, 0}})), 1);
  ASSERT_EQ(f.MaskBilevel(*img), 1);
  EXPECT_EQ(ToRows(*img), (std::vector<std::string>{"#####...", "####....", "###.....", "##......", "........",
                                                    "........", "........", "........"}));
  // Entirely below the image, or far off to the side: nothing inside.
  auto none = Ones(8, 8, 8);
  CPolygonFiller g(8);
  g.AddPolygon(Rect(1, 20, 5, 30));
  g.AddPolygon(Rect(1e12f, 1, 2e12f, 5));
  ASSERT_EQ(g.MaskBilevel(*none), 1);
  EXPECT_EQ(ToRows(*none), std::vector<std::string>(8, "........"));
}

TEST(PolygonFiller, ChainsAreClosedAndWalkedFromTheList) {
  CChainList lines;
  auto* open = new CChain(1, 0.0f, RGB(0, 0, 0));
  open->AddPoint(1, 1);
  open->AddPoint(6, 1);
  open->AddPoint(6, 4);
  auto* twoPoints = new CChain(1, 0.0f, RGB(0, 0, 0));
  twoPoints->AddPoint(0, 0);
  twoPoints->AddPoint(7, 7);
  lines.Adopt(open);
  lines.Adopt(twoPoints);
  CPolygonFiller f(6);
  ASSERT_EQ(f.AddChains(lines), 1);
  ASSERT_EQ(open->GetCount(), 4);
  EXPECT_EQ(open->GetPoint(3), CFPoint(1, 1));
  EXPECT_EQ(twoPoints->GetCount(), 2);
  // Adding the closed chain again does not close it twice.
  CPolygonFiller g(6);
  ASSERT_EQ(g.AddChain(*open), 1);
  EXPECT_EQ(open->GetCount(), 4);
  EXPECT_EQ(f.GetEdgeCount(), 2);
  // One filler serves several operations with the same result.
  for (int round = 0; round < 2; ++round) {
    auto img = Ones(8, 6, 8);
    ASSERT_EQ(f.MaskBilevel(*img), 1);
    EXPECT_EQ(ToRows(*img),
              (std::vector<std::string>{"........", ".######.", "..#####.", "....###.", "........", "........"}))
        << "round " << round;
  }
}

TEST(PolygonFiller, BadImages) {
  CPolygonFiller f(4);
  f.AddPolygon(Rect(0, 0, 3, 3));
  CRasterImage empty;
  EXPECT_EQ(f.MaskBilevel(empty), 0);
  EXPECT_EQ(f.FillInside(empty, 0), 0);
  EXPECT_EQ(f.CropToPolygons(empty), 0);
  auto deep = MakeImage(4, 4, 16, 1);
  EXPECT_EQ(f.MaskBilevel(*deep), 0);
}
