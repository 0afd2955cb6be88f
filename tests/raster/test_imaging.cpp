// Imaging library: samples, histogram and threshold, statistics, resampling,
// geometry, negation, painting, the median and background filters and the
// transform fit. Where numpy / scipy / skimage / OpenCV compute the same
// thing they are the oracle.
#include "raster/imaging.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

#include "tests/raster/test_imaging_support.h"

using namespace qzn;

using imgtest::Bits;
using imgtest::Bytes;
using imgtest::Make8;
using imgtest::MakeBits;
using imgtest::RunPy;

namespace {

std::string Shape(int h, int w) { return "(" + std::to_string(h) + "," + std::to_string(w) + ")"; }

}  // namespace

TEST(Imaging, TDGetPixelAllDepths) {
  CRasterImage b;
  MakeBits(b, {".#", "#."});
  EXPECT_EQ(TDGetPixel(&b, 1, 0, 0), 1);
  EXPECT_EQ(TDGetPixel(&b, 1, 1, 0), 0);
  CRasterImage g;
  Make8(g, 2, 1, 3, 2, {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(TDGetPixel(&g, 1, 0, 2), 6);
  CRasterImage w;
  w.width = 2;
  w.height = 1;
  w.bitsPerSample = 16;
  ASSERT_EQ(w.AllocPixels(), 1);
  const std::uint16_t v[2] = {1000, 65535};
  std::memcpy(w.pixels, v, 4);
  EXPECT_EQ(TDGetPixel(&w, 0, 0, 0), 1000);
  EXPECT_EQ(TDGetPixel(&w, 1, 0, 0), 65535);
  // Outside the image, a missing plane or no image: 0.
  EXPECT_EQ(TDGetPixel(&g, 2, 0, 0), 0);
  EXPECT_EQ(TDGetPixel(&g, 0, -1, 0), 0);
  EXPECT_EQ(TDGetPixel(&g, 0, 0, 3), 0);
  EXPECT_EQ(TDGetPixel(nullptr, 0, 0, 0), 0);
}

TEST(Imaging, HistogramOfAreaClippedToImage) {
  CRasterImage g;
  Make8(g, 3, 2, 1, 1, {5, 5, 9, 0, 5, 9});
  int bins[256];
  CImageArea area{1, 0, 10, 10, 0};
  ASSERT_EQ(GenHistogram(&g, &area, bins), 1);
  EXPECT_EQ(bins[5], 2);
  EXPECT_EQ(bins[9], 2);
  EXPECT_EQ(bins[0], 0);
  // Rows whose width is no multiple of four, runs of one grey among others.
  CRasterImage wide;
  std::vector<std::uint8_t> values;
  for (int i = 0; i < 7 * 3; ++i) values.push_back(static_cast<std::uint8_t>(i % 5 == 0 ? 200 : 17 + i % 3));
  Make8(wide, 7, 3, 1, 1, values);
  ASSERT_EQ(GenHistogram(&wide, nullptr, bins), 1);
  for (int v : {17, 18, 19, 200}) EXPECT_EQ(bins[v], std::count(values.begin(), values.end(), v)) << v;
  // Runs of paper white and of one grey, of every length about a word
  // (counted eight at once), at every start, in an area from column 3.
  CRasterImage paper;
  values.clear();
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 45; ++x) values.push_back(static_cast<std::uint8_t>((x + y) % (y + 3) < y ? (y % 2 ? 255 : 96) : x % 7));
  Make8(paper, 45, 12, 1, 1, values);
  CImageArea from3{3, 0, 42, 12, 0};
  ASSERT_EQ(GenHistogram(&paper, &from3, bins), 1);
  int want[256] = {};
  for (int y = 0; y < 12; ++y)
    for (int x = 3; x < 45; ++x) ++want[values[static_cast<std::size_t>(y * 45 + x)]];
  for (int v = 0; v < 256; ++v) EXPECT_EQ(bins[v], want[v]) << v;
  CRasterImage b;
  MakeBits(b, {"#..", ".#."});
  ASSERT_EQ(GenHistogram(&b, nullptr, bins), 1);
  EXPECT_EQ(bins[0], 4);
  EXPECT_EQ(bins[1], 2);
  CRasterImage none;
  EXPECT_EQ(GenHistogram(&none, nullptr, bins), 0);
}

TEST(Imaging, OtsuThresholdAgreesWithSkimage) {
  QZN_REQUIRE_PY("numpy", "skimage");
  // A dark-on-light scan-like histogram and a three-mode one.
  for (std::uint32_t seed : {3u, 4u}) {
    std::vector<std::uint8_t> px = imgtest::Random(200 * 100, seed, 150, 255);
    const auto dark = imgtest::Random(px.size(), seed + 10, 0, 120);
    for (std::size_t i = 0; i < px.size(); i += seed) px[i] = dark[i];
    CRasterImage g;
    Make8(g, 200, 100, 1, 1, px);
    int bins[256];
    ASSERT_EQ(GenHistogram(&g, nullptr, bins), 1);
    const int t = GetOptimalThresh(bins, 256);
    std::string out;
    RunPy(
        "from skimage.filters import threshold_otsu\n"
        "a = np.fromfile(IN, dtype=np.uint8)\n"
        "print(int(threshold_otsu(a)))\nopen(OUT,'wb').close()",
        px, &out);
    EXPECT_EQ(t, std::stoi(out)) << "seed " << seed;
  }
  // Degenerate histograms.
  int one[256] = {};
  one[77] = 10;
  EXPECT_EQ(GetOptimalThresh(one, 256), 77);
  int none[256] = {};
  EXPECT_EQ(GetOptimalThresh(none, 256), 0);
  int two[256] = {};
  two[10] = 5;
  two[200] = 5;
  EXPECT_EQ(GetOptimalThresh(two, 256), 10);
}

TEST(Imaging, ClearImageBounds) {
  std::vector<BYTE> p(4 * 3, 1);
  ClearImageBounds8(p.data(), 4, 3, 9);
  EXPECT_EQ(p, (std::vector<BYTE>{9, 9, 9, 9, 9, 1, 1, 9, 9, 9, 9, 9}));
  std::vector<BYTE> q(2, 1);
  ClearImageBounds8(q.data(), 2, 1, 0);
  EXPECT_EQ(q, (std::vector<BYTE>{0, 0}));
}

TEST(Imaging, RGBFeatureAgreesWithNumpy) {
  QZN_REQUIRE_PY("numpy");
  const int w = 40, h = 30;
  const auto px = imgtest::Random(static_cast<std::size_t>(3 * w * h), 9);
  float f[6];
  ASSERT_EQ(ImageGetRGBFeature24(px.data(), w, h, 5, 7, 20, 100, f), 1);  // clipped to 23 rows
  const auto ref = RunPy("a = np.fromfile(IN, dtype=np.uint8).reshape(3," + Shape(h, w).substr(1) +
                             "\nr = a[:, 7:30, 5:25].reshape(3,-1).astype(np.float64)\n"
                             "np.array([[c.mean(), c.std()] for c in r], dtype=np.float32).tofile(OUT)",
                         px);
  ASSERT_EQ(ref.size(), 24u);
  float want[6];
  std::memcpy(want, ref.data(), 24);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(f[i], want[i], 1e-3) << i;
  EXPECT_EQ(ImageGetRGBFeature24(px.data(), w, h, 50, 0, 5, 5, f), 0);  // outside
}

TEST(Imaging, ColorLUTOfPaletteImage) {
  CRasterImage p;
  Make8(p, 3, 2, 1, 3, {4, 4, 9, 200, 4, 7});
  BYTE lut[256];
  ASSERT_EQ(PrepareImageColor8LUT(&p, 0, 0, 2, 1, lut), 1);
  EXPECT_EQ(lut[4], 1);
  EXPECT_EQ(lut[9], 0);
  EXPECT_EQ(std::count(lut, lut + 256, 1), 1);
  CRasterImage g;
  Make8(g, 1, 1, 1, 1);
  EXPECT_EQ(PrepareImageColor8LUT(&g, 0, 0, 1, 1, lut), 0);
}

TEST(Imaging, ResamplingAgreesWithOpenCV) {
  QZN_REQUIRE_PY("numpy", "cv2");
  const int sw = 37, sh = 23;
  const auto src = imgtest::Random(static_cast<std::size_t>(sw * sh), 12);
  for (auto [tw, th] : {std::pair{80, 50}, std::pair{15, 9}, std::pair{37, 23}}) {
    std::vector<BYTE> dst(static_cast<std::size_t>(tw * th));
    ASSERT_EQ(SizeImage8(src.data(), sw, sh, 0, 0, sw, sh, dst.data(), tw, th, 0, 0, tw, th), 1);
    const auto ref =
        RunPy("import cv2\na = np.fromfile(IN, dtype=np.uint8).reshape" + Shape(sh, sw) + "\ncv2.resize(a, (" +
                  std::to_string(tw) + "," + std::to_string(th) + "), interpolation=cv2.INTER_LINEAR).tofile(OUT)",
              src);
    ASSERT_EQ(ref.size(), dst.size());
    int worst = 0;
    for (std::size_t i = 0; i < dst.size(); ++i) worst = std::max(worst, std::abs(dst[i] - ref[i]));
    EXPECT_LE(worst, 1) << tw << "x" << th;
  }
  // 1 bit, nearest pixel, against OpenCV on the unpacked bits.
  const int bw = 21, bh = 11, tw = 50, th = 7;
  const auto bits = imgtest::Random(static_cast<std::size_t>(bw * bh), 13, 0, 1);
  std::vector<BYTE> packed(static_cast<std::size_t>((bw + 7) / 8 * bh), 0);
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x)
      if (bits[static_cast<std::size_t>(y * bw + x)])
        packed[static_cast<std::size_t>(y * 3 + x / 8)] |= 0x80 >> (x % 8);
  std::vector<BYTE> out(static_cast<std::size_t>((tw + 7) / 8 * th), 0);
  ASSERT_EQ(SizeImage1(packed.data(), bw, bh, 0, 0, bw, bh, out.data(), tw, th, 0, 0, tw, th), 1);
  const auto ref =
      RunPy("import cv2\na = np.fromfile(IN, dtype=np.uint8).reshape" + Shape(bh, bw) + "\ncv2.resize(a, (" +
                std::to_string(tw) + "," + std::to_string(th) + "), interpolation=cv2.INTER_NEAREST).tofile(OUT)",
            bits);
  ASSERT_EQ(ref.size(), static_cast<std::size_t>(tw * th));
  for (int y = 0; y < th; ++y)
    for (int x = 0; x < tw; ++x)
      EXPECT_EQ((out[static_cast<std::size_t>(y * 7 + x / 8)] >> (7 - x % 8)) & 1,
                ref[static_cast<std::size_t>(y * tw + x)])
          << x << "," << y;
  // Rectangles outside their planes are refused.
  EXPECT_EQ(SizeImage8(src.data(), sw, sh, 1, 0, sw, sh, out.data(), 4, 4, 0, 0, 4, 4), 0);
}

TEST(Imaging, MirrorAndTranspose) {
  CRasterImage b;
  MakeBits(b, {"##...........", "#.#.........#", "............."});
  ASSERT_EQ(MirrorInPlace(&b, 0, 0, 13, 3, 0), 1);
  EXPECT_EQ(Bits(b), (std::vector<std::string>{"...........##", "#.........#.#", "............."}));
  ASSERT_EQ(MirrorInPlace(&b, 0, 0, 13, 3, 1), 1);
  EXPECT_EQ(Bits(b), (std::vector<std::string>{".............", "#.........#.#", "...........##"}));
  EXPECT_EQ(b.pixels[1] & 0x07, 0);  // padding untouched

  CRasterImage rgb;
  Make8(rgb, 3, 2, 3, 2, {1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 21, 22, 23, 24, 25, 26});
  ASSERT_EQ(MirrorInPlace(&rgb, 0, 0, 3, 2, 0), 1);
  EXPECT_EQ(Bytes(rgb), (std::vector<BYTE>{3, 2, 1, 6, 5, 4, 13, 12, 11, 16, 15, 14, 23, 22, 21, 26, 25, 24}));

  ASSERT_EQ(TransposeImage(&rgb), 1);
  EXPECT_EQ(rgb.width, 2);
  EXPECT_EQ(rgb.height, 3);
  EXPECT_EQ(Bytes(rgb), (std::vector<BYTE>{3, 6, 2, 5, 1, 4, 13, 16, 12, 15, 11, 14, 23, 26, 22, 25, 21, 24}));

  CRasterImage t;
  MakeBits(t, {"#.........#", "..#........"});
  ASSERT_EQ(TransposeImage(&t), 1);
  ASSERT_EQ(t.width, 2);
  ASSERT_EQ(t.height, 11);
  auto rows = Bits(t);
  EXPECT_EQ(rows[0], "#.");
  EXPECT_EQ(rows[2], ".#");
  EXPECT_EQ(rows[10], "#.");
  EXPECT_EQ(rows[5], "..");
}

TEST(Imaging, RotateQuarterTurnsMatchNumpy) {
  QZN_REQUIRE_PY("numpy");
  const int w = 7, h = 5;
  const auto px = imgtest::Random(static_cast<std::size_t>(w * h), 21);
  for (int angle : {90, 180, 270, -90}) {
    CRasterImage g;
    Make8(g, w, h, 1, 1, px);
    ASSERT_EQ(RotateImage(&g, angle), 1);
    const auto ref =
        RunPy("a = np.fromfile(IN, dtype=np.uint8).reshape" + Shape(h, w) + "\nnp.ascontiguousarray(np.rot90(a, " +
                  std::to_string(((angle / 90) % 4 + 4) % 4) + ")).tofile(OUT)",
              px);
    EXPECT_EQ(Bytes(g), ref) << angle;  // counter-clockwise on the screen
  }
  CRasterImage g;
  Make8(g, w, h, 1, 1, px);
  ASSERT_EQ(RotateImage(&g, 0), 1);
  EXPECT_EQ(Bytes(g), px);
  // Angles that are not numbers are refused and change nothing; whole turns
  // are taken off first.
  for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) EXPECT_EQ(RotateImage(&g, bad), 0);
  EXPECT_EQ(Bytes(g), px);
  ASSERT_EQ(RotateImage(&g, 720.0 * 1e12), 1);
  EXPECT_EQ(Bytes(g), px);
}

TEST(Imaging, RotateFollowsTheControlPointRotation) {
  // A dark dot must land where a control point on it is moved to: with
  // g = -angle, q = c' + (cos g dx - sin g dy, cos g dy + sin g dx), centres
  // by integer division of the extents.
  const int w = 60, h = 40;
  const double angle = 30;
  const int px = 50, py = 8;
  CRasterImage g;
  Make8(g, w, h, 1, 1, std::vector<std::uint8_t>(static_cast<std::size_t>(w * h), 255));
  g.SetByte(px, py, 0);
  ASSERT_EQ(RotateImage(&g, angle), 1);
  const double gr = -angle * M_PI / 180;
  const double dx = px - (w - 1) / 2, dy = py - (h - 1) / 2;
  const double qx = (g.width - 1) / 2 + (std::cos(gr) * dx - std::sin(gr) * dy);
  const double qy = (g.height - 1) / 2 + (std::cos(gr) * dy + std::sin(gr) * dx);
  EXPECT_EQ(g.GetByte(static_cast<int>(qx + 0.5), static_cast<int>(qy + 0.5)), 0);
  // The canvas holds the rotated rectangle: about w cos + h sin by w sin + h cos.
  EXPECT_NEAR(g.width, 60 * std::cos(M_PI / 6) + 40 * 0.5, 2.0);
  EXPECT_NEAR(g.height, 60 * 0.5 + 40 * std::cos(M_PI / 6), 2.0);
  // Corners are the image's white; exactly one dark pixel survives.
  EXPECT_EQ(g.GetByte(0, 0), 255);
  const auto b = Bytes(g);
  EXPECT_EQ(std::count(b.begin(), b.end(), 0), 1);

  // White of a "0 is white" grey image and of a bilevel image.
  CRasterImage z;
  Make8(z, 10, 10, 1, 0, std::vector<std::uint8_t>(100, 200));
  ASSERT_EQ(RotateImage(&z, 45), 1);
  EXPECT_EQ(z.GetByte(0, 0), 0);
  CRasterImage bl;
  MakeBits(bl, {"###", "###", "###"}, 1);
  ASSERT_EQ(RotateImage(&bl, 45), 1);
  EXPECT_EQ(bl.GetBit(0, 0), 1);  // photometric 1: a set bit is white
}

TEST(Imaging, CropKeepsBitsAndPlanes) {
  CRasterImage b;
  MakeBits(b, {"..#.#.#.#.#.#", "...#.#.#.#.#.", "#############"});
  ASSERT_EQ(CropImage(&b, 3, 1, 9, 5), 1);  // clipped to 2 rows
  EXPECT_EQ(b.width, 9);
  EXPECT_EQ(b.height, 2);
  EXPECT_EQ(Bits(b), (std::vector<std::string>{"#.#.#.#.#", "#########"}));
  EXPECT_EQ(b.pixels[1] & 0x7F, 0);
  EXPECT_EQ(b.pixels[3] & 0x7F, 0);

  CRasterImage rgb;
  Make8(rgb, 3, 2, 3, 2, {1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 21, 22, 23, 24, 25, 26});
  ASSERT_EQ(CropImage(&rgb, 1, 1, 2, 1), 1);
  EXPECT_EQ(Bytes(rgb), (std::vector<BYTE>{5, 6, 15, 16, 25, 26}));
  EXPECT_EQ(CropImage(&rgb, 5, 5, 2, 2), 0);
  EXPECT_EQ(rgb.width, 2);
}

TEST(Imaging, NegateAndPaintAreas) {
  CRasterImage b;
  MakeBits(b, {"................", "................"});
  CImageArea a{3, 1, 10, 1, 0};
  ASSERT_EQ(NegateImage(&b, &a), 1);
  EXPECT_EQ(Bits(b), (std::vector<std::string>{"................", "...##########..."}));
  CRasterImage g;
  Make8(g, 2, 1, 1, 1, {0, 200});
  ASSERT_EQ(NegateImage(&g, nullptr), 1);
  EXPECT_EQ(Bytes(g), (std::vector<BYTE>{255, 55}));

  CRasterImage rgb;
  Make8(rgb, 3, 2, 3, 2);
  CImageArea p{2, 1, 5, 5, 0};  // clipped to one pixel
  ASSERT_EQ(SetImageArea(&rgb, &p, 10, 20, 30), 1);
  EXPECT_EQ(Bytes(rgb), (std::vector<BYTE>{0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 30}));
  CImageArea q{0, 0, 2, 1, 0};
  ASSERT_EQ(SetImageArea(&g, &q, 7, 0, 0), 1);
  EXPECT_EQ(Bytes(g), (std::vector<BYTE>{7, 7}));
  CImageArea r{1, 0, 2, 2, 0};
  ASSERT_EQ(SetImageArea(&b, &r, 1, 0, 0), 1);
  EXPECT_EQ(Bits(b)[0], ".##.............");
}

TEST(Imaging, MedianAgreesWithScipy) {
  QZN_REQUIRE_PY("numpy", "scipy");
  const int w = 53, h = 41;
  const auto px = imgtest::Random(static_cast<std::size_t>(w * h), 31);
  for (auto [kw, kh] : {std::pair{3, 3}, std::pair{5, 3}, std::pair{1, 7}}) {
    CRasterImage g;
    Make8(g, w, h, 1, 1, px);
    CImageArea all{0, 0, w, h, 0};
    ASSERT_EQ(MedianFilterInPlace(&g, &all, kw, kh), 1);
    const auto ref = RunPy("from scipy import ndimage\na = np.fromfile(IN, dtype=np.uint8).reshape" + Shape(h, w) +
                               "\nndimage.median_filter(a, size=(" + std::to_string(kh) + "," + std::to_string(kw) +
                               "), mode='nearest').tofile(OUT)",
                           px);
    EXPECT_EQ(Bytes(g), ref) << kw << "x" << kh;
  }
  // An area filters only its pixels, reading its neighbours outside.
  CRasterImage g;
  Make8(g, 3, 3, 1, 1, {0, 0, 0, 9, 9, 9, 0, 9, 9});
  CImageArea mid{1, 1, 1, 1, 0};
  ASSERT_EQ(MedianFilterInPlace(&g, &mid, 3, 3), 1);
  EXPECT_EQ(Bytes(g), (std::vector<BYTE>{0, 0, 0, 9, 9, 9, 0, 9, 9}));
  EXPECT_EQ(MedianFilterInPlace(&g, &mid, 2, 3), 0);  // even windows have no centre
}

TEST(Imaging, BackgroundCorrectionFlattensLighting) {
  // A page lit from the left (white falling from 250 to 150) with dark
  // one-pixel lines every 16 pixels.
  const int w = 200, h = 120;
  std::vector<std::uint8_t> px(static_cast<std::size_t>(w * h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int paper = 250 - x / 2;
      px[static_cast<std::size_t>(y * w + x)] =
          static_cast<std::uint8_t>((x % 16 == 5 || y % 16 == 9) ? paper / 5 : paper);
    }
  CRasterImage g;
  Make8(g, w, h, 1, 1, px);
  ASSERT_EQ(BackCorrect(&g, 21, 21), 1);
  for (int y = 20; y < h - 20; y += 7)
    for (int x = 20; x < w - 20; x += 3) {
      const int v = g.GetByte(x, y);
      if (x % 16 == 5 || y % 16 == 9)
        EXPECT_LT(v, 70) << x << "," << y;
      else
        EXPECT_GE(v, 245) << x << "," << y;
    }
  // The same page stored "0 is white" is corrected the same way, inverted.
  CRasterImage z;
  std::vector<std::uint8_t> inv(px.size());
  for (std::size_t i = 0; i < px.size(); ++i) inv[i] = static_cast<std::uint8_t>(255 - px[i]);
  Make8(z, w, h, 1, 0, inv);
  ASSERT_EQ(BackCorrect(&z, 21, 21), 1);
  for (std::size_t i = 0; i < px.size(); ++i) ASSERT_EQ(z.pixels[i], 255 - g.pixels[i]) << i;

  CRasterImage rgb;
  Make8(rgb, 4, 4, 3, 2);
  EXPECT_EQ(BackCorrect(&rgb, 3, 3), 0);
  EXPECT_EQ(BackCorrect(&g, 0, 3), 0);
}

TEST(Imaging, BackgroundWindowBeyondTheImageIsTheWholeImage) {
  // A window of any size (a script may ask for one) takes no more memory
  // than the image's rows and columns: beyond twice their length every
  // position sees the whole line either way.
  const int w = 23, h = 17;
  const auto px = imgtest::Random(static_cast<std::size_t>(w * h), 7, 40, 250);
  CRasterImage whole, huge;
  Make8(whole, w, h, 1, 1, px);
  Make8(huge, w, h, 1, 1, px);
  ASSERT_EQ(BackCorrect(&whole, 2 * w, 2 * h), 1);
  ASSERT_EQ(BackCorrect(&huge, INT32_MAX, INT32_MAX), 1);
  EXPECT_EQ(imgtest::Bytes(huge), imgtest::Bytes(whole));
}

TEST(Imaging, BackgroundCorrectionAgreesWithScipyFilters) {
  QZN_REQUIRE_PY("numpy", "scipy");
  // Paper between 150 and 250 with random ink; window 7 x 5 (edges included).
  const int w = 61, h = 47;
  auto px = imgtest::Random(static_cast<std::size_t>(w * h), 41, 150, 250);
  const auto ink = imgtest::Random(px.size(), 42, 0, 9);
  for (std::size_t i = 0; i < px.size(); ++i)
    if (ink[i] == 0) px[i] = static_cast<std::uint8_t>(px[i] / 4);
  CRasterImage g;
  Make8(g, w, h, 1, 1, px);
  ASSERT_EQ(BackCorrect(&g, 7, 5), 1);
  // Background: the 2-D maximum (zero outside), then the mean of the values
  // that exist, down the columns and then along the rows, each rounded.
  const auto ref = RunPy(
      "from scipy import ndimage\n"
      "a = np.fromfile(IN, dtype=np.uint8).reshape" +
          Shape(h, w) +
          ".astype(np.int64)\n"
          "m = ndimage.maximum_filter(a, size=(5,7), mode='constant', cval=0).astype(np.float64)\n"
          "def mean(x, k, axis):\n"
          "  s = ndimage.correlate1d(x, np.ones(k), axis=axis, mode='constant', cval=0)\n"
          "  c = ndimage.correlate1d(np.ones_like(x), np.ones(k), axis=axis, mode='constant', cval=0)\n"
          "  return np.floor(s / c + 0.5)\n"
          "b = mean(mean(m, 5, 0), 7, 1)\n"
          "o = np.minimum(255, (a * 255 + b // 2) // np.maximum(b, 1))\n"
          "o.astype(np.uint8).tofile(OUT)",
      px);
  ASSERT_EQ(ref.size(), px.size());
  int worst = 0;
  for (std::size_t i = 0; i < px.size(); ++i) worst = std::max(worst, std::abs(g.pixels[i] - ref[i]));
  EXPECT_LE(worst, 2);  // a background one level apart moves a pixel by at most 2 here
}

TEST(Imaging, TransformFitAgreesWithNumpyLeastSquares) {
  QZN_REQUIRE_PY("numpy");
  // Map coordinates of UTM size as the source (the map-to-image direction),
  // noisy bilinear target.
  std::vector<double> rec;
  std::ostringstream pts;
  pts.precision(17);
  const int n = 9;
  for (int i = 0; i < n; ++i) {
    const double sx = 500000 + 1000.0 * (i % 3) + 37 * i, sy = 4200000 + 800.0 * (i / 3) - 11 * i;
    const double tx =
        0.5 * (sx - 500000) + 0.01 * (sy - 4200000) + 1e-6 * (sx - 500000) * (sy - 4200000) + 3 + (i % 2) * 0.3;
    const double ty = -0.4 * (sy - 4200000) + 0.02 * (sx - 500000) + 7 - (i % 3) * 0.2;
    rec.insert(rec.end(), {sx, tx, sy, ty});
  }
  std::vector<std::uint8_t> bytes(rec.size() * 8);
  std::memcpy(bytes.data(), rec.data(), bytes.size());
  for (int terms : {3, 4}) {
    double xr[4] = {}, yr[4] = {};
    int t = terms;
    ASSERT_EQ(GetTransform(rec.data(), n, xr, yr, &t), 1);
    EXPECT_EQ(t, terms);
    // The oracle fits in centred units (the same space of functions, so the
    // same fitted values) because raw UTM products defeat lstsq's conditioning.
    const std::string cols = terms == 3 ? "np.c_[u, v, np.ones_like(u)]" : "np.c_[u, v, u*v, np.ones_like(u)]";
    const auto ref = RunPy(
        "r = np.fromfile(IN, dtype=np.float64).reshape(-1,4)\n"
        "sx, tx, sy, ty = r.T\nu = (sx - sx.mean()) / 1000\nv = (sy - sy.mean()) / 1000\n"
        "A = " +
            cols +
            "\n"
            "px = A @ np.linalg.lstsq(A, tx, rcond=None)[0]\n"
            "py = A @ np.linalg.lstsq(A, ty, rcond=None)[0]\n"
            "np.r_[px, py].tofile(OUT)",
        bytes);
    ASSERT_EQ(ref.size(), static_cast<std::size_t>(2 * n * 8));
    std::vector<double> want(static_cast<std::size_t>(2 * n));
    std::memcpy(want.data(), ref.data(), ref.size());
    // Compare fitted values (the coefficients of a bilinear fit in UTM units
    // are badly scaled; the fitted positions are what callers use).
    for (int i = 0; i < n; ++i) {
      const double sx = rec[static_cast<std::size_t>(4 * i)], sy = rec[static_cast<std::size_t>(4 * i + 2)];
      const double fx =
          terms == 3 ? xr[0] * sx + xr[1] * sy + xr[2] : xr[0] * sx + xr[1] * sy + xr[2] * sx * sy + xr[3];
      const double fy =
          terms == 3 ? yr[0] * sx + yr[1] * sy + yr[2] : yr[0] * sx + yr[1] * sy + yr[2] * sx * sy + yr[3];
      EXPECT_NEAR(fx, want[static_cast<std::size_t>(i)], 1e-4) << terms;
      EXPECT_NEAR(fy, want[static_cast<std::size_t>(n + i)], 1e-4) << terms;
    }
  }
}

TEST(Imaging, TransformFitExactAndFailures) {
  // Exact affine from three points.
  const double aff[] = {0, 10, 0, 20, 1, 12, 0, 21, 0, 10.5, 1, 19};  // x' = 2x + 0.5y + 10, y' = x - y + 20
  double xr[4], yr[4];
  int t = 3;
  ASSERT_EQ(GetTransform(aff, 3, xr, yr, &t), 1);
  EXPECT_NEAR(xr[0], 2, 1e-12);
  EXPECT_NEAR(xr[1], 0.5, 1e-12);
  EXPECT_NEAR(xr[2], 10, 1e-12);
  EXPECT_NEAR(yr[0], 1, 1e-12);
  EXPECT_NEAR(yr[1], -1, 1e-12);
  EXPECT_NEAR(yr[2], 20, 1e-12);
  // Too few points, collinear points, repeated points, unknown term counts.
  t = 4;
  EXPECT_EQ(GetTransform(aff, 3, xr, yr, &t), 0);
  const double line[] = {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3};
  t = 3;
  EXPECT_EQ(GetTransform(line, 4, xr, yr, &t), 0);
  const double same[] = {5, 1, 5, 1, 5, 2, 5, 2, 5, 3, 5, 3};
  t = 3;
  EXPECT_EQ(GetTransform(same, 3, xr, yr, &t), 0);
  t = 5;
  EXPECT_EQ(GetTransform(aff, 3, xr, yr, &t), 0);
  // Four corners of a rectangle determine a bilinear map exactly.
  const double quad[] = {0, 0, 0, 0, 10, 10, 0, 0, 0, 0, 10, 10, 10, 30, 10, 10};  // x' = x + 0.2 x y
  t = 4;
  ASSERT_EQ(GetTransform(quad, 4, xr, yr, &t), 1);
  EXPECT_NEAR(xr[0], 1, 1e-9);
  EXPECT_NEAR(xr[2], 0.2, 1e-9);
  EXPECT_NEAR(xr[3], 0, 1e-9);
  EXPECT_NEAR(yr[1], 1, 1e-9);
}
