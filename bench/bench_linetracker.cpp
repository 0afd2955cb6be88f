// Line tracking at the lengths users follow: one click that follows a wavy
// scanned line of 10,000 pixels (1, 3 and 8 pixels wide, grey and bilevel),
// and one drawn segment across 100 lines of 4,000 pixels traced into new
// lines.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "app/linetracker.h"
#include "app/vertexreducer.h"
#include "model/chain.h"
#include "model/chainlist.h"
#include "raster/rasterimage.h"

using namespace qzn;

namespace {

constexpr int kKey = 127;  // grey 0 .. 127 is ink

// Ink where a pixel lies within half the width of y = f(x).
template <class F>
std::unique_ptr<CRasterImage> Draw(int w, int h, int bits, double width, F f) {
  auto img = std::make_unique<CRasterImage>();
  img->width = w;
  img->height = h;
  img->bitsPerSample = bits;
  img->photometric = bits == 1 ? 0 : 1;
  img->planes = 1;
  img->AllocPixels();
  std::memset(img->pixels, bits == 1 ? 0 : 255, static_cast<std::size_t>(img->GetImageBytes()));
  const double r = width / 2.0;
  for (int x = 0; x < w; ++x) {
    // The distance to a gently curving line is close to its vertical
    // distance times the cosine of its slope.
    const double y0 = f(x), slope = (f(x + 0.5) - f(x - 0.5));
    const double reach = r * std::sqrt(1 + slope * slope) + 1;
    for (int y = static_cast<int>(y0 - reach); y <= static_cast<int>(y0 + reach) + 1; ++y) {
      if (y < 0 || y >= h || std::fabs(y - y0) / std::sqrt(1 + slope * slope) > r) continue;
      if (bits == 1)
        img->SetBit(x, y, 1);
      else
        img->SetByte(x, y, 0);
    }
  }
  return img;
}

// One click follows a 10,000-pixel wave from its start to its end.
void BM_TraceLine(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), bits = static_cast<int>(state.range(1));
  const auto img = Draw(10100, 600, bits, width, [](double x) { return 300 + 200 * std::sin(x / 700.0); });
  std::int64_t vertices = 0;
  float endX = 0;
  for (auto _ : state) {
    CChain line;
    line.AddPoint(40, 300);
    CLineTracker tracker;
    TraceLine(line, POINT{40, static_cast<int>(300 + 200 * std::sin(40 / 700.0))},
              POINT{50, static_cast<int>(300 + 200 * std::sin(50 / 700.0) + 0.5)}, *img, kKey, 1.0, tracker);
    vertices = line.GetCount();
    endX = line.GetPoint(vertices - 1).x;
    benchmark::DoNotOptimize(vertices);
  }
  state.counters["vertices"] = static_cast<double>(vertices);
  state.counters["end x"] = endX;  // the wave runs to x = 10099
  state.counters["px/s"] = benchmark::Counter(10000.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TraceLine)->Args({1, 8})->Args({3, 8})->Args({8, 8})->Args({3, 1})->Unit(benchmark::kMillisecond);

// A segment drawn down across 100 parallel lines of 4,000 pixels.
void BM_TraceLineEx(benchmark::State& state) {
  auto img = std::make_unique<CRasterImage>();
  img->width = 4100;
  img->height = 2100;
  img->bitsPerSample = 8;
  img->photometric = 1;
  img->planes = 1;
  img->AllocPixels();
  std::memset(img->pixels, 255, static_cast<std::size_t>(img->GetImageBytes()));
  for (int k = 0; k < 100; ++k)
    for (int x = 50; x < 4050; ++x)
      for (int y = 50 + 20 * k; y < 53 + 20 * k; ++y) img->SetByte(x, y + static_cast<int>(4 * std::sin(x / 90.0)), 0);
  std::int64_t made = 0;
  for (auto _ : state) {
    CChainList list;
    made = TraceLineEx(POINT{2000, 20}, POINT{2000, 2090}, list, *img, kKey, 0, 1.0);
    benchmark::DoNotOptimize(made);
  }
  state.counters["lines"] = static_cast<double>(made);
}
BENCHMARK(BM_TraceLineEx)->Unit(benchmark::kMillisecond);

}  // namespace
