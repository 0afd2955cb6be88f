// The BMP reader: the kinds of bitmap it reads, and damaged or hostile files
// (headers out of range, run-length data running outside the image, sizes
// the file cannot hold) refused with the record left as it was, without
// taking memory for what the header claims.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "raster/imagefile.h"
#include "raster/rasterimage.h"
#include "tests/raster/bmp_test_util.h"
#include "tests/support/testutil.h"

using namespace qzn;
using bmptest::Bytes;
using bmptest::ExpectSentinel;
using bmptest::FillSentinel;
using bmptest::MakeBmp;

namespace {

Bytes Fixture(const std::string& name) {
  return qzntest::ReadFileBytes(qzntest::SourcePath("tests/fixtures/damaged/" + name));
}

TEST(BmpReader, RefusesDamagedAndHostileFiles) {
  qzntest::TempDir dir;
  Bytes row24(12);  // 3 pixels of 24 bits, padded: 9 -> 12
  Bytes rows24;
  for (int i = 0; i < 2; ++i) rows24.insert(rows24.end(), row24.begin(), row24.end());
  Bytes shortFile = MakeBmp(3, 2, 24, 0, rows24);
  shortFile.erase(shortFile.end() - 5, shortFile.end());
  Bytes notBm = MakeBmp(3, 2, 24, 0, rows24);
  notBm[0] = 'X';
  const Bytes rleOverrun = {5, 1, 0, 1};         // 5 pixels into a row of 4
  const Bytes rleNoEnd = {4, 1, 0, 0};           // no end-of-bitmap mark
  const Bytes rleDeltaOut = {0, 2, 0, 9, 0, 1};  // delta 9 rows down
  const Bytes rleLiteralOut = {0, 5, 1, 2, 3, 4, 5, 0, 0, 1};
  struct Case {
    const char* name;
    Bytes file;
    int result;
  } cases[] = {
      {"core header", MakeBmp(3, 2, 24, 0, rows24, 0, 12), -3},
      {"short header size", MakeBmp(3, 2, 24, 0, rows24, 0, 20), -3},
      {"not BM", notBm, -3},
      {"32 bits", MakeBmp(3, 2, 32, 0, Bytes(24)), -3},
      {"16 bits", MakeBmp(3, 2, 16, 0, Bytes(16)), -3},
      {"RLE4", MakeBmp(3, 2, 4, 16, Bytes(8), 2), -3},
      {"truncated rows", shortFile, -1},
      {"huge size, tiny file", MakeBmp(100000, 100000, 24, 0, rows24), -1},
      {"width x height beyond memory", MakeBmp(0x7FFFFFFF, 0x7FFFFFFF, 24, 0, rows24), -3},
      {"height INT32_MIN", MakeBmp(3, INT32_MIN, 24, 0, rows24), -3},
      {"zero width", MakeBmp(0, 2, 24, 0, rows24), -3},
      {"RLE8 run beyond row", MakeBmp(4, 1, 8, 2, rleOverrun, 1), -1},
      {"RLE8 literal beyond row", MakeBmp(4, 1, 8, 2, rleLiteralOut, 1), -1},
      {"RLE8 delta beyond image", MakeBmp(4, 2, 8, 2, rleDeltaOut, 1), -1},
      {"RLE8 without end", MakeBmp(4, 1, 8, 2, rleNoEnd, 1), -1},
      {"file header only", Bytes(notBm.begin(), notBm.begin() + 10), -1},
      // Run-length files declaring far more pixels than their data could
      // fill by runs (255 a pair): refused before the image is taken.
      {"RLE8 of 56 bytes declaring 100000 x 100000", Fixture("bmp-rle8-100000x100000-touches-10GB.bmp"), -1},
      {"RLE8 of 56 bytes declaring 72 x 16776960", Fixture("bmp-rle8-72x16776960-black-hang.bmp"), -1},
      {"RLE8 of 1096 bytes declaring 536870912 x 8", Fixture("readers/bmp/bmp-rle8-wide-rows.bmp"), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    qzntest::WriteFileBytes(dir.file("x.bmp"), c.file);
    CRasterImage img;
    FillSentinel(img);
    EXPECT_EQ(ReadBmpIntoImage(dir.file("x.bmp"), img), c.result);
    ExpectSentinel(img);
  }
  CRasterImage img;
  EXPECT_EQ(ReadBmpIntoImage(dir.file("missing.bmp"), img), -1);
}

TEST(BmpReader, KindsAndPalettes) {
  qzntest::TempDir dir;
  struct Case {
    const char* name;
    int bits, entries, bitsOut, photometric;
  } cases[] = {
      {"8 bits without a table is grey", 8, 0, 8, 1},
      {"8 bits with a table is palette", 8, 256, 8, 3},
      {"4 bits keeps its palette", 4, 16, 8, 3},
      {"24 bits", 24, 0, 8, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int w = 3, h = 2;
    const std::int64_t rowBytes = (c.bits * w + 31) / 32 * 4;
    Bytes data(static_cast<std::size_t>(rowBytes * h), 0x21);
    Bytes file = MakeBmp(w, h, c.bits, c.entries, data);
    // The data follows the info header directly when there is no table.
    qzntest::WriteFileBytes(dir.file("k.bmp"), file);
    CRasterImage img;
    ASSERT_EQ(ReadBmpIntoImage(dir.file("k.bmp"), img), 1);
    EXPECT_EQ(img.bitsPerSample, c.bitsOut);
    EXPECT_EQ(img.photometric, c.photometric);
    if (c.bits == 8 && c.entries == 0) {
      ASSERT_TRUE(img.HasPalette());
      EXPECT_EQ(img.red[0], 255);
      EXPECT_EQ(img.blue[255], 255);
    }
    if (c.bits == 4) {
      EXPECT_EQ(img.GetByte(0, 0), 2);
      EXPECT_EQ(img.GetByte(2, 0), 2);  // the last pixel of an odd row
      EXPECT_EQ(img.GetByte(1, 0), 1);
      EXPECT_EQ(img.red[15], 45);  // table entry 15: (b 15, g 240, r 45)
    }
  }
}

// A packed DIB of a 24-bit image w x h whose pixel (x, y) is (x, y, x + y).

// Run-length data may leave most of the bitmap to the background: jumps
// (delta), ends of lines and the end-of-bitmap mark skip pixels, which read
// as 0. Bottom-up, the first stored row is the image's last.
TEST(BmpReader, RunLengthDataSkipsToTheBackground) {
  qzntest::TempDir dir;
  const Bytes data = {2, 7, 0,   0,         // row 0 from the bottom: two 7s, end of line
                      0, 2, 250, 1,         // 250 right, 1 up
                      0, 3, 4,   5, 6, 0,   // three literal pixels, padded
                      0, 2, 0,   1, 0, 1};  // one row up, end of bitmap
  qzntest::WriteFileBytes(dir.file("r.bmp"), MakeBmp(300, 4, 8, 2, data, 1));
  CRasterImage img;
  ASSERT_EQ(ReadBmpIntoImage(dir.file("r.bmp"), img), 1);
  ASSERT_EQ(img.width, 300);
  ASSERT_EQ(img.height, 4);
  EXPECT_EQ(img.photometric, kPhotometricPalette);
  long nonZero = 0;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 300; ++x) nonZero += img.GetByte(x, y) != 0;
  EXPECT_EQ(nonZero, 5);
  EXPECT_EQ(img.GetByte(0, 3), 7);
  EXPECT_EQ(img.GetByte(1, 3), 7);
  EXPECT_EQ(img.GetByte(250, 1), 4);
  EXPECT_EQ(img.GetByte(252, 1), 6);
}

// The refusals come before the image's memory is asked for: with the
// address space held to little more than the process uses, a reader that
// allocated first would fail for memory (-2), not for the file (-1). (Not
// under the sanitizers, whose shadow memory needs the address space.)
#if !defined(__SANITIZE_ADDRESS__)
TEST(BmpReader, HugeDeclaredSizesAreRefusedWithoutTakingMemory) {
  const char* const files[] = {"bmp-rle8-100000x100000-touches-10GB.bmp", "bmp-rle8-72x16776960-black-hang.bmp",
                               "readers/bmp/bmp-rle8-wide-rows.bmp"};
  EXPECT_EXIT(
      {
        if (!qzntest::LimitAddressSpace(64u << 20)) std::_Exit(3);
        for (const char* f : files) {
          CRasterImage img;
          if (ReadBmpIntoImage(qzntest::SourcePath(std::string("tests/fixtures/damaged/") + f), img) != -1)
            std::_Exit(1);
        }
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
