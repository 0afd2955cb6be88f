// Elevation grids at map size: a grid of up to 2000 x 2000 cells from
// contour lines of up to a million vertices (hills of nested loops, with
// open ground between them where cells look far for their samples), the
// plain per-cell scan on a small grid for comparison, and the grid, DEM and
// model files of a 2000 x 2000 grid.
//
// The build should grow about as cells x log(vertices): doubling the side
// about four times the time, ten times the vertices at most twice.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

#include "app/qzndoc.h"
#include "model/chain.h"
#include "terrain/dembuilder.h"
#include "terrain/opengldoc.h"

using namespace qzn;

namespace {

constexpr int kCell = 5;

// A workspace of side x side cells of 5 pixels with contour loops around
// 24 hills, vertices spread along them in proportion to their length.
CQznDoc& Contours(int side, std::int64_t vertices) {
  static std::map<std::pair<int, std::int64_t>, std::unique_ptr<CQznDoc>> cache;
  auto& slot = cache[{side, vertices}];
  if (slot) return *slot;
  slot = std::make_unique<CQznDoc>();
  CQznDoc& doc = *slot;
  const int extent = (side - 1) * kCell;
  doc.m_extent = RECT{0, 0, extent, extent};
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> pos(0.1, 0.9), size(0.04, 0.12);
  struct Loop {
    double cx, cy, rx, ry, z, length;
  };
  std::vector<Loop> loops;
  double total = 0;
  for (int h = 0; h < 24; ++h) {
    const double cx = pos(rng) * extent, cy = pos(rng) * extent;
    const double rx = size(rng) * extent, ry = size(rng) * extent;
    for (int k = 1; k <= 12; ++k) {
      const double f = k / 12.0;
      const Loop l{cx, cy, rx * f, ry * f, 100.0 + 10.0 * (12 - k), 2 * M_PI * std::sqrt((rx * rx + ry * ry) / 2) * f};
      loops.push_back(l);
      total += l.length;
    }
  }
  for (const Loop& l : loops) {
    CChain* c = doc.m_lines.NewChain();
    c->m_fID = static_cast<float>(l.z);
    const auto n = std::max<std::int64_t>(3, static_cast<std::int64_t>(vertices * l.length / total));
    for (std::int64_t i = 0; i < n; ++i) {
      const double t = 2 * M_PI * static_cast<double>(i) / static_cast<double>(n);
      // A wavy outline, as digitised contours are.
      const double wobble = 1 + 0.08 * std::sin(5 * t + l.cx);
      c->AddPoint(static_cast<float>(l.cx + l.rx * wobble * std::cos(t)),
                  static_cast<float>(l.cy + l.ry * wobble * std::sin(t)));
    }
  }
  return doc;
}

void BM_BuildGrid(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  CQznDoc& doc = Contours(side, state.range(1));
  for (auto _ : state) {
    qzn::CDemBuilder b(&doc.m_lines, &doc, kCell, "unused");
    if (!b.CollectSamples() || !b.InterpolateGrid()) state.SkipWithError("build failed");
    benchmark::DoNotOptimize(b.GetCells().data());
  }
  const double cells = static_cast<double>(side) * side;
  state.counters["cells/s"] = benchmark::Counter(cells, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BuildGrid)
    ->Args({1000, 100000})
    ->Args({2000, 100000})
    ->Args({2000, 10000})
    ->Args({2000, 1000000})
    ->Unit(benchmark::kMillisecond);

void BM_BuildGridPlainScan(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  CQznDoc& doc = Contours(side, state.range(1));
  for (auto _ : state) {
    qzn::CDemBuilder b(&doc.m_lines, &doc, kCell, "unused");
    b.SetSearch(qzn::CDemBuilder::Search::plainScan);
    if (!b.CollectSamples() || !b.InterpolateGrid()) state.SkipWithError("build failed");
    benchmark::DoNotOptimize(b.GetCells().data());
  }
}
BENCHMARK(BM_BuildGridPlainScan)->Args({250, 10000})->Args({500, 10000})->Unit(benchmark::kMillisecond);

std::string ScratchFile(const char* name) {
  const auto dir = std::filesystem::temp_directory_path() / ("qzn-bench-terrain-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

void BM_WriteFiles(benchmark::State& state) {
  CQznDoc& doc = Contours(2000, 100000);
  const bool dem = state.range(0) != 0;
  const std::string path = ScratchFile(dem ? "g.dem" : "g.grd");
  qzn::CDemBuilder b(&doc.m_lines, &doc, kCell, path);
  b.CollectSamples();
  b.InterpolateGrid();
  b.SetGridHeader();
  for (auto _ : state)
    if (!(dem ? b.WriteUsgsDemFile() : b.WriteAsciiGridFile())) state.SkipWithError("write failed");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
  std::filesystem::remove(path);
}
BENCHMARK(BM_WriteFiles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReadAndExport(benchmark::State& state) {
  CQznDoc& doc = Contours(2000, 100000);
  const std::string grd = ScratchFile("r.grd");
  {
    qzn::CDemBuilder b(&doc.m_lines, &doc, kCell, grd);
    b.WriteGrid();
  }
  const char* kinds[] = {"read", "m.stl", "m.wrl", "m.dxf", "m.xyz"};
  const std::string what = kinds[state.range(0)];
  qzn::COpenGLDoc grid;
  grid.OnOpenDocument(grd);
  const std::string out = ScratchFile(what.c_str());
  for (auto _ : state) {
    if (state.range(0) == 0) {
      qzn::COpenGLDoc d;
      if (!d.OnOpenDocument(grd)) state.SkipWithError("read failed");
    } else if (!grid.ExportModel(out)) {
      state.SkipWithError("export failed");
    }
  }
  state.SetLabel(what);
  std::filesystem::remove(grd);
  std::filesystem::remove(out);
}
BENCHMARK(BM_ReadAndExport)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
