// JPEG and PNG: what we write shows in Pillow as it shows here (white-is-zero
// images are not negatives, palettes fit the depth, 16-bit samples keep their
// values); damaged files are refused and leave the record alone.
#include "raster/imagefile.h"
#include "raster/jpegpng.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/host.h"
#include "raster/rasterimage.h"
#include "tests/raster/test_imagefile_support.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The length of the PNG's PLTE chunk, or -1.
long PaletteChunkLength(const Bytes& png) {
  for (std::size_t i = 4; i + 4 <= png.size(); ++i)
    if (std::memcmp(&png[i], "PLTE", 4) == 0)
      return (long(png[i - 4]) << 24) | (long(png[i - 3]) << 16) | (long(png[i - 2]) << 8) | long(png[i - 1]);
  return -1;
}

TEST(PngWrite, PillowSeesWhatTheRecordShows) {
  QZN_REQUIRE_ORACLE(imgtest::HaveOracle(), "the image oracles (Pillow, numpy, GDAL's Python bindings)")
  qzntest::TempDir dir;
  struct Case {
    const char* name;
    int bits, planes, photometric;
    bool palette;
    long plte;  // PLTE chunk length, -1 none
  } cases[] = {
      {"grey", 8, 1, 1, false, -1},
      {"grey_white_is_zero", 8, 1, 0, false, -1},
      {"bilevel_white_is_zero", 1, 1, 0, false, -1},
      {"bilevel", 1, 1, 1, false, -1},
      {"palette8", 8, 1, 3, true, 768},
      {"palette1", 1, 1, 3, true, 6},
      {"rgb", 8, 3, 2, false, -1},
      {"grey16", 16, 1, 1, false, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CRasterImage img;
    imgtest::MakeTestImage(img, 19, 7, c.bits, c.planes, c.photometric);
    if (c.palette) {
      ASSERT_EQ(img.AllocPalette(), 1);
      for (int i = 0; i < 256; ++i) {
        img.red[i] = static_cast<std::uint8_t>(i * 3);
        img.green[i] = static_cast<std::uint8_t>(i ^ 0xA5);
        img.blue[i] = static_cast<std::uint8_t>(200 - i);
      }
    }
    const std::string file = dir.file(std::string(c.name) + ".png");
    ASSERT_EQ(WritePngFile(file, img), 1);
    EXPECT_EQ(PaletteChunkLength(qzntest::ReadFileBytes(file)), c.plte);
    CRasterImage back;
    ASSERT_EQ(ReadPngFile(file, back), 1);
    if (c.bits == 16) {
      // Host order in the record, whatever the file's byte order.
      EXPECT_EQ(imgtest::FirstDifference(imgtest::PillowDecode(file, true), imgtest::RawSamples(img)), -1);
      EXPECT_EQ(imgtest::FirstDifference(imgtest::RawSamples(back), imgtest::RawSamples(img)), -1);
      continue;
    }
    const Bytes shown = imgtest::RenderRgb(img);
    EXPECT_EQ(imgtest::FirstDifference(imgtest::PillowDecode(file), shown), -1);
    EXPECT_EQ(imgtest::FirstDifference(imgtest::RenderRgb(back), shown), -1);
  }
}

TEST(PngRead, BilevelRowsEndWithClearPadding) {
  // libpng leaves the bits after the last pixel of a packed row as the
  // buffer held them; the record's rows must end in clear bits as every
  // other reader leaves them.
  qzntest::TempDir dir;
  CRasterImage img;
  imgtest::MakeTestImage(img, 13, 5, 1, 1, 1);
  const std::string file = dir.file("b13.png");
  ASSERT_EQ(WritePngFile(file, img), 1);
  CRasterImage back;
  ASSERT_EQ(ReadPngFile(file, back), 1);
  ASSERT_EQ(back.bitsPerSample, 1);
  ASSERT_EQ(back.GetRowBytes(), 2);
  for (int y = 0; y < back.height; ++y) {
    EXPECT_EQ(back.GetRow(y)[1] & 0x07, 0) << y;
    for (int x = 0; x < back.width; ++x) EXPECT_EQ(back.GetBit(x, y), img.GetBit(x, y)) << x << "," << y;
  }
}

TEST(JpegWrite, GreyAndColourAsPillowShowsThem) {
  QZN_REQUIRE_ORACLE(imgtest::HaveOracle(), "the image oracles (Pillow, numpy, GDAL's Python bindings)")
  qzntest::TempDir dir;
  struct Case {
    const char* name;
    int planes, photometric;
  } cases[] = {{"grey", 1, 1}, {"grey_white_is_zero", 1, 0}, {"rgb", 3, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CRasterImage img;
    imgtest::MakeTestImage(img, 32, 16, 8, c.planes, c.photometric);
    // Smooth content, so that quality 95 stays within a few levels.
    for (int p = 0; p < c.planes; ++p)
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) img.SetPlaneByte(x, y, p, static_cast<std::uint8_t>(20 + x * 4 + y * 3 + p * 30));
    const std::string file = dir.file(std::string(c.name) + ".jpg");
    ASSERT_EQ(WriteJpegFile(file, 95, img), 1);
    const Bytes shown = imgtest::RenderRgb(img);
    const Bytes pillow = imgtest::PillowDecode(file);
    ASSERT_EQ(pillow.size(), shown.size());
    int worst = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) worst = std::max(worst, std::abs(int(pillow[i]) - int(shown[i])));
    EXPECT_LE(worst, 8);
    CRasterImage back;
    ASSERT_EQ(ReadJpegFile(file, back), 1);
    EXPECT_EQ(back.planes, c.planes);
    EXPECT_EQ(back.photometric, c.planes == 3 ? 2 : 1);
    EXPECT_EQ(imgtest::FirstDifference(imgtest::RenderRgb(back), pillow), -1);  // the same library decodes both
  }
}

TEST(JpegWrite, RefusesWhatJpegCannotHoldAndCreatesNoFile) {
  qzntest::TempDir dir;
  CRasterImage pal;
  imgtest::MakeTestImage(pal, 4, 4, 8, 1, 3);
  ASSERT_EQ(pal.AllocPalette(), 1);
  EXPECT_EQ(WriteJpegFile(dir.file("p.jpg"), 50, pal), 0);
  CRasterImage bw;
  imgtest::MakeTestImage(bw, 4, 4, 1, 1, 0);
  EXPECT_EQ(WriteJpegFile(dir.file("b.jpg"), 50, bw), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(JpegPngRead, DamagedFilesAreRefusedAndKeepTheRecord) {
  qzntest::TempDir dir;
  CScriptedHost host;
  CHostScope scope(&host);
  CRasterImage src;
  imgtest::MakeTestImage(src, 64, 48, 8, 3, 2);
  ASSERT_EQ(WritePngFile(dir.file("ok.png"), src), 1);
  ASSERT_EQ(WriteJpegFile(dir.file("ok.jpg"), 75, src), 1);
  const Bytes png = qzntest::ReadFileBytes(dir.file("ok.png"));
  const Bytes jpg = qzntest::ReadFileBytes(dir.file("ok.jpg"));
  qzntest::WriteFileBytes(dir.file("short.png"), Bytes(png.begin(), png.begin() + static_cast<long>(png.size() / 2)));
  qzntest::WriteFileBytes(dir.file("short.jpg"), Bytes(jpg.begin(), jpg.begin() + static_cast<long>(jpg.size() / 2)));
  Bytes badCrc = png;
  badCrc[40] ^= 0xFF;  // inside the first IDAT
  qzntest::WriteFileBytes(dir.file("crc.png"), badCrc);
  qzntest::WriteFileText(dir.file("junk.png"), "\x89PNG\r\n\x1a\njunk");
  qzntest::WriteFileText(dir.file("junk.jpg"), "\xFF\xD8junk");

  for (const char* f : {"short.png", "crc.png", "junk.png", "missing.png"}) {
    SCOPED_TRACE(f);
    CRasterImage img;
    imgtest::MakeTestImage(img, 3, 2, 8, 1, 1);
    const std::uint8_t last = img.pixels[5];
    EXPECT_EQ(ReadPngFile(dir.file(f), img), 0);
    EXPECT_EQ(img.width, 3);
    EXPECT_EQ(img.pixels[5], last);
  }
  EXPECT_TRUE(host.messages.empty());  // the PNG reader shows nothing
  for (const char* f : {"short.jpg", "junk.jpg"}) {
    SCOPED_TRACE(f);
    CRasterImage img;
    imgtest::MakeTestImage(img, 3, 2, 8, 1, 1);
    const std::uint8_t last = img.pixels[5];
    EXPECT_EQ(ReadJpegFile(dir.file(f), img), 0);
    EXPECT_EQ(img.width, 3);
    EXPECT_EQ(img.pixels[5], last);
  }
  EXPECT_TRUE(host.messages.empty());
  CRasterImage img;
  EXPECT_EQ(ReadJpegFile(dir.file("missing.jpg"), img), 0);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "不能打开文件");
}

// libjpeg's corrupt-data warnings fail the read at the first one, with the
// library's words: a scan cut short (also when an end marker follows), a bad
// Huffman code, and a 65500 x 65500 header over 1.5 KB of data, which is
// refused at once rather than decoded as 4 G padding pixels. CMYK files are
// refused as print colour.
TEST(JpegRead, CorruptDataAndCmykAreRefusedWithTheReason) {
  const struct {
    const char* file;
    const char* reason;
    const char* detail;
  } cases[] = {
      {"damaged/jpeg-cut-scan-with-eoi-exit0.jpg", kReadDamaged, "Corrupt JPEG data"},
      {"damaged/jpeg-bad-huffman-code-exit0.jpg", kReadDamaged, "Corrupt JPEG data: bad Huffman code"},
      {"damaged/jpeg-65500x65500-cut-scan.jpg", kReadDamaged, "Corrupt JPEG data"},
      {"cmyk.jpg", kReadCmyk, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    CRasterImage img;
    CImageReadProblem problem;
    EXPECT_EQ(ReadJpegFile(qzntest::SourcePath(std::string("tests/fixtures/") + c.file), img, &problem), 0);
    EXPECT_EQ(problem.reason, c.reason);
    EXPECT_EQ(problem.detail.rfind(c.detail, 0), 0u) << problem.detail;
    EXPECT_FALSE(img.HasPixels());
  }
}

// What the user is told when a file of each kind is refused, through the
// one read-by-type entry point: the kind, the reason and the library's
// words; a missing file says that it does not exist.
TEST(ImageReadByType, RefusalsSayWhy) {
  qzntest::TempDir dir;
  CRasterImage src;
  imgtest::MakeTestImage(src, 64, 48, 8, 3, 2);
  ASSERT_EQ(WritePngFile(dir.file("ok.png"), src), 1);
  const Bytes png = qzntest::ReadFileBytes(dir.file("ok.png"));
  qzntest::WriteFileBytes(dir.file("short.png"), Bytes(png.begin(), png.begin() + static_cast<long>(png.size() / 2)));
  qzntest::WriteFileText(dir.file("cut.gif"), std::string("GIF89a\x04\x00\x04\x00\x00\x00\x00,", 14));
  qzntest::WriteFileBytes(dir.file("cut.rlc"), Bytes{0x00, 0x10, 0x00, 0x08, 0x00});
  const struct {
    std::string file;
    std::string message;
  } cases[] = {
      {dir.file("short.png"), "打开 PNG 文件: 图像数据已损坏。 ("},
      {dir.file("cut.gif"), "打开 GIF 文件: 图像数据已损坏。"},
      {dir.file("cut.rlc"), "打开 RLC 文件: 图像数据已损坏。"},
      {qzntest::SourcePath("tests/fixtures/damaged/jpeg-bad-huffman-code-exit0.jpg"),
       "打开 JPEG 文件: 图像数据已损坏。 (Corrupt JPEG data: bad Huffman code)"},
      {qzntest::SourcePath("tests/fixtures/cmyk.jpg"), "打开 JPEG 文件: 不支持 CMYK 彩色图像。"},
      {qzntest::SourcePath("tests/fixtures/damaged/tiff-g4-bad-code-words-exit0.tif"),
       "打开 TIFF 文件: 读取 TIFF 文件出错。 (Fax4Decode: "},
      {dir.file("missing.jpg"), "文件不存在: " + dir.file("missing.jpg")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    CRasterImage img;
    CImageReadOutcome outcome;
    EXPECT_EQ(ReadImageByType(c.file, img, outcome), 0);
    EXPECT_EQ(outcome.message.rfind(c.message, 0), 0u) << outcome.message;
  }
}

}  // namespace
