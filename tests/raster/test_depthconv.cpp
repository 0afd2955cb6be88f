#include "raster/depthconv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/host.h"
#include "tests/raster/test_imggeom_support.h"

using namespace qzn;

namespace {

using imgtest::Bits;
using imgtest::Bytes;
using imgtest::Make8;
using imgtest::MakeBits;
using imgtest::Texture;

void GivePalette(CRasterImage& img, int seed) {
  ASSERT_EQ(img.AllocPalette(), 1);
  std::mt19937 rng(static_cast<std::uint32_t>(seed));
  for (int i = 0; i < 256; ++i) {
    img.red[i] = static_cast<BYTE>(rng());
    img.green[i] = static_cast<BYTE>(rng());
    img.blue[i] = static_cast<BYTE>(rng());
  }
}

TEST(DepthConversion, BilevelToGreyReadsTheLastPartialByte) {
  for (int photometric : {0, 1}) {
    CRasterImage img;
    MakeBits(img, {"#.........", "........#."}, photometric);
    ASSERT_EQ(img.GetRow(1)[1], 0x80);  // pixel 8 is bit 7 of the second byte
    ASSERT_EQ(BilevelToGrey(&img), 1);
    EXPECT_EQ(img.bitsPerSample, 8);
    EXPECT_EQ(img.photometric, 1);
    const BYTE set = photometric == 0 ? 0 : 255, clear = photometric == 0 ? 255 : 0;
    std::vector<std::uint8_t> expected(20, clear);
    expected[0] = expected[18] = set;
    EXPECT_EQ(Bytes(img), expected) << "photometric " << photometric;
  }
  CRasterImage grey;
  Make8(grey, 2, 2, 1, 1);
  EXPECT_EQ(BilevelToGrey(&grey), 0);
}

TEST(DepthConversion, PaletteAndGreyToRgb) {
  CRasterImage pal;
  Make8(pal, 3, 1, 1, 3, {0, 5, 255});
  GivePalette(pal, 3);
  const BYTE r5 = pal.red[5], g5 = pal.green[5], b5 = pal.blue[5];
  ASSERT_EQ(PaletteToRGB(&pal), 1);
  EXPECT_EQ(pal.planes, 3);
  EXPECT_EQ(pal.photometric, 2);
  EXPECT_EQ(pal.GetPlaneByte(1, 0, 0), r5);
  EXPECT_EQ(pal.GetPlaneByte(1, 0, 1), g5);
  EXPECT_EQ(pal.GetPlaneByte(1, 0, 2), b5);

  CRasterImage grey;
  Make8(grey, 2, 1, 1, 1, {10, 200});
  BYTE half[256];
  for (int v = 0; v < 256; ++v) half[v] = static_cast<BYTE>(v / 2);
  ASSERT_EQ(GreyToRGB(&grey, nullptr, half, nullptr), 1);
  EXPECT_EQ(Bytes(grey), (std::vector<std::uint8_t>{10, 200, 5, 100, 10, 200}));
  EXPECT_EQ(GreyToRGB(&grey, nullptr, nullptr, nullptr), 0);  // already RGB
}

TEST(ExtendToRect, GrowsWhiteAndMovesThePicture) {
  CRasterImage img;
  Make8(img, 3, 2, 1, 1, {1, 2, 3, 4, 5, 6});
  ASSERT_EQ(ExtendToRect(&img, RECT{-5, -5, 0, 0}), 1);
  EXPECT_EQ(img.width, 8);
  EXPECT_EQ(img.height, 7);
  EXPECT_EQ(img.GetByte(5, 5), 1);
  EXPECT_EQ(img.GetByte(7, 6), 6);
  EXPECT_EQ(img.GetByte(0, 0), 255);
  EXPECT_EQ(img.GetByte(4, 6), 255);

  // Bilevel, white is zero: the new strip is clear and so is the padding.
  CRasterImage bits;
  MakeBits(bits, {"##", "##"}, 0);
  ASSERT_EQ(ExtendToRect(&bits, RECT{4, 3, 0, 0}), 1);  // unnormalised: (0, 0, 4, 3)
  EXPECT_EQ(Bits(bits), (std::vector<std::string>{"##..", "##..", "...."}));
  CRasterImage black;
  MakeBits(black, {"#"}, 1);
  ASSERT_EQ(ExtendToRect(&black, RECT{0, 0, 3, 1}), 1);
  EXPECT_EQ(Bits(black), (std::vector<std::string>{"###"}));
  EXPECT_EQ(black.GetRow(0)[0], 0xE0);
}

TEST(CopyIntoRect, ClipsOnEverySide) {
  CRasterImage target, source;
  Make8(target, 4, 3, 1, 1);
  Make8(source, 3, 3, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  ASSERT_EQ(CopyIntoRect(&target, -1, 1, 10, 10, source), 1);
  EXPECT_EQ(Bytes(target), (std::vector<std::uint8_t>{0, 0, 0, 0, 2, 3, 0, 0, 5, 6, 0, 0}));
  ASSERT_EQ(CopyIntoRect(&target, 3, -2, 1, 10, source), 1);
  EXPECT_EQ(target.GetByte(3, 0), 7);
  EXPECT_EQ(target.GetByte(3, 1), 0);  // w = 1: one column only
  CRasterImage bits;
  MakeBits(bits, {"#."});
  EXPECT_EQ(CopyIntoRect(&target, 0, 0, 2, 1, bits), 0);  // depths differ
}

TEST(PasteImage, BringsKindsTogether) {
  struct Case {
    const char* name;
    int replace;
    // 0 grey(1), 1 grey(0), 2 palette A, 3 palette B, 4 RGB, 5 bilevel(0), 6 classified
    int target, source;
    int result;
    int planes;  // of the target afterwards
  };
  const std::vector<Case> cases = {
      {"grey onto palette, averaged", 0, 2, 0, 1, 3},
      {"grey onto palette, replacing", 1, 2, 0, 1, 3},
      {"same palette, replacing", 1, 2, 2, 1, 1},
      {"other palette, replacing", 1, 2, 3, 1, 3},
      {"RGB onto grey", 0, 0, 4, 1, 3},
      {"bilevel onto grey", 1, 0, 5, 1, 1},
      {"grey stored the other way", 1, 0, 1, 1, 1},
      {"grey onto classified", 1, 6, 0, 0, 1},
      {"classified onto grey", 0, 0, 6, 0, 1},
  };
  auto make = [](CRasterImage& img, int kind, int seed) {
    switch (kind) {
      case 0: Make8(img, 4, 3, 1, 1, imgtest::Random(12, static_cast<std::uint32_t>(seed))); break;
      case 1: Make8(img, 4, 3, 1, 0, imgtest::Random(12, static_cast<std::uint32_t>(seed))); break;
      case 2:
        Make8(img, 4, 3, 1, 3, imgtest::Random(12, static_cast<std::uint32_t>(seed)));
        GivePalette(img, 1);
        break;
      case 3:
        Make8(img, 4, 3, 1, 3, imgtest::Random(12, static_cast<std::uint32_t>(seed)));
        GivePalette(img, 2);
        break;
      case 4: Make8(img, 4, 3, 3, 2, imgtest::Random(36, static_cast<std::uint32_t>(seed))); break;
      case 5: MakeBits(img, {"#.#.", ".#.#", "#..#"}, 0); break;
      case 6: Make8(img, 4, 3, 1, 5, imgtest::Random(12, static_cast<std::uint32_t>(seed), 0, 3)); break;
    }
  };
  // The colour a pixel shows, whatever the kind.
  auto colour = [](const CRasterImage& img, int x, int y) {
    if (img.bitsPerSample == 1) {
      const int v = (img.GetBit(x, y) == (img.photometric == 0 ? 1 : 0)) ? 0 : 255;
      return std::vector<int>{v, v, v};
    }
    if (img.planes == 3)
      return std::vector<int>{img.GetPlaneByte(x, y, 0), img.GetPlaneByte(x, y, 1), img.GetPlaneByte(x, y, 2)};
    const int v = img.GetByte(x, y);
    if (img.photometric == 3) return std::vector<int>{img.red[v], img.green[v], img.blue[v]};
    const int g = img.photometric == 0 ? 255 - v : v;
    return std::vector<int>{g, g, g};
  };
  for (const Case& c : cases) {
    CRasterImage target, source;
    make(target, c.target, 1);
    make(source, c.source, 2);
    CRasterImage targetBefore, sourceBefore;
    ASSERT_EQ(targetBefore.CopyFrom(target, 1, 1), 1);
    ASSERT_EQ(sourceBefore.CopyFrom(source, 1, 1), 1);
    ASSERT_EQ(PasteImage(&target, source, RECT{2, 1, 6, 4}, c.replace), c.result) << c.name;
    EXPECT_EQ(Bytes(source), Bytes(sourceBefore)) << c.name << ": the source is never changed";
    EXPECT_EQ(target.planes, c.planes) << c.name;
    if (!c.result) {
      EXPECT_EQ(target.width, 4) << c.name << ": a refused pair leaves the target";
      EXPECT_EQ(Bytes(target), Bytes(targetBefore)) << c.name;
      continue;
    }
    EXPECT_EQ(target.width, 6) << c.name;
    EXPECT_EQ(target.height, 4) << c.name;
    // Inside the pasted rectangle each pixel shows the source colour
    // (replace) or the mean of both colours (within rounding).
    for (int y = 1; y < 4; ++y)
      for (int x = 2; x < 6; ++x) {
        const auto s = colour(sourceBefore, x - 2, y - 1);
        const auto t = colour(target, x, y);
        for (int k = 0; k < 3; ++k) {
          if (c.replace) {
            EXPECT_EQ(t[static_cast<std::size_t>(k)], s[static_cast<std::size_t>(k)])
                << c.name << " at " << x << "," << y;
          } else if (x < 4 && y < 3) {
            const int before = colour(targetBefore, x, y)[static_cast<std::size_t>(k)];
            EXPECT_NEAR(t[static_cast<std::size_t>(k)], (before + s[static_cast<std::size_t>(k)]) / 2.0, 1.0) << c.name;
          }
        }
      }
    // Outside it the target keeps its colours.
    EXPECT_EQ(colour(target, 0, 0), colour(targetBefore, 0, 0)) << c.name;
  }
}

TEST(PasteImage, BilevelPairsOverlayWithoutReplace) {
  CRasterImage target, source;
  MakeBits(target, {"#...", "...."}, 0);
  MakeBits(source, {"..", "##"}, 1);  // set bits are background here
  ASSERT_EQ(PasteImage(&target, source, RECT{1, 0, 3, 2}, 0), 1);
  EXPECT_EQ(Bits(target), (std::vector<std::string>{"###.", "...."}));
}

TEST(InterpolateRect, SmoothsTheSeamRowAndColumn) {
  CRasterImage img;
  std::vector<std::uint8_t> data(36);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) data[static_cast<std::size_t>(y * 6 + x)] = static_cast<std::uint8_t>(10 * y + x);
  Make8(img, 6, 6, 1, 1, data);
  img.SetByte(3, 2, 250);
  img.SetByte(2, 4, 250);
  ASSERT_EQ(InterpolateRect(&img, 2, 2, 100, 100), 1);
  EXPECT_EQ(img.GetByte(3, 2), 23);  // mean of 13 and 33
  EXPECT_EQ(img.GetByte(2, 4), 42);  // mean of 41 and 43
  EXPECT_EQ(img.GetByte(5, 2), 25);
  const auto before = Bytes(img);
  ASSERT_EQ(InterpolateRect(&img, 1, 1, 3, 3), 1);  // too near the edge for either pass
  EXPECT_EQ(Bytes(img), before);
}

// ---- template search ----

TEST(MatchTemplate, ScoresAsDefined) {
  CRasterImage image, templ;
  // The image: zeros on the left half, a ramp on the right.
  Make8(image, 8, 8, 1, 1);
  for (int y = 0; y < 8; ++y)
    for (int x = 4; x < 8; ++x) image.SetByte(x, y, static_cast<BYTE>(10 * x + y));
  Make8(templ, 4, 4, 1, 1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) templ.SetByte(x, y, static_cast<BYTE>(10 * (x + 4) + y + 2));
  int x = 7, y = 7;
  // Everything compared is 0 there: no score, no position.
  EXPECT_EQ(MatchTemplate(image, RECT{0, 0, 0, 3}, RECT{}, templ, RECT{0, 0, 3, 3}, &x, &y), 0);
  EXPECT_EQ(x, -1);
  EXPECT_EQ(y, -1);
  // At (3, 2) the template's first column falls on zeros and is left out.
  ASSERT_EQ(MatchTemplate(image, RECT{0, 0, 7, 7}, RECT{}, templ, RECT{0, 0, 3, 3}, &x, &y), 1);
  EXPECT_EQ(x, 4);
  EXPECT_EQ(y, 2);
  // Only a sixteenth of the template over the image: no score; more than
  // half its rows above the image: none either.
  EXPECT_EQ(MatchTemplate(image, RECT{7, 7, 7, 7}, RECT{}, templ, RECT{0, 0, 3, 3}, &x, &y), 0);
  EXPECT_EQ(MatchTemplate(image, RECT{4, -3, 4, -3}, RECT{}, templ, RECT{0, 0, 3, 3}, &x, &y), 0);
  EXPECT_EQ(MatchTemplate(image, RECT{4, -2, 4, -2}, RECT{}, templ, RECT{0, 0, 3, 3}, &x, &y), 1);
  // Depths must agree.
  CRasterImage bits;
  MakeBits(bits, {"#."});
  EXPECT_EQ(MatchTemplate(image, RECT{0, 0, 7, 7}, RECT{}, bits, RECT{0, 0, 1, 0}, &x, &y), 0);
}

TEST(MatchTemplate, FirstOfEqualScoresAndTheClipOfBilevelImages) {
  CRasterImage image, templ;
  MakeBits(image, {"#..#..", "......", "#..#..", "......"});
  MakeBits(templ, {"#.", ".."});
  int x = 0, y = 0;
  ASSERT_EQ(MatchTemplate(image, RECT{0, 0, 5, 3}, RECT{0, 0, 5, 3}, templ, RECT{0, 0, 1, 1}, &x, &y), 1);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  // With the clip on the right half the first perfect fit there wins.
  ASSERT_EQ(MatchTemplate(image, RECT{0, 0, 5, 3}, RECT{3, 0, 5, 3}, templ, RECT{0, 0, 1, 1}, &x, &y), 1);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(y, 0);
}

// The coarse-to-fine search finds what scoring every position finds, and
// what OpenCV's squared-difference matching finds where nothing is 0.
TEST(MatchTemplate, CoarseToFineAgreesWithExhaustiveAndOpenCV) {
  const bool haveCv = imgtest::HavePy({"numpy", "cv2"});
  for (std::uint32_t seed = 1; seed <= 3; ++seed) {
    CRasterImage image, templ;
    Texture(image, 520, 400, seed);
    const int tx = 150 + static_cast<int>(seed) * 7, ty = 110 - static_cast<int>(seed) * 5;
    Make8(templ, 260, 200, 1, 1);
    std::mt19937 rng(seed + 100);
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 260; ++x)
        templ.SetByte(
            x, y,
            static_cast<BYTE>(std::clamp(image.GetByte(tx + x, ty + y) + static_cast<int>(rng() % 21) - 10, 1, 255)));
    const RECT search{120, 80, 200, 150};
    const RECT whole{0, 0, 259, 199};
    int fx = -1, fy = -1, ex = -1, ey = -1;
    ASSERT_EQ(MatchTemplate(image, search, RECT{}, templ, whole, &fx, &fy), 1);
    ASSERT_EQ(MatchTemplateExhaustive(image, search, RECT{}, templ, whole, &ex, &ey), 1);
    EXPECT_EQ(fx, ex) << "seed " << seed;
    EXPECT_EQ(fy, ey) << "seed " << seed;
    EXPECT_EQ(fx, tx) << "seed " << seed;
    EXPECT_EQ(fy, ty) << "seed " << seed;
    if (!haveCv) continue;
    std::vector<std::uint8_t> input(Bytes(image));
    const auto t = Bytes(templ);
    input.insert(input.end(), t.begin(), t.end());
    std::string out;
    imgtest::RunPy(
        "import cv2\n"
        "d = np.fromfile(IN, np.uint8)\n"
        "a = d[:520 * 400].reshape(400, 520)[80:150 + 200, 120:200 + 260]\n"
        "t = d[520 * 400:].reshape(200, 260)\n"
        "r = cv2.matchTemplate(a.astype(np.float32), t.astype(np.float32), cv2.TM_SQDIFF)\n"
        "y, x = np.unravel_index(np.argmin(r), r.shape)\n"
        "print(x + 120, y + 80)\n"
        "open(OUT, 'wb').close()",
        input, &out);
    EXPECT_EQ(out, std::to_string(ex) + " " + std::to_string(ey) + "\n") << "seed " << seed;
  }
}

}  // namespace
