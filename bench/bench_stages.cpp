// The command-line conversion of a full sheet, stage by stage: the
// generated 20000 x 15000 grey LZW scan read, thresholded (histogram,
// optimal threshold, binarising), thinned and traced into centre lines, or
// traced into reduced region outlines, and written as ARC generate text.
// The argument is the thread count (0: every core); each stage's wall time
// is a counter, so the split before and after the threads can be compared.
//
//   build/bench/bench_stages [--benchmark_filter=...]
//   QZN_BENCH_CONVERT_SIZE=4000x3000 for a smaller sheet.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "app/qzndoc.h"
#include "app/regiontracer.h"
#include "bench/scangen.h"
#include "platform/host.h"
#include "platform/parallel.h"
#include "raster/binarize.h"
#include "raster/imaging.h"
#include "raster/thin.h"

using namespace qzn;

namespace {

using Clock = std::chrono::steady_clock;

struct Sheet {
  std::string dir, tif;
  std::int64_t width = 20000, height = 15000;
  bool ok = false;
  ~Sheet() {
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
  }
};

const Sheet& GetSheet() {
  static Sheet sheet;
  static const bool made = [] {
    if (const char* size = std::getenv("QZN_BENCH_CONVERT_SIZE")) {
      long long w = 0, h = 0;
      if (std::sscanf(size, "%lldx%lld", &w, &h) == 2 && w > 0 && h > 0) sheet.width = w, sheet.height = h;
    }
    char dir[] = "/tmp/qzn-bench-stages-XXXXXX";
    if (!mkdtemp(dir)) return false;
    sheet.dir = dir;
    sheet.tif = sheet.dir + "/sheet.tif";
    scangen::Options opt;
    opt.width = sheet.width;
    opt.height = sheet.height;
    opt.seed = 7;  // the sheet of bench_convert
    sheet.ok = scangen::WriteTiff(scangen::Generate(opt), sheet.tif, scangen::Compression::Lzw);
    return true;
  }();
  (void)made;
  return sheet;
}

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

void Stages(benchmark::State& state, bool outline) {
  const Sheet& sheet = GetSheet();
  if (!sheet.ok) {
    state.SkipWithError("could not write the sheet");
    return;
  }
  const int threads = static_cast<int>(state.range(0));
  CWorkerThreadsScope scope(threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency()));
  const std::string out = sheet.dir + "/lines.gen";
  double read = 0, threshold = 0, thin = 0, trace = 0, write = 0;
  std::int64_t lines = 0;
  for (auto _ : state) {
    CQuietScope quiet;
    CQznDoc doc;
    const auto t0 = Clock::now();
    if (!doc.OnOpenDocument(sheet.tif)) {
      state.SkipWithError("could not read the sheet");
      return;
    }
    const auto t1 = Clock::now();
    CRasterImage& img = doc.m_image;
    const RECT rc{0, 0, img.width - 1, img.height - 1};
    int bins[256];
    CImageArea area{0, 0, img.width, img.height, 0};
    GenHistogram(&img, &area, bins);
    const int t = GetOptimalThresh(bins, 256);
    BYTE table[256];
    MakeRangeTable(img.photometric != 0 ? PackGreyRange(0, t) : PackGreyRange(t + 1, 255), table);
    Binarize(img, rc, nullptr, table);
    const auto t2 = Clock::now();
    auto t3 = t2;
    if (outline) {
      CChainList traced;
      CRegionTracer tracer(img.pixels, img.width, img.height, img.bitsPerSample, traced);
      tracer.Trace(0);
      doc.m_lines.AdoptAll(traced);
    } else {
      DrawRectOutline8(img.pixels, img.GetRowBytes(), rc, 0);
      Thin(img, rc);
      DrawRectOutline8(img.pixels, img.GetRowBytes(), rc, 0);
      t3 = Clock::now();
      doc.TraceSkeleton8Bit(0, 0, img.width, img.height);
    }
    doc.m_lines.DeleteSmallInRect(0, 1, RECT{0, 0, 0, 0}, TRUE);
    const auto t4 = Clock::now();
    doc.ExportLines(out, 0);
    const auto t5 = Clock::now();
    read += Seconds(t0, t1);
    threshold += Seconds(t1, t2);
    thin += Seconds(t2, t3);
    trace += Seconds(t3, t4);
    write += Seconds(t4, t5);
    lines = doc.m_lines.GetCount();
    state.SetIterationTime(Seconds(t0, t5));
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["threads"] = WorkerThreads();
  state.counters["read_s"] = read / n;
  state.counters["threshold_s"] = threshold / n;
  if (!outline) state.counters["thin_s"] = thin / n;
  state.counters["trace_s"] = trace / n;
  state.counters["write_s"] = write / n;
  state.counters["lines"] = static_cast<double>(lines);
  std::filesystem::remove(out);
}

void BM_StagesCentreLine(benchmark::State& s) { Stages(s, false); }
void BM_StagesOutline(benchmark::State& s) { Stages(s, true); }

}  // namespace

BENCHMARK(BM_StagesCentreLine)->Arg(1)->Arg(2)->Arg(0)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_StagesOutline)->Arg(1)->Arg(2)->Arg(0)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
