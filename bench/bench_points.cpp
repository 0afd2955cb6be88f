// Points, text blocks and annotations at map size: text detection, merging
// and linking over 50,000 candidate strokes of lettering on a 20000 x 15000
// sheet, cross-mark merging of the same strokes, values for 100,000 spot
// heights from 25,000 annotations, and a 100,000-point file written and read.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "model/box.h"
#include "model/chainlist.h"
#include "model/note.h"
#include "model/ptlist.h"

using namespace qzn;

namespace {

constexpr int kW = 20000, kH = 15000;

// Words of 3 to 6 characters of about 12 x 16 pixels along rows, each
// character two overlapping strokes: 50,000 candidate rectangles.
const std::vector<RECT>& Strokes() {
  static const auto strokes = [] {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> x(0, kW - 200), y(0, kH - 40), len(3, 6), jitter(0, 3);
    std::vector<RECT> v;
    while (v.size() < 50000) {
      int cx = x(rng);
      const int cy = y(rng), n = len(rng);
      for (int i = 0; i < n && v.size() < 50000; ++i) {
        v.push_back(RECT{cx, cy + jitter(rng), cx + 7, cy + 16});
        v.push_back(RECT{cx + 4, cy, cx + 12 - jitter(rng), cy + 14});
        cx += 15;
      }
    }
    return v;
  }();
  return strokes;
}

CChainList& StrokeLines() {
  static auto lines = [] {
    auto l = std::make_unique<CChainList>();
    for (const RECT& r : Strokes()) {
      auto* c = new CChain;
      c->AddPoint(static_cast<float>(r.left), static_cast<float>(r.top));
      c->AddPoint(static_cast<float>(r.right), static_cast<float>(r.bottom));
      c->m_rcBounds = r;
      l->Adopt(c);
    }
    return l;
  }();
  return *lines;
}

void BM_DetectText(benchmark::State& state) {
  CChainList& lines = StrokeLines();
  std::int64_t blocks = 0;
  for (auto _ : state) {
    CBoxList list;
    blocks = list.DetectText(20, 30, lines);
  }
  state.counters["blocks"] = static_cast<double>(blocks);
}
BENCHMARK(BM_DetectText)->Unit(benchmark::kMillisecond);

void BM_MergeSmallBoxes(benchmark::State& state) {
  CChainList& lines = StrokeLines();
  std::int64_t marks = 0;
  for (auto _ : state) {
    CBoxList list;
    marks = list.MergeSmallBoxes(16, 20, lines);
  }
  state.counters["marks"] = static_cast<double>(marks);
}
BENCHMARK(BM_MergeSmallBoxes)->Unit(benchmark::kMillisecond);

void BM_LinkNeighbours(benchmark::State& state) {
  CBoxList list;
  for (const RECT& r : Strokes()) list.AddBox(r, 0);
  for (auto _ : state) {
    state.PauseTiming();
    for (CBox* b : list) b->m_pPrev = b->m_pNext = nullptr;
    state.ResumeTiming();
    list.LinkNeighbours();
  }
  state.counters["blocks"] = static_cast<double>(list.GetCount());
}
BENCHMARK(BM_LinkNeighbours)->Unit(benchmark::kMillisecond);

void BM_ValuesFromNotes(benchmark::State& state) {
  std::mt19937 rng(9);
  std::uniform_int_distribution<int> x(0, kW), y(0, kH), v(0, 3000);
  CNoteList notes;
  for (int i = 0; i < 25000; ++i) {
    const int nx = x(rng), ny = y(rng);
    notes.AddNote(RECT{nx, ny, nx + 40, ny + 16}, std::to_string(v(rng)));
  }
  CPtList points;
  std::uniform_real_distribution<float> fx(0, kW), fy(0, kH);
  for (int i = 0; i < 100000; ++i) points.AddPoint(fx(rng), fy(rng), 0, 7, 0);
  for (auto _ : state) points.ValuesFromNotes(notes);
  state.counters["points"] = 100000;
}
BENCHMARK(BM_ValuesFromNotes)->Unit(benchmark::kMillisecond);

void BM_PointFile(benchmark::State& state) {
  const auto dir = std::filesystem::temp_directory_path() / ("qzn-bench-points-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "points.gen").string();
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> fx(0, kW), fy(0, kH), fv(0, 3000);
  CPtList points;
  for (int i = 0; i < 100000; ++i) points.AddPoint(fx(rng), fy(rng), fv(rng), 7, 0);
  for (auto _ : state) {
    points.WriteGenerate(path, 0);
    CPtList back;
    back.ReadXYZ(path);
    benchmark::DoNotOptimize(back.GetCount());
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_PointFile)->Unit(benchmark::kMillisecond);

}  // namespace
