// The dialogs that change the lines, on 100,000 lines of 20 vertices: an
// apply-then-cancel round (the copy taken for Cancel, the operation, the
// lines given back) beside the bare operation, for the smoothing dialog
// (which copies at its first apply) and the snap dialog (which copies when
// it opens); and the report dialog opening on 100,000 lines (the report
// built into the table and the columns fitted). Each round works on a fresh
// copy of the workspace's lines, made outside the timing.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/qzndoc.h"
#include "tests/ui_core/fake_dialogs.h"
#include "ui/core/linecleanupdlg.h"
#include "ui/core/qznview.h"
#include "ui/core/reportdlg.h"
#include "ui/core/snapdlg.h"
#include "widgets/core/gridmodel.h"

namespace {

using namespace qzn;

constexpr int kLines = 100000;
constexpr int kVertices = 20;

// Random walks over a 20000 x 15000 sheet, IDs like contour heights.
void MakeLines(CChainList& lines) {
  std::uint32_t seed = 7;
  const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (int i = 0; i < kLines; ++i) {
    CChain* c = lines.NewChain();
    float x = static_cast<float>(next() % 20000), y = static_cast<float>(next() % 15000);
    for (int k = 0; k < kVertices; ++k) {
      c->AddPoint(x, y);
      x += static_cast<float>(next() % 9) - 3.5f;
      y += static_cast<float>(next() % 9) - 3.5f;
    }
    c->m_fID = static_cast<float>(next() % 400) * 5.0f;
    c->CalcBounds();
  }
}

const CChainList& Original() {
  static CChainList* lines = [] {
    auto* l = new CChainList;
    MakeLines(*l);
    return l;
  }();
  return *lines;
}

std::unique_ptr<CQznDoc> FreshWorkspace() {
  auto doc = std::make_unique<CQznDoc>();
  doc->m_extent = RECT{0, 0, 20000, 15000};
  doc->m_lines.CopyFrom(Original());
  return doc;
}

template <class Round>
void Rounds(benchmark::State& state, Round round) {
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<CQznDoc> doc = FreshWorkspace();
    CQznView view(doc.get(), nullptr);
    state.ResumeTiming();
    round(*doc, view);
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
}

void SmoothOnly(benchmark::State& state) {
  Rounds(state, [](CQznDoc&, CQznView& view) { view.ApplySmoothLines(2.0f, RECT{}); });
}

void SmoothApplyCancel(benchmark::State& state) {
  Rounds(state, [](CQznDoc&, CQznView& view) {
    qzntest::FakeControls c;
    CSmoothLinesDlg dlg(&view, RECT{});
    dlg.InitDialog(c);
    c.text[CSmoothLinesDlg::kThreshold] = "2";
    dlg.OnClicked(CSmoothLinesDlg::kApply, c);
    dlg.OnCancel(c);
  });
}

void SnapOnly(benchmark::State& state) {
  Rounds(state, [](CQznDoc& doc, CQznView&) { SnapLinesByLayer(doc.m_lines, doc.m_layers, 3, true); });
}

void SnapApplyCancel(benchmark::State& state) {
  Rounds(state, [](CQznDoc&, CQznView& view) {
    qzntest::FakeControls c;
    CSnapLinesDlg dlg(&view);
    dlg.InitDialog(c);
    c.text[CSnapLinesDlg::kDistance] = "3";
    dlg.OnClicked(CSnapLinesDlg::kApply, c);
    dlg.OnCancel(c);
  });
}

void ReportOpens(benchmark::State& state) {
  std::unique_ptr<CQznDoc> doc = FreshWorkspace();
  for (auto _ : state) {
    CGridModel grid;
    CVectorReportDlg dlg;
    dlg.document = doc.get();
    dlg.SetGrid(&grid);
    qzntest::FakeControls c;
    dlg.InitDialog(c);
    benchmark::DoNotOptimize(grid.GetRowCount());
  }
}

}  // namespace

BENCHMARK(SmoothOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SmoothApplyCancel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SnapOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SnapApplyCancel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ReportOpens)->Unit(benchmark::kMillisecond)->UseRealTime();
