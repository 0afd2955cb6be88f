// TIFF and GeoTIFF: what we write is read back by GDAL, tiffinfo and listgeo
// with the same pixels, palette, resolution and georeference; damaged files
// are refused cleanly; sizes beyond 32-bit byte counts work.
#include "raster/tiffio.h"

#include <gtest/gtest.h>

#include <tiffio.h>
#include <geotiff/xtiffio.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "raster/imagefile.h"
#include "raster/rasterimage.h"
#include "tests/raster/test_imagefile_support.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using Bytes = std::vector<std::uint8_t>;

void ExpectSameImage(const CRasterImage& a, const CRasterImage& b) {
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  ASSERT_EQ(a.planes, b.planes);
  ASSERT_EQ(a.bitsPerSample, b.bitsPerSample);
  EXPECT_EQ(a.photometric, b.photometric);
  ASSERT_EQ(a.GetImageBytes(), b.GetImageBytes());
  EXPECT_EQ(std::memcmp(a.pixels, b.pixels, static_cast<std::size_t>(a.GetImageBytes())), 0);
}

// GDAL's view of a file: its band samples (raw, plane after plane) go to
// FILE.gdal; the returned text has the colour table and geotransform.
std::string GdalView(const std::string& file) {
  std::string out;
  const std::string py =
      "import sys, numpy as np\n"
      "from osgeo import gdal\n"
      "ds = gdal.Open(sys.argv[1])\n"
      "a = ds.ReadAsArray()\n"
      "a = a[np.newaxis] if a.ndim == 2 else a\n"
      "open(sys.argv[1] + '.gdal', 'wb').write(a.astype('<u2' if a.dtype == np.uint16 else np.uint8).tobytes())\n"
      "ct = ds.GetRasterBand(1).GetColorTable()\n"
      "if ct: print('ct', ct.GetCount(), *[v for i in range(ct.GetCount()) for v in ct.GetColorEntry(i)[:3]])\n"
      "print('gt', *['%.6f' % v for v in ds.GetGeoTransform(can_return_null=True) or []])\n";
  qzntest::WriteFileText(file + ".py", py);
  EXPECT_EQ(qzntest::RunCommand(imgtest::Python() + " '" + file + ".py' '" + file + "'", &out), 0);
  return out;
}

TEST(TiffWrite, OtherProgramsReadWhatWeWrite) {
  QZN_REQUIRE_ORACLE(imgtest::HaveOracle(), "the image oracles (Pillow, numpy, GDAL's Python bindings)")
  QZN_REQUIRE_PROGRAM("tiffinfo");
  qzntest::TempDir dir;
  struct Case {
    const char* name;
    int bits, planes, photometric, compression;
    bool palette;
  } cases[] = {
      {"grey_lzw", 8, 1, 1, 5, false},
      {"grey_white_is_zero", 8, 1, 0, 1, false},
      {"bilevel_g4", 1, 1, 0, 4, false},
      {"bilevel_black_is_zero", 1, 1, 1, 1, false},
      {"palette_packbits", 8, 1, 3, 32773, true},
      {"palette_1bit", 1, 1, 3, 1, true},
      {"rgb", 8, 3, 2, 0, false},
      {"rgb_lzw", 8, 3, 2, 5, false},
      {"grey16", 16, 1, 1, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CRasterImage img;
    imgtest::MakeTestImage(img, 37, 23, c.bits, c.planes, c.photometric, 5);
    if (c.palette) {
      ASSERT_EQ(img.AllocPalette(), 1);
      for (int i = 0; i < 256; ++i) {
        img.red[i] = static_cast<std::uint8_t>(i * 7);
        img.green[i] = static_cast<std::uint8_t>(255 - i);
        img.blue[i] = static_cast<std::uint8_t>(i ^ 0x5A);
      }
    }
    const std::string file = dir.file(std::string(c.name) + ".tif");
    ASSERT_EQ(WriteTiffImage(file, img, c.compression), 1);

    if (c.bits != 16) {  // the reader takes 1, 4 and 8 bits
      CRasterImage back;
      int orientation = 0;
      ASSERT_EQ(ReadTiffImage(file, back, &orientation), kTiffOk);
      EXPECT_EQ(orientation, 1);
      ExpectSameImage(img, back);
    }

    const std::string view = GdalView(file);
    const Bytes gdal = qzntest::ReadFileBytes(file + ".gdal");
    EXPECT_EQ(imgtest::FirstDifference(imgtest::RawSamples(img), gdal), -1);
    if (c.palette) {
      std::ostringstream ct;
      const int n = 1 << c.bits;
      ct << "ct " << n;
      for (int i = 0; i < n; ++i) ct << ' ' << int(img.red[i]) << ' ' << int(img.green[i]) << ' ' << int(img.blue[i]);
      EXPECT_NE(view.find(ct.str() + "\n"), std::string::npos) << view;
    }
    std::string info;
    qzntest::RunCommand("tiffinfo '" + file + "' 2>&1", &info);
    const char* photometricName[] = {"min-is-white", "min-is-black", "RGB color", "palette color"};
    EXPECT_NE(info.find(photometricName[c.photometric]), std::string::npos) << info;
    EXPECT_NE(info.find("Artist: QZN for Windows"), std::string::npos);
  }
}

TEST(TiffWrite, ResolutionUnitIsTheRecords) {
  QZN_REQUIRE_PROGRAM("tiffinfo");
  qzntest::TempDir dir;
  struct Case {
    int unit;
    const char* text;
  } cases[] = {
      {3, "Resolution: 118, 120 pixels/cm"}, {2, "Resolution: 118, 120 pixels/inch"}, {0, "Resolution: 118, 120\n"}};
  for (const auto& c : cases) {
    CRasterImage img;
    imgtest::MakeTestImage(img, 4, 4, 8, 1, 1, 1);
    img.xResolution = 118;
    img.yResolution = 120;
    img.resolutionUnit = c.unit;
    ASSERT_EQ(WriteTiffImage(dir.file("r.tif"), img, 0), 1);
    std::string info;
    qzntest::RunCommand("tiffinfo '" + dir.file("r.tif") + "' 2>&1", &info);
    EXPECT_NE(info.find(c.text), std::string::npos) << info;
    CRasterImage back;
    ASSERT_EQ(ReadTiffImage(dir.file("r.tif"), back, nullptr), 0);
    EXPECT_EQ(back.resolutionUnit, c.unit);
    EXPECT_FLOAT_EQ(back.xResolution, 118);
    EXPECT_FLOAT_EQ(back.yResolution, 120);
  }
}

TEST(TiffWrite, GeoTiffTagsAndKeys) {
  QZN_REQUIRE_ORACLE(imgtest::HaveOracle(), "the image oracles (Pillow, numpy, GDAL's Python bindings)")
  QZN_REQUIRE_PROGRAM("listgeo");
  qzntest::TempDir dir;

  // Tie point and pixel scale: the transformation set beside them is not written.
  CRasterImage img;
  imgtest::MakeTestImage(img, 20, 10, 8, 1, 1, 3);
  ASSERT_EQ(img.AllocTiePoints(1), 1);
  const double tie[6] = {0, 0, 0, 500000.5, 4200000.25, 0};
  std::memcpy(img.tiePoints, tie, sizeof tie);
  img.pixelScale[0] = 2.5;
  img.pixelScale[1] = 1.25;
  img.pixelScale[2] = 0;
  img.pixelScaleValid = 1;
  img.modelTransformationValid = 1;
  for (double& v : img.modelTransformation) v = 9;
  ASSERT_EQ(WriteTiffImage(dir.file("tie.tif"), img, 0), 1);
  std::string geo;
  qzntest::RunCommand("listgeo '" + dir.file("tie.tif") + "' 2>&1", &geo);
  EXPECT_NE(geo.find("Tarvik Dataco GeoTIFF"), std::string::npos) << geo;
  EXPECT_NE(geo.find("ModelTypeProjected"), std::string::npos) << geo;
  EXPECT_NE(geo.find("RasterPixelIsArea"), std::string::npos) << geo;
  EXPECT_EQ(geo.find("ModelTransformation"), std::string::npos) << geo;
  EXPECT_NE(GdalView(dir.file("tie.tif")).find("gt 500000.500000 2.500000 0.000000 4200000.250000 0.000000 -1.250000"),
            std::string::npos);
  CRasterImage back;
  ASSERT_EQ(ReadTiffImage(dir.file("tie.tif"), back, nullptr), 0);
  ASSERT_EQ(back.tiePointCount, 1);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(back.tiePoints[i], tie[i]);
  EXPECT_EQ(back.pixelScaleValid, 1);
  EXPECT_EQ(back.pixelScale[1], 1.25);
  EXPECT_EQ(back.modelTransformationValid, 0);

  // A transformation alone.
  CRasterImage rot;
  imgtest::MakeTestImage(rot, 20, 10, 8, 1, 1, 4);
  const double m[16] = {0.5, 0.25, 0, 1000, 0.125, -0.5, 0, 2000, 0, 0, 0, 0, 0, 0, 0, 1};
  std::memcpy(rot.modelTransformation, m, sizeof m);
  rot.modelTransformationValid = 1;
  ASSERT_EQ(WriteTiffImage(dir.file("mat.tif"), rot, 0), 1);
  EXPECT_NE(GdalView(dir.file("mat.tif")).find("gt 1000.000000 0.500000 0.250000 2000.000000 0.125000 -0.500000"),
            std::string::npos);
  ASSERT_EQ(ReadTiffImage(dir.file("mat.tif"), back, nullptr), 0);
  EXPECT_EQ(back.modelTransformationValid, 1);
  EXPECT_EQ(back.tiePointCount, 0);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(back.modelTransformation[i], m[i]);
}

TEST(TiffWrite, ClassifiedImageKeepsItsCodeAndColours) {
  // Colour-class images are stored as photometric 5 with a colour map.
  qzntest::TempDir dir;
  CRasterImage img;
  imgtest::MakeTestImage(img, 9, 5, 8, 1, 5, 3);
  ASSERT_EQ(img.AllocPalette(), 1);
  for (int i = 0; i < 256; ++i) img.green[i] = static_cast<std::uint8_t>(i / 2);
  ASSERT_EQ(WriteTiffImage(dir.file("c.tif"), img, 32773), 1);
  CRasterImage back;
  ASSERT_EQ(ReadTiffImage(dir.file("c.tif"), back, nullptr), 0);
  ExpectSameImage(img, back);
  ASSERT_TRUE(back.HasPalette());
  EXPECT_EQ(back.green[255], 127);
}

TEST(TiffWrite, FailureLeavesTheTargetAsItWas) {
  qzntest::TempDir dir;
  const std::string target = dir.file("keep.tif");
  qzntest::WriteFileText(target, "previous contents");
  CRasterImage img;
  imgtest::MakeTestImage(img, 8, 8, 8, 1, 1, 2);
  EXPECT_EQ(WriteTiffImage(target, img, 4), 0);  // group 4 cannot take 8 bits
  img.bitsPerSample = 32;
  EXPECT_EQ(WriteTiffImage(target, img, 0), 0);
  EXPECT_EQ(qzntest::ReadFileText(target), "previous contents");
  EXPECT_EQ(WriteTiffImage(dir.file("no/such/dir/x.tif"), img, 0), 0);
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1);  // no temporary left behind
}

// A small TIFF written straight through libtiff, for headers our writer
// never makes.
void WriteRawTiff(const std::string& path, int photometric, bool colormap, int pixelScaleCount, int orientation) {
  TIFF* t = XTIFFOpen(path.c_str(), "w");
  ASSERT_NE(t, nullptr);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 4u);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, 2u);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
  std::uint16_t map[256] = {};
  if (colormap) TIFFSetField(t, TIFFTAG_COLORMAP, map, map, map);
  const double scale[3] = {1, 2, 3};
  if (pixelScaleCount) TIFFSetField(t, 33550, pixelScaleCount, scale);
  std::uint8_t row[4] = {1, 2, 3, 4};
  for (std::uint32_t y = 0; y < 2; ++y) TIFFWriteScanline(t, row, y, 0);
  XTIFFClose(t);
}

TEST(TiffRead, RefusesDamagedFilesAndKeepsTheRecord) {
  qzntest::TempDir dir;
  // A truncated LZW file.
  CRasterImage big;
  imgtest::MakeTestImage(big, 300, 200, 8, 1, 1, 9);
  ASSERT_EQ(WriteTiffImage(dir.file("full.tif"), big, 5), 1);
  Bytes bytes = qzntest::ReadFileBytes(dir.file("full.tif"));
  // Our writer puts the directory at the end; keep it and cut the strips.
  Bytes cut = bytes;
  std::memset(cut.data() + 16, 0xFF, bytes.size() / 2);
  qzntest::WriteFileBytes(dir.file("damaged.tif"), cut);
  Bytes truncated(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2));
  qzntest::WriteFileBytes(dir.file("truncated.tif"), truncated);
  qzntest::WriteFileText(dir.file("junk.tif"), "II*\0junk");
  WriteRawTiff(dir.file("nomap3.tif"), 3, false, 0, 1);
  WriteRawTiff(dir.file("nomap5.tif"), 5, false, 0, 1);
  WriteRawTiff(dir.file("ycbcr.tif"), 6, false, 0, 1);
  CRasterImage g16;
  imgtest::MakeTestImage(g16, 4, 4, 16, 1, 1, 1);
  ASSERT_EQ(WriteTiffImage(dir.file("g16.tif"), g16, 0), 1);

  struct Case {
    const char* file;
    int code;
  } cases[] = {
      {"truncated.tif", -1},
      {"damaged.tif", kTiffReadError},
      {"junk.tif", kTiffCannotOpen},
      {"missing.tif", kTiffCannotOpen},
      {"nomap5.tif", kTiffNoColorMap},
      {"ycbcr.tif", -1},
      {"g16.tif", kTiffBadBits},
      // Palette images whose map is missing or cut short (libtiff drops a
      // map it cannot read, and takes the image for grey).
      {"nomap3.tif", kTiffNoColorMap},
      {"palette-colormap-cut.tif", kTiffNoColorMap},
      // The same with PhotometricInterpretation stored as a LONG.
      {"palette-colormap-cut-photometric-long.tif", kTiffNoColorMap},
  };
  for (const char* name : {"palette-colormap-cut.tif", "palette-colormap-cut-photometric-long.tif"})
    std::filesystem::copy_file(qzntest::SourcePath(std::string("tests/fixtures/damaged/readers/tif/") + name),
                               dir.file(name));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    CRasterImage img;
    imgtest::MakeTestImage(img, 3, 2, 8, 1, 1, 4);
    CRasterImage before;
    before.CopyFrom(img, 1, 1);
    const int rc = ReadTiffImage(dir.file(c.file), img, nullptr);
    if (c.code < 0) {
      EXPECT_NE(rc, 0);
    } else {
      EXPECT_EQ(rc, c.code);
    }
    ExpectSameImage(img, before);
  }
  // The user is told once, in the reader's words.
  CRasterImage img;
  CImageReadOutcome outcome;
  EXPECT_EQ(ReadImageByType(dir.file("palette-colormap-cut.tif"), img, outcome), 0);
  EXPECT_NE(outcome.message.find("缺少彩色地图。"), std::string::npos) << outcome.message;
  EXPECT_STREQ(TiffErrorText(kTiffNoColorMap), "缺少彩色地图。");
  EXPECT_STREQ(TiffErrorText(kTiffReadError), "读取 TIFF 文件出错。");
}

TEST(TiffRead, OrientationAndPixelScaleCount) {
  qzntest::TempDir dir;
  WriteRawTiff(dir.file("o.tif"), 1, false, 2, 3);
  CRasterImage img;
  int orientation = 0;
  ASSERT_EQ(ReadTiffImage(dir.file("o.tif"), img, &orientation), 0);
  EXPECT_EQ(orientation, 3);
  EXPECT_EQ(img.pixelScaleValid, 0);  // two values are not a pixel scale
  WriteRawTiff(dir.file("p.tif"), 1, false, 3, 1);
  ASSERT_EQ(ReadTiffImage(dir.file("p.tif"), img, &orientation), 0);
  EXPECT_EQ(img.pixelScaleValid, 1);
  EXPECT_EQ(img.pixelScale[2], 3);
}

TEST(TiffRead, BilevelTilesNotAFullByteWide) {
  // libtiff reads tiles of any width (with a warning); a 1-bit tile 12 pixels
  // wide starts halfway into a byte of the row. 20 x 2, pixel set when
  // x % 3 == y, two uncompressed tiles of 12 x 2, rows padded to 2 bytes.
  const int w = 20, h = 2, tw = 12;
  Bytes tiles;
  for (int tx = 0; tx < w; tx += tw)
    for (int y = 0; y < h; ++y) {
      unsigned v = 0;
      for (int i = 0; i < 16; ++i) v = (v << 1) | (i < tw && tx + i < w && (tx + i) % 3 == y ? 1u : 0u);
      tiles.push_back(static_cast<std::uint8_t>(v >> 8));
      tiles.push_back(static_cast<std::uint8_t>(v));
    }
  auto le = [](Bytes& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const std::uint32_t ifd = 8 + static_cast<std::uint32_t>(tiles.size());
  const std::uint32_t offsets = ifd + 2 + 10 * 12 + 4, counts = offsets + 8;
  Bytes file = {'I', 'I', 42, 0};
  le(file, ifd, 4);
  file.insert(file.end(), tiles.begin(), tiles.end());
  le(file, 10, 2);
  const std::uint32_t entries[10][4] = {{256, 4, 1, w},       {257, 4, 1, h},     {258, 3, 1, 1},  {259, 3, 1, 1},
                                        {262, 3, 1, 1},       {277, 3, 1, 1},     {322, 4, 1, tw}, {323, 4, 1, h},
                                        {324, 4, 2, offsets}, {325, 4, 2, counts}};
  for (const auto& e : entries) {
    le(file, e[0], 2);
    le(file, e[1], 2);
    le(file, e[2], 4);
    le(file, e[3], 4);
  }
  le(file, 0, 4);
  le(file, 8, 4);
  le(file, 8 + 4, 4);
  le(file, 4, 4);
  le(file, 4, 4);
  qzntest::TempDir dir;
  qzntest::WriteFileBytes(dir.file("t12.tif"), file);
  CRasterImage img;
  int orientation = 0;
  ASSERT_EQ(ReadTiffImage(dir.file("t12.tif"), img, &orientation), kTiffOk);
  ASSERT_EQ(img.width, w);
  ASSERT_EQ(img.bitsPerSample, 1);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) EXPECT_EQ(img.GetBit(x, y), x % 3 == y ? 1 : 0) << x << "," << y;
    EXPECT_EQ(img.GetRow(y)[2] & 0x0F, 0) << y;  // the padding after the last pixel
  }
}

TEST(TiffLarge, ThirtyThousandSquareBilevel) {
  // 30000 x 30000 pixels: 900 million, more than a 32-bit pixel count of
  // bits; rows beyond 16 bits of row numbers.
  qzntest::TempDir dir;
  CRasterImage img;
  img.width = 30000;
  img.height = 30000;
  img.bitsPerSample = 1;
  img.photometric = 0;
  ASSERT_EQ(img.AllocPixels(), 1);
  ASSERT_EQ(img.GetImageBytes(), 3750LL * 30000);
  std::memset(img.pixels, 0, static_cast<std::size_t>(img.GetImageBytes()));
  for (int i = 0; i < 30000; i += 97) img.SetBit(i, i, 1);  // a dotted diagonal
  img.SetBit(29999, 29999, 1);
  img.SetBit(0, 29999, 1);
  ASSERT_EQ(WriteTiffImage(dir.file("big.tif"), img, 4), 1);
  CRasterImage back;
  ASSERT_EQ(ReadTiffImage(dir.file("big.tif"), back, nullptr), 0);
  ExpectSameImage(img, back);
  if (qzntest::HaveProgram("tiffinfo")) {
    std::string info;
    qzntest::RunCommand("tiffinfo '" + dir.file("big.tif") + "' 2>&1", &info);
    EXPECT_NE(info.find("Image Width: 30000 Image Length: 30000"), std::string::npos) << info;
  }
}

TEST(TiffLarge, RowsBeyondSixteenBitByteCounts) {
  // Scanlines of 70000 and 90000 bytes: more than a 16-bit size can count.
  qzntest::TempDir dir;
  struct Case {
    int width, planes, compression;
  } cases[] = {{70000, 1, 5}, {70000, 1, 1}, {30000, 3, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    CRasterImage img;
    imgtest::MakeTestImage(img, c.width, 3, 8, c.planes, c.planes == 3 ? 2 : 1, 8);
    ASSERT_EQ(WriteTiffImage(dir.file("wide.tif"), img, c.compression), 1);
    CRasterImage back;
    ASSERT_EQ(ReadTiffImage(dir.file("wide.tif"), back, nullptr), 0);
    ExpectSameImage(img, back);
  }
}

}  // namespace

// Pixel data the decoders report as damaged fails the read with the
// decoder's own words, whether libtiff calls it an error or steps over it
// with a warning (bad CCITT code words, lines of the wrong length, PackBits
// runs past the row, corrupt JPEG strips). The same files intact read.
TEST(TiffRead, DecoderDamageFailsTheRead) {
  const struct {
    const char* file;
    const char* intact;  // the file before it was damaged, or null
    const char* decoder;
  } cases[] = {
      {"damaged/tiff-g4-bad-code-words-exit0.tif", nullptr, "Fax4Decode"},
      {"tiff/g3_1d_bad.tif", "tiff/g3_1d.tif", "Fax3Decode1D"},
      {"tiff/g3_2d_bad.tif", "tiff/g3_2d.tif", "Fax3Decode2D"},
      {"tiff/packbits_bad.tif", "tiff/packbits.tif", "PackBitsDecode"},
      {"tiff/jpeg_bad.tif", "tiff/jpeg.tif", "JPEGLib"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    CRasterImage img;
    std::string problem;
    EXPECT_EQ(ReadTiffImage(qzntest::SourcePath(std::string("tests/fixtures/") + c.file), img, nullptr, &problem),
              kTiffReadError);
    EXPECT_EQ(problem.rfind(c.decoder, 0), 0u) << problem;
    EXPECT_FALSE(img.HasPixels());
    if (c.intact) {
      CRasterImage good;
      EXPECT_EQ(ReadTiffImage(qzntest::SourcePath(std::string("tests/fixtures/") + c.intact), good, nullptr), kTiffOk);
    }
  }
}

namespace {

// An 8-bit TIFF with the given fields, in strips or (tileW > 0) one tile,
// written by libtiff itself.
void WriteSizedTiff(const std::string& path, std::uint32_t w, std::uint32_t h, std::uint16_t spp,
                    std::uint16_t photometric, std::uint32_t tileW = 0, std::uint32_t tileH = 0) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(t, nullptr);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  if (tileW) {
    TIFFSetField(t, TIFFTAG_TILEWIDTH, tileW);
    TIFFSetField(t, TIFFTAG_TILELENGTH, tileH);
    // A tile too big to hold is left short: the reader refuses it unread.
    const std::size_t side = tileW * tileH <= 1024 * 1024 ? tileW * tileH : 256;
    std::vector<BYTE> tile(side * spp, 0);
    TIFFWriteRawTile(t, 0, tile.data(), static_cast<tmsize_t>(tile.size()));
  } else {
    std::vector<BYTE> row(static_cast<std::size_t>(w) * spp, 0);
    for (std::uint32_t y = 0; y < h; ++y) TIFFWriteScanline(t, row.data(), y, 0);
  }
  TIFFClose(t);
}

}  // namespace

// Sizes no image of the file can have are refused before any memory is
// taken for them, with a message about the size (the fixture asked for a
// 17 GB tile buffer in 210 bytes); print colour is refused as such.
TEST(TiffRead, HostileSizesAndPrintColourAreRefused) {
  qzntest::TempDir dir;
  CRasterImage img;
  std::string problem;
  EXPECT_EQ(ReadTiffImage(qzntest::SourcePath("tests/fixtures/damaged/tiff-tiled-65281-samples-17GB-tile-buffer.tif"),
                          img, nullptr, &problem),
            kTiffBadSize);
  EXPECT_NE(problem.find("65281"), std::string::npos) << problem;
  EXPECT_STREQ(TiffErrorText(kTiffBadSize), "图像尺寸无效。");

  WriteSizedTiff(dir.file("tiles.tif"), 72, 48, 1, PHOTOMETRIC_MINISBLACK, 65536, 65536);
  EXPECT_EQ(ReadTiffImage(dir.file("tiles.tif"), img, nullptr, &problem), kTiffBadSize);
  EXPECT_NE(problem.find("65536 x 65536"), std::string::npos) << problem;
  // A small image in the usual 256-pixel tiles is an image.
  WriteSizedTiff(dir.file("small-tiles.tif"), 10, 10, 1, PHOTOMETRIC_MINISBLACK, 256, 256);
  EXPECT_EQ(ReadTiffImage(dir.file("small-tiles.tif"), img, nullptr, &problem), kTiffOk) << problem;
  // Grey with an unlabelled alpha reads; grey with three more samples not.
  WriteSizedTiff(dir.file("grey-alpha.tif"), 8, 4, 2, PHOTOMETRIC_MINISBLACK);
  EXPECT_EQ(ReadTiffImage(dir.file("grey-alpha.tif"), img, nullptr), kTiffOk);
  WriteSizedTiff(dir.file("grey-4.tif"), 8, 4, 4, PHOTOMETRIC_MINISBLACK);
  EXPECT_EQ(ReadTiffImage(dir.file("grey-4.tif"), img, nullptr), kTiffBadSize);

  EXPECT_EQ(ReadTiffImage(qzntest::SourcePath("tests/fixtures/cmyk.tif"), img, nullptr), kTiffCmyk);
  EXPECT_STREQ(TiffErrorText(kTiffCmyk), "不支持 CMYK 彩色图像。");
}
