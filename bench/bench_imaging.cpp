// Imaging library on a generated 20000 x 15000 scan: the display bitmap at
// overview and screen zoom, histogram and threshold, median, background
// correction, transpose, rotation; the colour operations on a 10000 x 7500
// RGB map. Reported as megapixels of the image (or of the output, for the
// display) per second.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/scangen.h"
#include "raster/imaging.h"

using namespace qzn;

namespace {

constexpr int kW = 20000, kH = 15000;

const scangen::GreyImage& Scan() {
  static const scangen::GreyImage img = [] {
    scangen::Options o;
    o.width = kW;
    o.height = kH;
    return scangen::Generate(o);
  }();
  return img;
}

void LoadGrey(CRasterImage& img) {
  const auto& s = Scan();
  img.Free();
  img.width = static_cast<int>(s.width);
  img.height = static_cast<int>(s.height);
  img.planes = 1;
  img.bitsPerSample = 8;
  img.photometric = 1;
  img.AllocPixels();
  std::memcpy(img.pixels, s.pixels.data(), s.pixels.size());
}

CRasterImage& Grey() {
  static CRasterImage img;
  if (!img.pixels) LoadGrey(img);
  return img;
}

// A colour map: the scan's ink in a few map colours on tinted paper.
CRasterImage& Rgb() {
  static CRasterImage img;
  if (img.pixels) return img;
  const auto& s = Scan();
  const int w = kW / 2, h = kH / 2;
  img.width = w;
  img.height = h;
  img.planes = 3;
  img.bitsPerSample = 8;
  img.photometric = 2;
  img.AllocPixels();
  const BYTE ink[4][3] = {{20, 20, 20}, {30, 60, 190}, {180, 60, 30}, {60, 140, 60}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int v = s.at(x, y);
      const BYTE* c = ink[(x / 700 + y / 500) % 4];
      for (int k = 0; k < 3; ++k) {
        const int paper = 235 + ((x + k * 7 + y) % 13);
        img.SetPlaneByte(x, y, k, static_cast<BYTE>((c[k] * (255 - v) + paper * v) / 255));
      }
    }
  Frequency24to8(&img);
  return img;
}

void Rate(benchmark::State& state, double pixels) {
  state.counters["MP/s"] =
      benchmark::Counter(pixels / 1e6 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DisplayOverview(benchmark::State& state) {
  CRasterImage& img = Grey();
  const int ow = 1000, oh = 750;
  std::vector<BYTE> out(static_cast<std::size_t>(DisplayRowBytes(ow, 0) * oh));
  CImageArea a{0, 0, kW, kH, 0};
  std::int32_t param = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(GetDisplayBuffer(&img, &a, out.data(), ow, oh, nullptr, nullptr, &param, 0));
  Rate(state, static_cast<double>(ow) * oh);
}
BENCHMARK(BM_DisplayOverview)->Unit(benchmark::kMillisecond);

void BM_DisplayScreen(benchmark::State& state) {
  CRasterImage& img = Grey();
  const int ow = 1920, oh = 1080;
  std::vector<BYTE> out(static_cast<std::size_t>(DisplayRowBytes(ow, 0) * oh));
  CImageArea a{5000, 4000, 3840, 2160, 0};  // 50 % zoom
  for (auto _ : state)
    benchmark::DoNotOptimize(GetDisplayBuffer(&img, &a, out.data(), ow, oh, nullptr, nullptr, nullptr, 0));
  Rate(state, static_cast<double>(ow) * oh);
}
BENCHMARK(BM_DisplayScreen)->Unit(benchmark::kMillisecond);

void BM_DisplayRgbOverview(benchmark::State& state) {
  CRasterImage& img = Rgb();
  const int ow = 1000, oh = 750;
  std::vector<BYTE> out(static_cast<std::size_t>(DisplayRowBytes(ow, kDisplayRGB) * oh));
  CImageArea a{0, 0, img.width, img.height, 0};
  for (auto _ : state)
    benchmark::DoNotOptimize(GetDisplayBuffer(&img, &a, out.data(), ow, oh, nullptr, nullptr, nullptr, kDisplayRGB));
  Rate(state, static_cast<double>(ow) * oh);
}
BENCHMARK(BM_DisplayRgbOverview)->Unit(benchmark::kMillisecond);

void BM_HistogramAndThreshold(benchmark::State& state) {
  CRasterImage& img = Grey();
  int bins[256];
  for (auto _ : state) {
    GenHistogram(&img, nullptr, bins);
    benchmark::DoNotOptimize(GetOptimalThresh(bins, 256));
  }
  Rate(state, static_cast<double>(kW) * kH);
}
BENCHMARK(BM_HistogramAndThreshold)->Unit(benchmark::kMillisecond);

// The in-place operations run on a fresh copy each time (copy not timed).
template <class Fn>
void InPlace(benchmark::State& state, Fn&& fn) {
  CRasterImage img;
  for (auto _ : state) {
    state.PauseTiming();
    LoadGrey(img);
    state.ResumeTiming();
    benchmark::DoNotOptimize(fn(img));
  }
  Rate(state, static_cast<double>(kW) * kH);
}

void BM_Median3x3(benchmark::State& state) {
  InPlace(state, [](CRasterImage& img) {
    CImageArea a{0, 0, img.width, img.height, 0};
    return MedianFilterInPlace(&img, &a, 3, 3);
  });
}
BENCHMARK(BM_Median3x3)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_BackCorrect(benchmark::State& state) {
  InPlace(state, [](CRasterImage& img) { return BackCorrect(&img, 51, 51); });
}
BENCHMARK(BM_BackCorrect)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Transpose(benchmark::State& state) {
  InPlace(state, [](CRasterImage& img) { return TransposeImage(&img); });
}
BENCHMARK(BM_Transpose)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Rotate30(benchmark::State& state) {
  InPlace(state, [](CRasterImage& img) { return RotateImage(&img, 30); });
}
BENCHMARK(BM_Rotate30)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Frequency24to8(benchmark::State& state) {
  CRasterImage& img = Rgb();
  for (auto _ : state) benchmark::DoNotOptimize(Frequency24to8(&img));
  Rate(state, static_cast<double>(img.width) * img.height);
}
BENCHMARK(BM_Frequency24to8)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ImageCluster8(benchmark::State& state) {
  CRasterImage img;
  for (auto _ : state) {
    state.PauseTiming();
    img.CopyFrom(Rgb(), 1, 1);
    state.ResumeTiming();
    benchmark::DoNotOptimize(ImageCluster(&img, 8, 50));
  }
  Rate(state, static_cast<double>(kW / 2) * (kH / 2));
}
BENCHMARK(BM_ImageCluster8)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
