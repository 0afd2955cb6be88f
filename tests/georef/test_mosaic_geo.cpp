#include "georef/mosaic_geo.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "raster/imagefile.h"
#include "raster/mosaic.h"
#include "tests/raster/test_imaging_support.h"

using namespace qzn;

namespace {

using imgtest::Make8;

TEST(GetImageGeoreference, FromTheGeoTiffTags) {
  double x[4], y[4];
  CRasterImage img;
  Make8(img, 4, 4, 1, 1);
  // One tie point at pixel (0, 10) with scales 3 and 2: the world origin is
  // 20 map units above the tie point.
  ASSERT_EQ(img.AllocTiePoints(1), 1);
  const double tie[6] = {0, 10, 0, 500, 800, 0};
  std::copy(tie, tie + 6, img.tiePoints);
  img.pixelScale[0] = 3, img.pixelScale[1] = 2, img.pixelScaleValid = 1;
  ASSERT_EQ(GetImageGeoreference("none.tif", img, x, y, 0), 1);
  EXPECT_EQ(std::vector<double>(x, x + 4), (std::vector<double>{3, 0, 0, 500}));
  EXPECT_EQ(std::vector<double>(y, y + 4), (std::vector<double>{0, -2, 0, 820}));
  ASSERT_EQ(GetImageGeoreference("none.tif", img, x, y, 1), 1);
  EXPECT_NEAR(x[0] * 503 + x[1] * 818 + x[3], 1, 1e-9);  // map (503, 818) is pixel (1, 1)
  EXPECT_NEAR(y[0] * 503 + y[1] * 818 + y[3], 1, 1e-9);

  // Four tie points are fitted.
  ASSERT_EQ(img.AllocTiePoints(4), 1);
  const double ties[4][2] = {{0, 0}, {10, 0}, {0, 10}, {10, 10}};
  for (int i = 0; i < 4; ++i) {
    double* t = img.tiePoints + 6 * i;
    t[0] = ties[i][0], t[1] = ties[i][1], t[3] = 100 + 2 * t[0], t[4] = 50 - 3 * t[1];
  }
  ASSERT_EQ(GetImageGeoreference("none.tif", img, x, y, 0), 1);
  EXPECT_NEAR(x[0], 2, 1e-9);
  EXPECT_NEAR(y[1], -3, 1e-9);
  EXPECT_NEAR(y[3], 50, 1e-9);

  // The model transformation.
  img.FreeTiePoints();
  img.tiePointCount = 0;
  img.pixelScaleValid = 0;
  const double m[16] = {0.5, 0.1, 0, 7, 0.2, -0.5, 0, 9, 0, 0, 0, 0, 0, 0, 0, 1};
  std::copy(m, m + 16, img.modelTransformation);
  img.modelTransformationValid = 1;
  ASSERT_EQ(GetImageGeoreference("none.tif", img, x, y, 0), 1);
  EXPECT_EQ(std::vector<double>(x, x + 4), (std::vector<double>{0.5, 0.1, 0, 7}));
  EXPECT_EQ(std::vector<double>(y, y + 4), (std::vector<double>{0.2, -0.5, 0, 9}));
}

TEST(GetImageGeoreference, FromTheFilesBesideTheImage) {
  qzntest::TempDir dir;
  CRasterImage img;
  Make8(img, 4, 4, 1, 1);
  double x[4], y[4];
  EXPECT_EQ(GetImageGeoreference(dir.file("a.bmp"), img, x, y, 0), 0);
  qzntest::WriteFileText(dir.file("a.tfw"), "2\n0\n0\n-2\n1000\n2000\n");
  ASSERT_EQ(GetImageGeoreference(dir.file("a.bmp"), img, x, y, 0), 1);
  EXPECT_EQ(std::vector<double>(x, x + 4), (std::vector<double>{2, 0, 0, 1000}));
  EXPECT_EQ(std::vector<double>(y, y + 4), (std::vector<double>{0, -2, 0, 2000}));
  // A control-point file comes first; one that cannot be fitted is no answer.
  qzntest::WriteFileText(dir.file("a.cpt"), "0 0 10 10\n1 1 20 20\n2 2 30 30\n3 3 40 40\n");
  EXPECT_EQ(GetImageGeoreference(dir.file("a.bmp"), img, x, y, 0), 0);
  qzntest::WriteFileText(dir.file("a.cpt"), "0 0 10 10\n4 0 30 10\n0 4 10 -10\n4 4 30 -10\n");
  ASSERT_EQ(GetImageGeoreference(dir.file("a.bmp"), img, x, y, 0), 1);
  EXPECT_NEAR(x[0], 5, 1e-9);
  EXPECT_NEAR(y[1], -5, 1e-9);
}

// Tiles east, south, west and north of the first land where gdalbuildvrt
// places them relative to the first; what reaches beyond the first tile's
// west or north edge is cut off, not pushed onto the mosaic.
TEST(MosaicImages, GeoreferencedPlacementAgreesWithGdalBuildVrt) {
  QZN_REQUIRE_PROGRAM("gdalbuildvrt");
  QZN_REQUIRE_PY("numpy", "osgeo");
  qzntest::TempDir dir;
  struct Tile {
    const char* name;
    double ulx, uly;
  };
  const std::vector<Tile> tiles = {
      {"a.tif", 1000, 5000}, {"b.tif", 1040, 4995}, {"c.tif", 985, 5008}, {"d.tif", 1010, 4970}};
  std::string script =
      "from osgeo import gdal\n"
      "import subprocess, xml.etree.ElementTree as ET\n"
      "rng = np.random.default_rng(3)\n"
      "names = []\n";
  for (const Tile& t : tiles) {
    std::ostringstream s;
    s << "p = '" << dir.file(t.name) << "'; names.append(p)\n"
      << "ds = gdal.GetDriverByName('GTiff').Create(p, 40, 30, 1, gdal.GDT_Byte)\n"
      << "ds.SetGeoTransform((" << t.ulx << ", 1, 0, " << t.uly << ", 0, -1))\n"
      << "ds.GetRasterBand(1).WriteArray(rng.integers(1, 256, (30, 40), dtype=np.uint8)); ds = None\n";
    script += s.str();
  }
  script +=
      "vrt = OUT + '.vrt'\n"
      "subprocess.run(['gdalbuildvrt', '-q', vrt] + names, check=True)\n"
      "offs = {}\n"
      "for src in ET.parse(vrt).getroot().iter('SimpleSource'):\n"
      "    r = src.find('DstRect')\n"
      "    offs[src.find('SourceFilename').text.split('/')[-1]] = (int(float(r.get('xOff'))), int(float(r.get('yOff'))))\n"
      "first = offs['a.tif']\n"
      "print(' '.join('%d %d' % (offs[n][0] - first[0], offs[n][1] - first[1]) for n in ['a.tif', 'b.tif', 'c.tif', 'd.tif']))\n"
      "open(OUT, 'wb').close()\n";
  std::string text;
  imgtest::RunPy(script, {}, &text);
  std::istringstream in(text);
  std::vector<std::pair<int, int>> place(4);
  for (auto& p : place) in >> p.first >> p.second;
  ASSERT_TRUE(in) << text;
  ASSERT_EQ(place[2], (std::pair<int, int>{-15, -8}));  // the west-north tile really is

  std::vector<std::string> files;
  std::vector<CRasterImage> images(4);
  for (std::size_t k = 0; k < 4; ++k) {
    files.push_back(dir.file(tiles[k].name));
    ASSERT_EQ(ReadImageFile(files[k], images[k]), 1);
  }
  CRasterImage out;
  ASSERT_EQ(MosaicImages(files, 2, 2, &out, kMosaicGeoreferenced, 0, 0), 1);
  ASSERT_EQ(out.width, 80);
  ASSERT_EQ(out.height, 60);
  // The expected mosaic: each tile painted in turn at gdal's offset.
  std::vector<int> expected(80 * 60, 0);
  for (std::size_t k = 0; k < 4; ++k)
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        const int ox = place[k].first + x, oy = place[k].second + y;
        if (ox >= 0 && oy >= 0 && ox < 80 && oy < 60)
          expected[static_cast<std::size_t>(oy * 80 + ox)] = images[k].GetByte(x, y);
      }
  int wrong = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 80; ++x) {
      bool seam = false;
      for (std::size_t k = 1; k < 4; ++k) seam |= x == place[k].first || y == place[k].second;
      if (!seam) wrong += out.GetByte(x, y) != expected[static_cast<std::size_t>(y * 80 + x)];
    }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
