// Vector import at full size: 100,000 lines of 50 vertices (and 10,000
// points) written once by the system's own writers as DXF, MIF/MID,
// shapefile, SDL and ARC generate text, then imported whole into a
// workspace. Beside each, ogr2ogr turning the same file into GeoJSON (the
// SDL and generate files, which OGR cannot read, have the shapefile's time
// beside them). Every import must be the faster of the pair.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "app/qzndoc.h"
#include "formats/dxfexport.h"
#include "formats/mifexport.h"
#include "formats/sdlexport.h"
#include "formats/shapefile.h"
#include "formats/vectorexport.h"
#include "formats/vectorimport.h"
#include "platform/host.h"

namespace {

using namespace qzn;

constexpr int kLines = 100000;
constexpr int kVertices = 50;
constexpr int kPoints = 10000;

// A folder of the run's own, removed when the program ends.
struct ScratchDir {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("qzn-bench-import-" + std::to_string(::getpid()));
  ScratchDir() { std::filesystem::create_directories(path); }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

std::string Scratch(const std::string& name) {
  static ScratchDir dir;
  return (dir.path / name).string();
}

// Random walks over a 20000 x 15000 sheet with contour-like IDs.
void FillSheet(CQznDoc& doc) {
  std::mt19937 rng(22);
  std::uniform_real_distribution<float> x(0.0f, 20000.0f), y(0.0f, 15000.0f), step(-20.0f, 20.0f);
  doc.m_extent = RECT{0, 0, 19999, 14999};
  for (int i = 0; i < kLines; ++i) {
    CChain* c = doc.m_lines.NewChain();
    c->m_fID = static_cast<float>(100 + 5 * (i % 200));
    float px = x(rng), py = y(rng);
    c->m_points.reserve(kVertices);
    for (int k = 0; k < kVertices; ++k) {
      c->m_points.emplace_back(px, py);
      px += step(rng);
      py += step(rng);
    }
    c->CalcBounds();
  }
  for (int i = 0; i < kPoints; ++i) doc.m_points.AddPoint(x(rng), y(rng), static_cast<float>(i % 500), 7, 255);
}

// The files, written once for the whole run.
struct Files {
  std::string dxf = Scratch("sheet.dxf"), mif = Scratch("sheet.mif"), shp = Scratch("sheet.shp"),
              sdl = Scratch("sheet.sdl"), gen = Scratch("sheet.gen");
  Files() {
    CQznDoc doc;
    FillSheet(doc);
    DxfContent dxfWhat;
    dxfWhat.lines = dxfWhat.points = dxfWhat.linesIdAsZ = dxfWhat.pointsValueAsZ = true;
    MifContent mifWhat;
    mifWhat.lines = mifWhat.points = true;
    SdlContent sdlWhat;
    sdlWhat.lines = sdlWhat.points = true;
    if (WriteDxfFile(dxf, doc, MapTransform::Pixels(), dxfWhat) != WriteResult::ok ||
        WriteMifFile(mif, doc, MapTransform::Pixels(), mifWhat) != WriteResult::ok ||
        CShapeFile(doc.m_lines, doc.m_extent, MapTransform::Pixels(), false).Write(shp, true) != WriteResult::ok ||
        WriteSdlFile(sdl, doc, MapTransform::Pixels(), nullptr, sdlWhat) != WriteResult::ok || !doc.ExportLines(gen, 0))
      std::abort();
  }
};

const Files& TheFiles() {
  static Files files;
  return files;
}

// A workspace with an image, so that the import keeps its extent and asks
// nothing.
void GiveImage(CQznDoc& doc) {
  CRasterImage& img = doc.m_image;
  img.width = img.height = 16;
  img.planes = 1;
  img.bitsPerSample = 8;
  img.photometric = 1;
  if (!img.AllocPixels()) std::abort();
}

void Import(benchmark::State& state, const std::string& path) {
  static CFormatImports imports;
  SetVectorImports(&imports);
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<CQznDoc>();
    GiveImage(*doc);
    state.ResumeTiming();
    if (!doc->ImportVectors(path, 0)) state.SkipWithError("import failed");
    benchmark::DoNotOptimize(doc->m_lines.GetCount());
    state.counters["lines"] = static_cast<double>(doc->m_lines.GetCount());
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

void Ogr2ogr(benchmark::State& state, const std::string& path) {
  const std::string command = "ogr2ogr -f GeoJSON /vsistdout/ '" + path + "' > /dev/null 2>&1";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("ogr2ogr failed");
}

void BM_ImportDxf(benchmark::State& s) { Import(s, TheFiles().dxf); }
void BM_Ogr2ogrDxf(benchmark::State& s) { Ogr2ogr(s, TheFiles().dxf); }
void BM_ImportMif(benchmark::State& s) { Import(s, TheFiles().mif); }
void BM_Ogr2ogrMif(benchmark::State& s) { Ogr2ogr(s, TheFiles().mif); }
void BM_ImportShapefile(benchmark::State& s) { Import(s, TheFiles().shp); }
void BM_Ogr2ogrShapefile(benchmark::State& s) { Ogr2ogr(s, TheFiles().shp); }
void BM_ImportSdl(benchmark::State& s) { Import(s, TheFiles().sdl); }
void BM_ImportGenerate(benchmark::State& s) { Import(s, TheFiles().gen); }

#define QZN_IMPORT_BENCHMARK(fn) \
  BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3)
QZN_IMPORT_BENCHMARK(BM_ImportDxf);
QZN_IMPORT_BENCHMARK(BM_Ogr2ogrDxf);
QZN_IMPORT_BENCHMARK(BM_ImportMif);
QZN_IMPORT_BENCHMARK(BM_Ogr2ogrMif);
QZN_IMPORT_BENCHMARK(BM_ImportShapefile);
QZN_IMPORT_BENCHMARK(BM_Ogr2ogrShapefile);
QZN_IMPORT_BENCHMARK(BM_ImportSdl);
QZN_IMPORT_BENCHMARK(BM_ImportGenerate);

}  // namespace
