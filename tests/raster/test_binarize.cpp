// Foreground tables, Binarize by kind of image, the edge mask of class-number
// images and rectangle outlines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "raster/binarize.h"
#include "raster/colorfeature.h"
#include "raster/rasterimage.h"
#include "tests/raster/test_filters_util.h"

using namespace qzn;

using pixfix::FromRows;
using pixfix::GreyFrom;
using pixfix::GreyOf;
using pixfix::MakeImage;
using pixfix::ToRows;

namespace {

std::vector<int> TableOnes(const BYTE* table) {
  std::vector<int> ones;
  for (int v = 0; v < 256; ++v)
    if (table[v]) ones.push_back(v);
  return ones;
}

std::vector<int> Range(int a, int b) {
  std::vector<int> r;
  for (int v = a; v <= b; ++v) r.push_back(v);
  return r;
}

}  // namespace

TEST(Binarize, RangeTables) {
  struct Case {
    int low, high;
    std::vector<int> ones;
  };
  const Case cases[] = {
      {10, 20, Range(10, 20)}, {0, 0, {0}}, {200, 300, Range(200, 255)}, {30, 29, {}}, {0, 255, Range(0, 255)}};
  for (const Case& c : cases) {
    BYTE table[256];
    EXPECT_EQ(MakeRangeTable(PackGreyRange(c.low, c.high), table), 1);
    EXPECT_EQ(TableOnes(table), c.ones) << c.low << ".." << c.high;
  }
  EXPECT_EQ(PackGreyRange(3, 200), 3 * 65536 + 200);
}

TEST(Binarize, RegionGreyRangeLeavesOutOnePercentAtEachEnd) {
  // 20 x 10 = 200 pixels, d = 2: two dark outliers (0, 1) and three bright
  // ones (250, 251, 252). The two darkest are dropped, the third bright one
  // is where the count from the top first exceeds 2.
  std::vector<std::vector<int>> rows(10, std::vector<int>(21, 100));
  rows[0][0] = 0;
  rows[1][1] = 1;
  rows[2][2] = 252;
  rows[3][3] = 251;
  rows[4][4] = 250;
  rows[5][20] = 5;  // column 20 lies outside the selection (right is exclusive)
  auto img = GreyFrom(rows);
  BYTE table[256];
  ASSERT_EQ(GetRegionGreyRange(*img, RECT{0, 0, 20, 10}, table), 1);
  EXPECT_EQ(TableOnes(table), Range(100, 250));

  // 50 pixels: d = 0, so the range is the smallest to the largest value.
  std::vector<std::vector<int>> small(5, std::vector<int>(10, 80));
  small[0][0] = 7;
  small[4][9] = 201;
  auto img2 = GreyFrom(small);
  ASSERT_EQ(GetRegionGreyRange(*img2, RECT{0, 0, 10, 5}, table), 1);
  EXPECT_EQ(TableOnes(table), Range(7, 201));

  // A selection off the image has no pixels to measure.
  EXPECT_EQ(GetRegionGreyRange(*img2, RECT{20, 20, 30, 30}, table), 0);
}

TEST(Binarize, RegionFeatureByKindOfImage) {
  BYTE table[256] = {};
  CColorFeature feature;
  auto grey = GreyFrom({{10, 10}, {10, 200}});
  EXPECT_EQ(GetRegionFeature(*grey, RECT{}, PackGreyRange(0, 50), table, &feature), 1);
  EXPECT_EQ(TableOnes(table), Range(0, 50));
  EXPECT_EQ(GetRegionFeature(*grey, RECT{0, 0, 2, 2}, PackGreyRange(0, 50), table, &feature), 1);
  EXPECT_EQ(TableOnes(table), Range(10, 200));

  auto rgb = MakeImage(4, 4, 8, 2, 3);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      rgb->SetPlaneByte(x, y, 0, 40);
      rgb->SetPlaneByte(x, y, 1, static_cast<BYTE>(x < 2 ? 100 : 110));
      rgb->SetPlaneByte(x, y, 2, 7);
    }
  ASSERT_EQ(GetRegionFeature(*rgb, RECT{0, 0, 4, 4}, 0, table, &feature), 1);
  EXPECT_FLOAT_EQ(feature.meanRed, 40.0f);
  EXPECT_FLOAT_EQ(feature.sdRed, 0.0f);
  EXPECT_FLOAT_EQ(feature.meanGreen, 105.0f);
  EXPECT_NEAR(feature.sdGreen, 5.0f, 0.01f);
  EXPECT_FLOAT_EQ(feature.meanBlue, 7.0f);

  auto palette = MakeImage(3, 1, 8, 3);
  palette->SetByte(0, 0, 4);
  palette->SetByte(1, 0, 9);
  palette->SetByte(2, 0, 4);
  EXPECT_EQ(GetRegionFeature(*palette, RECT{0, 0, 3, 1}, 0, table, &feature), 1);
  EXPECT_EQ(TableOnes(table), (std::vector<int>{4, 9}));

  auto bilevel = MakeImage(8, 2, 1, 0);
  EXPECT_EQ(GetRegionFeature(*bilevel, RECT{}, 0, table, &feature), 1);
  auto deep = MakeImage(8, 2, 16, 1);
  EXPECT_EQ(GetRegionFeature(*deep, RECT{}, 0, table, &feature), 0);
}

TEST(Binarize, GreyAndPaletteValuesGoThroughTheTable) {
  auto img = GreyFrom({{0, 50, 100, 150}, {200, 250, 30, 60}, {90, 90, 90, 90}});
  BYTE table[256];
  MakeRangeTable(PackGreyRange(0, 99), table);
  // Inclusive rectangle columns 1..3, rows 0..1, reaching past nothing; row 2
  // and column 0 stay as they were.
  ASSERT_EQ(Binarize(*img, RECT{1, 0, 3, 1}, nullptr, table), 1);
  EXPECT_EQ(GreyOf(*img), (std::vector<std::vector<int>>{{0, 1, 0, 0}, {200, 0, 1, 1}, {90, 90, 90, 90}}));
  // A rectangle reaching past the image is cut to it.
  ASSERT_EQ(Binarize(*img, RECT{-5, 2, 50, 40}, nullptr, table), 1);
  EXPECT_EQ(GreyOf(*img)[2], (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(Binarize(*img, RECT{0, 0, 3, 2}, nullptr, nullptr), 0);  // no table
}

// Every grey through every kind of table: ranges (taken two comparisons a
// pixel), a table of two runs and one of other values (looked up).
TEST(Binarize, EveryGreyGoesThroughAnyTable) {
  std::vector<std::vector<int>> rows(3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 263; ++x) rows[static_cast<std::size_t>(y)].push_back((x * 7 + y * 31) % 256);
  auto tableOf = [](auto one) {
    std::vector<BYTE> t(256);
    for (int v = 0; v < 256; ++v) t[static_cast<std::size_t>(v)] = static_cast<BYTE>(one(v));
    return t;
  };
  const std::vector<std::vector<BYTE>> tables = {tableOf([](int v) { return v <= 99; }),
                                                 tableOf([](int v) { return v >= 128; }),
                                                 tableOf([](int v) { return v >= 40 && v <= 41; }),
                                                 tableOf([](int v) { return v == 0; }),
                                                 tableOf([](int v) { return v == 255; }),
                                                 tableOf([](int) { return 1; }),
                                                 tableOf([](int) { return 0; }),
                                                 tableOf([](int v) { return v < 10 || v > 200; }),
                                                 tableOf([](int v) { return v >= 50 && v < 60 ? 2 : 0; })};
  for (std::size_t k = 0; k < tables.size(); ++k) {
    auto img = GreyFrom(rows);
    ASSERT_EQ(Binarize(*img, RECT{0, 0, 262, 2}, nullptr, tables[k].data()), 1);
    std::vector<std::vector<int>> want = rows;
    for (auto& row : want)
      for (int& v : row) v = tables[k][static_cast<std::size_t>(v)];
    EXPECT_EQ(GreyOf(*img), want) << "table " << k;
  }
}

TEST(Binarize, RgbKeepsMatchingColoursInPlaneZero) {
  auto img = MakeImage(3, 1, 8, 2, 3);
  const int colours[3][3] = {{10, 20, 30}, {12, 19, 31}, {90, 20, 30}};
  for (int x = 0; x < 3; ++x)
    for (int k = 0; k < 3; ++k) img->SetPlaneByte(x, 0, k, static_cast<BYTE>(colours[x][k]));
  const CColorFeature f{10.0f, 1.0f, 20.0f, 1.0f, 30.0f, 1.0f};
  ASSERT_EQ(Binarize(*img, RECT{0, 0, 2, 0}, &f, nullptr), 1);
  EXPECT_EQ(GreyOf(*img, 0)[0], (std::vector<int>{1, 1, 0}));
  EXPECT_EQ(GreyOf(*img, 1)[0], (std::vector<int>{20, 19, 20}));
  EXPECT_EQ(GreyOf(*img, 2)[0], (std::vector<int>{30, 31, 30}));
  EXPECT_EQ(Binarize(*img, RECT{0, 0, 2, 0}, nullptr, nullptr), 0);  // no feature
}

TEST(Binarize, BilevelInvertsExactlyTheRectangleWhenZeroIsBlack) {
  // 13 pixels wide: one whole byte and a partial one. Columns 3..9 of row 1
  // are inverted; their neighbours in the same bytes and the padding bits
  // after column 12 stay as they were.
  const std::vector<std::string> rows = {".............", "#.#.#.#.#.#.#", "............."};
  auto img = FromRows(rows, 1, 1);
  img->GetRow(1)[1] |= 0x07;
  ASSERT_EQ(Binarize(*img, RECT{3, 1, 9, 1}, nullptr, nullptr), 1);
  EXPECT_EQ(ToRows(*img), (std::vector<std::string>{".............", "#.##.#.#.##.#", "............."}));
  EXPECT_EQ(img->GetRow(1)[1] & 0x07, 0x07);
  EXPECT_EQ(img->GetRow(0)[0], 0);
  EXPECT_EQ(img->GetRow(2)[1], 0);

  // Photometric 0: set bits already are the foreground.
  auto same = FromRows(rows, 1, 0);
  ASSERT_EQ(Binarize(*same, RECT{0, 0, 12, 2}, nullptr, nullptr), 1);
  EXPECT_EQ(ToRows(*same), rows);

  CRasterImage none;
  EXPECT_EQ(Binarize(none, RECT{0, 0, 1, 1}, nullptr, nullptr), 0);
}

TEST(Binarize, EdgeMaskMarksClassBordersAndLeavesNoClassNumber) {
  // Classes 3 and 7, a rectangle of columns 1..6 and rows 1..5 (inclusive).
  auto img = GreyFrom(
      {
          {9, 9, 9, 9, 9, 9, 9, 9},
          {9, 3, 3, 3, 7, 7, 7, 9},
          {9, 3, 3, 3, 7, 7, 7, 9},
          {9, 3, 3, 3, 7, 7, 7, 9},
          {9, 3, 3, 3, 3, 3, 3, 9},
          {9, 3, 3, 3, 3, 3, 3, 9},
          {9, 9, 9, 9, 9, 9, 9, 9},
      },
      5);
  ASSERT_EQ(MakeEdgeMask(*img, RECT{1, 1, 6, 5}), 1);
  EXPECT_EQ(GreyOf(*img), (std::vector<std::vector<int>>{
                              {9, 9, 9, 9, 9, 9, 9, 9},
                              {9, 0, 0, 0, 0, 0, 0, 9},
                              {9, 0, 0, 1, 1, 0, 0, 9},
                              {9, 0, 0, 1, 1, 1, 0, 9},
                              {9, 0, 0, 0, 1, 1, 0, 9},  // the last inside row is computed too
                              {9, 0, 0, 0, 0, 0, 0, 9},
                              {9, 9, 9, 9, 9, 9, 9, 9},
                          }));
  auto bilevel = MakeImage(8, 8, 1, 0);
  EXPECT_EQ(MakeEdgeMask(*bilevel, RECT{0, 0, 7, 7}), 0);
}

TEST(Binarize, RectangleOutlines) {
  auto img8 = MakeImage(6, 5, 8, 1);
  DrawRectOutline8(img8->pixels, img8->GetRowBytes(), RECT{1, 1, 4, 3}, 7);
  EXPECT_EQ(GreyOf(*img8),
            (std::vector<std::vector<int>>{
                {0, 0, 0, 0, 0, 0}, {0, 7, 7, 7, 7, 0}, {0, 7, 0, 0, 7, 0}, {0, 7, 7, 7, 7, 0}, {0, 0, 0, 0, 0, 0}}));
  auto img1 = FromRows({"##########", "##########", "##########", "##########"}, 1);
  DrawRectOutline1(img1->pixels, img1->width, RECT{0, 0, 8, 3}, 0);
  EXPECT_EQ(ToRows(*img1), (std::vector<std::string>{".........#", ".#######.#", ".#######.#", ".........#"}));
}

// The mask the centre lines are traced in is what Binarize makes in place:
// set exactly where Binarize leaves a non-zero pixel inside the rectangle,
// clear outside it; and clearing the rectangle and marking the mask's pixels
// leaves the image as Binarize leaves it. Random pictures of every kind the
// mask takes, rectangles that cut bytes and words at odd places, a 1-bit
// image wider than a page so whole pages are given back.
TEST(Binarize, LineMaskIsWhatBinarizeMakesInPlace) {
  struct Case {
    int bits, photometric, w, h;
    RECT rc;
  };
  const Case cases[] = {
      {8, 1, 77, 30, {0, 0, 76, 29}},   {8, 1, 77, 30, {5, 3, 70, 26}},     {8, 0, 140, 9, {63, 0, 64, 8}},
      {8, 3, 50, 20, {-4, -2, 60, 40}}, {8, 5, 41, 13, {9, 1, 9, 12}},      {1, 1, 83, 21, {3, 2, 79, 20}},
      {1, 0, 83, 21, {0, 0, 82, 20}},   {1, 1, 40000, 3, {0, 0, 39999, 2}}, {8, 1, 5000, 4, {0, 1, 4999, 2}},
  };
  std::mt19937 rng(5);
  BYTE table[256];
  for (int v = 0; v < 256; ++v) table[v] = (v % 7 == 0 || v < 60) ? 1 : 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + "-bit, photometric " + std::to_string(c.photometric) + ", " +
                 std::to_string(c.w) + " x " + std::to_string(c.h));
    auto source = MakeImage(c.w, c.h, c.bits, c.photometric);
    for (std::int64_t i = 0; i < source->GetImageBytes(); ++i) source->pixels[i] = static_cast<BYTE>(rng());
    auto inPlace = MakeImage(c.w, c.h, c.bits, c.photometric);
    std::memcpy(inPlace->pixels, source->pixels, static_cast<std::size_t>(source->GetImageBytes()));
    ASSERT_EQ(Binarize(*inPlace, c.rc, nullptr, table), 1);

    CRasterImage mask;
    ASSERT_EQ(MakeLineMask(*source, c.rc, table, mask), 1);
    ASSERT_EQ(mask.bitsPerSample, 1);
    const RECT in{std::max(0, c.rc.left), std::max(0, c.rc.top), std::min(c.w - 1, c.rc.right),
                  std::min(c.h - 1, c.rc.bottom)};
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        const bool inside = x >= in.left && x <= in.right && y >= in.top && y <= in.bottom;
        ASSERT_EQ(pixfix::Sample(mask, x, y), inside && pixfix::Sample(*inPlace, x, y) != 0) << x << "," << y;
      }

    ClearRect(*source, c.rc);
    MarkMaskPixels(mask, c.rc, *source);
    ASSERT_EQ(std::memcmp(source->pixels, inPlace->pixels, static_cast<std::size_t>(source->GetImageBytes())), 0);
  }
  // No table for a grey image, and RGB, make no mask.
  auto grey = MakeImage(8, 2, 8, 1);
  auto rgb = MakeImage(8, 2, 8, 2, 3);
  CRasterImage mask;
  EXPECT_EQ(MakeLineMask(*grey, RECT{0, 0, 7, 1}, nullptr, mask), 0);
  EXPECT_EQ(MakeLineMask(*rgb, RECT{0, 0, 7, 1}, table, mask), 0);
  EXPECT_FALSE(mask.HasPixels());
}
