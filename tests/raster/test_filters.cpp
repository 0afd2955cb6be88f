// Neighbourhood filters: hand-drawn cases for the rules and the borders, and
// scipy.ndimage as the oracle for the mean, the Laplacian-like edge filter,
// the gradient and the running minimum on random images.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "raster/filters.h"
#include "raster/rasterimage.h"
#include "tests/support/testutil.h"
#include "tests/raster/test_filters_util.h"

using namespace qzn;

using pixfix::FromRows;
using pixfix::GreyFrom;
using pixfix::GreyOf;
using pixfix::MakeImage;
using pixfix::ToRows;

namespace {

using Grid = std::vector<std::vector<int>>;

std::unique_ptr<CRasterImage> RandomGrey(int w, int h, unsigned seed, int photometric = 1) {
  auto img = MakeImage(w, h, 8, photometric);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img->SetByte(x, y, static_cast<BYTE>(rng() % 256));
  return img;
}

// Runs a snippet of Python on a PGM of the image; the snippet maps the numpy
// array `a` (int64) to `r`, which is written back as a PGM.
Grid PythonOracle(const std::string& python, const CRasterImage& img, const std::string& snippet) {
  qzntest::TempDir dir;
  const std::string in = dir.file("in.pgm"), out = dir.file("out.pgm"), script = dir.file("oracle.py");
  pixfix::WritePgm(img, in);
  qzntest::WriteFileText(script,
                         "import sys, numpy as np\n"
                         "from scipy import ndimage\n"
                         "def rd(p):\n"
                         "    d = open(p, 'rb').read().split(b'\\n', 3)\n"
                         "    w, h = map(int, d[1].split())\n"
                         "    return np.frombuffer(d[3], np.uint8, w * h).reshape(h, w).astype(np.int64)\n"
                         "a = rd(sys.argv[1])\n" +
                             snippet +
                             "\nr = np.asarray(r).astype(np.uint8)\n"
                             "open(sys.argv[2], 'wb').write(b'P5\\n%d %d\\n255\\n' % (r.shape[1], r.shape[0]) + "
                             "r.tobytes())\n");
  EXPECT_EQ(qzntest::RunCommand(python + " " + script + " " + in + " " + out), 0);
  return pixfix::ReadPgm(out);
}

#define REQUIRE_SCIPY(py)                                                                        \
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"numpy", "scipy.ndimage"}), "numpy and scipy"); \
  const std::string py = qzntest::Python()

}  // namespace

TEST(Filters, MeanAgreesWithScipyAndFillsTheBorderWithWhite) {
  REQUIRE_SCIPY(py);
  for (int photometric : {1, 0}) {
    auto img = RandomGrey(37, 23, 11 + photometric, photometric);
    const Grid want = PythonOracle(py, *img,
                                   "r = ndimage.correlate(a, np.ones((3, 3), np.int64), mode='constant') // 9\n"
                                   "r[0, :] = r[-1, :] = r[:, 0] = r[:, -1] = " +
                                       std::string(photometric ? "255" : "0"));
    ASSERT_EQ(MeanFilter(*img), 1);
    EXPECT_EQ(GreyOf(*img), want) << "photometric " << photometric;
  }
}

TEST(Filters, MeanFiltersEveryPlaneOfRgb) {
  auto img = MakeImage(3, 3, 8, 2, 3);
  for (int k = 0; k < 3; ++k)
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) img->SetPlaneByte(x, y, k, static_cast<BYTE>(10 * k + x + 3 * y));
  ASSERT_EQ(MeanFilter(*img), 1);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(img->GetPlaneByte(1, 1, k), 10 * k + 4) << k;
    EXPECT_EQ(img->GetPlaneByte(0, 0, k), 255) << k;
  }
}

TEST(Filters, TinyImagesGetOnlyTheBorderFill) {
  auto img = GreyFrom({{1, 2}, {3, 4}});
  ASSERT_EQ(MeanFilter(*img), 1);
  EXPECT_EQ(GreyOf(*img), (Grid{{255, 255}, {255, 255}}));
  auto img0 = GreyFrom({{1, 2}, {3, 4}}, 0);
  ASSERT_EQ(SobelFilter(*img0), 1);
  EXPECT_EQ(GreyOf(*img0), (Grid{{0, 0}, {0, 0}}));
}

TEST(Filters, SobelOnOneBlackPixel) {
  // Centre: |4 * 0 - 4 * 255| = 1020 gives 0; a direct neighbour
  // |4 * 255 - 0 - 3 * 255| = 255 gives 0; a diagonal one sees no difference.
  Grid g(5, std::vector<int>(5, 255));
  g[2][2] = 0;
  auto img = GreyFrom(g);
  ASSERT_EQ(SobelFilter(*img), 1);
  EXPECT_EQ(GreyOf(*img), (Grid{{255, 255, 255, 255, 255},
                                {255, 255, 0, 255, 255},
                                {255, 0, 0, 0, 255},
                                {255, 255, 0, 255, 255},
                                {255, 255, 255, 255, 255}}));
}

TEST(Filters, SobelAndGradientAgreeWithScipy) {
  REQUIRE_SCIPY(py);
  auto a = RandomGrey(31, 19, 5);
  const Grid sobel = PythonOracle(py, *a,
                                  "k = np.array([[0, -1, 0], [-1, 4, -1], [0, -1, 0]])\n"
                                  "r = 255 - np.minimum(np.abs(ndimage.correlate(a, k, mode='constant')), 255)\n"
                                  "r[0, :] = r[-1, :] = r[:, 0] = r[:, -1] = 255");
  ASSERT_EQ(SobelFilter(*a), 1);
  EXPECT_EQ(GreyOf(*a), sobel);

  auto b = RandomGrey(31, 19, 6);
  const Grid grad =
      PythonOracle(py, *b,
                   "g = np.zeros_like(a)\n"
                   "g[:-1, :-1] = np.maximum(np.abs(a[:-1, :-1] - a[:-1, 1:]), np.abs(a[:-1, :-1] - a[1:, :-1]))\n"
                   "r = np.where(2 * g < 255, 255 - 2 * g, 0)\n"
                   "r[0, :] = r[-1, :] = r[:, 0] = r[:, -1] = 255");
  ASSERT_EQ(GradientMagnitude(*b), 1);
  EXPECT_EQ(GreyOf(*b), grad);
}

TEST(Filters, GradientOfSteps) {
  // A step of 100 gives 255 - 200 = 55 on its left side; one of 128 gives 0.
  auto img = GreyFrom({{0, 0, 100, 100, 228}, {0, 0, 100, 100, 228}, {0, 0, 100, 100, 228}, {0, 0, 100, 100, 228}});
  ASSERT_EQ(GradientMagnitude(*img), 1);
  EXPECT_EQ(GreyOf(*img)[1], (std::vector<int>{255, 55, 255, 0, 255}));
  EXPECT_EQ(GreyOf(*img)[2], (std::vector<int>{255, 55, 255, 0, 255}));
}

TEST(Filters, EdgeFiltersWantGreyImages) {
  auto rgb = MakeImage(4, 4, 8, 2, 3);
  auto bilevel = MakeImage(8, 4, 1, 0);
  auto palette = MakeImage(4, 4, 8, 3);
  CRasterImage empty;
  for (CRasterImage* img : {rgb.get(), bilevel.get(), palette.get(), &empty}) {
    EXPECT_EQ(SobelFilter(*img), 0);
    EXPECT_EQ(GradientMagnitude(*img), 0);
  }
  EXPECT_EQ(MeanFilter(*bilevel), 0);
  EXPECT_EQ(PropagateEdges(*bilevel, 3), 0);
  EXPECT_EQ(PropagateEdges2(empty, 3), 0);
  EXPECT_EQ(Despeckle(*palette), 0);
  EXPECT_EQ(SmoothBilevel(empty), 0);
}

TEST(Filters, RunningMinimumIsCentredOnThePixel) {
  // Window 3 on 9 9 0 9 9 9: the dark pixel spreads one pixel each way.
  auto img = GreyFrom({{9, 9, 0, 9, 9, 9}});
  ASSERT_EQ(PropagateEdges(*img, 3), 1);
  EXPECT_EQ(GreyOf(*img)[0], (std::vector<int>{9, 0, 0, 0, 9, 9}));
  auto col = GreyFrom({{9}, {9}, {0}, {9}, {9}, {9}});
  ASSERT_EQ(PropagateEdges2(*col, 3), 1);
  EXPECT_EQ(GreyOf(*col), (Grid{{9}, {0}, {0}, {0}, {9}, {9}}));
  // A window longer than the row takes the row's minimum everywhere.
  for (int k : {8, 21, 2147483647}) {
    auto wide = GreyFrom({{5, 7, 3, 8}});
    ASSERT_EQ(PropagateEdges(*wide, k), 1);
    EXPECT_EQ(GreyOf(*wide)[0], (std::vector<int>{3, 3, 3, 3})) << k;
  }
  // Windows below 1 leave the image as it was.
  auto same = GreyFrom({{5, 7, 3, 8}});
  ASSERT_EQ(PropagateEdges2(*same, 0), 1);
  EXPECT_EQ(GreyOf(*same)[0], (std::vector<int>{5, 7, 3, 8}));
}

TEST(Filters, RunningMinimumAgreesWithScipy) {
  REQUIRE_SCIPY(py);
  for (int k : {1, 3, 4, 7, 150}) {
    auto rows = RandomGrey(150, 70, 20 + k);
    const Grid wantRows =
        PythonOracle(py, *rows, "r = ndimage.minimum_filter1d(a, " + std::to_string(k) + ", axis=1, mode='nearest')");
    ASSERT_EQ(PropagateEdges(*rows, k), 1);
    EXPECT_EQ(GreyOf(*rows), wantRows) << "rows, window " << k;
    // Columns: more than one strip of 64 columns, and a partial last one.
    auto cols = RandomGrey(150, 70, 40 + k);
    const Grid wantCols =
        PythonOracle(py, *cols, "r = ndimage.minimum_filter1d(a, " + std::to_string(k) + ", axis=0, mode='nearest')");
    ASSERT_EQ(PropagateEdges2(*cols, k), 1);
    EXPECT_EQ(GreyOf(*cols), wantCols) << "columns, window " << k;
  }
}

TEST(Filters, DespeckleRemovesSpecksAndBumpsAndFillsNotches) {
  const std::vector<std::string> in = {
      "............",
      ".#..........",  // isolated pixel: removed
      "......#.....",
      ".....###....",  // a one-pixel bump on top of a bar (row 2): removed
      "..#########.",
      "..####.####.",  // a one-pixel notch: filled
      "..#########.", "............",
      "..#.#.......",  // pixel with neighbours on opposite sides... see below
      "...#........", "..#.#.......",
      "........#...",  // isolated pixel on the last inside row: removed
      "............",
  };
  auto img = FromRows(in, 1, 0);
  ASSERT_EQ(Despeckle(*img), 1);
  const std::vector<std::string> out = ToRows(*img);
  EXPECT_EQ(out[1][1], '.');
  EXPECT_EQ(out[2][6], '.');
  EXPECT_EQ(out[5][6], '#');
  EXPECT_EQ(out[9][3], '#') << "a pixel with neighbours on opposite sides stays";
  EXPECT_EQ(out[11][8], '.') << "the last inside row is processed";
  EXPECT_EQ(out[4], in[4]);
}

TEST(Filters, DespeckleFollowsThePhotometricMeaningOfForeground) {
  // The same drawing with clear bits as foreground (photometric 1) gives the
  // same foreground result; the outermost rows and columns keep their values.
  const std::vector<std::string> in = {"#.#####", "#######", "###.###", "#######", "#.###.#", "####.##", "#######"};
  auto dark0 = FromRows(in, 1, 0);
  std::vector<std::string> inverted = in;
  for (auto& r : inverted)
    for (char& c : r) c = c == '#' ? '.' : '#';
  auto dark1 = FromRows(inverted, 1, 1);
  ASSERT_EQ(Despeckle(*dark0), 1);
  ASSERT_EQ(Despeckle(*dark1), 1);
  std::vector<std::string> back = ToRows(*dark1);
  for (auto& r : back)
    for (char& c : r) c = c == '#' ? '.' : '#';
  EXPECT_EQ(back, ToRows(*dark0));
  EXPECT_EQ(ToRows(*dark0)[0], in[0]);
  EXPECT_EQ(ToRows(*dark0)[6], in[6]);
  // In a field of foreground a single background pixel is a notch: filled.
  EXPECT_EQ(ToRows(*dark0)[2][3], '#');
}

TEST(Filters, DespeckleTablesFollowTheirRules) {
  enum { E = 1, NE = 2, N = 4, NW = 8, W = 16, SW = 32, S = 64, SE = 128 };
  const BYTE* fill = DespeckleFillTable();
  const BYTE* keep = DespeckleKeepTable();
  EXPECT_EQ(fill[W | NW | N | NE | E], 1);
  EXPECT_EQ(fill[S | SE | E | NE | N | W], 1);
  EXPECT_EQ(fill[W | NW | N | NE], 0);
  EXPECT_EQ(fill[N | S | E | W], 0);
  EXPECT_EQ(keep[0], 0);
  EXPECT_EQ(keep[NW | N | NE], 0);
  EXPECT_EQ(keep[SE], 0);
  EXPECT_EQ(keep[W | E], 1);
  EXPECT_EQ(keep[N | S], 1);
  EXPECT_EQ(keep[NW | SE], 1);
}

TEST(Filters, BilevelPassesAgreeWithAPlainLookUp) {
  // Random sparse and dense 1-bit images, widths that end inside a byte, both
  // photometric codes: each inside pixel is the table entry of its
  // neighbourhood read from a copy, the border and the padding bits stay.
  std::mt19937 rng(99);
  for (int w : {3, 13, 37, 70})
    for (int photometric : {0, 1})
      for (int density : {3, 50}) {
        auto img = MakeImage(w, 9, 1, photometric);
        for (int y = 0; y < 9; ++y)
          for (int x = 0; x < w; ++x) img->SetBit(x, y, static_cast<int>(rng() % 100) < density);
        for (int y = 0; y < 9; ++y)
          img->GetRow(y)[img->GetRowBytes() - 1] |= static_cast<BYTE>((1 << (7 - (w - 1) % 8)) - 1);
        for (bool despeckle : {true, false}) {
          auto copy = MakeImage(w, 9, 1, photometric);
          std::memcpy(copy->pixels, img->pixels, static_cast<std::size_t>(img->GetImageBytes()));
          auto before = MakeImage(w, 9, 1, photometric);
          std::memcpy(before->pixels, img->pixels, static_cast<std::size_t>(img->GetImageBytes()));
          ASSERT_EQ(despeckle ? Despeckle(*copy) : SmoothBilevel(*copy), 1);
          const BYTE fg = despeckle && photometric ? 0 : 1;  // the value that counts as foreground
          for (int y = 0; y < 9; ++y)
            for (int x = 0; x < w; ++x) {
              int want = before->GetBit(x, y);
              if (x > 0 && y > 0 && x < w - 1 && y < 8) {
                auto f = [&](int dx, int dy) { return before->GetBit(x + dx, y + dy) == fg ? 1 : 0; };
                const int idx = f(1, 0) | f(1, -1) << 1 | f(0, -1) << 2 | f(-1, -1) << 3 | f(-1, 0) << 4 |
                                f(-1, 1) << 5 | f(0, 1) << 6 | f(1, 1) << 7;
                const int n = __builtin_popcount(static_cast<unsigned>(idx));
                const int isFg = f(0, 0);
                const int out = despeckle ? (isFg ? DespeckleKeepTable()[idx] : DespeckleFillTable()[idx])
                                          : (isFg ? n >= 4 : n >= 5);
                want = out ? fg : 1 - fg;
              }
              ASSERT_EQ(copy->GetBit(x, y), want)
                  << x << "," << y << " w " << w << " ph " << photometric << (despeckle ? " despeckle" : " smooth");
            }
          for (int y = 0; y < 9; ++y)
            EXPECT_EQ(copy->GetRow(y)[copy->GetRowBytes() - 1] & ((1 << (7 - (w - 1) % 8)) - 1),
                      before->GetRow(y)[before->GetRowBytes() - 1] & ((1 << (7 - (w - 1) % 8)) - 1));
        }
      }
}

TEST(Filters, SmoothBilevelTakesTheMajority) {
  struct Case {
    std::vector<std::string> in;
    char centre;
  };
  const Case cases[] = {
      {{"##.", "#..", "#.."}, '.'},  // 4 set neighbours, centre clear: stays clear
      {{"##.", "##.", "#.."}, '#'},  // 4 set neighbours, centre set: stays set
      {{"###", "...", "##."}, '#'},  // 5 set: set
      {{"#.#", ".#.", "..#"}, '.'},  // 3 set: cleared
  };
  for (const Case& c : cases) {
    auto img = FromRows(c.in, 1, 1);
    ASSERT_EQ(SmoothBilevel(*img), 1);
    const auto out = ToRows(*img);
    EXPECT_EQ(out[1][1], c.centre) << c.in[0] << "/" << c.in[1] << "/" << c.in[2];
    EXPECT_EQ(out[0], c.in[0]);
  }
}

TEST(Filters, GreyRangeOfARectangle) {
  auto img = GreyFrom({{9, 200, 30}, {40, 5, 60}, {70, 80, 90}});
  int lo = -1, hi = -1;
  ASSERT_EQ(GetGreyRange(*img, RECT{1, 0, 3, 2}, lo, hi), 1);  // right/bottom exclusive
  EXPECT_EQ(lo, 5);
  EXPECT_EQ(hi, 200);
  ASSERT_EQ(GetGreyRange(*img, RECT{2, 2, 2, 2}, lo, hi), 1);
  EXPECT_EQ(lo, 255);
  EXPECT_EQ(hi, 0);
  ASSERT_EQ(GetGreyRange(*img, RECT{-4, -4, 100, 100}, lo, hi), 1);
  EXPECT_EQ(lo, 5);
  EXPECT_EQ(hi, 200);
  auto bilevel = MakeImage(8, 2, 1, 0);
  lo = hi = -7;
  EXPECT_EQ(GetGreyRange(*bilevel, RECT{0, 0, 8, 2}, lo, hi), 0);
  EXPECT_EQ(lo, -7);
  EXPECT_EQ(hi, -7);
}
