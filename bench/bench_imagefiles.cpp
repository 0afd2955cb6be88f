// Reading and writing a full sheet (20000 x 15000) as an LZW grey TIFF, a G4
// bilevel TIFF and a PNG, in MB/s of pixel data. For comparison the same run
// times gdal_translate copying each file to an uncompressed TIFF (when GDAL
// is installed): reading should stay within 1.5 times of it.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/scangen.h"
#include "raster/jpegpng.h"
#include "raster/rasterimage.h"
#include "raster/tiffio.h"

using namespace qzn;

namespace {

constexpr int kWidth = 20000;
constexpr int kHeight = 15000;

enum Kind { kLzw = 0, kG4 = 1, kPng = 2 };
const char* const kNames[] = {"grey_lzw.tif", "bilevel_g4.tif", "grey.png"};

std::string Dir() {
  static const std::string dir = [] {
    const auto d = std::filesystem::temp_directory_path() / "qzn_bench_imagefiles";
    std::filesystem::create_directories(d);
    return d.string();
  }();
  return dir;
}
std::string PathOf(int kind) { return Dir() + "/" + kNames[kind]; }

// The synthetic sheet as the grey record and as its bilevel threshold.
const CRasterImage& Sheet(int kind) {
  static CRasterImage grey, bilevel;
  static bool made = false;
  if (!made) {
    scangen::Options opt;
    opt.width = kWidth;
    opt.height = kHeight;
    opt.seed = 11;
    const scangen::GreyImage g = scangen::Generate(opt);
    grey.width = bilevel.width = kWidth;
    grey.height = bilevel.height = kHeight;
    grey.photometric = 1;
    bilevel.bitsPerSample = 1;
    bilevel.photometric = 0;  // a set bit is black
    grey.AllocPixels();
    bilevel.AllocPixels();
    std::memcpy(grey.pixels, g.pixels.data(), g.pixels.size());
    std::memset(bilevel.pixels, 0, static_cast<std::size_t>(bilevel.GetImageBytes()));
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        if (g.at(x, y) < 128) bilevel.SetBit(x, y, 1);
    made = true;
  }
  return kind == kG4 ? bilevel : grey;
}

bool Write(int kind) {
  const CRasterImage& img = Sheet(kind);
  switch (kind) {
    case kLzw: return WriteTiffImage(PathOf(kind), img, 5) == 1;
    case kG4: return WriteTiffImage(PathOf(kind), img, 4) == 1;
    default: return WritePngFile(PathOf(kind), img) == 1;
  }
}

bool Read(int kind, CRasterImage& img) {
  if (kind == kPng) return ReadPngFile(PathOf(kind), img) == 1;
  return ReadTiffImage(PathOf(kind), img, nullptr) == 0;
}

void EnsureFile(int kind) {
  if (!std::filesystem::exists(PathOf(kind))) Write(kind);
}

void SetRate(benchmark::State& state, int kind) {
  const double bytes = static_cast<double>(Sheet(kind).GetImageBytes());
  state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["MP/s"] =
      benchmark::Counter(double(kWidth) * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.SetLabel(kNames[kind]);
}

void BM_Write(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  Sheet(kind);
  for (auto _ : state)
    if (!Write(kind)) state.SkipWithError("write failed");
  SetRate(state, kind);
}
BENCHMARK(BM_Write)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_Read(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  EnsureFile(kind);
  for (auto _ : state) {
    CRasterImage img;
    if (!Read(kind, img)) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(img.pixels);
  }
  SetRate(state, kind);
}
BENCHMARK(BM_Read)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// gdal_translate reading the same file and writing it uncompressed.
void BM_GdalTranslate(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  if (std::system("command -v gdal_translate >/dev/null 2>&1") != 0) {
    state.SkipWithError("gdal_translate is not installed");
    return;
  }
  EnsureFile(kind);
  const std::string out = Dir() + "/gdal_copy.tif";
  const std::string cmd = "gdal_translate -q -of GTiff -co COMPRESS=NONE '" + PathOf(kind) + "' '" + out + "'";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("gdal_translate failed");
  std::filesystem::remove(out);
  SetRate(state, kind);
}
BENCHMARK(BM_GdalTranslate)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
