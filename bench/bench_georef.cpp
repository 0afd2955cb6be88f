// The rubber-sheet transform at the sizes users reach: a triangulation of
// 2,000 control points over a 20000 x 15000 scan, and 1,000,000 vertices
// (a vectorised sheet's worth) carried through it in both directions. The
// walk over the whole triangle list is measured on a small sample beside it
// for scale. Also the least-squares fits of the control points.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "georef/controlpt.h"
#include "georef/triangle.h"
#include "platform/host.h"

using namespace qzn;

namespace {

constexpr int kW = 20000, kH = 15000;

// n control points at random pixel positions; the map side is a UTM-like
// affine map with a gentle warp, as scanned paper gives.
std::unique_ptr<CControlPtList> ControlPoints(int n) {
  auto list = std::make_unique<CControlPtList>();
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> u(0, 1);
  for (int i = 0; i < n; ++i) {
    CControlPt* p = list->AddNew();
    p->m_imageX = std::floor(u(rng) * kW);
    p->m_imageY = std::floor(u(rng) * kH);
    p->m_mapX = 450000 + 1.27 * p->m_imageX + 0.01 * p->m_imageY + 3 * std::sin(p->m_imageY / 900);
    p->m_mapY = 4300000 - 1.27 * p->m_imageY + 0.01 * p->m_imageX + 2 * std::cos(p->m_imageX / 700);
  }
  return list;
}

// Query points: 98% on the sheet, 2% beyond its edges (extrapolated).
std::vector<std::array<double, 2>> Queries(std::size_t n, bool map) {
  std::mt19937 rng(9);
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<std::array<double, 2>> q(n);
  for (std::size_t i = 0; i < n; ++i) {
    const bool outside = i % 50 == 0;
    double x = (outside ? -0.1 + 1.2 * u(rng) : u(rng)) * kW, y = (outside ? -0.1 + 1.2 * u(rng) : u(rng)) * kH;
    if (map) x = 450000 + 1.27 * x + 0.01 * y, y = 4300000 - 1.27 * y + 0.01 * x;
    q[i] = {x, y};
  }
  return q;
}

void BM_Triangulate(benchmark::State& state) {
  CCommandLineHost quiet;
  CHostScope scope(&quiet);
  const auto cps = ControlPoints(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CTriangleList list;
    if (!list.Build(*cps, RECT{0, 0, kW, kH}, 0)) state.SkipWithError("build failed");
    benchmark::DoNotOptimize(list.GetCount());
  }
  state.counters["points"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_Triangulate)->Arg(200)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void Transform(benchmark::State& state, int direction) {
  CCommandLineHost quiet;
  CHostScope scope(&quiet);
  const auto cps = ControlPoints(2000);
  CTriangleList list;
  if (!list.Build(*cps, RECT{0, 0, kW, kH}, direction)) state.SkipWithError("build failed");
  const auto q = Queries(1000000, direction == 1);
  std::int64_t done = 0;
  for (auto _ : state) {
    double sx = 0;
    for (const auto& p : q) {
      double x = 0, y = 0;
      list.TransformPoint(p[0], p[1], x, y);
      sx += x + y;
    }
    benchmark::DoNotOptimize(sx);
    done += static_cast<std::int64_t>(q.size());
  }
  state.counters["points/s"] = benchmark::Counter(static_cast<double>(done), benchmark::Counter::kIsRate);
}
void BM_TransformImageToMap(benchmark::State& s) { Transform(s, 0); }
void BM_TransformMapToImage(benchmark::State& s) { Transform(s, 1); }
BENCHMARK(BM_TransformImageToMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransformMapToImage)->Unit(benchmark::kMillisecond);

// For scale: the first containing triangle found by walking the whole list.
void BM_TransformByListWalk(benchmark::State& state) {
  CCommandLineHost quiet;
  CHostScope scope(&quiet);
  const auto cps = ControlPoints(2000);
  CTriangleList list;
  if (!list.Build(*cps, RECT{0, 0, kW, kH}, 0)) state.SkipWithError("build failed");
  const auto q = Queries(2000, false);
  std::int64_t done = 0;
  for (auto _ : state) {
    double sx = 0;
    for (const auto& p : q) {
      const CTriangle* hit = nullptr;
      for (const CTriangle* t : list)
        if (t->ContainsPoint(p[0], p[1])) {
          hit = t;
          break;
        }
      if (!hit) hit = list.GetHead();
      double x = 0, y = 0;
      hit->Apply(p[0], p[1], x, y);
      sx += x;
    }
    benchmark::DoNotOptimize(sx);
    done += static_cast<std::int64_t>(q.size());
  }
  state.counters["points/s"] = benchmark::Counter(static_cast<double>(done), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TransformByListWalk)->Unit(benchmark::kMillisecond);

void BM_FitBilinear(benchmark::State& state) {
  const auto cps = ControlPoints(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(cps->FitBilinear());
}
BENCHMARK(BM_FitBilinear)->Arg(20)->Arg(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
