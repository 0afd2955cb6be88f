#include "bench/scangen.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "tests/support/testutil.h"

namespace {

using scangen::Compression;
using scangen::GreyImage;
using scangen::Options;

Options Small(std::uint32_t seed) {
  Options opt;
  opt.width = 640;
  opt.height = 480;
  opt.seed = seed;
  return opt;
}

double DarkShare(const GreyImage& img) {
  const auto dark = std::count_if(img.pixels.begin(), img.pixels.end(), [](std::uint8_t v) { return v < 128; });
  return static_cast<double>(dark) / static_cast<double>(img.pixels.size());
}

TEST(ScanGen, DeterministicFromTheSeed) {
  const GreyImage a = scangen::Generate(Small(5)), b = scangen::Generate(Small(5)), c = scangen::Generate(Small(6));
  EXPECT_EQ(a.width, 640);
  EXPECT_EQ(a.height, 480);
  EXPECT_EQ(a.pixels, b.pixels);
  EXPECT_NE(a.pixels, c.pixels);
  // Dark lines on white paper: most of the sheet is paper, a few per cent ink.
  EXPECT_GT(DarkShare(a), 0.01);
  EXPECT_LT(DarkShare(a), 0.25);
  EXPECT_EQ(*std::max_element(a.pixels.begin(), a.pixels.end()), 255);
}

// Each kind of element can be switched on alone and leaves ink; changing one
// kind's count leaves the others' pixels where they were.
TEST(ScanGen, ElementKinds) {
  Options none = Small(9);
  none.contours = none.straightLines = none.textBlobs = none.wavyLines = 0;
  none.noise = 0;
  const GreyImage blank = scangen::Generate(none);
  EXPECT_TRUE(std::all_of(blank.pixels.begin(), blank.pixels.end(), [](std::uint8_t v) { return v == 255; }));

  int Options::*counts[] = {&Options::contours, &Options::straightLines, &Options::textBlobs, &Options::wavyLines,
                            &Options::terrainLevels};
  for (int Options::*field : counts) {
    Options one = none;
    one.*field = 20;
    EXPECT_GT(DarkShare(scangen::Generate(one)), 0.0005);
  }
  Options noisy = none;
  noisy.noise = 0.01;
  const double share = DarkShare(scangen::Generate(noisy));
  EXPECT_GT(share, 0.008);  // specks of 1 or 4 pixels, some landing on others
  EXPECT_LT(share, 0.025);

  // The scanner's noise moves the grey pixels of stroke edges; paper stays
  // white.
  Options clean = none;
  clean.straightLines = 30;
  clean.edgeWidth = 3;
  Options grainy = clean;
  grainy.grain = 40;
  const GreyImage smooth = scangen::Generate(clean), grain = scangen::Generate(grainy);
  std::size_t moved = 0;
  for (std::size_t i = 0; i < smooth.pixels.size(); ++i) {
    if (smooth.pixels[i] == 255) {
      ASSERT_EQ(grain.pixels[i], 255);
    }
    moved += smooth.pixels[i] != grain.pixels[i];
  }
  EXPECT_GT(moved, 2000u);

  Options lines = none;
  lines.straightLines = 30;
  Options linesAndText = lines;
  linesAndText.textBlobs = 10;
  const GreyImage l = scangen::Generate(lines), lt = scangen::Generate(linesAndText);
  for (std::size_t i = 0; i < l.pixels.size(); ++i) ASSERT_LE(lt.pixels[i], l.pixels[i]);
}

TEST(ScanGen, LineWidthsFollowTheRange) {
  // Only thin lines: no pixel has a dark neighbourhood as wide as a thick line.
  Options thin = Small(4);
  thin.minLineWidth = thin.maxLineWidth = 1;
  thin.noise = 0;
  Options thick = thin;
  thick.minLineWidth = thick.maxLineWidth = 7;
  auto solidBlocks = [](const GreyImage& img) {
    std::int64_t n = 0;  // 4 x 4 blocks entirely dark
    for (std::int64_t y = 0; y + 4 <= img.height; y += 4)
      for (std::int64_t x = 0; x + 4 <= img.width; x += 4) {
        bool all = true;
        for (int j = 0; j < 4 && all; ++j)
          for (int i = 0; i < 4 && all; ++i) all = img.at(x + i, y + j) < 128;
        n += all;
      }
    return n;
  };
  EXPECT_LT(solidBlocks(scangen::Generate(thin)), 20);  // only where strokes cross
  EXPECT_GT(solidBlocks(scangen::Generate(thick)), 500);
}

TEST(ScanGen, BadOptionsAreRejected) {
  Options opt = Small(1);
  opt.width = 0;
  EXPECT_THROW(scangen::Generate(opt), std::invalid_argument);
  opt = Small(1);
  opt.minLineWidth = 5;
  opt.maxLineWidth = 2;
  EXPECT_THROW(scangen::Generate(opt), std::invalid_argument);
  opt = Small(1);
  opt.edgeWidth = 0;
  EXPECT_THROW(scangen::Generate(opt), std::invalid_argument);
}

// The written files decode, with an independent reader, to the generated
// pixels (thresholded for the bilevel files).
TEST(ScanGen, WrittenFilesDecodeToTheImage) {
  QZN_REQUIRE_PROGRAM("convert");
  qzntest::TempDir tmp;
  const GreyImage img = scangen::Generate(Small(11));
  struct Case {
    const char* name;
    Compression compression;
    char file;  // 't' TIFF, 'g' PGM, 'b' PBM
    std::uint16_t tiffCompression, photometric, bits;
  } cases[] = {
      {"plain.tif", Compression::None, 't', COMPRESSION_NONE, PHOTOMETRIC_MINISBLACK, 8},
      {"lzw.tif", Compression::Lzw, 't', COMPRESSION_LZW, PHOTOMETRIC_MINISBLACK, 8},
      {"g4.tif", Compression::G4, 't', COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE, 1},
      {"grey.pgm", Compression::None, 'g', 0, 0, 0},
      {"ink.pbm", Compression::G4, 'b', 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = tmp.file(c.name);
    ASSERT_TRUE(c.file == 'g'   ? scangen::WritePgm(img, path)
                : c.file == 'b' ? scangen::WritePbm(img, path)
                                : scangen::WriteTiff(img, path, c.compression));
    if (c.file == 't') {
      TIFF* tif = TIFFOpen(path.c_str(), "r");
      ASSERT_NE(tif, nullptr);
      std::uint16_t compression = 0, photometric = 0, bits = 0;
      TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
      TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
      TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
      TIFFClose(tif);
      EXPECT_EQ(compression, c.tiffCompression);
      EXPECT_EQ(photometric, c.photometric);
      EXPECT_EQ(bits, c.bits);
    }
    const std::string raw = tmp.file(std::string(c.name) + ".raw");
    ASSERT_EQ(qzntest::RunCommand("convert '" + path + "' -depth 8 gray:'" + raw + "'"), 0);
    const std::vector<std::uint8_t> decoded = qzntest::ReadFileBytes(raw);
    ASSERT_EQ(decoded.size(), img.pixels.size());
    std::vector<std::uint8_t> expected = img.pixels;
    if (c.compression == Compression::G4)
      for (std::uint8_t& v : expected) v = v < 128 ? 0 : 255;
    EXPECT_TRUE(decoded == expected);
  }
}

TEST(ScanGen, WriteFailureLeavesNothing) {
  qzntest::TempDir tmp;
  const GreyImage img = scangen::Generate(Small(1));
  EXPECT_FALSE(scangen::WriteTiff(img, tmp.file("missing/dir/x.tif"), Compression::Lzw));
  EXPECT_FALSE(scangen::WritePgm(img, tmp.file("missing/dir/x.pgm")));
  EXPECT_FALSE(scangen::WritePbm(img, tmp.file("missing/dir/x.pbm")));
  GreyImage broken = img;
  broken.pixels.resize(10);
  EXPECT_FALSE(scangen::WriteTiff(broken, tmp.file("broken.tif"), Compression::None));
  EXPECT_TRUE(std::filesystem::is_empty(tmp.path()));
}

TEST(ScanGen, Command) {
  qzntest::TempDir tmp;
  const std::string exe = std::string(QZN_BINARY_DIR) + "/bench/scangen";
  const std::string out = tmp.file("s.tif");
  ASSERT_EQ(qzntest::RunCommand(exe + " --width 320 --height 240 --seed 3 --min-width 2 --max-width 3 --lzw -o " + out +
                                " 2>/dev/null"),
            0);
  TIFF* tif = TIFFOpen(out.c_str(), "r");
  ASSERT_NE(tif, nullptr);
  std::uint32_t w = 0, h = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  TIFFClose(tif);
  EXPECT_EQ(w, 320u);
  EXPECT_EQ(h, 240u);

  const char* bad[] = {
      "--width 0 --height 10 -o x",          "--width 10 --height 10",
      "--width 10 --height 10 --bogus -o x", "--width 10 --height 10 --lzw --g4 -o x",
      "--width ten --height 10 -o x",        "--width 10 --height 10 --min-width 4 --max-width 2 -o x"};
  for (const char* args : bad) {
    int status = qzntest::RunCommand(exe + " " + args + " 2>/dev/null");
    EXPECT_NE(status, 0) << args;
  }
}

}  // namespace
