// Every fixture of a group (depth x photometric x layout x compression, made
// by Pillow, GDAL or ImageMagick at test time) decodes pixel for pixel as
// Pillow or GDAL decode it, through the one reading entry point.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/host.h"
#include "raster/imagefile.h"
#include "raster/rasterimage.h"
#include "tests/raster/test_imagefile_support.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

class ImageFixtureTable : public ::testing::TestWithParam<const char*> {};

TEST_P(ImageFixtureTable, DecodesLikeIndependentDecoders) {
  QZN_REQUIRE_ORACLE(imgtest::HaveOracle(), "Pillow, numpy and GDAL's Python bindings")
  qzntest::TempDir dir;
  ASSERT_TRUE(imgtest::MakeFixtures(GetParam(), dir.path().string()));
  std::ifstream manifest(dir.file("manifest.txt"));
  std::string line;
  int cases = 0;
  CScriptedHost host;
  CHostScope scope(&host);
  while (std::getline(manifest, line)) {
    if (line.empty()) continue;
    std::istringstream in(line);
    std::string name, kind, bits, planes, photo;
    int w = 0, h = 0;
    in >> name >> kind >> w >> h >> bits >> planes >> photo;
    SCOPED_TRACE(name);
    ++cases;
    CRasterImage img;
    ASSERT_EQ(ReadImageFile(dir.file(name), img), 1);
    EXPECT_EQ(img.width, w);
    EXPECT_EQ(img.height, h);
    if (bits != "-") {
      EXPECT_EQ(img.bitsPerSample, std::stoi(bits));
    }
    if (planes != "-") {
      EXPECT_EQ(img.planes, std::stoi(planes));
    }
    if (photo != "-") {
      EXPECT_EQ(img.photometric, std::stoi(photo));
    }
    const auto expected = qzntest::ReadFileBytes(dir.file(name + ".exp"));
    const auto actual = kind == "rgb" ? imgtest::RenderRgb(img) : imgtest::RawSamples(img);
    ASSERT_EQ(actual.size(), expected.size());
    const long diff = imgtest::FirstDifference(actual, expected);
    EXPECT_EQ(diff, -1) << "first difference at byte " << diff << ": " << int(actual[diff]) << " vs "
                        << int(expected[diff]);
  }
  EXPECT_GT(cases, 0);
  EXPECT_TRUE(host.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Groups, ImageFixtureTable, ::testing::Values("tiff", "bmp", "gif", "png", "jpeg"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
