// The raster image record: memory and copying, layout, pixel and rectangle
// access, stream backup and the colour and foreground helpers.
#include "raster/rasterimage.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/raster/test_imaging_support.h"

using namespace qzn;

using imgtest::Bits;
using imgtest::Make8;
using imgtest::MakeBits;

TEST(RasterImage, InitialStateAndEmptyImage) {
  CRasterImage img;
  EXPECT_EQ(img.pixels, nullptr);
  EXPECT_EQ(img.planes, 1);
  EXPECT_EQ(img.bitsPerSample, 8);
  EXPECT_EQ(img.photometric, 1);
  // 0 x 0: allocation succeeds with no block; every kind test is false.
  EXPECT_EQ(img.AllocPixels(), 1);
  EXPECT_EQ(img.pixels, nullptr);
  EXPECT_EQ(img.pixelBlock, nullptr);
  EXPECT_FALSE(img.IsGrey() || img.IsBilevel() || img.IsRGB() || img.IsPaletteColor() || img.IsSeparated());
}

TEST(RasterImage, KindTests) {
  struct Case {
    int bits, planes, photometric;
    bool bilevel, grey, palette, separated, rgb;
  } cases[] = {
      {1, 1, 0, true, false, false, false, false}, {8, 1, 0, false, true, false, false, false},
      {8, 1, 1, false, true, false, false, false}, {8, 1, 3, false, false, true, false, false},
      {8, 1, 5, false, false, false, true, false}, {8, 3, 2, false, false, false, false, true},
  };
  for (const Case& c : cases) {
    CRasterImage img;
    img.width = 3;
    img.height = 2;
    img.bitsPerSample = c.bits;
    img.planes = c.planes;
    img.photometric = c.photometric;
    ASSERT_EQ(img.AllocPixels(), 1);
    EXPECT_EQ(img.IsBilevel(), c.bilevel);
    EXPECT_EQ(img.IsGrey(), c.grey);
    EXPECT_EQ(img.IsPaletteColor(), c.palette);
    EXPECT_EQ(img.IsSeparated(), c.separated);
    EXPECT_EQ(img.IsRGB(), c.rgb);
  }
}

TEST(RasterImage, FailedAllocationKeepsTheOldPixels) {
  CRasterImage img;
  Make8(img, 4, 4, 1, 1, std::vector<std::uint8_t>(16, 7));
  BYTE* old = img.pixels;
  img.width = INT32_MAX;
  img.height = INT32_MAX;
  img.planes = 3;  // 13.8 EB: no allocator gives that
  EXPECT_EQ(img.AllocPixels(), 0);
  EXPECT_EQ(img.pixels, old);
  EXPECT_EQ(old[15], 7);
  // Sizes are 64-bit: 60000 x 60000 x 3 is not truncated to 32 bits.
  img.width = 60000;
  img.height = 60000;
  EXPECT_EQ(img.GetImageBytes(), 10800000000LL);
}

TEST(RasterImage, LayoutOfBitsAndPlanes) {
  CRasterImage img;
  MakeBits(img, {".........", "........#"});
  EXPECT_EQ(img.GetRowBytes(), 2);
  EXPECT_EQ(img.pixels[2], 0);
  EXPECT_EQ(img.pixels[3], 0x80);  // pixel 8 is bit 7 of the row's second byte
  EXPECT_EQ(img.GetBit(8, 1), 1);
  img.ClearBit(8, 1);
  EXPECT_EQ(img.pixels[3], 0);

  CRasterImage rgb;
  Make8(rgb, 5, 2, 3, 2);
  EXPECT_EQ(rgb.GetPlaneOffset(1), 10);
  EXPECT_EQ(rgb.GetPlaneOffset(2), 20);
  EXPECT_EQ(rgb.GetPlaneOffset(3), 0);  // beyond the planes: 0, not the block's end
  rgb.SetPlaneByte(4, 1, 2, 99);
  EXPECT_EQ(rgb.pixels[20 + 5 + 4], 99);

  img.bitsPerSample = 40;
  EXPECT_EQ(img.GetUnpackedRowBytes(), 4 * 9);
  img.bitsPerSample = -3;
  EXPECT_EQ(img.GetUnpackedRowBytes(), 0);
}

TEST(RasterImage, RowAndColumnAccess) {
  CRasterImage img;
  MakeBits(img, {"#..#.#.##.#", "..........."});
  BYTE row[11];
  img.GetRowBits(0, row);
  const BYTE want[11] = {1, 0, 0, 1, 0, 1, 0, 1, 1, 0, 1};
  EXPECT_TRUE(std::equal(row, row + 11, want));
  img.SetRowBits(1, want);
  EXPECT_EQ(Bits(img)[1], "#..#.#.##.#");
  EXPECT_EQ(img.pixels[3] & 0x1F, 0);  // padding bits of the row stay clear

  CRasterImage g;
  Make8(g, 3, 2, 3, 2, {1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 21, 22, 23, 24, 25, 26});
  BYTE col[2];
  g.GetPlaneColumn(1, 2, col);
  EXPECT_EQ(col[0], 22);
  EXPECT_EQ(col[1], 25);
  const BYTE put[2] = {90, 91};
  g.PutPlaneColumn(2, 0, put);
  EXPECT_EQ(g.GetByte(2, 0), 90);
  EXPECT_EQ(g.GetByte(2, 1), 91);
  BYTE r[3];
  g.GetPlaneRow(1, 1, r);
  EXPECT_EQ(r[2], 16);
}

TEST(RasterImage, CopyFrom) {
  CRasterImage src;
  Make8(src, 4, 3, 3, 2, imgtest::Random(36, 1));
  ASSERT_EQ(src.AllocPalette(), 1);
  src.red[5] = 50;
  src.blue[255] = 7;
  ASSERT_EQ(src.AllocColorCache(), 1);
  src.colorCache[32767] = 9;
  ASSERT_EQ(src.AllocTiePoints(2), 1);
  src.tiePoints[11] = 3.5;
  src.pixelScaleValid = 1;
  src.pixelScale[1] = 0.25;

  CRasterImage header;
  ASSERT_EQ(header.CopyFrom(src, 0, 0), 1);
  EXPECT_EQ(header.pixels, nullptr);      // header only, even though the source has pixels
  EXPECT_EQ(header.colorCache, nullptr);  // the cache goes with the pixels
  EXPECT_EQ(header.red[5], 50);
  EXPECT_EQ(header.blue[255], 7);
  EXPECT_EQ(header.tiePointCount, 2);
  EXPECT_EQ(header.tiePoints[11], 3.5);
  EXPECT_EQ(header.pixelScale[1], 0.25);
  EXPECT_NE(header.red, src.red);

  CRasterImage full;
  ASSERT_EQ(full.CopyFrom(src, 1, 1), 1);
  EXPECT_EQ(imgtest::Bytes(full), imgtest::Bytes(src));
  EXPECT_EQ(full.colorCache[32767], 9);

  // Copying an image onto itself keeps everything.
  ASSERT_EQ(full.CopyFrom(full, 1, 1), 1);
  EXPECT_EQ(imgtest::Bytes(full), imgtest::Bytes(src));
  EXPECT_EQ(full.red[5], 50);
  EXPECT_TRUE(full.SameFormat(src));

  // Moving hands over every block and leaves the source empty.
  CRasterImage moved;
  Make8(moved, 1, 1, 1, 1);
  const BYTE* block = full.pixels;
  moved.MoveFrom(full);
  EXPECT_EQ(moved.pixels, block);
  EXPECT_EQ(moved.width, 4);
  EXPECT_EQ(moved.planes, 3);
  EXPECT_EQ(moved.red[5], 50);
  EXPECT_EQ(moved.tiePoints[11], 3.5);
  EXPECT_EQ(moved.pixelScale[1], 0.25);
  EXPECT_EQ(full.pixels, nullptr);
  EXPECT_EQ(full.red, nullptr);
  EXPECT_EQ(full.width, 0);
  EXPECT_EQ(full.tiePointCount, 0);
  full.MoveFrom(moved);

  full.Free();
  EXPECT_EQ(full.pixels, nullptr);
  EXPECT_EQ(full.red, nullptr);
  EXPECT_EQ(full.tiePoints, nullptr);
  EXPECT_EQ(full.tiePointCount, 0);
  EXPECT_EQ(full.width, 4);  // header stays
}

TEST(RasterImage, CopyFromLeavesNoGeoreferenceOfTheOldImage) {
  CRasterImage target;
  Make8(target, 2, 2, 1, 1);
  target.pixelScaleValid = 1;
  target.pixelScale[0] = 30.0;
  target.modelTransformationValid = 1;
  target.modelTransformation[3] = 500000.0;
  CRasterImage plain;  // no georeference at all
  Make8(plain, 3, 1, 1, 1);
  for (const int allocate : {0, 1}) {
    SCOPED_TRACE(allocate);
    target.pixelScaleValid = 1;
    target.modelTransformationValid = 1;
    ASSERT_EQ(target.CopyFrom(plain, allocate, allocate), 1);
    EXPECT_EQ(target.width, 3);
    EXPECT_EQ(target.pixelScaleValid, 0);
    EXPECT_EQ(target.modelTransformationValid, 0);
    EXPECT_EQ(target.tiePointCount, 0);
  }
}

TEST(RasterImage, GetRectClipsToImageAndBuffer) {
  CRasterImage img;
  MakeBits(img, {"#.#.#", ".#.#.", "#####"});
  // A 4 x 4 window from (3, 1) reaches past the right and bottom edges: only
  // the pixels inside are copied; the rest of the buffer is untouched.
  std::vector<BYTE> buf(16, 9);
  ASSERT_EQ(img.GetRect(3, 1, buf.data(), 4, 4), 1);
  EXPECT_EQ(buf, (std::vector<BYTE>{1, 0, 9, 9, 1, 1, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}));
  // Negative origin.
  std::fill(buf.begin(), buf.end(), 9);
  ASSERT_EQ(img.GetRect(-1, -1, buf.data(), 2, 2), 1);
  EXPECT_EQ(buf[3], 1);
  EXPECT_EQ(buf[0], 9);

  std::vector<BYTE> packed(2 * 1, 0xFF);
  ASSERT_EQ(img.GetRectPacked(0, 1, packed.data(), 5, 2), 1);
  EXPECT_EQ(packed[0], 0x50);  // .#.#.
  EXPECT_EQ(packed[1], 0xF8);  // #####

  CRasterImage g;
  Make8(g, 3, 2, 1, 1, {1, 2, 3, 4, 5, 6});
  std::vector<BYTE> b8(4, 0);
  ASSERT_EQ(g.GetRect(1, 0, b8.data(), 2, 2), 1);
  EXPECT_EQ(b8, (std::vector<BYTE>{2, 3, 5, 6}));
  EXPECT_EQ(g.GetRect(0, 0, nullptr, 1, 1), 0);
  CRasterImage none;
  EXPECT_EQ(none.GetRect(0, 0, b8.data(), 1, 1), 0);
}

TEST(RasterImage, PutRectWithTrimAndClipping) {
  CRasterImage img;
  MakeBits(img, {".....", ".....", "....."});
  // A 3 x 3 tile with trim 1: its last row and column are left out.
  const BYTE tile[9] = {1, 1, 1, 1, 0, 1, 1, 1, 1};
  ASSERT_EQ(img.PutRect(1, 0, tile, 3, 3, 1), 1);
  EXPECT_EQ(Bits(img), (std::vector<std::string>{".##..", ".#...", "....."}));
  // Placed past the corner, only the part inside is written.
  ASSERT_EQ(img.PutRect(4, 2, tile, 3, 3, 0), 1);
  EXPECT_EQ(Bits(img)[2], "....#");

  CRasterImage g;
  Make8(g, 3, 2, 1, 1);
  const BYTE v[4] = {7, 8, 9, 10};
  ASSERT_EQ(g.PutRect(2, 1, v, 2, 2, 0), 1);
  EXPECT_EQ(imgtest::Bytes(g), (std::vector<BYTE>{0, 0, 0, 0, 0, 7}));
}

TEST(RasterImage, PutBandAlignedKeepsTheLastPartialByte) {
  CRasterImage img;
  MakeBits(img, {"..............", ".............."});  // 14 pixels: one whole byte and 6 bits
  // Source rows of 14 pixels padded to 4 bytes.
  const BYTE band[8] = {0xA5, 0xFC, 0, 0, 0x01, 0x04, 0, 0};
  ASSERT_EQ(img.PutBandAligned(0, 0, band, 14, 2), 1);
  EXPECT_EQ(Bits(img), (std::vector<std::string>{"#.#..#.#######", ".......#.....#"}));
  EXPECT_EQ(img.pixels[1] & 0x03, 0);

  CRasterImage rgb;
  Make8(rgb, 2, 2, 3, 2);
  // Two pixels of 3 bytes = 6, padded to 8; three rows offered, two fit.
  const BYTE src[24] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0, 99, 99, 99, 99, 99, 99, 0, 0};
  ASSERT_EQ(rgb.PutBandAligned(0, 0, src, 2, 3), 1);
  EXPECT_EQ(imgtest::Bytes(rgb), (std::vector<BYTE>{1, 4, 7, 10, 2, 5, 8, 11, 3, 6, 9, 12}));

  CRasterImage g;
  Make8(g, 5, 1, 1, 1);
  const BYTE s8[8] = {1, 2, 3, 4, 5, 0, 0, 0};
  ASSERT_EQ(g.PutBandAligned(2, 0, s8, 5, 1), 1);  // clipped at the right edge
  EXPECT_EQ(imgtest::Bytes(g), (std::vector<BYTE>{0, 0, 1, 2, 3}));
}

TEST(RasterImage, RawBackupHoldsTheFirstPlane) {
  CRasterImage rgb;
  Make8(rgb, 3, 2, 3, 2, imgtest::Random(18, 5));
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(rgb.WriteRaw(f), 1);
  std::fflush(f);
  EXPECT_EQ(std::ftell(f), 6);  // one plane only
  const auto before = imgtest::Bytes(rgb);
  std::fill(rgb.pixels, rgb.pixels + 18, BYTE{0});
  ASSERT_EQ(rgb.ReadRaw(f), 1);
  EXPECT_TRUE(std::equal(before.begin(), before.begin() + 6, rgb.pixels));
  EXPECT_EQ(rgb.pixels[6], 0);
  std::fclose(f);

  CRasterImage bits;
  MakeBits(bits, {"#........", "........#"});
  f = std::tmpfile();
  ASSERT_EQ(bits.WriteRaw(f), 1);
  EXPECT_EQ(std::ftell(f), 4);
  std::fclose(f);
  EXPECT_EQ(bits.WriteRaw(nullptr), 0);
}

TEST(RasterImage, NearestPaletteIndexAndColorCache) {
  CRasterImage img;
  Make8(img, 2, 2, 3, 2);
  ASSERT_EQ(img.AllocPalette(), 1);
  for (int i = 0; i < 256; ++i) img.red[i] = img.green[i] = img.blue[i] = 128;
  img.red[10] = 250;
  img.green[10] = img.blue[10] = 250;
  img.red[20] = img.green[20] = img.blue[20] = 250;  // identical to 10: the lower wins
  img.red[30] = 200;
  img.green[30] = img.blue[30] = 0;
  EXPECT_EQ(img.NearestPaletteIndex(255, 255, 255), 10);
  EXPECT_EQ(img.NearestPaletteIndex(190, 10, 5), 30);
  EXPECT_EQ(img.NearestPaletteIndex(128, 128, 128), 0);

  EXPECT_EQ(img.UpdateColorCache(255, 0, 0), 0);  // no cache yet
  ASSERT_EQ(img.AllocColorCache(), 1);
  EXPECT_EQ(img.UpdateColorCache(201, 3, 2), 30);
  EXPECT_EQ(img.colorCache[((2 >> 3) << 10) | ((3 >> 3) << 5) | (201 >> 3)], 30);

  CRasterImage grey;
  Make8(grey, 1, 1, 1, 1);
  ASSERT_EQ(grey.AllocPalette(), 1);
  EXPECT_EQ(grey.NearestPaletteIndex(77, 0, 0), 77);  // grey images answer r
  ASSERT_EQ(grey.AllocColorCache(), 1);
  EXPECT_EQ(grey.UpdateColorCache(1, 2, 3), 0);  // only RGB images keep a cache
}

TEST(RasterImage, IsForegroundByKind) {
  CRasterImage bits0, bits1, grey, pal, rgb;
  MakeBits(bits0, {"#."}, 0);
  MakeBits(bits1, {"#."}, 1);
  Make8(grey, 2, 1, 1, 1, {40, 200});
  Make8(pal, 2, 1, 1, 3, {7, 8});
  Make8(rgb, 2, 1, 3, 2);
  const int range = (30 << 16) | 100;  // low 30, high 100
  EXPECT_EQ(bits0.IsForeground(0, 0, 0), 1);
  EXPECT_EQ(bits0.IsForeground(1, 0, 0), 0);
  EXPECT_EQ(bits1.IsForeground(0, 0, 0), 0);
  EXPECT_EQ(bits1.IsForeground(1, 0, 0), 1);
  EXPECT_EQ(grey.IsForeground(0, 0, range), 1);
  EXPECT_EQ(grey.IsForeground(1, 0, range), 0);
  EXPECT_EQ(pal.IsForeground(1, 0, 8), 1);
  EXPECT_EQ(pal.IsForeground(0, 0, 8), 0);
  EXPECT_EQ(rgb.IsForeground(0, 0, 0), 0);
  EXPECT_EQ(grey.IsForeground(-1, 0, range), 0);
  EXPECT_EQ(grey.IsForeground(2, 0, range), 0);

  const CPixelPoint pts[3] = {{0, 0}, {1, 0}, {5, 5}};
  auto flags = grey.SampleForeground(pts, 3, range);
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(flags[0], 1);
  EXPECT_EQ(flags[1], 0);
  EXPECT_EQ(flags[2], 0);
}

TEST(RasterImage, LinePoints) {
  struct Case {
    CPixelPoint a, b;
    std::vector<std::pair<int, int>> want;
  } cases[] = {
      {{0, 0}, {5, 2}, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
      {{3, 3}, {3, 0}, {{3, 3}, {3, 2}, {3, 1}}},
      {{2, 0}, {0, 2}, {{2, 0}, {1, 1}}},
      {{0, 0}, {-1, -4}, {{0, 0}, {0, -1}, {-1, -2}, {-1, -3}}},
      {{4, 4}, {4, 4}, {}},
  };
  for (const Case& c : cases) {
    std::vector<CPixelPoint> pts(8);
    pts[0] = c.a;
    pts[1] = c.b;
    const int n = CRasterImage::LinePoints(pts.data());
    ASSERT_EQ(n, static_cast<int>(c.want.size()));
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(pts[static_cast<std::size_t>(i)].x, c.want[static_cast<std::size_t>(i)].first) << i;
      EXPECT_EQ(pts[static_cast<std::size_t>(i)].y, c.want[static_cast<std::size_t>(i)].second) << i;
    }
  }
}
