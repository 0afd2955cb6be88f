// The line tool on a large workspace: 100,000 lines of 20 vertices over a
// 20000 x 15000 scan, shown whole in a 1920 x 1080 view without a toolkit.
// One press (down and up) in each sub-mode that picks, and one drag step in
// each sub-mode that drags; changes are undone outside the timing.
#include <cmath>
#include <memory>
#include <random>

#include <benchmark/benchmark.h>

#include "app/qzndoc.h"
#include "resources/commands.h"
#include "resources/toolcommands.h"
#include "ui/core/editcommands.h"
#include "ui/core/linetool.h"
#include "ui/core/qznview.h"

using namespace qzn;

namespace {

constexpr int kClientW = 1920, kClientH = 1080;
constexpr int kImageW = 20000, kImageH = 15000;

struct Window : IViewWindow {
  SIZE GetClientSize() const override { return SIZE{kClientW, kClientH}; }
  void InvalidateAll() override {}
  void InvalidateStrips(const std::vector<RECT>&) override {}
  void SetScrollBars(int, int, int, int) override {}
  void CaptureMouse() override {}
  void ReleaseMouse() override {}
  void ShowContextMenu(const std::vector<ContextMenuItem>&, POINT) override {}
  void SetStatusText(const std::string&) override {}
  void InvalidateRect(const RECT&) override {}
};

struct Scene {
  std::unique_ptr<CQznDoc> doc;
  Window window;
  std::unique_ptr<CQznView> view;
};

Scene& TheScene() {
  static Scene s = [] {
    Scene sc;
    sc.doc = std::make_unique<CQznDoc>();
    CRasterImage& img = sc.doc->m_image;
    img.Init();
    img.width = kImageW;
    img.height = kImageH;
    img.planes = 1;
    img.bitsPerSample = 1;
    img.photometric = 0;
    img.AllocPixels();
    sc.doc->ResetExtent();
    sc.doc->m_lineTool.autoTrace = 0;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> x(0, kImageW - 400), y(0, kImageH - 400), step(-20, 20);
    for (int i = 0; i < 100000; ++i) {
      CChain* c = sc.doc->m_lines.NewChain();
      float px = x(rng) + 200, py = y(rng) + 200;
      for (int v = 0; v < 20; ++v) {
        c->AddPoint(px, py);
        px += 10 + step(rng) * 0.2f;
        py += step(rng);
      }
      c->CalcBounds();
    }
    sc.doc->m_lines.SetTolerance(kImageW, kImageH);
    sc.view = std::make_unique<CQznView>(sc.doc.get(), &sc.window);
    sc.view->OnInitialUpdate();
    RegisterEditTools();
    return sc;
  }();
  return s;
}

CLineEditTool* Enter(Scene& s, int subCommand) {
  if (s.view->editMode != EditMode::kLineEdit) RunEditCommand(*s.view, cmd::kEditLineTool);
  RunEditCommand(*s.view, subCommand);
  return dynamic_cast<CLineEditTool*>(s.view->Tool());
}

// Client points spread over the view.
POINT Spot(std::mt19937& rng) {
  std::uniform_int_distribution<int> x(10, kClientW - 10), y(10, kClientH - 10);
  return POINT{x(rng), y(rng)};
}

void Press(benchmark::State& state) {
  Scene& s = TheScene();
  const int sub = static_cast<int>(state.range(0));
  CLineEditTool* t = Enter(s, sub);
  std::mt19937 rng(11);
  for (auto _ : state) {
    const POINT p = Spot(rng);
    s.view->OnLButtonDown(kMkLButton, p);
    s.view->OnLButtonUp(0, p);
    state.PauseTiming();
    // The change is taken back so that every press meets the same list.
    if (sub != cmd::kLineShow && sub != cmd::kLinePolygon) {
      t->Finish(false);
      while (t->CanUndo()) t->Undo();
    }
    state.ResumeTiming();
  }
  t->FinishAndDrop();
  state.SetLabel(std::to_string(s.doc->m_lines.GetCount()) + " lines");
}

void DragStep(benchmark::State& state) {
  Scene& s = TheScene();
  const int sub = static_cast<int>(state.range(0));
  CLineEditTool* t = Enter(s, sub);
  std::mt19937 rng(13);
  POINT start = Spot(rng);
  s.view->OnLButtonDown(kMkLButton, start);
  int i = 0;
  for (auto _ : state) {
    // A drag of 500 steps, as a hand makes them; then the next one.
    if (++i % 500 == 0) {
      state.PauseTiming();
      s.view->OnLButtonUp(0, start);
      t->Finish(false);
      while (t->CanUndo()) t->Undo();
      start = Spot(rng);
      s.view->OnLButtonDown(kMkLButton, start);
      state.ResumeTiming();
    }
    s.view->OnMouseMove(kMkLButton, POINT{start.x + (i % 40) - 20, start.y + (i % 30) - 15});
  }
  s.view->OnLButtonUp(0, start);
  t->Finish(false);
  while (t->CanUndo()) t->Undo();
  t->FinishAndDrop();
}

}  // namespace

BENCHMARK(Press)
    ->ArgName("command")
    ->Arg(cmd::kLineNew)
    ->Arg(cmd::kLineMoveNode)
    ->Arg(cmd::kLineDeleteNode)
    ->Arg(cmd::kLineDelete)
    ->Arg(cmd::kLineAddNode)
    ->Arg(cmd::kLineSplit)
    ->Arg(cmd::kLineAssignId)
    ->Arg(cmd::kLineShow)
    ->Arg(cmd::kLineCopy)
    ->Arg(cmd::kLineClose)
    ->Arg(cmd::kLineSetLayer)
    ->Arg(cmd::kLinePolygon)
    ->Arg(cmd::kLineSmooth)
    ->Arg(cmd::kLineBSpline)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(DragStep)
    ->ArgName("command")
    ->Arg(cmd::kLineMoveNode)
    ->Arg(cmd::kLineMove)
    ->Arg(cmd::kLineCopy)
    ->Arg(cmd::kLineRectangle)
    ->Arg(cmd::kLineCircle)
    ->Arg(cmd::kLineContour)
    ->Arg(cmd::kLineJoin)
    ->Arg(cmd::kLineMultiTrace)
    ->Arg(cmd::kLineFreehand)
    ->Unit(benchmark::kMicrosecond);
