// Speed of the synthetic scan generator and of its TIFF writer, in
// megapixels per second. The largest size is the full sheet users vectorise.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/scangen.h"

namespace {

void SetMegapixels(benchmark::State& state, std::int64_t w, std::int64_t h) {
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(w) * static_cast<double>(h) / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Generate(benchmark::State& state) {
  scangen::Options opt;
  opt.width = state.range(0);
  opt.height = state.range(1);
  opt.seed = 42;
  for (auto _ : state) {
    scangen::GreyImage img = scangen::Generate(opt);
    benchmark::DoNotOptimize(img.pixels.data());
  }
  SetMegapixels(state, opt.width, opt.height);
}
BENCHMARK(BM_Generate)
    ->Args({2000, 1500})
    ->Args({8000, 6000})
    ->Args({20000, 15000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_WriteTiff(benchmark::State& state) {
  scangen::Options opt;
  opt.width = 8000;
  opt.height = 6000;
  const scangen::GreyImage img = scangen::Generate(opt);
  const auto compression = static_cast<scangen::Compression>(state.range(0));
  const std::string path = "bench_scangen_out.tif";
  for (auto _ : state) {
    if (!scangen::WriteTiff(img, path, compression)) state.SkipWithError("cannot write the TIFF");
  }
  std::remove(path.c_str());
  SetMegapixels(state, opt.width, opt.height);
}
BENCHMARK(BM_WriteTiff)
    ->Arg(static_cast<int>(scangen::Compression::None))
    ->Arg(static_cast<int>(scangen::Compression::Lzw))
    ->Arg(static_cast<int>(scangen::Compression::G4))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
