// Reading by type, the BMP reader and the packed DIB pair.
#include "raster/imagefile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/host.h"
#include "raster/rasterimage.h"
#include "raster/rlcraw.h"
#include "raster/tiffio.h"
#include "tests/raster/test_imagefile_support.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A BMP file: file header, 40-byte info header, colour table, data.
Bytes MakeBmp(std::int32_t width, std::int32_t height, int bits, int tableEntries, const Bytes& data,
              int compression = 0, std::uint32_t headerSize = 40) {
  Bytes b(14 + 40 + 4 * tableEntries);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size() + data.size()));
  Put32(b, 10, static_cast<std::uint32_t>(b.size()));
  Put32(b, 14, headerSize);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<std::uint32_t>(bits));
  Put32(b, 30, static_cast<std::uint32_t>(compression));
  Put32(b, 34, static_cast<std::uint32_t>(data.size()));
  Put32(b, 46, static_cast<std::uint32_t>(tableEntries));
  for (int i = 0; i < tableEntries; ++i) {
    b[54 + 4 * i] = static_cast<std::uint8_t>(i);
    b[55 + 4 * i] = static_cast<std::uint8_t>(255 - i);
    b[56 + 4 * i] = static_cast<std::uint8_t>(i * 3);
  }
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// A record holding something, to see that a failed read leaves it alone.
void FillSentinel(CRasterImage& img) {
  img.width = 3;
  img.height = 2;
  img.bitsPerSample = 8;
  img.planes = 1;
  img.photometric = 1;
  ASSERT_EQ(img.AllocPixels(), 1);
  std::memset(img.pixels, 77, 6);
}
void ExpectSentinel(const CRasterImage& img) {
  ASSERT_EQ(img.width, 3);
  ASSERT_EQ(img.height, 2);
  ASSERT_NE(img.pixels, nullptr);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(img.pixels[i], 77);
}

TEST(ImageFileType, BySignature) {
  qzntest::TempDir dir;
  struct Case {
    std::string head;
    int type;
  } cases[] = {
      {"BM\x36\0\0\0", kImageTypeBmp},
      {"FILENAME x", kImageTypeRaw},
      {"GIF89a....", kImageTypeGif},
      {"II*\0\x08\0\0\0", kImageTypeTiff},
      {"MM\0*", kImageTypeTiff},
      {"STACK....", kImageTypeStack},
      {"\xFF\xD8\xFF\xE0", kImageTypeJpeg},
      {"\x89PNG\r\n\x1a\n", kImageTypePng},
      {"hello", kImageTypeUnknown},
      {"", kImageTypeUnknown},
  };
  for (const auto& c : cases) {
    qzntest::WriteFileText(dir.file("f"), c.head);
    EXPECT_EQ(GetImageFileType(dir.file("f")), c.type) << c.head;
  }
  std::string dicom(150, 'x');
  std::memcpy(&dicom[128], "DICM", 4);
  qzntest::WriteFileText(dir.file("f"), dicom);
  EXPECT_EQ(GetImageFileType(dir.file("f")), kImageTypeDicom);
  EXPECT_EQ(GetImageFileType(dir.file("missing")), kImageTypeUnknown);
}

TEST(ImageFileType, ExtensionIsTheFilesOwn) {
  EXPECT_TRUE(HasFileExtension("/scans/map.rlc", ".RLC"));
  EXPECT_TRUE(HasFileExtension("MAP.RlC", ".RLC"));
  EXPECT_TRUE(HasFileExtension("C:\\scans\\map.RLC", ".RLC"));
  EXPECT_FALSE(HasFileExtension("/scans/old.rlc/map.tif", ".RLC"));
  EXPECT_FALSE(HasFileExtension("/scans/map.rlc.tif", ".RLC"));
  EXPECT_FALSE(HasFileExtension(".RLC", ".RLC"));
  EXPECT_FALSE(HasFileExtension("/x/.rlc", ".RLC"));
  EXPECT_FALSE(HasFileExtension("/x/map.rlcx", ".RLC"));
  EXPECT_TRUE(HasFileExtension("/work/a.prj", ".PRJ"));
}

// An RLC file of 1 row, 8 columns and one run: what the extension selects.
Bytes SmallRlc() { return {0, 1, 0, 8, 0, 1, 0, 2, 0, 5}; }

TEST(ReadImageFile, DispatchesByExtensionThenContent) {
  qzntest::TempDir dir;
  CScriptedHost host;
  CHostScope scope(&host);
  qzntest::WriteFileBytes(dir.file("scan.RlC"), SmallRlc());
  CRasterImage img;
  ASSERT_EQ(ReadImageFile(dir.file("scan.RlC"), img), 1);
  EXPECT_EQ(img.bitsPerSample, 1);
  EXPECT_EQ(img.pixels[0], 0x1C);

  // A directory named like an RLC file does not make its TIFF an RLC.
  std::filesystem::create_directories(dir.path() / "old.rlc");
  const std::string tif = (dir.path() / "old.rlc" / "img.tif").string();
  CRasterImage grey;
  grey.width = 4;
  grey.height = 2;
  ASSERT_EQ(grey.AllocPixels(), 1);
  std::memset(grey.pixels, 9, 8);
  ASSERT_EQ(WriteTiffImage(tif, grey, 0), 1);
  ASSERT_EQ(ReadImageFile(tif, img), 1);
  EXPECT_EQ(img.bitsPerSample, 8);
  EXPECT_EQ(img.GetByte(3, 1), 9);

  qzntest::WriteFileText(dir.file("notes.txt"), "just text");
  EXPECT_EQ(ReadImageFile(dir.file("notes.txt"), img), 0);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "未知的文件格式。");

  qzntest::WriteFileBytes(dir.file("core.bmp"), MakeBmp(2, 2, 24, 0, Bytes(16), 0, 12));
  EXPECT_EQ(ReadImageFile(dir.file("core.bmp"), img), 0);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[1].text, "无效的图像参数或错误的 BMP 格式。");
  EXPECT_EQ(img.GetByte(3, 1), 9);  // the failed reads changed nothing
}

TEST(ReadImageFile, StartsFromAnEmptyRecord) {
  if (!imgtest::HaveOracle()) GTEST_SKIP();
  qzntest::TempDir dir;
  // A palette GeoTIFF with tie points, pixel scale and transformation...
  CRasterImage geo;
  geo.width = 5;
  geo.height = 4;
  geo.photometric = 3;
  ASSERT_EQ(geo.AllocPixels(), 1);
  ASSERT_EQ(geo.AllocPalette(), 1);
  std::memset(geo.pixels, 1, 20);
  ASSERT_EQ(geo.AllocTiePoints(1), 1);
  geo.tiePoints[3] = 500000;
  geo.pixelScaleValid = 1;
  geo.pixelScale[0] = geo.pixelScale[1] = 2;
  ASSERT_EQ(WriteTiffImage(dir.file("geo.tif"), geo, 5), 1);
  CRasterImage img;
  ASSERT_EQ(ReadImageFile(dir.file("geo.tif"), img), 1);
  ASSERT_TRUE(img.HasPalette());
  ASSERT_EQ(img.tiePointCount, 1);
  ASSERT_EQ(img.pixelScaleValid, 1);
  img.modelTransformationValid = 1;

  // ... then a plain grey PNG into the same record keeps none of it.
  ASSERT_EQ(qzntest::RunCommand(imgtest::Python() + " -c \"from PIL import Image; Image.new('L', (3, 2), 40).save('" +
                                dir.file("g.png") + "')\""),
            0);
  ASSERT_EQ(ReadImageFile(dir.file("g.png"), img), 1);
  EXPECT_FALSE(img.HasPalette());
  EXPECT_EQ(img.tiePointCount, 0);
  EXPECT_EQ(img.tiePoints, nullptr);
  EXPECT_EQ(img.pixelScaleValid, 0);
  EXPECT_EQ(img.modelTransformationValid, 0);
  EXPECT_EQ(img.photometric, 1);
  EXPECT_EQ(img.GetByte(2, 1), 40);
}

TEST(BmpReader, RefusesDamagedAndHostileFiles) {
  qzntest::TempDir dir;
  Bytes row24(12);  // 3 pixels of 24 bits, padded: 9 -> 12
  Bytes rows24;
  for (int i = 0; i < 2; ++i) rows24.insert(rows24.end(), row24.begin(), row24.end());
  Bytes shortFile = MakeBmp(3, 2, 24, 0, rows24);
  shortFile.resize(shortFile.size() - 5);
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
      // 56 bytes declaring 100000 x 100000: rows are cleared only as the data
      // reaches them, so the file fails after two rows, not after 10 GB.
      {"RLE8 ending after two rows of a huge bitmap",
       qzntest::ReadFileBytes(qzntest::SourcePath("tests/fixtures/damaged/bmp-rle8-100000x100000-touches-10GB.bmp")),
       -1},
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
HDIB MakeDib24(int w, int h) {
  const std::int64_t rowBytes = (24LL * w + 31) / 32 * 4;
  HDIB dib = AllocDib(static_cast<std::size_t>(40 + rowBytes * h));
  Bytes& d = dib->data;
  Put32(d, 0, 40);
  Put32(d, 4, static_cast<std::uint32_t>(w));
  Put32(d, 8, static_cast<std::uint32_t>(h));
  Put16(d, 12, 1);
  Put16(d, 14, 24);
  for (int y = 0; y < h; ++y) {  // stored bottom row first
    std::uint8_t* row = d.data() + 40 + rowBytes * (h - 1 - y);
    for (int x = 0; x < w; ++x) {
      row[3 * x + 0] = static_cast<std::uint8_t>(x + y);
      row[3 * x + 1] = static_cast<std::uint8_t>(y);
      row[3 * x + 2] = static_cast<std::uint8_t>(x);
    }
  }
  return dib;
}

TEST(PackedDib, WideBitmapSavesLoadsAndReads) {
  qzntest::TempDir dir;
  // 22000 pixels of 24 bits: 66000 bytes a row, more than 16 bits can count.
  const int w = 22000, h = 4;
  HDIB dib = MakeDib24(w, h);
  ASSERT_EQ(SaveDibAsBmp(dib, dir.file("wide.bmp")), 0);
  const Bytes original = dib->data;  // with the data size the save stored in it
  FreeDib(dib);

  CRasterImage img;
  ASSERT_EQ(ReadBmpIntoImage(dir.file("wide.bmp"), img), 1);
  ASSERT_EQ(img.width, w);
  ASSERT_EQ(img.planes, 3);
  for (int y = 0; y < h; ++y)
    for (int x : {0, 1, 21845, 21999}) {
      EXPECT_EQ(img.GetPlaneByte(x, y, 0), x & 0xFF);
      EXPECT_EQ(img.GetPlaneByte(x, y, 1), y);
      EXPECT_EQ(img.GetPlaneByte(x, y, 2), (x + y) & 0xFF);
    }

  HDIB loaded = LoadBmpAsDib(dir.file("wide.bmp"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->data, original);
  FreeDib(loaded);

  if (imgtest::HaveOracle()) {
    ASSERT_EQ(
        qzntest::RunCommand(imgtest::Python() + " -c \"from PIL import Image; open('" + dir.file("wide.rgb") +
                            "', 'wb').write(Image.open('" + dir.file("wide.bmp") + "').convert('RGB').tobytes())\""),
        0);
    EXPECT_EQ(imgtest::FirstDifference(imgtest::RenderRgb(img), qzntest::ReadFileBytes(dir.file("wide.rgb"))), -1);
  }
}

TEST(PackedDib, UnsaveableDibReportsAndLeavesNoFile) {
  qzntest::TempDir dir;
  CScriptedHost host;
  CHostScope scope(&host);
  EXPECT_EQ(SaveDibAsBmp(nullptr, dir.file("a.bmp")), 20);
  HDIB dib = MakeDib24(4, 4);
  Put32(dib->data, 0, 108);  // a V4 header is not a 40-byte Windows DIB
  EXPECT_NE(SaveDibAsBmp(dib, dir.file("b.bmp")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("b.bmp")));
  Put32(dib->data, 0, 40);
  dib->data.resize(60);  // shorter than its rows
  EXPECT_NE(SaveDibAsBmp(dib, dir.file("c.bmp")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("c.bmp")));
  FreeDib(dib);
  EXPECT_EQ(host.messages.size(), 3u);
  EXPECT_EQ(host.messages[0].text, "无效的句柄");

  EXPECT_EQ(LoadBmpAsDib(dir.file("missing.bmp")), nullptr);
  ASSERT_EQ(host.messages.size(), 4u);
  EXPECT_EQ(host.messages[3].text, "文件没有找到!");
  EXPECT_EQ(host.maxWaitDepth, 1);
  EXPECT_EQ(host.waitDepth, 0);
}

TEST(PackedDib, SizesBeyondAnyMemoryAreRefused) {
  qzntest::TempDir dir;
  CScriptedHost host;
  CHostScope scope(&host);
  // 2^31 - 1 square at 32 bits: rows x height is beyond 64 bits.
  Bytes file = MakeBmp(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, Bytes(16));
  Put32(file, 34, 0);  // no data size: the reader works it out
  qzntest::WriteFileBytes(dir.file("huge.bmp"), file);
  EXPECT_EQ(LoadBmpAsDib(dir.file("huge.bmp")), nullptr);

  HDIB dib = AllocDib(40 + 16);
  Put32(dib->data, 0, 40);
  Put32(dib->data, 4, 0x7FFFFFFF);
  Put32(dib->data, 8, 0x80000000u);  // INT32_MIN: top-down, as tall as it gets
  Put16(dib->data, 12, 1);
  Put16(dib->data, 14, 32);
  EXPECT_EQ(SaveDibAsBmp(dib, dir.file("huge-out.bmp")), 21);
  EXPECT_FALSE(std::filesystem::exists(dir.file("huge-out.bmp")));
  FreeDib(dib);
}

TEST(PackedDib, ErrorTexts) {
  EXPECT_STREQ(DibErrorText(0), "非 Windows DIB 文件!");
  EXPECT_STREQ(DibErrorText(12), "打印机: GetModuleHandle() 不能找到d GDI!");
  EXPECT_STREQ(DibErrorText(21), "在请求 DIB 功能上的普通错误");
  EXPECT_STREQ(DibErrorText(22), "不明确的错误!");
  EXPECT_STREQ(DibErrorText(-1), "不明确的错误!");
}

TEST(ImageGeometry, SixtyFourBitArithmetic) {
  EXPECT_TRUE(ImageGeometryFits(30000, 30000, 3, 8));  // 2.7 GB
  EXPECT_TRUE(ImageGeometryFits(30000, 30000, 1, 16));
  EXPECT_FALSE(ImageGeometryFits(0x7FFFFFFF, 0x7FFFFFFF, 3, 16));
  EXPECT_FALSE(ImageGeometryFits(0, 5, 1, 8));
  EXPECT_FALSE(ImageGeometryFits(1LL << 31, 1, 1, 8));
  CRasterImage img;
  img.width = 30000;
  img.height = 30000;
  img.planes = 3;
  EXPECT_EQ(img.GetImageBytes(), 2700000000LL);
}

}  // namespace
