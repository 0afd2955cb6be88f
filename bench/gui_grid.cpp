// The table control on the vector report of 100,000 lines (10 columns): the
// fill through the report, one page painted and one scroll step at the top
// and at the end, fitting the columns, select all and copy, and the memory
// the table takes. Needs a display (run under xvfb-run with
// GDK_BACKEND=x11); the toolkit is started by this program's own main.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/init.h>

#include "app/qzndoc.h"
#include "widgets/gridctrl.h"
#include "widgets/gridpainter_wx.h"

namespace {

using namespace qzn;

constexpr int kLines = 100000;

// A workspace with 100,000 lines of 3 to 12 vertices, some closed, on five
// layers, georeferenced so that the report has all ten columns.
CQznDoc& Document() {
  static CQznDoc* doc = [] {
    auto* d = new CQznDoc;
    for (int l = 0; l < 4; ++l) d->m_layers.AddLayer()->m_strName = "等高线" + std::to_string(l);
    std::uint32_t seed = 1;
    const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (int i = 0; i < kLines; ++i) {
      CChain* line = d->m_lines.NewChain();
      const float x = static_cast<float>(next() % 20000), y = static_cast<float>(next() % 15000);
      const int n = 3 + static_cast<int>(next() % 10);
      for (int k = 0; k < n; ++k) line->AddPoint(x + 7.5f * k, y + 3.25f * (k % 3));
      if (i % 7 == 0) line->AddPoint(x, y);
      line->m_fID = static_cast<float>(next() % 3000) / 4.0f;
      line->m_nLayer = static_cast<int>(next() % 5);
      line->CalcBounds();
    }
    d->m_tfw.m_A = 2.0, d->m_tfw.m_E = -2.0, d->m_tfw.m_C = 500000.0, d->m_tfw.m_F = 4200000.0;
    d->m_tfw.m_nTerms = 3;
    return d;
  }();
  return *doc;
}

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Window {
  wxFrame* frame;
  CGridCtrl* grid;
  Window() {
    frame = new wxFrame(nullptr, wxID_ANY, "QZN", wxDefaultPosition, wxSize(1024, 700));
    grid = new CGridCtrl(frame, 391, wxDefaultPosition, wxSize(1024, 700));
    frame->Show();
    frame->SetClientSize(1024, 700);
    grid->SetSize(frame->GetClientSize());
    wxTheApp->Yield();
  }
  ~Window() { frame->Destroy(); }
};

// The one window with the filled report, shared by the cases that work on it.
Window& Filled() {
  static Window* w = [] {
    auto* win = new Window;
    Document().BuildVectorReport(win->grid);
    win->grid->AutoSizeColumns();
    return win;
  }();
  return *w;
}

// One paint of the whole client area, as the paint event does it.
void PaintPage(CGridCtrl* grid) {
  const wxSize size = grid->GetClientSize();
  static wxBitmap bmp(size);
  wxMemoryDC dc(bmp);
  CWxGridPainter painter(dc);
  grid->OnDraw(painter, RECT{0, 0, size.x, size.y});
}

void BM_FillReport(benchmark::State& state) {
  Document();
  long grown = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto win = std::make_unique<Window>();
    const long before = ResidentKiB();
    state.ResumeTiming();
    Document().BuildVectorReport(win->grid);
    state.PauseTiming();
    // The first fill's growth of the resident set is the table's memory
    // (later fills reuse what the first one freed).
    if (grown == 0) grown = ResidentKiB() - before;
    win.reset();
    state.ResumeTiming();
  }
  state.counters["table_MiB"] = static_cast<double>(grown) / 1024.0;
}
BENCHMARK(BM_FillReport)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AutoSizeColumns(benchmark::State& state) {
  Window& w = Filled();
  for (auto _ : state) w.grid->AutoSizeColumns();
}
BENCHMARK(BM_AutoSizeColumns)->Unit(benchmark::kMillisecond)->Iterations(3);

// A page paint and a line step, at the top (0) or at the end (1).
void BM_ScrollStepAndPaint(benchmark::State& state) {
  Window& w = Filled();
  w.grid->OnVScroll(state.range(0) ? SB_BOTTOM : SB_TOP);
  const int at = w.grid->GetScrollPos32(SB_VERT);
  for (auto _ : state) {
    w.grid->OnVScroll(state.range(0) ? SB_LINEUP : SB_LINEDOWN);
    PaintPage(w.grid);
    state.PauseTiming();
    w.grid->SetScrollPos32(SB_VERT, at);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ScrollStepAndPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PaintPage(benchmark::State& state) {
  Window& w = Filled();
  w.grid->OnVScroll(state.range(0) ? SB_BOTTOM : SB_TOP);
  for (auto _ : state) PaintPage(w.grid);
}
BENCHMARK(BM_PaintPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SelectAllAndCopy(benchmark::State& state) {
  Window& w = Filled();
  std::string text;
  long selection = -1;
  for (auto _ : state) {
    const long before = ResidentKiB();
    w.grid->OnEditSelectAll();
    if (selection < 0) selection = ResidentKiB() - before;
    w.grid->OnEditCopy();
    state.PauseTiming();
    w.grid->CopyTextToClipboard(text);
    w.grid->ResetSelectedRange();
    state.ResumeTiming();
  }
  state.counters["text_MiB"] = static_cast<double>(text.size()) / 1048576.0;
  // What a selection of every cell adds to the table's memory.
  state.counters["selection_MiB"] = static_cast<double>(selection) / 1024.0;
}
BENCHMARK(BM_SelectAllAndCopy)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  setenv("GDK_BACKEND", "x11", 0);
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv)) {
    std::fprintf(stderr, "the toolkit could not start (run under xvfb-run -a)\n");
    return 1;
  }
  wxTheApp->CallOnInit();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  wxEntryCleanup();
  return 0;
}
