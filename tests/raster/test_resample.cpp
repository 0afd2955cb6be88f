#include "raster/resample.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/host.h"
#include "tests/raster/test_imaging_support.h"

using namespace qzn;

namespace {

using imgtest::Bits;
using imgtest::Bytes;
using imgtest::Make8;
using imgtest::MakeBits;

TEST(ResizeImage, ShrinkKeepsTopLeftOfEachBlock) {
  CRasterImage img;
  std::vector<std::uint8_t> data(70);
  for (int i = 0; i < 70; ++i) data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  Make8(img, 10, 7, 1, 1, data);
  ASSERT_EQ(ResizeImage(&img, 1, 3), 1);
  EXPECT_EQ(img.width, 3);
  EXPECT_EQ(img.height, 2);
  // Columns 0, 3, 6 of rows 0 and 3.
  EXPECT_EQ(Bytes(img), (std::vector<std::uint8_t>{0, 3, 6, 30, 33, 36}));
}

TEST(ResizeImage, EnlargedBilevelRowsKeepPaddingClear) {
  CRasterImage img;
  MakeBits(img, {"#.#.#", ".#.#."});
  ASSERT_EQ(ResizeImage(&img, 0, 2), 1);
  EXPECT_EQ(img.width, 10);
  EXPECT_EQ(img.height, 4);
  EXPECT_EQ(img.GetRowBytes(), 2);
  EXPECT_EQ(Bits(img), (std::vector<std::string>{"##..##..##", "##..##..##", "..##..##..", "..##..##.."}));
  for (int y = 0; y < 4; ++y) EXPECT_EQ(img.GetRow(y)[1] & 0x3F, 0) << "row " << y;
}

TEST(ResizeImage, BilevelShrinkSamplesBitByBit) {
  CRasterImage img;
  MakeBits(img, {"#..#..#..#", "..........", "..........", "#.....#...", "##########", "##########"});
  ASSERT_EQ(ResizeImage(&img, 1, 3), 1);
  EXPECT_EQ(Bits(img), (std::vector<std::string>{"###", "#.#"}));
}

// numpy slicing and repetition say what block sampling and replication are.
TEST(ResizeImage, AgreesWithNumpyOnRgbPlanes) {
  QZN_REQUIRE_PY("numpy");
  const int w = 37, h = 23;
  const auto data = imgtest::Random(static_cast<std::size_t>(w) * h * 3, 7);
  for (const auto& [shrink, factor] : std::vector<std::pair<int, int>>{{1, 4}, {0, 3}}) {
    CRasterImage img;
    Make8(img, w, h, 3, 2, data);
    ASSERT_EQ(ResizeImage(&img, shrink, factor), 1);
    const std::string op =
        shrink ? "a[:, ::4, ::4][:, :23 // 4, :37 // 4]" : "np.repeat(np.repeat(a, 3, axis=1), 3, axis=2)";
    const auto expected = imgtest::RunPy(
        "a = np.fromfile(IN, np.uint8).reshape(3, 23, 37)\n"
        "np.ascontiguousarray(" +
            op + ").tofile(OUT)",
        data);
    EXPECT_EQ(Bytes(img), expected) << "shrink " << shrink;
  }
}

TEST(ResizeImage, RefusesWithoutChangingTheImage) {
  CRasterImage img;
  Make8(img, 4, 4, 1, 1, imgtest::Random(16, 1));
  const auto before = Bytes(img);
  EXPECT_EQ(ResizeImage(&img, 1, 0), 0);
  EXPECT_EQ(ResizeImage(&img, 0, -2), 0);
  EXPECT_EQ(ResizeImage(&img, 1, 5), 0);  // nothing would be left
  EXPECT_EQ(ResizeImage(nullptr, 1, 2), 0);
  EXPECT_EQ(img.width, 4);
  EXPECT_EQ(Bytes(img), before);

  CScriptedHost host;
  CHostScope scope(&host);
  EXPECT_EQ(ResizeImage(&img, 0, 1 << 30), 0);  // beyond any int
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "没有足够的空间执行这个操作。");
  EXPECT_EQ(Bytes(img), before);
}

TEST(WarpImage, BilinearUsesTheLastRowAndColumn) {
  CRasterImage img;
  Make8(img, 3, 3, 1, 1, {10, 20, 30, 40, 50, 60, 70, 80, 90});
  // Output 2 x 1: (2, 1.5) between rows 1 and 2 of the last column, and
  // (2.5, 2) just beyond it.
  ASSERT_EQ(WarpImage(
                &img, 2, 1,
                [](int, double* sx, double* sy) {
                  sx[0] = 2.0, sy[0] = 1.5;
                  sx[1] = 2.5, sy[1] = 2.0;
                  return true;
                },
                CWarpSampling::bilinear),
            1);
  EXPECT_EQ(Bytes(img), (std::vector<std::uint8_t>{75, 255}));
}

TEST(WarpImage, OutsideIsTheImagesWhite) {
  struct Case {
    const char* name;
    int bits, planes, photometric;
    std::vector<std::uint8_t> expected;  // of the one outside pixel, per plane
  };
  const std::vector<Case> cases = {
      {"grey, 0 black", 8, 1, 1, {255}},
      {"grey, 0 white", 8, 1, 0, {0}},
      {"rgb", 8, 3, 2, {255, 255, 255}},
      {"palette", 8, 1, 3, {7}},
  };
  auto outside = [](int, double* sx, double* sy) {
    sx[0] = -3.0, sy[0] = 1.0;
    return true;
  };
  for (const Case& c : cases) {
    CRasterImage img;
    Make8(img, 2, 2, c.planes, c.photometric);
    if (c.photometric == 3) {
      ASSERT_EQ(img.AllocPalette(), 1);
      img.red[7] = img.green[7] = img.blue[7] = 250;  // the nearest to white
    }
    for (CWarpSampling s : {CWarpSampling::nearest, CWarpSampling::bilinear}) {
      CRasterImage copy;
      ASSERT_EQ(copy.CopyFrom(img, 1, 1), 1);
      ASSERT_EQ(WarpImage(&copy, 1, 1, outside, s), 1) << c.name;
      EXPECT_EQ(Bytes(copy), c.expected) << c.name;
    }
  }
  for (int photometric : {0, 1}) {
    CRasterImage img;
    MakeBits(img, {"##", "##"}, photometric);
    ASSERT_EQ(WarpImage(&img, 1, 1, outside, CWarpSampling::nearest), 1);
    EXPECT_EQ(img.GetBit(0, 0), photometric == 0 ? 0 : 1) << "bilevel, photometric " << photometric;
  }
}

TEST(WarpImage, NearestRoundsToThePixel) {
  CRasterImage img;
  MakeBits(img, {"#.", ".."});
  ASSERT_EQ(WarpImage(
                &img, 3, 1,
                [](int, double* sx, double* sy) {
                  sx[0] = 0.49, sy[0] = 0.2;   // pixel (0, 0)
                  sx[1] = 0.51, sy[1] = 0.0;   // pixel (1, 0)
                  sx[2] = -0.4, sy[2] = -0.4;  // still pixel (0, 0)
                  return true;
                },
                CWarpSampling::nearest),
            1);
  EXPECT_EQ(Bits(img), (std::vector<std::string>{"#.#"}));
}

TEST(WarpImage, AbandonedOrRefusedWarpKeepsTheImage) {
  CRasterImage img;
  Make8(img, 3, 3, 1, 1, imgtest::Random(9, 3));
  const auto before = Bytes(img);
  EXPECT_EQ(WarpImage(
                &img, 5, 5, [](int row, double*, double*) { return row < 2; }, CWarpSampling::bilinear),
            0);
  EXPECT_EQ(WarpImage(
                &img, 0, 5, [](int, double*, double*) { return true; }, CWarpSampling::bilinear),
            0);
  EXPECT_EQ(img.width, 3);
  EXPECT_EQ(Bytes(img), before);
}

}  // namespace
