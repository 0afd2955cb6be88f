#include "raster/pixeledit.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/host.h"
#include "tests/raster/test_imaging_support.h"

using namespace qzn;

namespace {

using imgtest::Bits;
using imgtest::Bytes;
using imgtest::Make8;
using imgtest::MakeBits;

// Every changed pixel is in exactly one run and every run pixel changed.
void ExpectRunsCoverChanges(const CRasterImage& before, const CRasterImage& after, const CFillRuns& runs) {
  std::set<std::pair<int, int>> inRuns;
  for (const CFillRun& r : runs.runs)
    for (int x = r.first; x <= r.last; ++x) EXPECT_TRUE(inRuns.insert({x, r.row}).second) << "pixel twice";
  for (int y = 0; y < before.height; ++y)
    for (int x = 0; x < before.width; ++x) {
      const bool changed = before.GetByte(x, y) != after.GetByte(x, y);
      EXPECT_EQ(changed, inRuns.count({x, y}) == 1) << x << "," << y;
    }
}

// A percolating random maze: the fill must reach every 4-connected pixel of
// the seed's value however intricate the region, as scipy's labelling says.
TEST(FloodFill, FillsTheWholeRegionOfAnIntricateMaze) {
  QZN_REQUIRE_PY("numpy", "scipy");
  const int w = 700, h = 500;
  auto data = imgtest::Random(static_cast<std::size_t>(w) * h, 21, 0, 99);
  for (auto& v : data) v = v < 62 ? 40 : 200;  // 62% open
  CRasterImage img, before;
  Make8(img, w, h, 1, 1, data);
  ASSERT_EQ(before.CopyFrom(img, 1, 1), 1);
  int sx = w / 2, sy = h / 2;
  while (img.GetByte(sx, sy) != 40) ++sx;
  const auto expected = imgtest::RunPy(
      "from scipy import ndimage\n"
      "a = np.fromfile(IN, np.uint8).reshape(" +
          std::to_string(h) + ", " + std::to_string(w) +
          ")\n"
          "lab, n = ndimage.label(a == 40)\n"
          "a[lab == lab[" +
          std::to_string(sy) + ", " + std::to_string(sx) +
          "]] = 7\n"
          "a.tofile(OUT)",
      data);
  CFillRuns runs;
  ASSERT_EQ(FloodFill(&img, sx, sy, 7, &runs), 1);
  EXPECT_EQ(Bytes(img), expected);
  EXPECT_EQ(runs.oldValue, 40);
  EXPECT_EQ(runs.newValue, 7);
  ExpectRunsCoverChanges(before, img, runs);
  // Replaying the record undoes the fill.
  ASSERT_EQ(FillRuns(&img, runs), 1);
  EXPECT_EQ(Bytes(img), Bytes(before));
}

TEST(FloodFill, BilevelFillIsFourConnected) {
  CRasterImage img;
  MakeBits(img, {"#.#.", ".#.#", "#.#.", ".#.#"});
  CFillRuns runs;
  ASSERT_EQ(FloodFill(&img, 1, 1, 0, &runs), 1);
  EXPECT_EQ(Bits(img), (std::vector<std::string>{"#.#.", "...#", "#.#.", ".#.#"}));
  ASSERT_EQ(runs.runs.size(), 1u);
  EXPECT_EQ(runs.runs[0].row, 1);
  EXPECT_EQ(runs.runs[0].first, 1);
  EXPECT_EQ(runs.runs[0].last, 1);

  // Leaks left and right of the seed's row and round a U are followed.
  MakeBits(img, {"#....#", "#.##.#", "#.##.#", "######"});
  ASSERT_EQ(FloodFill(&img, 1, 2, 1, &runs), 1);
  EXPECT_EQ(Bits(img), (std::vector<std::string>{"######", "######", "######", "######"}));
  ASSERT_EQ(FillRuns(&img, runs), 1);
  EXPECT_EQ(Bits(img), (std::vector<std::string>{"#....#", "#.##.#", "#.##.#", "######"}));
}

TEST(FloodFill, SeedWithTheNewValueOrOutsideChangesNothing) {
  CRasterImage img;
  Make8(img, 3, 3, 1, 1, {5, 5, 5, 5, 9, 5, 5, 5, 5});
  CFillRuns runs;
  runs.oldValue = 1;
  runs.newValue = 2;
  runs.runs.push_back({0, 0, 0});
  EXPECT_EQ(FloodFill(&img, 1, 1, 9, &runs), 1);
  EXPECT_EQ(runs.oldValue, 1);
  EXPECT_EQ(runs.runs.size(), 1u);
  EXPECT_EQ(FloodFill(&img, 3, 0, 1, &runs), 0);
  EXPECT_EQ(FloodFill(&img, 0, -1, 1, &runs), 0);
  EXPECT_EQ(Bytes(img), (std::vector<std::uint8_t>{5, 5, 5, 5, 9, 5, 5, 5, 5}));

  CScriptedHost host;
  CHostScope scope(&host);
  CRasterImage wide;
  wide.width = wide.height = 2;
  wide.planes = 1;
  wide.bitsPerSample = 16;
  ASSERT_EQ(wide.AllocPixels(), 1);
  EXPECT_EQ(FloodFill(&wide, 0, 0, 1, &runs), 0);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "不支持的图像内存。");
}

TEST(DrawThickLine, SpansAcrossTheMajorAxis) {
  struct Case {
    const char* name;
    POINT p0, p1;
    int width;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"one point, width 3", {2, 2}, {2, 2}, 3, {".....", "..#..", "..#..", "..#..", "....."}},
      {"shallow, width 1", {0, 1}, {4, 3}, 1, {".....", "##...", "..##.", "....#", "....."}},
      {"steep, width 3", {2, 0}, {2, 4}, 3, {".###.", ".###.", ".###.", ".###.", ".###."}},
      {"clamped into the image", {-5, 2}, {9, 2}, 1, {".....", ".....", "#####", ".....", "....."}},
  };
  for (const Case& c : cases) {
    CRasterImage img;
    MakeBits(img, {".....", ".....", ".....", ".....", "....."});
    POINT p0 = c.p0, p1 = c.p1;
    CPixelList list;
    ASSERT_EQ(DrawThickLine(&img, p0, p1, c.width, 1, 0, 0, &list), 1) << c.name;
    EXPECT_EQ(Bits(img), c.expected) << c.name;
    std::set<std::pair<int, int>> seen;
    for (const CPixelEntry& e : list.entries) EXPECT_TRUE(seen.insert({e.x, e.y}).second) << c.name;
    ASSERT_EQ(SetPixels(&img, list), 1);
    EXPECT_EQ(Bits(img), (std::vector<std::string>(5, "....."))) << c.name;
  }
  POINT a{-5, 2}, b{9, 7};
  CRasterImage img;
  MakeBits(img, {".....", "....."});
  DrawThickLine(&img, a, b, 1, 1, 0, 0, nullptr);
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(b.x, 4);
  EXPECT_EQ(b.y, 1);
}

TEST(DrawThickLine, RgbLineAndItsUndoOverAnotherLine) {
  CRasterImage img;
  Make8(img, 6, 6, 3, 2, imgtest::Random(108, 8));
  const auto before = Bytes(img);
  POINT p0{0, 0}, p1{5, 5}, q0{0, 5}, q1{5, 0};
  CPixelList first, second;
  ASSERT_EQ(DrawThickLine(&img, p0, p1, 2, 10, 20, 30, &first), 1);
  ASSERT_EQ(DrawThickLine(&img, q0, q1, 2, 40, 50, 60, &second), 1);
  EXPECT_EQ(img.GetPlaneByte(2, 3, 0), 40);
  EXPECT_EQ(img.GetPlaneByte(2, 3, 1), 50);
  EXPECT_EQ(img.GetPlaneByte(2, 3, 2), 60);
  // Undo in reverse order restores every plane.
  SetPixels(&img, second);
  SetPixels(&img, first);
  EXPECT_EQ(Bytes(img), before);
}

TEST(SavePixels, SavesTheAreaInsideTheImage) {
  CRasterImage img;
  Make8(img, 4, 3, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  CPixelList list;
  ASSERT_EQ(SavePixels(&img, CImageArea{2, 1, 5, 9, 0}, &list), 1);
  std::vector<std::vector<int>> got;
  for (const CPixelEntry& e : list.entries) got.push_back({e.x, e.y, e.value});
  EXPECT_EQ(got, (std::vector<std::vector<int>>{
                     {2, 1, 7 * 65793}, {3, 1, 8 * 65793}, {2, 2, 11 * 65793}, {3, 2, 12 * 65793}}));
  // An area with no pixel inside keeps the list.
  EXPECT_EQ(SavePixels(&img, CImageArea{4, 0, 3, 3, 0}, &list), 0);
  EXPECT_EQ(list.entries.size(), 4u);

  CRasterImage rgb;
  Make8(rgb, 2, 1, 3, 2, {1, 2, 3, 4, 5, 6});
  ASSERT_EQ(SavePixels(&rgb, CImageArea{0, 0, 2, 1, 0}, &list), 1);
  ASSERT_EQ(list.entries.size(), 2u);
  EXPECT_EQ(list.entries[1].value, 2 | 4 << 8 | 6 << 16);
  std::fill(rgb.pixels, rgb.pixels + 6, std::uint8_t{0});
  ASSERT_EQ(SetPixels(&rgb, list), 1);
  EXPECT_EQ(Bytes(rgb), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
}

}  // namespace
