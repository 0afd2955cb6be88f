// Reading by type, the BMP reader and the packed DIB pair.
#include "raster/imagefile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/host.h"
#include "raster/rasterimage.h"
#include "raster/rlcraw.h"
#include "raster/tiffio.h"
#include "tests/raster/bmp_test_util.h"
#include "tests/raster/test_imagefile_support.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using bmptest::Bytes;
using bmptest::ExpectSentinel;
using bmptest::FillSentinel;
using bmptest::MakeBmp;
using bmptest::Put16;
using bmptest::Put32;

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
  QZN_REQUIRE_ORACLE(imgtest::HaveOracle(), "the image oracles (Pillow, numpy, GDAL's Python bindings)")
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
