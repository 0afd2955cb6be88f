// The software rasteriser on a full-size sheet: 100,000 vectorised lines
// burnt into a 20000 x 15000 RGB bitmap with the pens the layers use, filled
// polygons, and lines that reach far outside the sheet.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "platform/canvas.h"

using namespace qzn;

namespace {

constexpr int kW = 20000, kH = 15000;

CRasterCanvas& Sheet() {
  static auto canvas = std::make_unique<CRasterCanvas>(kW, kH);
  return *canvas;
}

// Contour-like lines: 100,000 polylines of 20 vertices, steps of about 8 pixels.
const std::vector<std::vector<POINT>>& Lines() {
  static const auto lines = [] {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<std::vector<POINT>> v(100000);
    for (auto& line : v) {
      double x = u(rng) * kW, y = u(rng) * kH, a = u(rng) * 6.283;
      for (int i = 0; i < 20; ++i) {
        line.push_back(POINT{static_cast<int>(x), static_cast<int>(y)});
        a += (u(rng) - 0.5) * 0.6;
        x += 8 * std::cos(a);
        y += 8 * std::sin(a);
      }
    }
    return v;
  }();
  return lines;
}

void DrawLines(benchmark::State& state, CPen pen) {
  CRasterCanvas& c = Sheet();
  c.SelectPen(pen);
  c.SetBkMode(TRANSPARENT);
  std::int64_t vertices = 0;
  for (auto _ : state) {
    for (const auto& line : Lines()) {
      c.Polyline(line);
      vertices += static_cast<std::int64_t>(line.size());
    }
    benchmark::ClobberMemory();
  }
  state.counters["vertices/s"] = benchmark::Counter(static_cast<double>(vertices), benchmark::Counter::kIsRate);
}

void BM_Lines1pxSolid(benchmark::State& s) { DrawLines(s, CPen{PS_SOLID, 1, RGB(255, 0, 0)}); }
void BM_Lines1pxDashDot(benchmark::State& s) { DrawLines(s, CPen{PS_DASHDOT, 1, RGB(0, 0, 255)}); }
void BM_Lines3pxWide(benchmark::State& s) { DrawLines(s, CPen{PS_SOLID, 3, RGB(0, 128, 0)}); }
BENCHMARK(BM_Lines1pxSolid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lines1pxDashDot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lines3pxWide)->Unit(benchmark::kMillisecond);

// 2000 closed polygons of 400 vertices, about 300 pixels across, hatched.
void BM_PolygonsHatched(benchmark::State& state) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<std::vector<POINT>> polys(2000);
  for (auto& p : polys) {
    const double cx = u(rng) * kW, cy = u(rng) * kH;
    for (int i = 0; i < 400; ++i) {
      const double a = i * 6.283 / 400, r = 150 * (0.8 + 0.2 * u(rng));
      p.push_back(POINT{static_cast<int>(cx + r * std::cos(a)), static_cast<int>(cy + r * std::sin(a))});
    }
  }
  CRasterCanvas& c = Sheet();
  c.SelectPen(CPen{PS_SOLID, 1, RGB(0, 0, 0)});
  c.SelectBrush(CBrush{BS_HATCHED, HS_DIAGCROSS, RGB(128, 0, 128)});
  for (auto _ : state) {
    for (const auto& p : polys) c.Polygon(p);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PolygonsHatched)->Unit(benchmark::kMillisecond);

// 100,000 lines between points up to two billion pixels away: the cost is the
// clipping, not the length.
void BM_FarAwayLines(benchmark::State& state) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> far(-2000000000, 2000000000);
  std::vector<POINT> pts(200000);
  for (auto& p : pts) p = POINT{far(rng), far(rng)};
  CRasterCanvas& c = Sheet();
  c.SelectPen(
      CPen{static_cast<int>(state.range(0)) > 1 ? PS_SOLID : PS_DOT, static_cast<int>(state.range(0)), RGB(0, 0, 0)});
  for (auto _ : state) {
    for (std::size_t i = 0; i + 1 < pts.size(); i += 2) {
      c.MoveTo(pts[i].x, pts[i].y);
      c.LineTo(pts[i + 1].x, pts[i + 1].y);
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FarAwayLines)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace
