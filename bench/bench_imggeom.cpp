// Image geometry on generated scans: rectifying a 10000 x 10000 grey scan
// through a slightly rotated and sheared set of control points by the
// bilinear polynomial and by the triangulation (triangles found by walking,
// and for comparison by the triangle list's own point search), and matching
// a 2000 x 1500 mosaic overlap strip within +-100 pixels (coarse to fine,
// and the exhaustive search over an 11 x 11 window for its per-position
// cost). Rates are in megapixels of output (rectification) per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "bench/scangen.h"
#include "georef/controlpt.h"
#include "georef/rectify.h"
#include "georef/triangle.h"
#include "raster/depthconv.h"
#include "raster/rasterimage.h"
#include "raster/resample.h"

using namespace qzn;

namespace {

constexpr int kSide = 10000;

const scangen::GreyImage& Scan(std::int64_t w, std::int64_t h) {
  static std::vector<std::unique_ptr<scangen::GreyImage>> cache;
  for (const auto& g : cache)
    if (g->width == w && g->height == h) return *g;
  scangen::Options o;
  o.width = w;
  o.height = h;
  cache.push_back(std::make_unique<scangen::GreyImage>(scangen::Generate(o)));
  return *cache.back();
}

void Load(CRasterImage& img, const scangen::GreyImage& g) {
  img.Free();
  img.width = static_cast<int>(g.width);
  img.height = static_cast<int>(g.height);
  img.planes = 1;
  img.bitsPerSample = 8;
  img.photometric = 1;
  if (!img.AllocPixels()) std::abort();
  std::memcpy(img.pixels, g.pixels.data(), g.pixels.size());
}

// Sixteen points of a map rotated by 2 degrees, sheared a little and
// disturbed by up to a pixel, as a real sheet's control points are.
void MakePoints(CControlPtList& list) {
  list.RemoveAll();
  std::mt19937 rng(4);
  std::uniform_real_distribution<double> noise(-1, 1);
  const double a = 2.0 * 3.14159265358979 / 180, c = std::cos(a), s = std::sin(a);
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) {
      const double x = 300 + i * (kSide - 600) / 3.0, y = 250 + j * (kSide - 500) / 3.0;
      CControlPt* p = list.AddNew();
      *p = CControlPt(x, y, 500000 + c * x - s * y + 0.01 * y + noise(rng), 3000000 + s * x + c * y + noise(rng));
    }
}

void Rectify(benchmark::State& state, int triangulation) {
  const auto& g = Scan(kSide, kSide);
  CRasterImage img;
  CControlPtList points;
  double outPixels = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Load(img, g);
    MakePoints(points);
    state.ResumeTiming();
    if (!RectifyImage(&img, points, triangulation)) {
      state.SkipWithError("rectification failed");
      return;
    }
    outPixels = static_cast<double>(img.width) * img.height;
  }
  state.counters["out_MP"] = outPixels * 1e-6;
  state.counters["MP/s"] =
      benchmark::Counter(outPixels * 1e-6 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_RectifyPolynomial(benchmark::State& state) { Rectify(state, 0); }
BENCHMARK(BM_RectifyPolynomial)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_RectifyTriangulation(benchmark::State& state) { Rectify(state, 1); }
BENCHMARK(BM_RectifyTriangulation)->Unit(benchmark::kMillisecond)->Iterations(2);

// The same triangulated warp with every pixel located by the triangle list's
// own search instead of the walk.
void BM_RectifyTriangulationListSearch(benchmark::State& state) {
  const auto& g = Scan(kSide, kSide);
  CRasterImage img;
  CControlPtList points;
  MakePoints(points);
  CTriangleList backward;
  if (!backward.Build(points, RECT{0, 0, kSide - 1, kSide - 1}, 1)) {
    state.SkipWithError("triangulation failed");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    Load(img, g);
    state.ResumeTiming();
    WarpImage(
        &img, 10300, 10300,
        [&](int row, double* sx, double* sy) {
          for (int e = 0; e < 10300; ++e) backward.TransformPoint(499700.0 + e, 2999700.0 + row, sx[e], sy[e]);
          return true;
        },
        CWarpSampling::nearest);
  }
  state.counters["MP/s"] =
      benchmark::Counter(10300.0 * 10300 * 1e-6 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RectifyTriangulationListSearch)->Unit(benchmark::kMillisecond)->Iterations(2);

// A 2000 x 1500 overlap strip of a scan searched for in a mosaic whose
// matching area is 4000 x 3000; the strip truly sits at (1037, 763).
struct Overlap {
  CRasterImage image, strip;
  Overlap() {
    const auto& g = Scan(4000, 3000);
    Load(image, g);
    for (std::int64_t i = 0; i < image.GetImageBytes(); ++i)
      if (!image.pixels[i]) image.pixels[i] = 1;  // 0 is "not yet pasted" to the search
    strip.width = 2000;
    strip.height = 1500;
    strip.planes = 1;
    strip.bitsPerSample = 8;
    strip.photometric = 1;
    if (!strip.AllocPixels()) std::abort();
    for (int y = 0; y < 1500; ++y) std::memcpy(strip.GetRow(y), image.GetRow(763 + y) + 1037, 2000);
  }
};

const Overlap& TheOverlap() {
  static const Overlap o;
  return o;
}

void BM_MatchOverlap(benchmark::State& state) {
  const Overlap& o = TheOverlap();
  int x = 0, y = 0;
  for (auto _ : state)
    MatchTemplate(o.image, RECT{937, 663, 1137, 863}, RECT{}, o.strip, RECT{0, 0, 1999, 1499}, &x, &y);
  if (x != 1037 || y != 763) state.SkipWithError("the overlap was not found");
  state.counters["positions"] = 201.0 * 201;
}
BENCHMARK(BM_MatchOverlap)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MatchOverlapExhaustive11x11(benchmark::State& state) {
  const Overlap& o = TheOverlap();
  int x = 0, y = 0;
  for (auto _ : state)
    MatchTemplateExhaustive(o.image, RECT{1032, 758, 1042, 768}, RECT{}, o.strip, RECT{0, 0, 1999, 1499}, &x, &y);
  if (x != 1037 || y != 763) state.SkipWithError("the overlap was not found");
  state.counters["positions"] = 121;
}
BENCHMARK(BM_MatchOverlapExhaustive11x11)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
