// The command-line conversion of a whole sheet, stage by stage, on the two
// generated 9672 x 8256 grey LZW sheets of bench_convert (sheet 0, the
// contour sheet, scangen::ContourSheet: dense contours and a map grid
// across the sheet, 24 % ink; sheet 1, the scanned sheet,
// scangen::ScannedSheet: no grid, thousands of separate regions): read,
// thresholded (histogram and optimal threshold, then the line-pixel mask,
// or the image binarised in place for outlines), thinned and walked into
// centre lines, or traced into reduced region outlines, and written as ARC
// generate text, each stage as the vectorising driver runs it on a quiet
// document.
//
// Per stage: wall seconds (`<stage>_s`) and the peak resident memory of the
// process while it ran (`<stage>_MB`, the high-water mark reset at the
// stage's start; the benchmark program's own libraries included), and the
// largest of those over the image's 8-bit size (`peak/image`). The
// arguments are the sheet and the thread count (0: every core).
// `BM_SkeletonWalk` times the skeleton walk alone on the contour sheet's
// thinned mask (made once, a fresh copy each time) at 1, 2, 3 threads and
// every core.
//
//   build/bench/bench_stages [--benchmark_filter=...]
//   QZN_BENCH_CONVERT_SIZE=4000x3000 for smaller sheets.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/qzndoc.h"
#include "app/regiontracer.h"
#include "app/skeletontracer.h"
#include "model/layer.h"
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
  scangen::Options options;
  bool ok = false;
  ~Sheet() {
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
  }
};

const Sheet& GetSheet(int kind) {
  static Sheet sheets[2];
  static bool made[2] = {false, false};
  Sheet& sheet = sheets[kind];
  if (made[kind]) return sheet;
  made[kind] = true;
  sheet.options = scangen::ConversionSheet(kind);
  char dir[] = "/tmp/qzn-bench-stages-XXXXXX";
  if (!mkdtemp(dir)) return sheet;
  sheet.dir = dir;
  sheet.tif = sheet.dir + "/sheet.tif";
  sheet.ok = scangen::WriteTiff(scangen::Generate(sheet.options), sheet.tif, scangen::Compression::Lzw);
  return sheet;
}

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// The process's resident high-water mark in bytes, and its reset (the
// kernel's clear_refs 5).
double PeakBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) * 1024.0;
  return 0;
}
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Times the stages of one run and keeps each stage's peak.
class CStages {
 public:
  explicit CStages(benchmark::State& state) : m_state(state) {}
  void Begin() {
    // What earlier runs freed goes back to the system first, so each run's
    // figures are its own.
    malloc_trim(0);
    ResetPeak();
    m_start = m_last = Clock::now();
  }
  void End(const char* stage) {
    const auto now = Clock::now();
    const double peak = PeakBytes();
    m_state.counters[std::string(stage) + "_s"] = Seconds(m_last, now);
    m_state.counters[std::string(stage) + "_MB"] = peak / 1e6;
    m_peak = std::max(m_peak, peak);
    ResetPeak();
    m_last = Clock::now();
  }
  double Total() const { return Seconds(m_start, m_last); }
  double Peak() const { return m_peak; }

 private:
  benchmark::State& m_state;
  Clock::time_point m_start, m_last;
  double m_peak = 0;
};

void Stages(benchmark::State& state, bool outline) {
  const Sheet& sheet = GetSheet(static_cast<int>(state.range(0)));
  if (!sheet.ok) {
    state.SkipWithError("could not write the sheet");
    return;
  }
  const int threads = static_cast<int>(state.range(1));
  CWorkerThreadsScope scope(threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency()));
  const std::string out = sheet.dir + "/lines.gen";
  std::int64_t lines = 0;
  double peak = 0;
  for (auto _ : state) {
    CQuietScope quiet;
    CStages stages(state);
    {
      CQznDoc doc;
      stages.Begin();
      if (!doc.OnOpenDocument(sheet.tif)) {
        state.SkipWithError("could not read the sheet");
        return;
      }
      stages.End("read");
      CRasterImage& img = doc.m_image;
      const RECT rc{0, 0, img.width - 1, img.height - 1};
      int bins[256];
      CImageArea area{0, 0, img.width, img.height, 0};
      GenHistogram(&img, &area, bins);
      const int t = GetOptimalThresh(bins, 256);
      BYTE table[256];
      MakeRangeTable(img.photometric != 0 ? PackGreyRange(0, t) : PackGreyRange(t + 1, 255), table);
      if (outline) {
        Binarize(img, rc, nullptr, table);
        stages.End("threshold");
        CChainList traced;
        CRegionTracer tracer(img.pixels, img.width, img.height, img.bitsPerSample, traced);
        tracer.Trace(0);
        doc.m_lines.AdoptAll(traced);
      } else {
        CRasterImage mask;
        MakeLineMask(img, rc, table, mask);
        ClearRect(img, rc);  // what a quiet run does with the traced rectangle
        stages.End("threshold");
        DrawRectOutline1(mask.pixels, mask.width, rc, 0);
        Thin(mask, rc);
        DrawRectOutline1(mask.pixels, mask.width, rc, 0);
        stages.End("thin");
        CSkeletonTracer tracer(mask, doc.m_lines, doc.m_layers);
        tracer.Trace1Bit(0, 0, img.width, img.height);
      }
      doc.m_lines.DeleteSmallInRect(0, 1, RECT{0, 0, 0, 0}, TRUE);
      stages.End("trace");
      doc.ExportLines(out, 0);
      stages.End("write");
      lines = doc.m_lines.GetCount();
      state.SetIterationTime(stages.Total());
    }
    peak = stages.Peak();
  }
  const double image = static_cast<double>(sheet.options.width) * static_cast<double>(sheet.options.height);
  state.counters["threads"] = WorkerThreads();
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["image_MB"] = image / 1e6;
  state.counters["peak/image"] = peak / image;
  std::filesystem::remove(out);
}

// The thinned mask of the sheet, made once for the walk alone.
const CRasterImage* ThinnedMask() {
  static CRasterImage mask;
  static const bool made = [] {
    const Sheet& sheet = GetSheet(0);
    CQuietScope quiet;
    CQznDoc doc;
    if (!sheet.ok || !doc.OnOpenDocument(sheet.tif)) return false;
    CRasterImage& img = doc.m_image;
    const RECT rc{0, 0, img.width - 1, img.height - 1};
    int bins[256];
    CImageArea area{0, 0, img.width, img.height, 0};
    GenHistogram(&img, &area, bins);
    BYTE table[256];
    const int t = GetOptimalThresh(bins, 256);
    MakeRangeTable(img.photometric != 0 ? PackGreyRange(0, t) : PackGreyRange(t + 1, 255), table);
    MakeLineMask(img, rc, table, mask);
    DrawRectOutline1(mask.pixels, mask.width, rc, 0);
    Thin(mask, rc);
    DrawRectOutline1(mask.pixels, mask.width, rc, 0);
    return true;
  }();
  return made ? &mask : nullptr;
}

// The skeleton walk alone on the sheet's thinned mask (a fresh copy each
// time), wall seconds.
void BM_SkeletonWalk(benchmark::State& state) {
  const CRasterImage* mask = ThinnedMask();
  if (!mask) {
    state.SkipWithError("could not make the sheet");
    return;
  }
  const int threads = static_cast<int>(state.range(0));
  CWorkerThreadsScope scope(threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency()));
  CQuietScope quiet;
  std::int64_t lines = 0;
  for (auto _ : state) {
    CRasterImage work;
    work.width = mask->width;
    work.height = mask->height;
    work.planes = 1;
    work.bitsPerSample = 1;
    if (!work.AllocPixels()) {
      state.SkipWithError("no memory");
      return;
    }
    std::memcpy(work.pixels, mask->pixels, static_cast<std::size_t>(mask->GetImageBytes()));
    CChainList traced;
    CLayerList layers;
    const auto start = Clock::now();
    CSkeletonTracer tracer(work, traced, layers);
    tracer.Trace1Bit(0, 0, work.width, work.height);
    state.SetIterationTime(Seconds(start, Clock::now()));
    lines = traced.GetCount();
  }
  state.counters["threads"] = WorkerThreads();
  state.counters["lines"] = static_cast<double>(lines);
}

void BM_StagesCentreLine(benchmark::State& s) { Stages(s, false); }
void BM_StagesOutline(benchmark::State& s) { Stages(s, true); }

}  // namespace

BENCHMARK(BM_SkeletonWalk)->Arg(1)->Arg(2)->Arg(3)->Arg(0)->Unit(benchmark::kMillisecond)->UseManualTime();
void SheetsAndThreads(benchmark::internal::Benchmark* b) {
  b->ArgNames({"sheet", "threads"});
  for (int sheet : {0, 1})
    for (int threads : {1, 2, 0}) b->Args({sheet, threads});
}

BENCHMARK(BM_StagesCentreLine)->Apply(SheetsAndThreads)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_StagesOutline)->Apply(SheetsAndThreads)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
