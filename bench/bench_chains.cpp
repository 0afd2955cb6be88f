// Line data at the sizes users work with: 100,000 traced lines of 50 vertices
// over a 20000 x 15000 scan, and one line of 1,000,000 vertices. Times the
// stored layout both ways, bounds, vertex clean-up, simplification and
// picking.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "model/chainlist.h"

using namespace qzn;

namespace {

constexpr int kLines = 100000;
constexpr int kVertices = 50;
constexpr int kLong = 1000000;

// A wandering traced line: mostly pixel steps with straight runs, as the
// tracers produce.
void Walk(CChain& c, std::mt19937& rng, int n, float x, float y) {
  std::uniform_int_distribution<int> turn(0, 7);
  int dir = turn(rng);
  static const int dx[8] = {1, 1, 0, -1, -1, -1, 0, 1}, dy[8] = {0, 1, 1, 1, 0, -1, -1, -1};
  c.m_points.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    if (turn(rng) < 2) dir = (dir + (turn(rng) < 4 ? 1 : 7)) % 8;
    x = std::clamp(x + static_cast<float>(dx[dir]), 0.0f, 19999.0f);
    y = std::clamp(y + static_cast<float>(dy[dir]), 0.0f, 14999.0f);
    c.AddPoint(x, y);
  }
  c.CalcBounds();
}

const CChainList& ManyLines() {
  static std::unique_ptr<CChainList> list = [] {
    auto l = std::make_unique<CChainList>();
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> px(0.f, 20000.f), py(0.f, 15000.f);
    for (int i = 0; i < kLines; ++i) Walk(*l->NewChain(), rng, kVertices, px(rng), py(rng));
    return l;
  }();
  return *list;
}

const CChain& LongLine() {
  static std::unique_ptr<CChain> c = [] {
    auto l = std::make_unique<CChain>();
    std::mt19937 rng(2);
    Walk(*l, rng, kLong, 10000.f, 7500.f);
    return l;
  }();
  return *c;
}

const std::vector<std::uint8_t>& StoredList() {
  static std::vector<std::uint8_t> bytes = [] {
    CArchive ar;
    const_cast<CChainList&>(ManyLines()).Serialize(ar);
    return ar.GetBuffer();
  }();
  return bytes;
}

void BM_ListStore(benchmark::State& state) {
  CChainList& list = const_cast<CChainList&>(ManyLines());
  for (auto _ : state) {
    CArchive ar;
    list.Serialize(ar);
    benchmark::DoNotOptimize(ar.GetBuffer().data());
  }
  state.counters["MB"] = static_cast<double>(StoredList().size()) / 1e6;
}
BENCHMARK(BM_ListStore)->Unit(benchmark::kMillisecond);

void BM_ListLoad(benchmark::State& state) {
  const auto& bytes = StoredList();
  for (auto _ : state) {
    CChainList list;
    CArchive ar(bytes);
    list.Serialize(ar);
    benchmark::DoNotOptimize(list.GetCount());
  }
}
BENCHMARK(BM_ListLoad)->Unit(benchmark::kMillisecond);

void BM_LongLineStoreLoad(benchmark::State& state) {
  CChain& c = const_cast<CChain&>(LongLine());
  for (auto _ : state) {
    CArchive out;
    c.Serialize(out);
    CChain back;
    CArchive in(out.GetBuffer());
    back.Serialize(in);
    benchmark::DoNotOptimize(back.GetCount());
  }
}
BENCHMARK(BM_LongLineStoreLoad)->Unit(benchmark::kMillisecond);

void BM_ListCalcBounds(benchmark::State& state) {
  CChainList& list = const_cast<CChainList&>(ManyLines());
  for (auto _ : state) list.RecalcBounds();
}
BENCHMARK(BM_ListCalcBounds)->Unit(benchmark::kMillisecond);

void BM_LongLineCalcBounds(benchmark::State& state) {
  CChain& c = const_cast<CChain&>(LongLine());
  for (auto _ : state) {
    c.CalcBounds();
    benchmark::DoNotOptimize(c.m_rcBounds);
  }
}
BENCHMARK(BM_LongLineCalcBounds)->Unit(benchmark::kMillisecond);

// Operations that change the lines run on a fresh copy each time; the copy
// is not timed.
template <class Op>
void OnListCopy(benchmark::State& state, Op op) {
  for (auto _ : state) {
    state.PauseTiming();
    CChainList copy;
    copy.CopyFrom(ManyLines());
    state.ResumeTiming();
    for (CChain* c : copy) op(*c);
    state.PauseTiming();
    copy.DeleteAll();
    state.ResumeTiming();
  }
}

template <class Op>
void OnLongCopy(benchmark::State& state, Op op) {
  for (auto _ : state) {
    state.PauseTiming();
    CChain copy;
    copy.CopyFrom(&LongLine());
    state.ResumeTiming();
    op(copy);
    benchmark::DoNotOptimize(copy.GetCount());
  }
}

void BM_ListRemoveRedundant(benchmark::State& state) {
  OnListCopy(state, [](CChain& c) { c.RemoveRedundantVertices(); });
}
BENCHMARK(BM_ListRemoveRedundant)->Unit(benchmark::kMillisecond);

void BM_LongLineRemoveRedundant(benchmark::State& state) {
  OnLongCopy(state, [](CChain& c) { c.RemoveRedundantVertices(); });
}
BENCHMARK(BM_LongLineRemoveRedundant)->Unit(benchmark::kMillisecond);

void BM_ListSmooth(benchmark::State& state) {
  const float tol = static_cast<float>(state.range(0)) / 10.0f;
  OnListCopy(state, [tol](CChain& c) { c.Smooth(tol); });
}
BENCHMARK(BM_ListSmooth)->Arg(10)->Arg(30)->Unit(benchmark::kMillisecond);

void BM_LongLineSmooth(benchmark::State& state) {
  const float tol = static_cast<float>(state.range(0)) / 10.0f;
  OnLongCopy(state, [tol](CChain& c) { c.Smooth(tol); });
}
BENCHMARK(BM_LongLineSmooth)->Arg(10)->Arg(30)->Unit(benchmark::kMillisecond);

void BM_ListFindPosNear(benchmark::State& state) {
  CChainList& list = const_cast<CChainList&>(ManyLines());
  list.SetTolerance(20000, 15000);
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> px(0.f, 20000.f), py(0.f, 15000.f);
  for (auto _ : state) benchmark::DoNotOptimize(list.FindPosNear(CFPoint(px(rng), py(rng))));
}
BENCHMARK(BM_ListFindPosNear)->Unit(benchmark::kMicrosecond);

}  // namespace
