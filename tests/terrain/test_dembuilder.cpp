// The elevation grid builder: which vertices and points become samples, how
// the candidates of a cell are chosen, the index against the plain scan, the
// refusals, and a grid from contours of a known surface against gdal_grid
// and scipy.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "platform/host.h"
#include "resources/messages_terrain.h"
#include "terrain/dembuilder.h"
#include "tests/terrain/terrain_test_util.h"

using qzn::CDemBuilder;
using qzn::CDemSample;
using terraintest::AddLine;
using terraintest::AddPoint;
using terraintest::SetExtent;

namespace {

std::vector<std::pair<int, int>> Positions(const CDemBuilder& b) {
  std::vector<std::pair<int, int>> out;
  for (const CDemSample& s : b.GetSamples()) out.emplace_back(s.x, s.y);
  return out;
}

}  // namespace

TEST(DemBuilderSamples, VerticesRoundPointsTruncateAndOnlyTheWidenedExtentCounts) {
  CQznDoc doc;
  SetExtent(doc, 1000, 2000, 1100, 2100);  // cell size 10: samples up to 1109, 2109
  AddLine(doc, 5,
          {{1010.5f, 2020.4f},         // (11, 20)
           {999.0f, 2050.0f},          // left of the extent
           {1109.4f, 2109.4f},         // (109, 109): within one cell beyond
           {1109.6f, 2050.0f},         // rounds to 1110: beyond
           {1050.0f, 1999.0f}});       // above
  AddPoint(doc, 1010.9f, 2005.9f, 7);  // (10, 5)
  AddPoint(doc, 1109.9f, 2000.0f, 7);  // (109, 0)
  AddPoint(doc, 1110.0f, 2000.0f, 7);  // beyond
  CDemBuilder b(&doc.m_lines, &doc, 10, "unused");
  ASSERT_EQ(b.CollectSamples(), 1);
  EXPECT_EQ(Positions(b), (std::vector<std::pair<int, int>>{{11, 20}, {109, 109}, {10, 5}, {109, 0}}));
  EXPECT_EQ(b.GetColumns(), 11);  // the last column lies on the right edge
  EXPECT_EQ(b.GetRows(), 11);
  EXPECT_EQ(b.GetBucketSide(), 1);
}

TEST(DemBuilderSamples, BucketGridGroupsSamplesByAreaInWalkOrder) {
  struct Case {
    int vertices;
    int side;
  };
  for (Case k : {Case{399, 1}, Case{400, 2}, Case{10000, 10}}) {
    CQznDoc doc;
    SetExtent(doc, 0, 0, 1000, 1000);
    std::mt19937 rng(k.vertices);
    std::uniform_real_distribution<float> pos(0.0f, 1004.0f);
    for (int i = 0; i < k.vertices; i += 50) {
      CChain* c = doc.m_lines.NewChain();
      c->m_fID = static_cast<float>(i);
      for (int j = i; j < std::min(i + 50, k.vertices); ++j) c->AddPoint(pos(rng), pos(rng));
    }
    AddPoint(doc, 0.0f, 0.0f, -1.0f);
    CDemBuilder b(&doc.m_lines, &doc, 5, "unused");
    ASSERT_EQ(b.CollectSamples(), 1);
    EXPECT_EQ(b.GetBucketSide(), k.side) << k.vertices;
    ASSERT_EQ(b.GetSamples().size(), static_cast<std::size_t>(k.vertices) + 1);
    // Runs follow the buckets; each sample lies in its bucket's rectangle;
    // within a bucket the walk order holds (line IDs rise, the point last).
    std::int64_t next = 0;
    for (const qzn::CDemBucket& bucket : b.GetBuckets()) {
      EXPECT_EQ(bucket.first, next);
      float lastZ = -2.0f;
      for (std::int64_t i = bucket.first; i < bucket.first + bucket.count; ++i) {
        const CDemSample& s = b.GetSamples()[static_cast<std::size_t>(i)];
        EXPECT_TRUE(s.x >= bucket.left && s.x < bucket.right && s.y >= bucket.top && s.y < bucket.bottom);
        if (s.z >= 0) {
          EXPECT_GE(s.z, lastZ);
        }
        lastZ = s.z < 0 ? 1e9f : s.z;
      }
      next += bucket.count;
    }
    EXPECT_EQ(b.GetBuckets().back().right, 1005);  // widened by one cell
  }
}

TEST(DemBuilderCells, CandidateRules) {
  // Cell (10, 10) with cell size 10 in a 100 x 100 extent. Each case lists
  // samples in stored order (one line each, so the walk is that order) and
  // the height the cell must get.
  struct Case {
    const char* what;
    std::vector<std::tuple<float, float, float>> samples;
    float expected;
  };
  const std::vector<Case> cases = {
      {"the first sample within one cell size wins, not the nearest", {{18, 18, 100}, {11, 11, 0}}, 100},
      {"beyond one cell size the nearest wins", {{40, 40, 100}, {25, 25, 0}}, 0},
      {"the earliest of equally near samples wins", {{30, 40, 100}, {40, 30, 0}}, 100},
      {"a sample on the cell gives its height", {{12, 12, 7}, {10, 10, 55}}, 55},
      {"samples level with the cell both lie left and above", {{10, 4, 3}, {4, 10, 5}}, 3},
  };
  for (const Case& k : cases) {
    CQznDoc doc;
    SetExtent(doc, 0, 0, 100, 100);
    for (auto [x, y, z] : k.samples) AddLine(doc, z, {{x, y}});
    CDemBuilder b(&doc.m_lines, &doc, 10, "unused");
    ASSERT_EQ(b.CollectSamples(), 1);
    ASSERT_EQ(b.InterpolateGrid(), 1);
    EXPECT_FLOAT_EQ(b.GetCell(1, 1), k.expected) << k.what;
  }
}

TEST(DemBuilderCells, RangeCoversEveryCellWithAHeightAndOnlyThose) {
  // Heights far above 88888, the highest only on a sample; cells farther
  // than the extent's size from every sample stay without a height.
  CQznDoc doc;
  SetExtent(doc, 0, 0, 100, 100);
  AddLine(doc, 250000.0f, {{100, 100}});
  AddLine(doc, 120000.0f, {{100, 96}, {96, 100}});
  CDemBuilder b(&doc.m_lines, &doc, 10, "unused");
  ASSERT_EQ(b.CollectSamples(), 1);
  ASSERT_EQ(b.InterpolateGrid(), 1);
  EXPECT_TRUE(std::isnan(b.GetCell(0, 0)));
  EXPECT_FLOAT_EQ(b.GetCell(10, 10), 250000.0f);
  float lo = INFINITY, hi = -INFINITY;
  for (float v : b.GetCells())
    if (!std::isnan(v)) lo = std::min(lo, v), hi = std::max(hi, v);
  EXPECT_EQ(b.GetMaximum(), hi);
  EXPECT_EQ(b.GetMinimum(), lo);
  EXPECT_GT(lo, 119000.0f);  // the weighted means of 120000 and above
}

TEST(DemBuilderCells, IndexFindsTheSameGridAsThePlainScanBitForBit) {
  // Contour-like lines, scattered spot heights, duplicates, samples beyond
  // the extent and empty ground, over many sizes and cell sizes.
  std::mt19937 rng(20240611);
  for (int round = 0; round < 60; ++round) {
    std::uniform_int_distribution<int> sizeDist(1, round < 50 ? 180 : 700);
    const int w = sizeDist(rng), h = sizeDist(rng);
    const int cell = std::uniform_int_distribution<int>(1, std::min(w, h))(rng);
    CQznDoc doc;
    SetExtent(doc, 37, -20, 37 + w, -20 + h);
    std::uniform_real_distribution<float> ux(30.0f, 37.0f + w + cell + 5), uy(-25.0f, -20.0f + h + cell + 5);
    std::uniform_real_distribution<float> z(-50.0f, 50.0f);
    const int lines = std::uniform_int_distribution<int>(0, round < 50 ? 12 : 40)(rng);
    for (int l = 0; l < lines; ++l) {
      CChain* c = doc.m_lines.NewChain();
      c->m_fID = std::round(z(rng));
      float x = ux(rng), y = uy(rng);
      const int n = std::uniform_int_distribution<int>(1, 120)(rng);
      for (int i = 0; i < n; ++i) {
        c->AddPoint(x, y);
        if (i % 17 == 3) c->AddPoint(x, y);  // a repeated vertex
        x += std::uniform_real_distribution<float>(-3.0f, 3.0f)(rng);
        y += std::uniform_real_distribution<float>(-3.0f, 3.0f)(rng);
      }
    }
    const int points = std::uniform_int_distribution<int>(0, 30)(rng);
    for (int i = 0; i < points; ++i) AddPoint(doc, ux(rng), uy(rng), z(rng));
    if (lines == 0 && points == 0) AddPoint(doc, 40.0f, -10.0f, 1.0f);

    CDemBuilder indexed(&doc.m_lines, &doc, cell, "unused");
    CDemBuilder plain(&doc.m_lines, &doc, cell, "unused");
    plain.SetSearch(CDemBuilder::Search::plainScan);
    CScriptedHost quiet;
    CHostScope scope(&quiet);
    const int a = indexed.CollectSamples() && indexed.InterpolateGrid();
    const int p = plain.CollectSamples() && plain.InterpolateGrid();
    ASSERT_EQ(a, p) << "round " << round;
    if (!a) continue;
    ASSERT_EQ(indexed.GetCells().size(), plain.GetCells().size());
    EXPECT_EQ(
        std::memcmp(indexed.GetCells().data(), plain.GetCells().data(), indexed.GetCells().size() * sizeof(float)), 0)
        << "round " << round << ": " << w << " x " << h << ", cell " << cell;
    EXPECT_EQ(indexed.GetMinimum(), plain.GetMinimum());
    EXPECT_EQ(indexed.GetMaximum(), plain.GetMaximum());
  }
}

TEST(DemBuilderRefusals, NothingToBuildFromOrTooFewCells) {
  // The builder shows nothing; the command that runs it shows the text.
  struct Case {
    const char* what;
    int right, bottom, cell;
    bool withSample;
    const char* text;
  };
  const Case cases[] = {
      {"no heights in the extent", 100, 100, 10, false, res::text::kGridNoHeights},
      {"a single column", 9, 100, 10, true, res::text::kGridTooSmall},
      {"a single row", 100, 5, 10, true, res::text::kGridTooSmall},
      {"cell size 0", 100, 100, 0, true, res::text::kGridBadCellSize},
  };
  for (const Case& k : cases) {
    qzntest::TempDir dir;
    CQznDoc doc;
    SetExtent(doc, 0, 0, k.right, k.bottom);
    AddLine(doc, 5, {{500, 500}});  // outside: not a sample
    if (k.withSample) AddPoint(doc, 3, 3, 1);
    CScriptedHost ui;
    CHostScope scope(&ui);
    CDemBuilder b(&doc.m_lines, &doc, k.cell, dir.file("a.grd"));
    EXPECT_EQ(b.WriteGrid(), 0) << k.what;
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.grd"))) << k.what;
    EXPECT_EQ(b.GetErrorText(), k.text) << k.what;
    EXPECT_TRUE(ui.messages.empty()) << k.what;
  }
  CQznDoc doc;
  AddPoint(doc, 3, 3, 1);
  EXPECT_EQ(CDemBuilder(&doc.m_lines, &doc, 5, "").WriteGrid(), 0);
  EXPECT_EQ(CDemBuilder(nullptr, &doc, 5, "").WriteDem(), 0);
}

TEST(DemBuilderProgress, OneStepPerRow) {
  CQznDoc doc;
  SetExtent(doc, 0, 0, 40, 70);
  AddPoint(doc, 3, 3, 1);
  CScriptedHost ui;
  CHostScope scope(&ui);
  CDemBuilder b(&doc.m_lines, &doc, 10, "unused");
  ASSERT_EQ(b.CollectSamples(), 1);
  ASSERT_EQ(b.InterpolateGrid(), 1);
  EXPECT_EQ(ui.progressHigh, 8);
  EXPECT_EQ(ui.progressPositions.size(), 8u);
}

// Contours of an elliptic Gaussian hill, 10 units apart, and a spot height on
// its top. Inside the lowest contour the grid, gdal_grid and scipy's linear
// interpolation of the same samples, and the true surface, all lie within one
// contour interval of each other.
TEST(DemBuilderOracle, ContoursOfAKnownSurfaceAgreeWithGdalGridAndScipy) {
  QZN_REQUIRE_PROGRAM("gdal_grid");
  QZN_REQUIRE_PYTHON_MODULES("numpy", "scipy", "osgeo.gdal");
  const double cx = 200, cy = 150, sx = 90, sy = 60, peak = 100, interval = 10;
  auto surface = [&](double x, double y) {
    const double u = (x - cx) / sx, v = (y - cy) / sy;
    return peak * std::exp(-(u * u + v * v) / 2);
  };
  CQznDoc doc;
  SetExtent(doc, 0, 0, 400, 300);
  for (int level = 10; level < 100; level += 10) {
    const double s = std::sqrt(2 * std::log(peak / level));
    CChain* c = doc.m_lines.NewChain();
    c->m_fID = static_cast<float>(level);
    const int n = static_cast<int>(2 * M_PI * sx * s / 2);  // about 2 pixels apart, as digitised
    for (int i = 0; i <= n; ++i) {
      const double t = 2 * M_PI * i / n;
      c->AddPoint(static_cast<float>(cx + sx * s * std::cos(t)), static_cast<float>(cy + sy * s * std::sin(t)));
    }
  }
  AddPoint(doc, static_cast<float>(cx), static_cast<float>(cy), static_cast<float>(peak));

  qzntest::TempDir dir;
  const int cell = 4;
  CDemBuilder b(&doc.m_lines, &doc, cell, dir.file("hill.grd"));
  ASSERT_EQ(b.WriteGrid(), 1);
  {
    std::ofstream samples(dir.file("samples.csv"));
    samples << "x,y,z\n";
    for (const CDemSample& s : b.GetSamples()) samples << s.x << ',' << s.y << ',' << s.z << '\n';
    std::ofstream truth(dir.file("truth.txt"));
    truth.precision(10);
    for (int r = 0; r < b.GetRows(); ++r) {
      for (int c = 0; c < b.GetColumns(); ++c) truth << surface(c * cell, r * cell) << ' ';
      truth << '\n';
    }
  }
  std::string out;
  ASSERT_EQ(terraintest::RunScript("grid_oracle.py",
                                   dir.file("hill.grd") + " " + dir.file("samples.csv") + " " + dir.file("truth.txt") +
                                       " " + std::to_string(cell) + " " + std::to_string(interval),
                                   &out),
            0)
      << out;
  std::istringstream in(out);
  std::map<std::string, double> error;
  std::string key;
  double value;
  while (in >> key >> value) error[key] = value;
  ASSERT_GT(error["cells"], 3000) << out;
  for (const char* pair : {"ours-true", "gdal-true", "scipy-true", "ours-gdal", "ours-scipy"})
    EXPECT_LE(error[pair], interval) << pair << "\n" << out;
}
