// The operations over all lines at once on randomly placed lines: 100,000
// lines over a 20000 x 15000 scan, and 25,000 and 50,000 lines over a
// quarter and a half of that area (the same density of lines), so the growth
// of each operation shows (Google Benchmark fits it with Complexity()). Each
// run works on a fresh copy; the copying is not timed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

#include "model/chainlist.h"
#include "model/polygonbuilder.h"
#include "model/ptlist.h"

using namespace qzn;

namespace {

// The scan side for n lines at the density of 100,000 lines on 20000 x 15000.
float Side(std::int64_t n, float full) {
  return full * static_cast<float>(std::sqrt(static_cast<double>(n) / 100000.0));
}

// Short traced lines, half of them pieces of broken contours whose ends lie
// a pixel or two apart, with IDs from a few contour levels.
void MakeLines(CChainList& list, std::int64_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> px(0.0f, Side(n, 20000.0f)), py(0.0f, Side(n, 15000.0f));
  std::uniform_real_distribution<float> step(-12.0f, 12.0f), gap(0.5f, 2.0f);
  std::uniform_int_distribution<int> verts(2, 8), level(0, 4);
  for (std::int64_t i = 0; i < n;) {
    float x = px(rng), y = py(rng);
    const int pieces = (i % 2) ? 1 : 4;
    const float id = static_cast<float>(level(rng) * 10);
    for (int k = 0; k < pieces && i < n; ++k, ++i) {
      CChain* c = list.NewChain();
      c->m_fID = id;
      const int m = verts(rng);
      for (int v = 0; v < m; ++v) {
        c->AddPoint(x, y);
        x += step(rng) + 6.0f;
        y += step(rng);
      }
      c->CalcBounds();
      x += gap(rng);
      y += gap(rng) - 1.0f;
    }
  }
}

void MakeRectangles(CChainList& list, std::int64_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> px(0.0f, Side(n, 20000.0f)), py(0.0f, Side(n, 15000.0f)), size(5.0f, 60.0f);
  for (std::int64_t i = 0; i < n; ++i) {
    const float x = px(rng), y = py(rng), w = size(rng), h = size(rng);
    CChain* c = list.NewChain();
    for (const CFPoint& p : {CFPoint(x, y), CFPoint(x + w, y), CFPoint(x + w, y + h), CFPoint(x, y + h), CFPoint(x, y)})
      c->AddPoint(p.x, p.y);
    c->CalcBounds();
  }
}

void Copy(const CChainList& from, CChainList& to) {
  for (const CChain* c : from) {
    CChain* d = to.NewChain();
    d->CopyFrom(c);
  }
}

template <class Make, class Op>
void Run(benchmark::State& state, Make make, Op op) {
  const std::int64_t n = state.range(0);
  CChainList source;
  make(source, n);
  for (auto _ : state) {
    state.PauseTiming();
    auto list = std::make_unique<CChainList>();
    Copy(source, *list);
    state.ResumeTiming();
    op(*list);
    state.PauseTiming();
    list.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(n);
}

void Lines(CChainList& l, std::int64_t n) { MakeLines(l, n, 1); }

void BM_JoinLines(benchmark::State& s) {
  Run(s, Lines, [](CChainList& l) { l.JoinLines(2, 1); });
}
void BM_SnapEndPoints(benchmark::State& s) {
  Run(s, Lines, [](CChainList& l) { l.SnapEndPoints(2.0f); });
}
void BM_SnapLines(benchmark::State& s) {
  Run(s, Lines, [](CChainList& l) { l.SnapLines(2); });
}
void BM_DeleteDuplicates(benchmark::State& s) {
  Run(
      s,
      [](CChainList& l, std::int64_t n) {
        MakeLines(l, n / 2, 1);
        MakeLines(l, n / 2, 1);  // every line twice
      },
      [](CChainList& l) { l.DeleteDuplicates(); });
}
void BM_SnapPolygons(benchmark::State& s) {
  Run(
      s, [](CChainList& l, std::int64_t n) { MakeRectangles(l, n, 2); }, [](CChainList& l) { l.SnapPolygons(3); });
}
void BM_LabelPolygons(benchmark::State& s) {
  CPtList points;
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> px(0.0f, Side(s.range(0), 20000.0f)), py(0.0f, Side(s.range(0), 15000.0f));
  for (std::int64_t i = 0; i < s.range(0); ++i) points.AddPoint(px(rng), py(rng), static_cast<float>(i), 7, 0);
  Run(
      s,
      [](CChainList& l, std::int64_t n) {
        MakeRectangles(l, n / 2, 4);
        MakeLines(l, n - n / 2, 5);
      },
      [&](CChainList& l) { l.LabelPolygons(&points, FALSE); });
}
void BM_SplitAtIntersections(benchmark::State& s) {
  Run(s, Lines, [](CChainList& l) {
    CChainList out;
    CPolygonBuilder b(&l, &out, 1, 0, 0);
    b.SplitAtIntersections();
  });
}
void BM_PruneDanglingLines(benchmark::State& s) {
  Run(s, Lines, [](CChainList& l) {
    CChainList out;
    CPolygonBuilder b(&l, &out, 2, 0, 0);
    b.PruneDanglingLines();
  });
}
void BM_BuildPolygons(benchmark::State& s) {
  Run(
      s, [](CChainList& l, std::int64_t n) { MakeRectangles(l, n, 6); },
      [](CChainList& l) {
        CChainList out;
        CPolygonBuilder b(&l, &out, 1, 0, 0);
        b.Build(1);
      });
}

#define QZN_LINE_BENCH(fn) \
  BENCHMARK(fn)->Arg(25000)->Arg(50000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond)->Complexity()

QZN_LINE_BENCH(BM_JoinLines);
QZN_LINE_BENCH(BM_SnapEndPoints);
QZN_LINE_BENCH(BM_SnapLines);
QZN_LINE_BENCH(BM_DeleteDuplicates);
QZN_LINE_BENCH(BM_SnapPolygons);
QZN_LINE_BENCH(BM_LabelPolygons);
QZN_LINE_BENCH(BM_SplitAtIntersections);
QZN_LINE_BENCH(BM_PruneDanglingLines);
QZN_LINE_BENCH(BM_BuildPolygons);

}  // namespace
