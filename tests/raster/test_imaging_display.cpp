// Imaging library: display palette and colour cache, colour clustering and
// the display bitmap.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "raster/imaging.h"
#include "tests/raster/test_imaging_support.h"

using namespace qzn;

using imgtest::Bytes;
using imgtest::Make8;
using imgtest::MakeBits;

namespace {

// An RGB image painted with the given colours in vertical stripes.
void Stripes(CRasterImage& img, int w, int h, const std::vector<std::array<int, 3>>& colors) {
  Make8(img, w, h, 3, 2);
  for (int x = 0; x < w; ++x) {
    const auto& c = colors[static_cast<std::size_t>(x * static_cast<int>(colors.size()) / w)];
    for (int y = 0; y < h; ++y)
      for (int k = 0; k < 3; ++k) img.SetPlaneByte(x, y, k, static_cast<BYTE>(c[static_cast<std::size_t>(k)]));
  }
}

}  // namespace

TEST(ImagingColor, FewColoursGetExactPaletteEntries) {
  CRasterImage img;
  const std::vector<std::array<int, 3>> colors = {{255, 255, 255}, {0, 0, 0}, {200, 30, 40}, {10, 120, 250}};
  Stripes(img, 40, 10, colors);
  const auto before = Bytes(img);
  ASSERT_EQ(Frequency24to8(&img), 1);
  EXPECT_EQ(img.planes, 3);  // the planes stay
  EXPECT_EQ(img.bitsPerSample, 8);
  EXPECT_EQ(Bytes(img), before);
  ASSERT_NE(img.red, nullptr);
  ASSERT_NE(img.colorCache, nullptr);
  for (const auto& c : colors) {
    const int idx = img.colorCache[CRasterImage::ColorCacheIndex(c[0], c[1], c[2])];
    EXPECT_EQ(img.red[idx], c[0]);
    EXPECT_EQ(img.green[idx], c[1]);
    EXPECT_EQ(img.blue[idx], c[2]);
  }
  // Other kinds are left alone.
  CRasterImage g;
  Make8(g, 2, 2, 1, 1);
  ASSERT_EQ(Frequency24to8(&g), 1);
  EXPECT_EQ(g.red, nullptr);
}

TEST(ImagingColor, ManyColoursAreReducedClosely) {
  // A smooth colour field with far more than 256 colours.
  const int w = 128, h = 128;
  CRasterImage img;
  Make8(img, w, h, 3, 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      img.SetPlaneByte(x, y, 0, static_cast<BYTE>(2 * x));
      img.SetPlaneByte(x, y, 1, static_cast<BYTE>(2 * y));
      img.SetPlaneByte(x, y, 2, static_cast<BYTE>((x + y) % 256));
    }
  ASSERT_EQ(Frequency24to8(&img), 1);
  std::set<int> used;
  double err = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int r = img.GetPlaneByte(x, y, 0), g = img.GetPlaneByte(x, y, 1), b = img.GetPlaneByte(x, y, 2);
      const int i = img.colorCache[CRasterImage::ColorCacheIndex(r, g, b)];
      used.insert(i);
      err += std::sqrt(std::pow(r - img.red[i], 2) + std::pow(g - img.green[i], 2) + std::pow(b - img.blue[i], 2));
    }
  EXPECT_GT(used.size(), 200u);
  EXPECT_LT(err / (w * h), 16.0);  // mean colour error of a 256-colour reduction
}

TEST(ImagingColor, ClusterRGBIntoClasses) {
  // Three map colours with a little scanner noise.
  CRasterImage img;
  Stripes(img, 60, 20, {{240, 240, 230}, {30, 30, 160}, {200, 40, 30}});
  const auto noise = imgtest::Random(static_cast<std::size_t>(img.GetImageBytes()), 77, 0, 12);
  for (std::int64_t i = 0; i < img.GetImageBytes(); ++i)
    img.pixels[i] = static_cast<BYTE>(std::clamp(img.pixels[i] + noise[static_cast<std::size_t>(i)] - 6, 0, 255));
  ASSERT_EQ(ImageCluster(&img, 3, 50), 1);
  EXPECT_EQ(img.planes, 1);
  EXPECT_EQ(img.photometric, 5);
  EXPECT_TRUE(img.IsSeparated());
  EXPECT_EQ(img.colorCache, nullptr);
  // Each stripe is one class, the three classes differ, and the palette holds
  // the stripe colours.
  const int c0 = img.GetByte(0, 0), c1 = img.GetByte(25, 0), c2 = img.GetByte(59, 19);
  EXPECT_EQ(std::set<int>({c0, c1, c2}).size(), 3u);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(img.GetByte(x, y), x < 20 ? c0 : (x < 40 ? c1 : c2)) << x << "," << y;
  EXPECT_NEAR(img.red[c1], 30, 4);
  EXPECT_NEAR(img.blue[c1], 160, 4);
  EXPECT_NEAR(img.red[c2], 200, 4);
}

TEST(ImagingColor, ClusterPaletteImageAndRefusals) {
  CRasterImage p;
  Make8(p, 4, 1, 1, 3, {0, 1, 2, 3});
  ASSERT_EQ(p.AllocPalette(), 1);
  const int pal[4][3] = {{0, 0, 0}, {10, 5, 0}, {250, 250, 250}, {240, 255, 245}};
  for (int i = 0; i < 4; ++i) {
    p.red[i] = static_cast<BYTE>(pal[i][0]);
    p.green[i] = static_cast<BYTE>(pal[i][1]);
    p.blue[i] = static_cast<BYTE>(pal[i][2]);
  }
  ASSERT_EQ(ImageCluster(&p, 2, 10), 1);
  EXPECT_EQ(p.GetByte(0, 0), p.GetByte(1, 0));
  EXPECT_EQ(p.GetByte(2, 0), p.GetByte(3, 0));
  EXPECT_NE(p.GetByte(0, 0), p.GetByte(2, 0));
  // More classes than colours: every colour its own class.
  CRasterImage q;
  Stripes(q, 4, 1, {{1, 2, 3}, {200, 100, 0}});
  ASSERT_EQ(ImageCluster(&q, 8, 5), 1);
  EXPECT_NE(q.GetByte(0, 0), q.GetByte(3, 0));

  CRasterImage g;
  Make8(g, 2, 2, 1, 1);
  EXPECT_EQ(ImageCluster(&g, 3, 10), 0);  // grey
  CRasterImage r;
  Stripes(r, 4, 1, {{1, 2, 3}});
  EXPECT_EQ(ImageCluster(&r, 0, 10), 0);
  EXPECT_EQ(ImageCluster(&r, 256, 10), 0);
  EXPECT_EQ(ImageCluster(&r, 3, 1), 0);
  EXPECT_EQ(ImageCluster(&r, 3, 501), 0);
  EXPECT_EQ(r.planes, 3);  // refused: unchanged
}

TEST(ImagingDisplay, FullSizeIsBottomUpWithPaddedRows) {
  CRasterImage g;
  Make8(g, 3, 2, 1, 1, {1, 2, 3, 4, 5, 6});
  std::vector<BYTE> out(16, 0xEE);
  BYTE pal[1024], map[256];
  std::int32_t param = 0;
  CImageArea a{0, 0, 3, 2, 0};
  ASSERT_EQ(GetDisplayBuffer(&g, &a, out.data(), 3, 2, pal, map, &param, kDisplayReset), 8);
  EXPECT_EQ(out, (std::vector<BYTE>{4, 5, 6, 0, 1, 2, 3, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(param, 255 << 8);  // the reset reports the full range
  EXPECT_EQ(pal[4 * 10], 10);  // grey ramp, black is zero
  EXPECT_EQ(map[77], 77);

  // A contrast window stretches grey values.
  param = 50 | (150 << 8);
  ASSERT_GE(GetDisplayBuffer(&g, &a, out.data(), 3, 2, nullptr, map, &param, 0), 0);
  EXPECT_EQ(map[50], 0);
  EXPECT_EQ(map[100], 127);
  EXPECT_EQ(map[200], 255);

  // RGB in blue, green, red order.
  CRasterImage rgb;
  Make8(rgb, 2, 1, 3, 2, {10, 11, 20, 21, 30, 31});
  std::vector<BYTE> o3(8, 0);
  CImageArea b{0, 0, 2, 1, 0};
  ASSERT_EQ(GetDisplayBuffer(&rgb, &b, o3.data(), 2, 1, nullptr, nullptr, nullptr, kDisplayRGB), 8);
  EXPECT_EQ(o3, (std::vector<BYTE>{30, 20, 10, 31, 21, 11, 0, 0}));
}

TEST(ImagingDisplay, ReductionKeepsOnePixelLines) {
  // 1000 x 800 white page with one-pixel dark lines: horizontal, vertical,
  // diagonal; shown at 100 x 80 (blocks of 10 x 10).
  const int w = 1000, h = 800;
  CRasterImage g;
  Make8(g, w, h, 1, 1, std::vector<std::uint8_t>(static_cast<std::size_t>(w * h), 250));
  for (int x = 0; x < w; ++x) g.SetByte(x, 333, 10);             // horizontal, not a block's middle row
  for (int y = 0; y < h; ++y) g.SetByte(611, y, 10);             // vertical
  for (int i = 0; i < 700; ++i) g.SetByte(100 + i, 50 + i, 10);  // diagonal
  std::vector<BYTE> out(100 * 80);
  CImageArea a{0, 0, w, h, 0};
  ASSERT_GE(GetDisplayBuffer(&g, &a, out.data(), 100, 80, nullptr, nullptr, nullptr, 0), 0);
  auto at = [&](int ox, int oy) { return out[static_cast<std::size_t>((79 - oy) * 100 + ox)]; };
  for (int ox = 0; ox < 100; ++ox) EXPECT_EQ(at(ox, 33), 10) << ox;
  for (int oy = 0; oy < 80; ++oy) EXPECT_EQ(at(61, oy), 10) << oy;
  int diag = 0;
  for (int i = 0; i < 700; i += 10) diag += at((100 + i) / 10, (50 + i) / 10) == 10;
  EXPECT_GE(diag, 65);
  EXPECT_EQ(at(5, 70), 250);  // paper stays paper

  // A bilevel image with photometric 0: set bits are ink.
  CRasterImage b;
  std::vector<std::string> rows(64, std::string(64, '.'));
  for (int x = 0; x < 64; ++x) rows[21][static_cast<std::size_t>(x)] = '#';
  MakeBits(b, rows, 0);
  std::vector<BYTE> ob(8 * 8);
  CImageArea ab{0, 0, 64, 64, 0};
  BYTE pal[1024];
  ASSERT_GE(GetDisplayBuffer(&b, &ab, ob.data(), 8, 8, pal, nullptr, nullptr, 1), 0);
  for (int ox = 0; ox < 8; ++ox) EXPECT_EQ(ob[static_cast<std::size_t>((7 - 2) * 8 + ox)], 1);
  EXPECT_EQ(ob[0], 0);
  EXPECT_EQ(pal[4], 0);    // index 1 is black
  EXPECT_EQ(pal[0], 255);  // index 0 is white
}

TEST(ImagingDisplay, ReductionFollowsThePhotometricSenseOfInk) {
  // One ink row (row 13) in a 40 x 40 image shown at 4 x 4; ink is the large
  // value of a "0 is white" grey image and the clear bit of a photometric-1
  // bilevel image.
  CRasterImage z;
  Make8(z, 40, 40, 1, 0, std::vector<std::uint8_t>(1600, 5));
  for (int x = 0; x < 40; ++x) z.SetByte(x, 13, 240);
  CRasterImage b;
  std::vector<std::string> rows(40, std::string(40, '#'));
  rows[13] = std::string(40, '.');
  MakeBits(b, rows, 1);
  for (CRasterImage* img : {&z, &b}) {
    std::vector<BYTE> out(16);
    CImageArea a{0, 0, 40, 40, 0};
    ASSERT_GE(GetDisplayBuffer(img, &a, out.data(), 4, 4, nullptr, nullptr, nullptr, 0), 0);
    const BYTE ink = img == &z ? 240 : 0, paper = img == &z ? 5 : 1;
    for (int ox = 0; ox < 4; ++ox) {
      EXPECT_EQ(out[static_cast<std::size_t>((3 - 1) * 4 + ox)], ink);  // display row 1 holds row 13
      EXPECT_EQ(out[static_cast<std::size_t>((3 - 3) * 4 + ox)], paper);
    }
  }
}

TEST(ImagingDisplay, PaletteIndicesOfRGBAndFailures) {
  CRasterImage rgb;
  Stripes(rgb, 8, 2, {{255, 0, 0}, {0, 0, 255}});
  CImageArea a{0, 0, 8, 2, 0};
  std::vector<BYTE> out(8 * 2);
  EXPECT_LT(GetDisplayBuffer(&rgb, &a, out.data(), 8, 2, nullptr, nullptr, nullptr, 0), 0);  // no cache yet
  ASSERT_EQ(Frequency24to8(&rgb), 1);
  ASSERT_GE(GetDisplayBuffer(&rgb, &a, out.data(), 8, 2, nullptr, nullptr, nullptr, 0), 0);
  EXPECT_EQ(rgb.red[out[0]], 255);
  EXPECT_EQ(rgb.blue[out[7]], 255);

  CRasterImage g;
  Make8(g, 4, 4, 1, 1);
  CImageArea off{10, 10, 4, 4, 0};
  EXPECT_LT(GetDisplayBuffer(&g, &off, out.data(), 2, 2, nullptr, nullptr, nullptr, 0), 0);
  CImageArea all{0, 0, 4, 4, 0};
  EXPECT_LT(GetDisplayBuffer(&g, &all, out.data(), 0, 2, nullptr, nullptr, nullptr, 0), 0);
  EXPECT_LT(GetDisplayBuffer(&g, &all, out.data(), 2, 2, nullptr, nullptr, nullptr, kDisplayRGB), 0);
  CRasterImage none;
  EXPECT_LT(GetDisplayBuffer(&none, &all, out.data(), 2, 2, nullptr, nullptr, nullptr, 0), 0);
}
