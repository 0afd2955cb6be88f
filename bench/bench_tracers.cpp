// Automatic vectorisation of a full sheet: a generated 20000 x 15000 scan of
// contour-like lines 1 to 4 pixels wide, binarised to a 0/1 mask, then
//  - thinned and traced into centre lines (8 bits and 1 bit a pixel), and
//  - traced into region outlines reduced with tolerance 0.6,
// next to the tools users compare us with, run on the same scan in the same
// run: scikit-image's skeletonize (its call alone, loading excluded) and the
// potrace command (the whole process, reading the bitmap included).
//
// The figures are wall-clock seconds of one pass each; the lines traced are
// reported as counters. A smaller 4000 x 3000 sheet gives a quick check.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "app/regiontracer.h"
#include "app/skeletontracer.h"
#include "bench/scangen.h"
#include "model/chainlist.h"
#include "model/layer.h"
#include "raster/rasterimage.h"
#include "raster/thin.h"

using namespace qzn;

namespace {

using Clock = std::chrono::steady_clock;

struct Sheet {
  scangen::GreyImage grey;
  std::unique_ptr<CRasterImage> mask8;  // 0/1 bytes, 1 = line pixel
  std::unique_ptr<CRasterImage> mask1;  // set bit = line pixel
  std::string pgm, pbm;
};

std::unique_ptr<CRasterImage> NewImage(int w, int h, int bits) {
  auto img = std::make_unique<CRasterImage>();
  img->width = w;
  img->height = h;
  img->planes = 1;
  img->bitsPerSample = bits;
  img->photometric = 0;
  if (!img->AllocPixels()) throw std::bad_alloc();
  return img;
}

void CopyPixels(const CRasterImage& from, CRasterImage& to) {
  std::memcpy(to.pixels, from.pixels, static_cast<std::size_t>(from.GetImageBytes()));
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("qzn-bench-tracers-" + name)).string();
}

// The scan of a size, made once; its mask at both depths and the files the
// other tools read.
Sheet& GetSheet(int w, int h) {
  static std::map<std::pair<int, int>, std::unique_ptr<Sheet>> sheets;
  auto& s = sheets[{w, h}];
  if (s) return *s;
  s = std::make_unique<Sheet>();
  scangen::Options opt;
  opt.width = w;
  opt.height = h;
  opt.minLineWidth = 1;
  opt.maxLineWidth = 4;
  s->grey = scangen::Generate(opt);
  s->mask8 = NewImage(w, h, 8);
  s->mask1 = NewImage(w, h, 1);
  std::memset(s->mask1->pixels, 0, static_cast<std::size_t>(s->mask1->GetImageBytes()));
  for (int y = 0; y < h; ++y) {
    BYTE* row8 = s->mask8->GetRow(y);
    BYTE* row1 = s->mask1->GetRow(y);
    const std::uint8_t* src = s->grey.pixels.data() + static_cast<std::int64_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      const BYTE v = src[x] < 128 ? 1 : 0;
      row8[x] = v;
      if (v) row1[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
    }
  }
  // The scan for scikit-image; the mask as a PBM (1 = black) for potrace.
  const std::string tag = std::to_string(w) + "x" + std::to_string(h);
  s->pgm = TempPath(tag + ".pgm");
  s->pbm = TempPath(tag + ".pbm");
  scangen::WritePgm(s->grey, s->pgm);
  std::ofstream pbm(s->pbm, std::ios::binary);
  pbm << "P4\n" << w << " " << h << "\n";
  pbm.write(reinterpret_cast<const char*>(s->mask1->pixels), s->mask1->GetImageBytes());
  return *s;
}

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

void ThinAndTrace(benchmark::State& state, int bits) {
  Sheet& sheet = GetSheet(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const CRasterImage& mask = bits == 8 ? *sheet.mask8 : *sheet.mask1;
  auto work = NewImage(mask.width, mask.height, bits);
  double thin = 0, trace = 0;
  std::int64_t lines = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CopyPixels(mask, *work);
    CChainList list;
    CLayerList layers;
    state.ResumeTiming();
    const auto t0 = Clock::now();
    Thin(*work, RECT{0, 0, work->width - 1, work->height - 1});
    const auto t1 = Clock::now();
    CSkeletonTracer tracer(*work, list, layers);
    if (bits == 8)
      tracer.Trace8Bit(0, 0, work->width, work->height);
    else
      tracer.Trace1Bit(0, 0, work->width, work->height);
    const auto t2 = Clock::now();
    thin += Seconds(t0, t1);
    trace += Seconds(t1, t2);
    lines = list.GetCount();
    state.PauseTiming();
    list.DeleteAll();
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["thin_s"] = thin / n;
  state.counters["trace_s"] = trace / n;
  state.counters["lines"] = static_cast<double>(lines);
}

void BM_ThinAndTrace8Bit(benchmark::State& s) { ThinAndTrace(s, 8); }
void BM_ThinAndTrace1Bit(benchmark::State& s) { ThinAndTrace(s, 1); }

void OutlineAndReduce(benchmark::State& state, int bits) {
  Sheet& sheet = GetSheet(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const CRasterImage& mask = bits == 8 ? *sheet.mask8 : *sheet.mask1;
  auto work = NewImage(mask.width, mask.height, bits);
  std::int64_t lines = 0, vertices = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CopyPixels(mask, *work);
    CChainList list;
    state.ResumeTiming();
    CRegionTracer tracer(work->pixels, work->width, work->height, bits, list);
    tracer.Trace(0);
    state.PauseTiming();
    lines = list.GetCount();
    vertices = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;) vertices += list.GetNext(pos)->GetCount();
    list.DeleteAll();
    state.ResumeTiming();
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["vertices"] = static_cast<double>(vertices);
}

void BM_OutlineAndReduce8Bit(benchmark::State& s) { OutlineAndReduce(s, 8); }
void BM_OutlineAndReduce1Bit(benchmark::State& s) { OutlineAndReduce(s, 1); }

std::string Python() { return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

// scikit-image's skeletonize on the same scan, timed inside Python around
// the call alone.
void BM_SkimageSkeletonize(benchmark::State& state) {
  Sheet& sheet = GetSheet(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const std::string script = TempPath("skeletonize.py");
  std::ofstream(script) << "import sys, time, numpy as np\n"
                           "from skimage.morphology import skeletonize\n"
                           "with open(sys.argv[1], 'rb') as f:\n"
                           "    f.readline(); w, h = map(int, f.readline().split()); f.readline()\n"
                           "    a = np.frombuffer(f.read(w * h), np.uint8).reshape(h, w) < 128\n"
                           "t = time.perf_counter(); s = skeletonize(a); t = time.perf_counter() - t\n"
                           "print(t, int(s.sum()))\n";
  for (auto _ : state) {
    double seconds = -1, pixels = 0;
    if (FILE* p = popen((Python() + " " + script + " " + sheet.pgm).c_str(), "r")) {
      if (std::fscanf(p, "%lf %lf", &seconds, &pixels) != 2) seconds = -1;
      pclose(p);
    }
    if (seconds < 0) {
      state.SkipWithError("scikit-image did not run");
      return;
    }
    state.SetIterationTime(seconds);
    state.counters["skeleton_px"] = pixels;
  }
}

// The potrace command on the mask as a PBM, whole process.
void BM_Potrace(benchmark::State& state) {
  Sheet& sheet = GetSheet(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const std::string out = TempPath("potrace.svg");
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const int rc = std::system(("potrace -b svg -o " + out + " " + sheet.pbm + " 2>/dev/null").c_str());
    const auto t1 = Clock::now();
    if (rc != 0) {
      state.SkipWithError("potrace did not run");
      return;
    }
    state.SetIterationTime(Seconds(t0, t1));
  }
  std::filesystem::remove(out);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({4000, 3000})->Args({20000, 15000})->Iterations(1)->Unit(benchmark::kSecond);
}

BENCHMARK(BM_ThinAndTrace8Bit)->Apply(Sizes);
BENCHMARK(BM_ThinAndTrace1Bit)->Apply(Sizes);
BENCHMARK(BM_SkimageSkeletonize)->Apply(Sizes)->UseManualTime();
BENCHMARK(BM_OutlineAndReduce8Bit)->Apply(Sizes);
BENCHMARK(BM_OutlineAndReduce1Bit)->Apply(Sizes);
BENCHMARK(BM_Potrace)->Apply(Sizes)->UseManualTime();

}  // namespace
