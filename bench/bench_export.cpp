// The vector exports at map size: 100,000 lines of 50 vertices (5 million
// vertices, a sheet of contours) written in every format, in pixels and
// through a world file to UTM-sized map coordinates. The rate is the file's
// bytes per second (MB/s); the file is removed after each run.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "app/qzndoc.h"
#include "formats/arcexport.h"
#include "formats/dxfexport.h"
#include "formats/igesexport.h"
#include "formats/mifexport.h"
#include "formats/sdlexport.h"
#include "formats/shapefile.h"
#include "platform/host.h"

using namespace qzn;

namespace {

constexpr int kLines = 100000;
constexpr int kVertices = 50;

// Random walks over a 20000 x 15000 sheet, IDs like contour heights.
CQznDoc& Sheet() {
  static auto doc = [] {
    auto d = std::make_unique<CQznDoc>();
    d->m_extent = RECT{0, 0, 19999, 14999};
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> x(0.0f, 19999.0f), y(0.0f, 14999.0f), step(-6.0f, 6.0f);
    for (int i = 0; i < kLines; ++i) {
      CChain* c = d->m_lines.NewChain();
      c->m_fID = static_cast<float>(100 + 5 * (i % 200));
      float px = x(rng), py = y(rng);
      for (int k = 0; k < kVertices; ++k) {
        c->AddPoint(px, py);
        px += step(rng);
        py += step(rng);
      }
      c->CalcBounds();
    }
    d->m_tfw.m_A = 0.5;
    d->m_tfw.m_E = -0.5;
    d->m_tfw.m_C = 500000.25;
    d->m_tfw.m_F = 4000000.75;
    d->m_tfw.m_nTerms = 3;
    return d;
  }();
  return *doc;
}

MapTransform MapOf(bool map) {
  static const double x[3] = {0.5, 0.0, 500000.25}, y[3] = {0.0, -0.5, 4000000.75};
  return map ? MapTransform::Polynomial(x, y, 3) : MapTransform::FlippedOver(Sheet().m_extent);
}

std::string Target(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "-" + name)).string();
}

// Runs one writer; counts the bytes of its main file.
template <class Write>
void Export(benchmark::State& state, const char* name, Write&& write) {
  CQuietScope quiet;
  Sheet();
  const std::string path = Target(name);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    if (!write(path, MapOf(state.range(0) != 0))) state.SkipWithError("the export failed");
    std::error_code ec;
    bytes += static_cast<std::int64_t>(std::filesystem::file_size(path, ec));
  }
  state.SetBytesProcessed(bytes);
  state.counters["vertices/s"] =
      benchmark::Counter(static_cast<double>(kLines) * kVertices, benchmark::Counter::kIsIterationInvariantRate);
  for (const char* ext : {"", ".mid", ".shx", ".dbf"}) {
    std::error_code ec;
    std::filesystem::remove(ext[0] ? path.substr(0, path.rfind('.')) + ext : path, ec);
  }
}

void BM_Generate(benchmark::State& state) {
  Export(state, "lines.gen",
         [](const std::string& p, const MapTransform& m) { return Sheet().m_lines.WriteGenerate(p, TRUE, m) != 0; });
}
void BM_Xyz(benchmark::State& state) {
  Export(state, "lines.xyz", [](const std::string& p, const MapTransform& m) {
    return WriteXyzFile(p, Sheet(), m, true, false) == WriteResult::ok;
  });
}
void BM_Dxf(benchmark::State& state) {
  Export(state, "lines.dxf", [](const std::string& p, const MapTransform& m) {
    DxfContent what;
    what.lines = what.linesIdAsZ = true;
    return WriteDxfFile(p, Sheet(), m, what) == WriteResult::ok;
  });
}
void BM_Mif(benchmark::State& state) {
  Export(state, "lines.mif", [](const std::string& p, const MapTransform& m) {
    MifContent what;
    what.lines = true;
    return WriteMifFile(p, Sheet(), m, what) == WriteResult::ok;
  });
}
void BM_Shapefile(benchmark::State& state) {
  Export(state, "lines.shp", [](const std::string& p, const MapTransform& m) {
    return CShapeFile(Sheet().m_lines, Sheet().m_extent, m, false).Write(p, true) == WriteResult::ok;
  });
}
void BM_Iges(benchmark::State& state) {
  Export(state, "lines.igs", [](const std::string& p, const MapTransform& m) {
    return WriteIgesFile(p, Sheet().m_lines, m, 0) == WriteResult::ok;
  });
}
void BM_Sdl(benchmark::State& state) {
  Export(state, "lines.sdl", [](const std::string& p, const MapTransform& m) {
    SdlContent what;
    what.lines = true;
    return WriteSdlFile(p, Sheet(), m, nullptr, what) == WriteResult::ok;
  });
}

// 0: pixels flipped over the extent; 1: map coordinates through a world file.
#define QZN_EXPORT_BENCH(f) BENCHMARK(f)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)
QZN_EXPORT_BENCH(BM_Generate);
QZN_EXPORT_BENCH(BM_Xyz);
QZN_EXPORT_BENCH(BM_Dxf);
QZN_EXPORT_BENCH(BM_Mif);
QZN_EXPORT_BENCH(BM_Shapefile);
QZN_EXPORT_BENCH(BM_Iges);
QZN_EXPORT_BENCH(BM_Sdl);

}  // namespace
