// DIBs of a window's size: a capture turned into a DIB (24 bits, and 8 bits
// through the nearest palette entry), and a scan-sized DIB stretched to a
// window, as drawing and printing do.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "raster/dib.h"
#include "raster/imagefile.h"

using namespace qzn;

namespace {

std::vector<BYTE> Picture(int w, int h) {
  std::vector<BYTE> rgb(std::size_t(w) * h * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<BYTE>((i * 2654435761u) >> 24);
  return rgb;
}

void BM_CaptureToDib(benchmark::State& state) {
  const int w = 1920, h = 1080, bits = static_cast<int>(state.range(0));
  const std::vector<BYTE> rgb = Picture(w, h);
  for (auto _ : state) {
    std::unique_ptr<CDib, void (*)(HDIB)> dib(BitmapToDibHandle(CDeviceBitmap{w, h, 1, bits, rgb.data()}, nullptr),
                                              FreeDib);
    benchmark::DoNotOptimize(dib.get());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t{w} * h);
}
BENCHMARK(BM_CaptureToDib)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_StretchToWindow(benchmark::State& state) {
  const int w = 6000, h = 4500;
  const std::vector<BYTE> rgb = Picture(w, h);
  std::unique_ptr<CDib, void (*)(HDIB)> dib(BitmapToDibHandle(CDeviceBitmap{w, h, 1, 24, rgb.data()}, nullptr),
                                            FreeDib);
  std::vector<BYTE> out;
  for (auto _ : state) {
    DibStretchToRgb(*dib, RECT{0, 0, w, h}, 1920, 1440, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 1920 * 1440);
}
BENCHMARK(BM_StretchToWindow)->Unit(benchmark::kMillisecond);

}  // namespace
