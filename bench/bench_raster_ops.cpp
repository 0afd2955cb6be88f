// The vectoriser's raster steps on a generated 20000 x 15000 contour scan:
// binarising, thinning, masking and erasing by polygons, the display
// reduction, and thinning against skimage.morphology.skeletonize on the
// same mask in the same run. Rates are in megapixels of the scan per second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/scangen.h"
#include "raster/binarize.h"
#include "raster/filters.h"
#include "raster/imaging.h"
#include "raster/polyfill.h"
#include "raster/rasterimage.h"
#include "raster/thin.h"

using namespace qzn;

namespace {

constexpr int kW = 20000, kH = 15000;
constexpr double kMegapixels = kW * 1e-6 * kH;

const scangen::GreyImage& Scan() {
  static const scangen::GreyImage scan = [] {
    scangen::Options o;
    o.width = kW;
    o.height = kH;
    return scangen::Generate(o);
  }();
  return scan;
}

// An empty sheet-sized record: 8-bit grey (0 black) or 1-bit (set bits black).
std::unique_ptr<CRasterImage> MakeRecord(int bits = 8) {
  auto img = std::make_unique<CRasterImage>();
  img->width = kW;
  img->height = kH;
  img->bitsPerSample = bits;
  img->photometric = bits == 8 ? 1 : 0;
  if (!img->AllocPixels()) std::abort();
  return img;
}

const std::vector<BYTE>& Mask() {
  static const std::vector<BYTE> mask = [] {
    auto img = MakeRecord();
    std::memcpy(img->pixels, Scan().pixels.data(), Scan().pixels.size());
    BYTE table[256];
    MakeRangeTable(PackGreyRange(0, 127), table);
    Binarize(*img, RECT{0, 0, kW - 1, kH - 1}, nullptr, table);
    return std::vector<BYTE>(img->pixels, img->pixels + Scan().pixels.size());
  }();
  return mask;
}

void Rate(benchmark::State& state) {
  state.counters["MP/s"] =
      benchmark::Counter(kMegapixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// A 1-bit record (set bits foreground) of the mask.
std::unique_ptr<CRasterImage> MakeBilevel() {
  auto img = MakeRecord(1);
  for (int y = 0; y < kH; ++y) img->SetRowBits(y, Mask().data() + static_cast<std::size_t>(y) * kW);
  return img;
}

// Times op on a fresh 8-bit copy of the source (the scan or the mask) in
// every iteration; the copying is not timed.
template <class Op>
void OnCopies(benchmark::State& state, const std::vector<BYTE>& source, Op&& op) {
  auto img = MakeRecord();
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(img->pixels, source.data(), source.size());
    state.ResumeTiming();
    op(*img);
  }
  Rate(state);
}

void BM_Binarize(benchmark::State& state) {
  BYTE table[256];
  MakeRangeTable(PackGreyRange(0, 127), table);
  OnCopies(state, Scan().pixels, [&](CRasterImage& img) { Binarize(img, RECT{0, 0, kW - 1, kH - 1}, nullptr, table); });
}
BENCHMARK(BM_Binarize)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Thin(benchmark::State& state) {
  OnCopies(state, Mask(), [](CRasterImage& img) { Thin(img, RECT{0, 0, kW - 1, kH - 1}); });
}
BENCHMARK(BM_Thin)->Unit(benchmark::kMillisecond)->Iterations(3);

// Thinning the 1-bit form of the same mask.
void BM_ThinBilevel(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto img = MakeBilevel();
    state.ResumeTiming();
    Thin(*img, RECT{0, 0, kW - 1, kH - 1});
  }
  Rate(state);
}
BENCHMARK(BM_ThinBilevel)->Unit(benchmark::kMillisecond)->Iterations(3);

std::string Python() {
  for (const char* py : {"/usr/bin/python3", "python3"})
    if (std::system((std::string(py) + " -c 'import skimage.morphology' >/dev/null 2>&1").c_str()) == 0) return py;
  return "";
}

// Our thinning and skimage's skeletonize on the same mask. The reported time
// is skimage's; the counters give both and their ratio.
void BM_ThinVsSkimage(benchmark::State& state) {
  const std::string py = Python();
  if (py.empty()) {
    state.SkipWithError("python3 with skimage is not installed");
    return;
  }
  char dir[] = "/tmp/qzn-bench-thin-XXXXXX";
  if (!mkdtemp(dir)) {
    state.SkipWithError("no temporary directory");
    return;
  }
  const std::string pgm = std::string(dir) + "/mask.pgm", script = std::string(dir) + "/skel.py",
                    result = std::string(dir) + "/seconds.txt";
  scangen::GreyImage g;
  g.width = kW;
  g.height = kH;
  g.pixels.resize(Mask().size());
  for (std::size_t i = 0; i < Mask().size(); ++i) g.pixels[i] = Mask()[i] ? 255 : 0;
  scangen::WritePgm(g, pgm);
  g = {};
  if (FILE* f = std::fopen(script.c_str(), "w")) {
    std::fputs(
        "import sys, time, numpy as np\n"
        "from skimage.morphology import skeletonize\n"
        "d = open(sys.argv[1], 'rb').read().split(b'\\n', 3)\n"
        "w, h = map(int, d[1].split())\n"
        "img = np.frombuffer(d[3], np.uint8, w * h).reshape(h, w) > 0\n"
        "t = time.perf_counter()\n"
        "skeletonize(img)\n"
        "open(sys.argv[2], 'w').write('%f' % (time.perf_counter() - t))\n",
        f);
    std::fclose(f);
  }
  auto img = MakeRecord();
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    std::memcpy(img->pixels, Mask().data(), Mask().size());
    const auto t0 = std::chrono::steady_clock::now();
    Thin(*img, RECT{0, 0, kW - 1, kH - 1});
    ours = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (std::system((py + " " + script + " " + pgm + " " + result).c_str()) != 0) {
      state.SkipWithError("skimage run failed");
      break;
    }
    if (FILE* f = std::fopen(result.c_str(), "r")) {
      if (std::fscanf(f, "%lf", &theirs) != 1) theirs = 0;
      std::fclose(f);
    }
    state.SetIterationTime(theirs);
  }
  state.counters["ours_s"] = ours;
  state.counters["skimage_s"] = theirs;
  state.counters["ours/skimage"] = theirs > 0 ? ours / theirs : 0;
  std::remove(pgm.c_str());
  std::remove(script.c_str());
  std::remove(result.c_str());
  std::remove(dir);
}
BENCHMARK(BM_ThinVsSkimage)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

// Region-of-interest polygons: 400 wavy rings of 600 vertices spread over the
// sheet, some nested, for masking the mask and for erasing inside them.
CPolygonFiller& Polygons() {
  static std::unique_ptr<CPolygonFiller> filler = [] {
    auto f = std::make_unique<CPolygonFiller>(kH);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<CFPoint> ring;
    for (int k = 0; k < 400; ++k) {
      const double cx = u(rng) * kW, cy = u(rng) * kH, r = 300 + u(rng) * 1500;
      ring.clear();
      for (int i = 0; i < 600; ++i) {
        const double a = i * 2 * 3.14159265358979 / 600;
        const double rr = r * (1 + 0.2 * std::sin(7 * a + k));
        ring.emplace_back(cx + rr * std::cos(a), cy + rr * std::sin(a));
      }
      f->AddPolygon(ring);
    }
    return f;
  }();
  return *filler;
}

void BM_PolygonMask(benchmark::State& state) {
  CPolygonFiller& f = Polygons();
  OnCopies(state, Mask(), [&](CRasterImage& img) { f.MaskBilevel(img); });
}
BENCHMARK(BM_PolygonMask)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PolygonErase(benchmark::State& state) {
  CPolygonFiller& f = Polygons();
  OnCopies(state, Mask(), [&](CRasterImage& img) { f.FillInside(img, 0); });
}
BENCHMARK(BM_PolygonErase)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole sheet reduced to a 1600 x 1200 view (the rate counts the sheet's
// pixels; the work is proportional to the view's).
void BM_DisplayBuffer(benchmark::State& state) {
  auto img = MakeRecord();
  std::memcpy(img->pixels, Scan().pixels.data(), Scan().pixels.size());
  const int ow = 1600, oh = 1200;
  std::vector<BYTE> out(static_cast<std::size_t>(DisplayRowBytes(ow, 0) * oh));
  CImageArea area{0, 0, kW, kH, 0};
  for (auto _ : state)
    benchmark::DoNotOptimize(GetDisplayBuffer(img.get(), &area, out.data(), ow, oh, nullptr, nullptr, nullptr, 0));
  Rate(state);
}
BENCHMARK(BM_DisplayBuffer)->Unit(benchmark::kMillisecond);

void BM_Despeckle(benchmark::State& state) {
  auto img = MakeBilevel();
  for (auto _ : state) Despeckle(*img);
  Rate(state);
}
BENCHMARK(BM_Despeckle)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_MeanAndEdgePropagation(benchmark::State& state) {
  OnCopies(state, Scan().pixels, [](CRasterImage& img) {
    MeanFilter(img);
    PropagateEdges(img, 3);
    PropagateEdges2(img, 3);
  });
}
BENCHMARK(BM_MeanAndEdgePropagation)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
