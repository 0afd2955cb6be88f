// Every view command's enabler and check mark asked once, as the window does
// at each idle moment (the view's command table, the edit tools' commands
// and the vectorising dialogs' commands), on a workspace of 100,000 lines and 10,000 points
// (with as many hidden ones) over a grey scan, in the default mode and in
// line editing. No display needed: the view runs on a fake window.
#include <memory>

#include <benchmark/benchmark.h>

#include "app/qzndoc.h"
#include "ui/core/editcommands.h"
#include "ui/core/imagecmds.h"
#include "ui/core/qznview.h"
#include "ui/core/viewcommands.h"

using namespace qzn;

namespace {

struct NoWindow : IViewWindow {
  SIZE GetClientSize() const override { return SIZE{1920, 1080}; }
  void InvalidateAll() override {}
  void InvalidateStrips(const std::vector<RECT>&) override {}
  void SetScrollBars(int, int, int, int) override {}
  void CaptureMouse() override {}
  void ReleaseMouse() override {}
  void ShowContextMenu(const std::vector<ContextMenuItem>&, POINT) override {}
  void SetStatusText(const std::string&) override {}
};

std::unique_ptr<CQznDoc> MakeWorkspace() {
  auto doc = std::make_unique<CQznDoc>();
  doc->OnNewDocument();
  CRasterImage& img = doc->m_image;
  img.Init();
  img.width = 4000;
  img.height = 3000;
  img.planes = 1;
  img.bitsPerSample = 8;
  img.photometric = 1;
  img.AllocPixels();
  doc->m_extent = RECT{0, 0, img.width - 1, img.height - 1};
  for (int i = 0; i < 100000; ++i) {
    for (CChainList* list : {&doc->m_lines, &doc->m_hiddenLines}) {
      CChain* c = list->NewChain();
      const float x = static_cast<float>(i % 4000), y = static_cast<float>(i / 40);
      for (int k = 0; k < 8; ++k) c->AddPoint(x + k, y + (k & 1));
      c->CalcBounds();
    }
    if (i % 10 == 0) {
      doc->m_points.AddPoint(i % 4000, i / 40, i, 1, 0);
      doc->m_hiddenPoints.AddPoint(i % 4000, i / 40, i, 1, 0);
    }
  }
  return doc;
}

void AllEnablers(benchmark::State& state) {
  static std::unique_ptr<CQznDoc> doc = MakeWorkspace();
  NoWindow window;
  CQznView view(doc.get(), &window);
  view.editMode = static_cast<EditMode>(state.range(0));
  const std::vector<ViewCommand>& commands = ViewCommands();
  for (auto _ : state) {
    int on = 0;
    for (const ViewCommand& c : commands) {
      on += IsViewCommandEnabled(view, c.id);
      on += IsViewCommandChecked(view, c.id);
    }
    for (int id : EditCommandIds()) {
      const EditCommandState st = GetEditCommandState(view, id);
      on += st.enabled + st.checked;
    }
    on += CanAutoVectorize(view) + CanSetThreshold(view) + CanSetSmoothing(view) + CanShowImageInfo(view);
    benchmark::DoNotOptimize(on);
  }
  state.counters["commands"] = static_cast<double>(commands.size() + EditCommandIds().size() + 4);
}
BENCHMARK(AllEnablers)
    ->Arg(static_cast<int>(EditMode::kDefault))
    ->Arg(static_cast<int>(EditMode::kLineEdit))
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
