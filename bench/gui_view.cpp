// Benchmarks of the image view on screen (run under Xvfb): refreshing a
// 1920 x 1080 view of an 80-megapixel scan after a zoom or scroll (display
// buffer, bitmap, cached picture and paint), at full view, 1:1 and 8:1; a
// paint that only moves a rubber band; and the view's memory, which follows
// the window, not the scan.
#include <cstring>
#include <memory>

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/init.h>

#include "app/qzndoc.h"
#include "bench/scangen.h"
#include "ui/imagewindow.h"

using namespace qzn;

namespace {

constexpr int kClientW = 1920, kClientH = 1080;

// A generated 80-megapixel scan (10000 x 8000), grey or tinted RGB.
std::unique_ptr<CQznDoc> MakeScan(bool rgb, std::int64_t w = 10000, std::int64_t h = 8000) {
  scangen::Options opt;
  opt.width = w;
  opt.height = h;
  const scangen::GreyImage g = scangen::Generate(opt);
  auto doc = std::make_unique<CQznDoc>();
  CRasterImage& img = doc->m_image;
  img.Init();
  img.width = static_cast<std::int32_t>(w);
  img.height = static_cast<std::int32_t>(h);
  img.planes = rgb ? 3 : 1;
  img.bitsPerSample = 8;
  img.photometric = rgb ? 2 : 1;
  if (!img.AllocPixels()) return nullptr;
  for (int p = 0; p < img.planes; ++p) {
    BYTE* plane = img.GetPlane(p);
    for (std::int64_t i = 0; i < w * h; ++i)
      plane[i] = static_cast<BYTE>(p == 0 ? g.pixels[static_cast<std::size_t>(i)]
                                          : g.pixels[static_cast<std::size_t>(i)] / (p + 1) + 40 * p);
  }
  doc->ResetExtent();
  return doc;
}

struct Setup {
  std::unique_ptr<CQznDoc> doc;
  wxFrame* frame = nullptr;
  CImageWindow* window = nullptr;
};

Setup& Scene(bool rgb) {
  static Setup scenes[2];
  Setup& s = scenes[rgb];
  if (!s.window) {
    s.doc = MakeScan(rgb);
    s.frame = new wxFrame(nullptr, wxID_ANY, "bench");
    s.frame->SetClientSize(kClientW, kClientH);
    s.window = new CImageWindow(s.frame, s.doc.get());
    s.window->SetSize(0, 0, kClientW, kClientH);
    s.frame->Show();
    s.window->View().OnInitialUpdate();
  }
  return s;
}

// Visible rectangles: 0 the whole scan, 1 one scan pixel a screen pixel,
// 2 eight screen pixels a scan pixel.
RECT Visible(int zoom, int step) {
  const int x = 1000 + 37 * (step % 50), y = 1000 + 29 * (step % 50);
  switch (zoom) {
    case 0: return RECT{0, 0, 9999, 7999};
    case 1: return RECT{x, y, x + kClientW, y + kClientH};
    default: return RECT{x, y, x + kClientW / 8, y + kClientH / 8};
  }
}

void Refresh(benchmark::State& state) {
  const bool rgb = state.range(0) != 0;
  const int zoom = static_cast<int>(state.range(1));
  Setup& s = Scene(rgb);
  CQznView& v = s.window->View();
  v.clientSize = SIZE{kClientW, kClientH};
  int step = 0;
  for (auto _ : state) {
    v.visibleRect = Visible(zoom, step++);
    v.RecalcZoom();
    v.AllocDisplayBuffer(false);
    v.PaintDisplayBuffer();
    s.window->Recompose();
    wxClientDC dc(s.window);
    s.window->PaintRect(dc, wxRect(0, 0, kClientW, kClientH));
  }
  state.counters["view_bytes"] = static_cast<double>(v.DisplayBufferBytes() + s.window->CacheBytes());
}
BENCHMARK(Refresh)->ArgsProduct({{0, 1}, {0, 1, 2}})->ArgNames({"rgb", "zoom"})->Unit(benchmark::kMillisecond);

// The display buffer alone (the imaging library's share of a refresh).
void DisplayBufferOnly(benchmark::State& state) {
  const bool rgb = state.range(0) != 0;
  const int zoom = static_cast<int>(state.range(1));
  Setup& s = Scene(rgb);
  CQznView& v = s.window->View();
  v.clientSize = SIZE{kClientW, kClientH};
  int step = 0;
  for (auto _ : state) {
    v.visibleRect = Visible(zoom, step++);
    v.RecalcZoom();
    v.RenderDisplayBuffer(false);
  }
}
BENCHMARK(DisplayBufferOnly)
    ->ArgsProduct({{0, 1}, {0, 1, 2}})
    ->ArgNames({"rgb", "zoom"})
    ->Unit(benchmark::kMillisecond);

// The window's share: composing the cached picture, and painting it.
void RecomposeOnly(benchmark::State& state) {
  Setup& s = Scene(false);
  for (auto _ : state) s.window->Recompose();
}
BENCHMARK(RecomposeOnly)->Unit(benchmark::kMillisecond);

void PaintOnly(benchmark::State& state) {
  Setup& s = Scene(false);
  s.window->Recompose();
  for (auto _ : state) {
    wxClientDC dc(s.window);
    s.window->PaintRect(dc, wxRect(0, 0, kClientW, kClientH));
  }
}
BENCHMARK(PaintOnly)->Unit(benchmark::kMillisecond);

void MoveBandOnly(benchmark::State& state) {
  Setup& s = Scene(false);
  CQznView& v = s.window->View();
  s.window->Recompose();
  int step = 0;
  for (auto _ : state) {
    const int d = 100 + step++ % 700;
    v.Feedback().Set(kSlotToolBand, FeedbackShape::Frame(RECT{50, 50, 50 + d * 2, 50 + d}));
    wxClientDC dc(s.window);
    for (const RECT& r : v.Feedback().TakeDamage())
      s.window->PaintRect(dc, wxRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
  }
}
BENCHMARK(MoveBandOnly)->Unit(benchmark::kMillisecond);

// A preview step of the threshold or palette dialog on a 1920 x 1080 view:
// the palette changes, the display is remapped (not rendered again) and the
// window painted. 0 threshold band, 1 a whole palette.
void PreviewStep(benchmark::State& state) {
  const bool palette = state.range(0) != 0;
  Setup& s = Scene(false);
  CQznView& v = s.window->View();
  v.clientSize = SIZE{kClientW, kClientH};
  v.visibleRect = Visible(1, 0);
  v.RecalcZoom();
  v.AllocDisplayBuffer(false);
  v.PaintDisplayBuffer();
  int step = 0;
  ViewPalette p{};
  for (auto _ : state) {
    ++step;
    if (palette) {
      for (int i = 0; i < 256; ++i)
        p[static_cast<std::size_t>(i)] = PaletteEntry{BYTE(i + step), BYTE(i * 3 + step), BYTE(255 - i), 0};
      v.SetDisplayPalette(p.data(), 256);
    } else {
      v.PreviewThreshold(40, 100 + step % 100, true);
    }
    s.window->Recompose();
    wxClientDC dc(s.window);
    s.window->PaintRect(dc, wxRect(0, 0, kClientW, kClientH));
  }
}
BENCHMARK(PreviewStep)->Arg(0)->Arg(1)->ArgName("palette")->Unit(benchmark::kMillisecond);

// The view's memory for a quarter-size scan: the same as for the full one.
void ViewMemorySmallScan(benchmark::State& state) {
  auto doc = MakeScan(false, 5000, 4000);
  auto* frame = new wxFrame(nullptr, wxID_ANY, "bench");
  frame->SetClientSize(kClientW, kClientH);
  auto* w = new CImageWindow(frame, doc.get());
  w->SetSize(0, 0, kClientW, kClientH);
  w->View().OnInitialUpdate();
  w->View().clientSize = SIZE{kClientW, kClientH};
  w->View().AllocDisplayBuffer(false);
  for (auto _ : state) w->Recompose();
  state.counters["view_bytes"] = static_cast<double>(w->View().DisplayBufferBytes() + w->CacheBytes());
  frame->Destroy();
}
BENCHMARK(ViewMemorySmallScan)->Unit(benchmark::kMillisecond)->Iterations(3);

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
