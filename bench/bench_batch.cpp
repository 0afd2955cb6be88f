// The batch run over 20 generated scans of 5000 x 5000 pixels (uncompressed
// 8-bit grey TIFF, as a scanner leaves them): each opened in a fresh quiet
// workspace, vectorised by centre lines and written as ARC generate text,
// with the log. A second case runs a short script on each scan instead
// (median smoothing, background removal, vectorising, line smoothing and
// deletion of short lines). Reported as megapixels of scans per second.
//
// The scans are written once into a temporary directory and reused.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/batchrun.h"
#include "bench/scangen.h"
#include "platform/host.h"

using namespace qzn;

namespace {

constexpr int kScans = 20;
constexpr int kSide = 5000;

const std::vector<std::string>& Scans() {
  static const std::vector<std::string> paths = [] {
    const auto dir = std::filesystem::temp_directory_path() / ("qzn_bench_batch_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::vector<std::string> out;
    for (int i = 0; i < kScans; ++i) {
      scangen::Options o;
      o.width = kSide;
      o.height = kSide;
      o.seed = static_cast<std::uint32_t>(i + 1);
      const std::string path = (dir / ("scan" + std::to_string(i) + ".tif")).string();
      if (!scangen::WriteTiff(scangen::Generate(o), path, scangen::Compression::None)) std::abort();
      out.push_back(path);
    }
    // Removed at exit with everything the runs wrote beside the scans.
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(std::filesystem::path(Scans().front()).parent_path(), ec);
    });
    return out;
  }();
  return paths;
}

void RunOnScans(benchmark::State& state, const std::vector<std::string>& script) {
  CScriptedHost quiet;  // records, shows nothing
  CHostScope scope(&quiet);
  CBatchSettings settings;
  settings.images = Scans();
  settings.script = script;
  settings.logPath = (std::filesystem::path(Scans().front()).parent_path() / "batch.log").string();
  int done = 0;
  for (auto _ : state) done = RunBatch(settings);
  if (done != kScans) state.SkipWithError("not every scan was written");
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(kScans) * kSide * kSide * 1e-6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BatchVectorize(benchmark::State& state) { RunOnScans(state, {}); }

void BM_BatchScript(benchmark::State& state) {
  RunOnScans(state, {"ImageSmooth Median", "ImageRemoveBackground 25", "Vectorize Map Center", "LineSmooth 1.0",
                     "LineDelete 0 5"});
}

}  // namespace

BENCHMARK(BM_BatchVectorize)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_BatchScript)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
