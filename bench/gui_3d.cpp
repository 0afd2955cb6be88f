// Benchmarks of the 3D window's frames (run under Xvfb; with Mesa that is
// its software renderer): a 1000 x 1000 grid coloured by height, a 200 x 200
// grid coloured and draped with a 1000 x 1000 RGB scan, the draped one's
// first frame (its textures built) and the frames after it. A frame is drawn
// off screen and read back at 800 x 600, as copy and save window do.
#include <cmath>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>

#include "app/qzndoc.h"
#include "terrain/opengldoc.h"
#include "ui/glcanvas3d.h"

using namespace qzn;

namespace {

constexpr int kClientW = 800, kClientH = 600;

// Rolling hills of columns x rows cells of 5 units.
std::unique_ptr<COpenGLDoc> MakeGrid(int columns, int rows) {
  auto doc = std::make_unique<COpenGLDoc>();
  doc->m_nColumns = columns;
  doc->m_nRows = rows;
  doc->m_fCellSize = 5.0f;
  doc->m_heights.resize(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
  float hi = 0.0f;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      const float h = 40.0f * (1.0f + std::sin(c * 0.05f) * std::cos(r * 0.07f));
      doc->m_heights[static_cast<std::size_t>(r) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(c)] = h;
      hi = std::max(hi, h);
    }
  doc->m_fHeightRange = hi;
  return doc;
}

// A w x h RGB scan with a smooth pattern.
std::unique_ptr<CQznDoc> MakeScan(int w, int h) {
  auto doc = std::make_unique<CQznDoc>();
  CRasterImage& img = doc->m_image;
  img.Init();
  img.width = w;
  img.height = h;
  img.planes = 3;
  img.bitsPerSample = 8;
  img.photometric = 2;
  if (!img.AllocPixels()) return nullptr;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      img.SetPlaneByte(x, y, 0, static_cast<BYTE>(x * 255 / w));
      img.SetPlaneByte(x, y, 1, static_cast<BYTE>(y * 255 / h));
      img.SetPlaneByte(x, y, 2, static_cast<BYTE>((x ^ y) & 255));
    }
  doc->ResetExtent();
  return doc;
}

struct Scene {
  std::unique_ptr<COpenGLDoc> grid;
  std::unique_ptr<CQznDoc> scan;
  wxFrame* frame = nullptr;
  C3DCanvas* canvas = nullptr;
};

Scene& Window(int columns) {
  static Scene scenes[2];
  Scene& s = scenes[columns == 1000 ? 0 : 1];
  if (!s.canvas) {
    s.grid = MakeGrid(columns, columns);
    s.frame = new wxFrame(nullptr, wxID_ANY, "bench");
    s.frame->SetClientSize(kClientW, kClientH);
    s.canvas = new C3DCanvas(s.frame, s.grid.get());
    s.canvas->SetSize(0, 0, kClientW, kClientH);
    s.frame->Show();
    for (int i = 0; i < 50 && !s.canvas->IsShownOnScreen(); ++i) wxTheApp->Yield(true);
  }
  return s;
}

void Draw(benchmark::State& state, C3DCanvas& canvas) {
  C3DPicture picture;
  double drawMs = 0.0;
  int turn = 0;
  for (auto _ : state) {
    canvas.View().turnAngle = 45 + turn++ % 5;
    if (!canvas.Capture(picture)) {
      state.SkipWithError("no off-screen frame");
      return;
    }
    drawMs += canvas.LastFrameMilliseconds();
  }
  state.counters["draw_ms"] = drawMs / static_cast<double>(state.iterations());
}

void ColouredFrame(benchmark::State& state) {
  Scene& s = Window(static_cast<int>(state.range(0)));
  s.canvas->View().SetDrape(nullptr, RECT{});
  Draw(state, *s.canvas);
}
BENCHMARK(ColouredFrame)->Arg(1000)->Arg(200)->ArgName("grid")->Unit(benchmark::kMillisecond);

// The frame after a change of drape: its textures are built in it (two
// scans take turns, so every frame drapes another one).
void DrapedFirstFrame(benchmark::State& state) {
  Scene& s = Window(200);
  if (!s.scan) s.scan = MakeScan(1000, 1000);
  static std::unique_ptr<CQznDoc> other = MakeScan(1000, 1000);
  C3DPicture picture;
  int turn = 0;
  for (auto _ : state) {
    CQznDoc* scan = turn++ % 2 ? other.get() : s.scan.get();
    s.canvas->View().SetDrape(scan, scan->m_extent);
    s.canvas->Capture(picture);
  }
}
BENCHMARK(DrapedFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(6);

void DrapedFrame(benchmark::State& state) {
  Scene& s = Window(200);
  if (!s.scan) s.scan = MakeScan(1000, 1000);
  s.canvas->SetUploadEveryFrame(state.range(0) != 0);
  s.canvas->View().SetDrape(s.scan.get(), s.scan->m_extent);
  C3DPicture picture;
  s.canvas->Capture(picture);  // the first, which builds the textures
  Draw(state, *s.canvas);
  state.counters["textures"] = static_cast<double>(s.canvas->DrapeTextureCount());
  s.canvas->SetUploadEveryFrame(false);
}
BENCHMARK(DrapedFrame)->Arg(0)->Arg(1)->ArgName("upload_every_frame")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv)) return 1;
  wxTheApp->CallOnInit();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  wxEntryCleanup();
  return 0;
}
