// The workspace's image commands: pixel results against ImageMagick and
// scipy, the georeference and region of interest carried along with every
// geometric command, the conversions, the GeoTIFF written with a rotated
// world file, and the 3D view's RGB copy.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "raster/tiffio.h"
#include "tests/app/qzndoc_test_util.h"
#include "tests/support/testutil.h"

using namespace qzn;

using doctest::MakeGrey;
using qzntest::TempDir;

namespace {

// A grey image of seeded random values (photometric 1).
void MakeNoise(CRasterImage& img, int w, int h, unsigned seed) {
  MakeGrey(img, w, h);
  std::mt19937 rng(seed);
  for (std::int64_t i = 0; i < img.GetPlaneBytes(); ++i) img.pixels[i] = static_cast<BYTE>(rng() & 0xFF);
}

void WritePgm(const CRasterImage& img, const std::string& path) {
  std::ofstream f(path, std::ios::binary);
  f << "P5\n" << img.width << " " << img.height << "\n255\n";
  f.write(reinterpret_cast<const char*>(img.pixels), img.GetPlaneBytes());
}

// Width, height and pixels of a binary PGM (as ImageMagick writes it).
bool ReadPgm(const std::string& path, int& w, int& h, std::vector<BYTE>& pixels) {
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  f >> magic >> w >> h >> maxval;
  f.get();
  if (magic != "P5" || maxval != 255) return false;
  pixels.resize(static_cast<std::size_t>(w) * h);
  f.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(f);
}

std::vector<BYTE> Pixels(const CRasterImage& img) {
  return std::vector<BYTE>(img.pixels, img.pixels + img.GetPlaneBytes());
}

// The document's image after the command, compared with ImageMagick's
// result of the same operation on the same image.
void ExpectLikeImageMagick(const char* operation, int (*command)(CQznDoc&)) {
  SCOPED_TRACE(operation);
  TempDir dir;
  CQznDoc doc;
  MakeNoise(doc.m_image, 37, 23, 7);
  WritePgm(doc.m_image, dir.file("in.pgm"));
  ASSERT_EQ(qzntest::RunCommand("convert " + dir.file("in.pgm") + " " + operation + " " + dir.file("out.pgm")), 0);
  ASSERT_EQ(command(doc), 1);
  int w = 0, h = 0;
  std::vector<BYTE> expected;
  ASSERT_TRUE(ReadPgm(dir.file("out.pgm"), w, h, expected));
  EXPECT_EQ(doc.m_image.width, w);
  EXPECT_EQ(doc.m_image.height, h);
  EXPECT_EQ(Pixels(doc.m_image), expected);
  EXPECT_EQ(doc.m_nImageModified, 1);
}

}  // namespace

TEST(DocImageCommands, PixelResultsMatchImageMagick) {
  QZN_REQUIRE_PROGRAM("convert");
  ExpectLikeImageMagick("-negate", [](CQznDoc& d) { return d.NegateImage(); });
  ExpectLikeImageMagick("-flop", [](CQznDoc& d) { return d.FlipImage(0); });
  ExpectLikeImageMagick("-flip", [](CQznDoc& d) { return d.FlipImage(1); });
  ExpectLikeImageMagick("-transpose", [](CQznDoc& d) { return d.TransposeImage(); });
  ExpectLikeImageMagick("-crop 20x11+10+7 +repage", [](CQznDoc& d) { return d.CropImage(RECT{10, 7, 30, 18}); });
}

TEST(DocImageCommands, MedianAndPixelMappingMatchScipyAndNumpy) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"numpy", "scipy"}), "numpy and scipy")
  TempDir dir;
  CQznDoc doc;
  MakeNoise(doc.m_image, 41, 29, 3);
  WritePgm(doc.m_image, dir.file("in.pgm"));
  ASSERT_EQ(doc.MedianFilter(), 1);
  WritePgm(doc.m_image, dir.file("median.pgm"));
  ASSERT_EQ(doc.MapPixelRange(40, 150, 7), 1);
  WritePgm(doc.m_image, dir.file("mapped.pgm"));
  const std::string script =
      "import numpy as np, scipy.ndimage as nd, sys\n"
      "def rd(p):\n"
      "    b = open(p,'rb').read().split(b'\\n', 3)\n"
      "    w, h = map(int, b[1].split())\n"
      "    return np.frombuffer(b[3], np.uint8).reshape(h, w)\n"
      "a = rd(sys.argv[1]); m = nd.median_filter(a, size=3, mode='nearest')\n"
      "ok1 = (m == rd(sys.argv[2])).all()\n"
      "e = np.where((m >= 40) & (m <= 150), 7, m)\n"
      "ok2 = (e == rd(sys.argv[3])).all()\n"
      "print(int(ok1), int(ok2))\n";
  qzntest::WriteFileText(dir.file("check.py"), script);
  std::string out;
  ASSERT_EQ(qzntest::RunCommand(qzntest::Python() + " " + dir.file("check.py") + " " + dir.file("in.pgm") + " " +
                                    dir.file("median.pgm") + " " + dir.file("mapped.pgm"),
                                &out),
            0);
  EXPECT_EQ(out, "1 1\n");
}

// ---- georeference and region of interest in register ----------------------------

namespace {

// A 40 x 30 white image with a dark 3 x 3 mark centred on (8, 6).
void MakeMarked(CQznDoc& doc) {
  MakeGrey(doc.m_image, 40, 30);
  for (int y = 5; y <= 7; ++y)
    for (int x = 7; x <= 9; ++x) doc.m_image.SetByte(x, y, 0);
  doc.ResetExtent();
}

bool MarkCentre(const CRasterImage& img, double& cx, double& cy) {
  double sx = 0, sy = 0;
  int n = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      if (img.GetByte(x, y) < 128) sx += x, sy += y, ++n;
  if (!n) return false;
  cx = sx / n, cy = sy / n;
  return true;
}

// A world file with rotation terms, 2 map units a pixel.
void SetRotatedWorldFile(CQznDoc& doc) {
  doc.m_tfw.m_A = 2.0, doc.m_tfw.m_B = 0.5, doc.m_tfw.m_C = 1000.0;
  doc.m_tfw.m_D = 0.25, doc.m_tfw.m_E = -2.0, doc.m_tfw.m_F = 5000.0;
  doc.m_tfw.m_nTerms = 3;
}

void MapOf(const CTfw& t, double x, double y, double& mx, double& my) {
  mx = t.m_A * x + t.m_B * y + t.m_C;
  my = t.m_D * x + t.m_E * y + t.m_F;
}

struct GeometryCase {
  const char* name;
  int (*run)(CQznDoc&);
  double tolerance;  // pixels of the old image
  bool keepsRoi;
};

}  // namespace

TEST(DocImageCommands, GeometricCommandsKeepControlPointsWorldFileAndRoiInRegister) {
  const GeometryCase cases[] = {
      {"flip left-right", [](CQznDoc& d) { return d.FlipImage(0); }, 1e-9, true},
      {"flip top-bottom", [](CQznDoc& d) { return d.FlipImage(1); }, 1e-9, true},
      {"transpose", [](CQznDoc& d) { return d.TransposeImage(); }, 1e-9, false},
      {"crop",
       [](CQznDoc& d) {
         return d.CropImage(RECT{5, 3, 25, 20});
       },
       1e-9, false},
      // The part outside the image is not cropped, so it must not move the
      // georeference either.
      {"crop past the image",
       [](CQznDoc& d) {
         return d.CropImage(RECT{-4, -3, 25, 20});
       },
       1e-9, false},
      {"crop far past the image",
       [](CQznDoc& d) {
         return d.CropImage(RECT{-2000000000, -3, 2000000000, 20});
       },
       1e-9, false},
      {"rotate 90", [](CQznDoc& d) { return d.RotateImage(90.0f); }, 0.6, false},
      {"rotate 30", [](CQznDoc& d) { return d.RotateImage(30.0f); }, 0.8, false},
      {"resample down", [](CQznDoc& d) { return d.ResampleImage(0, 2); }, 1e-9, true},
      {"resample up", [](CQznDoc& d) { return d.ResampleImage(1, 2); }, 0.6, true},
  };
  for (const GeometryCase& c : cases) {
    SCOPED_TRACE(c.name);
    CQznDoc doc;
    MakeMarked(doc);
    SetRotatedWorldFile(doc);
    // Both georeferences at once: each must follow the image.
    const double cps[4][4] = {{8, 6, 100, 200}, {35, 4, 160, 190}, {4, 26, 95, 140}, {33, 27, 150, 130}};
    for (const auto& p : cps) *doc.m_controlPts.AddNew() = CControlPt(p[0], p[1], p[2], p[3]);
    doc.AddRoiRect(RECT{6, 4, 10, 8});
    double mx0, my0;
    MapOf(doc.m_tfw, 8, 6, mx0, my0);

    ASSERT_EQ(c.run(doc), 1);
    EXPECT_EQ(doc.m_nImageModified, 1);
    double cx, cy;
    ASSERT_TRUE(MarkCentre(doc.m_image, cx, cy));
    double mx, my;
    MapOf(doc.m_tfw, cx, cy, mx, my);
    const double mapTolerance = 1e-6 + c.tolerance * 2.5;  // about one old pixel's ground size
    EXPECT_NEAR(mx, mx0, mapTolerance);
    EXPECT_NEAR(my, my0, mapTolerance);
    const CControlPt* first = doc.m_controlPts.GetHead();
    EXPECT_NEAR(first->m_imageX, cx, 1e-6 + c.tolerance);
    EXPECT_NEAR(first->m_imageY, cy, 1e-6 + c.tolerance);
    EXPECT_EQ(first->m_mapX, 100.0);
    EXPECT_EQ(doc.m_extent.right, doc.m_image.width - 1);
    EXPECT_EQ(doc.m_extent.bottom, doc.m_image.height - 1);
    if (c.keepsRoi) {
      ASSERT_EQ(doc.m_roi.GetCount(), 1);
      const CFRect box = doc.m_roi.GetHead()->GetExtent();
      EXPECT_TRUE(box.left <= cx && cx <= box.right && box.top <= cy && cy <= box.bottom);
    } else {
      EXPECT_TRUE(doc.m_roi.IsEmpty());
    }
  }
}

TEST(DocImageCommands, CropMovesControlPointsByTheOrigin) {
  CQznDoc doc;
  MakeGrey(doc.m_image, 300, 400);
  *doc.m_controlPts.AddNew() = CControlPt(50, 60, 1, 2);
  ASSERT_EQ(doc.CropImage(RECT{10, 20, 110, 220}), 1);
  EXPECT_EQ(doc.m_image.width, 100);
  EXPECT_EQ(doc.m_image.height, 200);
  EXPECT_DOUBLE_EQ(doc.m_controlPts.GetHead()->m_imageX, 40.0);
  EXPECT_DOUBLE_EQ(doc.m_controlPts.GetHead()->m_imageY, 40.0);
  EXPECT_EQ(doc.m_extent.right, 99);
  EXPECT_EQ(doc.m_extent.bottom, 199);
}

TEST(DocImageCommands, CommandsThatDoNotApplyChangeNothing) {
  CScriptedHost ui;
  CHostScope scope(&ui);
  CQznDoc doc;
  doc.m_image.Init();
  doc.m_image.width = 4, doc.m_image.height = 3, doc.m_image.planes = 3, doc.m_image.bitsPerSample = 8;
  doc.m_image.photometric = 2;
  ASSERT_TRUE(doc.m_image.AllocPixels());
  std::memset(doc.m_image.pixels, 9, static_cast<std::size_t>(doc.m_image.GetImageBytes()));
  EXPECT_EQ(doc.NegateImage(), 0);
  EXPECT_EQ(doc.RemoveBackground(20), 0);
  EXPECT_EQ(doc.MapPixelRange(0, 255, 1), 0);
  EXPECT_EQ(doc.ConvertGreyToBilevel(RECT{}), 0);
  EXPECT_EQ(doc.WarpImage(0), 0);  // no control points
  EXPECT_EQ(ui.messages.back().text, "没有足够的控制点，请添加。");
  // An angle that is no number of degrees (a script's "ImageRotate 1e300").
  EXPECT_EQ(doc.RotateImage(std::numeric_limits<float>::infinity()), 0);
  EXPECT_EQ(doc.RotateImage(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(doc.RunMacroCommand("ImageRotate 1e300"), 0);
  EXPECT_EQ(doc.m_image.width, 4);
  EXPECT_EQ(doc.m_image.pixels[0], 9);
  EXPECT_EQ(doc.m_nImageModified, 0);
  CQznDoc empty;
  EXPECT_EQ(empty.FlipImage(0), 0);
  EXPECT_EQ(empty.TransposeImage(), 0);
}

TEST(DocImageCommands, MappingAPaletteImageChangesIndicesNotThePalette) {
  CQznDoc doc;
  MakeGrey(doc.m_image, 4, 1);
  doc.m_image.photometric = 3;
  ASSERT_TRUE(doc.m_image.AllocPalette());
  for (int i = 0; i < 256; ++i) doc.m_image.red[i] = static_cast<BYTE>(i);
  const BYTE values[4] = {0, 100, 150, 151};
  std::memcpy(doc.m_image.pixels, values, 4);
  ASSERT_EQ(doc.MapPixelRange(0, 150, 0), 1);
  EXPECT_EQ(Pixels(doc.m_image), (std::vector<BYTE>{0, 0, 0, 151}));
  EXPECT_EQ(doc.m_image.red[100], 100);
  // A reversed range changes nothing.
  ASSERT_EQ(doc.MapPixelRange(200, 100, 3), 1);
  EXPECT_EQ(doc.m_image.pixels[3], 151);
}

// ---- conversions ---------------------------------------------------------------------

TEST(DocImageCommands, GreyToBilevelMakesLinePixelsBlackForEitherPhotometricCode) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"PIL", "numpy"}), "Pillow and numpy")
  for (int photometric : {0, 1}) {
    SCOPED_TRACE(photometric);
    TempDir dir;
    CQznDoc doc;
    MakeGrey(doc.m_image, 43, 20, photometric);
    doctest::DrawLine(doc.m_image, 3, 10, 38, 10, 3);
    // Ink is dark: the low values where 0 is black, the high ones where 0 is white.
    doc.m_nThreshLow = photometric ? 0 : 128;
    doc.m_nThreshHigh = photometric ? 128 : 255;
    ASSERT_EQ(doc.ConvertGreyToBilevel(RECT{}), 1);
    EXPECT_EQ(doc.m_image.bitsPerSample, 1);
    EXPECT_EQ(doc.m_image.photometric, photometric);
    EXPECT_EQ(doc.m_nImageModified, 1);
    const std::string path = dir.file("bw.tif");
    ASSERT_EQ(WriteTiffImage(path, doc.m_image, 4), 1);
    // Pillow reads the photometric code: the line must come out black, the
    // paper white, the padding bits of each 43-pixel row as paper.
    std::string out;
    ASSERT_EQ(qzntest::RunCommand(qzntest::Python() +
                                      " -c \"import numpy as np; from PIL import Image; "
                                      "a = np.array(Image.open('" +
                                      path +
                                      "').convert('L')); "
                                      "print(a[10, 20], a[2, 20], a[10, 42], (a == 0).sum())\"",
                                  &out),
              0);
    std::istringstream s(out);
    int line = -1, paper = -1, end = -1, dark = -1;
    s >> line >> paper >> end >> dark;
    EXPECT_EQ(line, 0);
    EXPECT_EQ(paper, 255);
    EXPECT_EQ(end, 255);
    EXPECT_GT(dark, 3 * 30);
    EXPECT_LT(dark, 6 * 40);
  }
}

TEST(DocImageCommands, GreyToBilevelWithoutAThresholdComputesAndKeepsOne) {
  CQznDoc doc;
  MakeGrey(doc.m_image, 30, 20);
  std::memset(doc.m_image.pixels, 235, static_cast<std::size_t>(doc.m_image.GetPlaneBytes()));
  for (int x = 0; x < 30; ++x) doc.m_image.SetByte(x, 10, 40);
  ASSERT_EQ(doc.ConvertGreyToBilevel(RECT{}), 1);
  EXPECT_EQ(doc.m_nThreshLow, 0);
  EXPECT_EQ(doc.m_nThreshHigh, 40);
  EXPECT_EQ(doc.m_image.GetBit(4, 10), 0);
  EXPECT_EQ(doc.m_image.GetBit(4, 9), 1);
}

TEST(DocImageCommands, GreyToBilevelWithARectangleUsesItsGreyRange) {
  CQznDoc doc;
  MakeGrey(doc.m_image, 30, 30);
  for (int x = 0; x < 30; ++x) doc.m_image.SetByte(x, 15, 60);  // the ink sampled
  for (int x = 0; x < 30; ++x) doc.m_image.SetByte(x, 25, 0);   // darker than the sample
  // A rectangle of ink only: its 1 % cut range is [60, 60].
  ASSERT_EQ(doc.ConvertGreyToBilevel(RECT{0, 15, 30, 16}), 1);
  EXPECT_EQ(doc.m_image.GetBit(5, 15), 0);
  EXPECT_EQ(doc.m_image.GetBit(5, 25), 1);
  EXPECT_EQ(doc.m_image.GetBit(5, 5), 1);
  EXPECT_EQ(doc.m_nThreshHigh, 0);  // the pair is left alone
}

TEST(DocImageCommands, ColourConversions) {
  CScriptedHost ui;
  CHostScope scope(&ui);
  auto makeRgb = [](CQznDoc& doc) {
    doc.m_image.Init();
    doc.m_image.width = 3, doc.m_image.height = 1, doc.m_image.planes = 3, doc.m_image.bitsPerSample = 8;
    doc.m_image.photometric = 2;
    ASSERT_TRUE(doc.m_image.AllocPixels());
    const BYTE rgb[9] = {255, 10, 0, /*g*/ 255, 200, 0, /*b*/ 255, 30, 255};
    std::memcpy(doc.m_image.pixels, rgb, 9);
  };
  {
    CQznDoc doc;
    makeRgb(doc);
    ASSERT_EQ(doc.ConvertRgbToGrey(), 1);
    EXPECT_EQ(doc.m_image.planes, 1);
    EXPECT_EQ(doc.m_image.photometric, 1);
    // trunc(76.245) + trunc(149.685) + trunc(29.07); trunc(2.99)+trunc(117.4)+trunc(3.42); trunc(29.07)
    EXPECT_EQ(Pixels(doc.m_image), (std::vector<BYTE>{76 + 149 + 29, 2 + 117 + 3, 29}));
    EXPECT_EQ(doc.m_nImageModified, 1);
  }
  {
    CQznDoc doc;
    makeRgb(doc);
    ASSERT_EQ(doc.ConvertRgbToPalette(), 1);  // builds the colour cache itself when missing
    EXPECT_EQ(doc.m_image.planes, 1);
    EXPECT_EQ(doc.m_image.photometric, 3);
    EXPECT_EQ(doc.m_image.colorCache, nullptr);
    BYTE r, g, b;
    doc.m_image.GetPaletteColor(doc.m_image.pixels[0], &r, &g, &b);
    EXPECT_GT(r, 240);
    EXPECT_GT(g, 240);
    doc.m_image.GetPaletteColor(doc.m_image.pixels[2], &r, &g, &b);
    EXPECT_LT(r, 8);
    EXPECT_GT(b, 240);
    // The palette image back to grey through its palette.
    ASSERT_EQ(doc.ConvertPaletteToGrey(), 1);
    EXPECT_EQ(doc.m_image.photometric, 1);
    EXPECT_FALSE(doc.m_image.HasPalette());
  }
}

TEST(DocImageCommands, ExtractClassMakesTheCentreValueBlack) {
  CQznDoc doc;
  MakeGrey(doc.m_image, 10, 2);
  doc.m_image.photometric = 5;
  for (int x = 0; x < 10; ++x) doc.m_image.SetByte(x, 0, static_cast<BYTE>(x % 3)), doc.m_image.SetByte(x, 1, 2);
  ASSERT_EQ(doc.ExtractClassToBilevel(RECT{0, 0, 4, 1}), 1);  // centre (2, 0): class 2
  EXPECT_EQ(doc.m_image.bitsPerSample, 1);
  EXPECT_EQ(doc.m_image.photometric, 1);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(doc.m_image.GetBit(x, 0), x % 3 == 2 ? 0 : 1) << x;
  EXPECT_EQ(doc.m_image.GetBit(7, 1), 0);
}

// ---- GeoTIFF output --------------------------------------------------------------------

TEST(DocImageCommands, GeoTiffOfARotatedWorldFileKeepsTheRotation) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"osgeo.gdal"}), "GDAL's Python bindings")
  TempDir dir;
  CQznDoc doc;
  MakeGrey(doc.m_image, 20, 10);
  doc.m_paths[CQznDoc::kPathImage] = dir.file("a.tif");
  SetRotatedWorldFile(doc);
  ASSERT_EQ(doc.RunMacroCommand("SaveImage GeoTIFF"), 1);
  std::string out;
  ASSERT_EQ(qzntest::RunCommand(qzntest::Python() +
                                    " -c \"from osgeo import gdal; "
                                    "print(' '.join('%.6f' % v for v in gdal.Open('" +
                                    dir.file("a_0.tif") + "').GetGeoTransform()))\"",
                                &out),
            0);
  // GDAL's transform is of the top-left corner: half a pixel before the
  // centre the world file describes.
  EXPECT_EQ(out, FormatC("%.6f 2.000000 0.500000 %.6f 0.250000 -2.000000\n", 1000.0 - 0.5 * 2.5, 5000.0 - 0.5 * -1.75));
}

// ---- the 3D view's copy ----------------------------------------------------------------

TEST(DocImageCommands, RgbCopyOfARectangle) {
  struct Case {
    const char* name;
    int bits, planes, photometric;
    std::vector<BYTE> expected;  // the pixel at (1, 0): set bit / value 200
  };
  const Case cases[] = {
      {"bilevel black is zero", 1, 1, 1, {255, 255, 255}},
      {"bilevel white is zero", 1, 1, 0, {20, 20, 20}},
      {"grey black is zero", 8, 1, 1, {200, 200, 200}},
      {"grey white is zero", 8, 1, 0, {55, 55, 55}},
      {"rgb", 8, 3, 2, {200, 201, 202}},
      {"palette", 8, 1, 3, {200, 100, 50}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CQznDoc doc;
    CRasterImage& img = doc.m_image;
    img.Init();
    img.width = 4, img.height = 3, img.planes = c.planes, img.bitsPerSample = c.bits, img.photometric = c.photometric;
    ASSERT_TRUE(img.AllocPixels());
    std::memset(img.pixels, 0, static_cast<std::size_t>(img.GetImageBytes()));
    if (c.bits == 1) {
      img.SetBit(1, 0, 1);
    } else {
      for (int p = 0; p < c.planes; ++p) img.SetPlaneByte(1, 0, p, static_cast<BYTE>(200 + p));
    }
    if (c.photometric == 3) {
      ASSERT_TRUE(img.AllocPalette());
      img.red[200] = 200, img.green[200] = 100, img.blue[200] = 50;
    }
    doc.ResetExtent();
    std::vector<BYTE> buffer(3 * 4 * 3, 7);
    ASSERT_EQ(doc.GetImageRectRgb(RECT{0, 0, 4, 3}, buffer.data()), 1);
    EXPECT_EQ(std::vector<BYTE>(buffer.begin() + 3, buffer.begin() + 6), c.expected);
    // A rectangle reaching past the image, and no buffer, give 0.
    EXPECT_EQ(doc.GetImageRectRgb(RECT{0, 0, 5, 3}, buffer.data()), 0);
    EXPECT_EQ(doc.GetImageRectRgb(RECT{0, 0, 2, 2}, nullptr), 0);
  }
}

TEST(DocImageCommands, WarpCarriesTheWorldFileToTheRewrittenPoints) {
  CScriptedHost ui;
  CHostScope scope(&ui);
  CQznDoc doc;
  MakeMarked(doc);
  // A consistent pair: map = (image x + 1000, 2000 - image y), both ways.
  const double cps[4][4] = {{0, 0, 1000, 2000}, {39, 0, 1039, 2000}, {0, 29, 1000, 1971}, {39, 29, 1039, 1971}};
  for (const auto& p : cps) *doc.m_controlPts.AddNew() = CControlPt(p[0], p[1], p[2], p[3]);
  doc.m_tfw.m_A = 1.0, doc.m_tfw.m_E = -1.0, doc.m_tfw.m_C = 1000.0, doc.m_tfw.m_F = 2000.0;
  doc.m_tfw.m_nTerms = 3;
  doc.AddRoiRect(RECT{6, 4, 10, 8});
  ASSERT_EQ(doc.WarpImage(0), 1) << (ui.messages.empty() ? "" : ui.messages.back().text);
  EXPECT_EQ(doc.m_nImageModified, 1);
  EXPECT_TRUE(doc.m_roi.IsEmpty());
  double cx, cy, mx, my;
  ASSERT_TRUE(MarkCentre(doc.m_image, cx, cy));
  MapOf(doc.m_tfw, cx, cy, mx, my);
  EXPECT_NEAR(mx, 1008.0, 1.0);
  EXPECT_NEAR(my, 1994.0, 1.0);
  EXPECT_EQ(doc.m_extent.right, doc.m_image.width - 1);
}

TEST(DocImageCommands, SegmentationRunsItsStepsOnGreyImagesOnly) {
  CQznDoc doc;
  MakeGrey(doc.m_image, 30, 30);
  doctest::DrawLine(doc.m_image, 5, 15, 25, 15, 6);
  ASSERT_EQ(doc.SegmentImage(), 1);
  EXPECT_EQ(doc.m_nImageModified, 1);
  // The edges of the band are marked, its inside and the paper are not.
  EXPECT_NE(doc.m_image.GetByte(15, 12), doc.m_image.GetByte(15, 3));
  CQznDoc palette;
  MakeGrey(palette.m_image, 4, 4);
  palette.m_image.photometric = 3;
  EXPECT_EQ(palette.SegmentImage(), 0);
  EXPECT_EQ(palette.m_nImageModified, 0);
}

TEST(DocImageCommands, GeoTiffOfControlPointsHasOneTiePointEach) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"osgeo.gdal"}), "GDAL's Python bindings")
  TempDir dir;
  CQznDoc doc;
  MakeGrey(doc.m_image, 20, 10);
  doc.m_paths[CQznDoc::kPathImage] = dir.file("b.tif");
  const double cps[4][4] = {{0, 0, 1000, 2000}, {19, 0, 1019, 2000}, {0, 9, 1000, 1991}, {19, 9, 1019, 1991}};
  for (const auto& p : cps) *doc.m_controlPts.AddNew() = CControlPt(p[0], p[1], p[2], p[3]);
  // A stale pixel scale read with the image must not go out beside them.
  doc.m_image.pixelScale[0] = doc.m_image.pixelScale[1] = 3.0;
  doc.m_image.pixelScaleValid = 1;
  ASSERT_EQ(doc.RunMacroCommand("SaveImage GeoTIFF Overwrite"), 1);
  std::string out;
  ASSERT_EQ(
      qzntest::RunCommand(qzntest::Python() + " -c \"from osgeo import gdal; d = gdal.Open('" + dir.file("b.tif") +
                              "'); g = d.GetGCPs(); "
                              "print(len(g), '%.1f %.1f %.1f %.1f' % (g[1].GCPPixel, g[1].GCPLine, "
                              "g[1].GCPX, g[1].GCPY))\"",
                          &out),
      0);
  EXPECT_EQ(out, "4 19.5 0.5 1019.0 2000.0\n");
}
