// TIFF strips and tiles decoded side by side, each piece through a handle of
// its own, give the record the one-handle reading gives: the same pixels,
// the same palette, or the same refusal with the same report, in every
// layout libtiff writes (strips of one row and of many, tiles, separate
// planes, 1, 4 and 8 bits, every common compression) and on every TIFF
// fixture, damaged ones included.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/parallel.h"
#include "raster/rasterimage.h"
#include "raster/tiffio.h"
#include "tests/raster/test_imagefile_support.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

struct Read {
  int code = -1;
  std::string problem;
  std::vector<BYTE> pixels, palette;
  int width = 0, height = 0, planes = 0, bits = 0, photometric = -1;
};

Read ReadWith(const std::string& path, int threads) {
  CWorkerThreadsScope scope(threads);
  CRasterImage img;
  Read r;
  r.code = ReadTiffImage(path, img, nullptr, &r.problem);
  if (img.HasPixels()) r.pixels.assign(img.pixels, img.pixels + img.GetImageBytes());
  if (img.red) r.palette.assign(img.red, img.red + 768);
  r.width = img.width;
  r.height = img.height;
  r.planes = img.planes;
  r.bits = img.bitsPerSample;
  r.photometric = img.photometric;
  return r;
}

void ExpectSameRead(const std::string& path) {
  const Read one = ReadWith(path, 1);
  for (int threads : {2, 8}) {
    const Read many = ReadWith(path, threads);
    EXPECT_EQ(many.code, one.code) << path << ", " << threads << " threads";
    EXPECT_EQ(many.problem, one.problem) << path;
    EXPECT_EQ(many.width, one.width) << path;
    EXPECT_EQ(many.height, one.height) << path;
    EXPECT_EQ(many.planes, one.planes) << path;
    EXPECT_EQ(many.bits, one.bits) << path;
    EXPECT_EQ(many.photometric, one.photometric) << path;
    EXPECT_TRUE(many.pixels == one.pixels) << path << ", " << threads << " threads";
    EXPECT_TRUE(many.palette == one.palette) << path;
  }
}

}  // namespace

TEST(TiffThreads, EveryLayoutAndCompressionReadsAsOnOneThread) {
  QZN_REQUIRE_PROGRAM("tiffcp");
  qzntest::TempDir dir;
  struct Source {
    const char* name;
    int bits, planes, photometric;
  } sources[] = {{"grey", 8, 1, 1}, {"rgb", 8, 3, 2}, {"bilevel", 1, 1, 0}, {"palette", 8, 1, 3}};
  const char* const layouts[] = {
      "-r 1",
      "-r 7 -c lzw",
      "-r 16 -c zip",
      "-r 5 -c packbits",
      "-r 9 -c lzw:2",
      "-t -w 32 -l 16",
      "-t -w 48 -l 32 -c lzw",
      "-p separate -r 6 -c zip",
      "-p separate -t -w 16 -l 16 -c lzw",
  };
  int checked = 0;
  for (const Source& s : sources) {
    CRasterImage img;
    imgtest::MakeTestImage(img, 203, 97, s.bits, s.planes, s.photometric, 33);
    const std::string base = dir.file(std::string(s.name) + ".tif");
    ASSERT_EQ(WriteTiffImage(base, img, 1), 1) << s.name;
    int n = 0;
    for (const char* layout : layouts) {
      if (s.planes == 1 && std::strstr(layout, "separate")) continue;
      if (s.bits == 1 && std::strstr(layout, ":2")) continue;  // no predictor for bilevel
      const std::string out = dir.file(std::string(s.name) + "-" + std::to_string(n++) + ".tif");
      ASSERT_EQ(qzntest::RunCommand("tiffcp " + std::string(layout) + " '" + base + "' '" + out + "' 2>&1"), 0)
          << layout;
      SCOPED_TRACE(std::string(s.name) + " " + layout);
      const Read one = ReadWith(out, 1);
      ASSERT_EQ(one.code, kTiffOk);
      ExpectSameRead(out);
      ++checked;
    }
  }
  EXPECT_GE(checked, 25);
}

TEST(TiffThreads, EveryFixtureReadsAsOnOneThread) {
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(qzntest::SourcePath("tests/fixtures"))) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".tif" && ext != ".tiff") continue;
    SCOPED_TRACE(entry.path().string());
    ExpectSameRead(entry.path().string());
    ++files;
  }
  EXPECT_GE(files, 10);
}
