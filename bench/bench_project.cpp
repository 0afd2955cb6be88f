// The project file at map size: a workspace of 100,000 lines of 20 vertices
// (a contour sheet), with 10,000 points and 5,000 notes, saved (laid out,
// written, synced, the previous file kept as .pbk) and read back; and OCR of
// 10,000 glyph blocks against 60 trained signatures.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "app/charlist.h"
#include "app/qzndoc.h"
#include "platform/host.h"

using namespace qzn;

namespace {

constexpr int kW = 20000, kH = 15000;

// A scratch folder removed when the program ends.
struct ScratchDir {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("qzn_bench_project_" + std::to_string(getpid()));
  ScratchDir() { std::filesystem::create_directories(path); }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

std::string BenchDir() {
  static const ScratchDir dir;
  return dir.path.string();
}

CQznDoc& Workspace() {
  static auto doc = [] {
    auto d = std::make_unique<CQznDoc>();
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> x(0, kW - 400), y(0, kH - 400), step(-20, 20);
    for (int i = 0; i < 100000; ++i) {
      CChain* c = d->m_lines.NewChain();
      float px = x(rng), py = y(rng);
      for (int k = 0; k < 20; ++k) {
        c->AddPoint(px, py);
        px += 15 + step(rng) * 0.2f;
        py += step(rng);
      }
      c->m_fID = static_cast<float>(10 * (i % 50));
      c->m_nLayer = i % 4;
      c->CalcBounds();
    }
    for (int i = 0; i < 10000; ++i) d->m_points.AddPoint(x(rng), y(rng), static_cast<float>(i), 7, 0);
    for (int i = 0; i < 5000; ++i) {
      const int l = static_cast<int>(x(rng)), t = static_cast<int>(y(rng));
      d->m_notes.AddNote(RECT{l, t, l + 60, t + 16}, "高程 " + std::to_string(i));
    }
    return d;
  }();
  return *doc;
}

void BM_SaveProject(benchmark::State& state) {
  CQznDoc& doc = Workspace();
  const std::string path = BenchDir() + "/sheet.prj";
  for (auto _ : state) {
    if (!doc.SaveProject(path)) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadProject(benchmark::State& state) {
  const std::string path = BenchDir() + "/sheet.prj";
  if (!std::filesystem::exists(path)) Workspace().SaveProject(path);
  for (auto _ : state) {
    CQznDoc doc;
    if (!doc.ReadProject(path) || doc.m_lines.GetCount() != 100000) state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadProject)->Unit(benchmark::kMillisecond)->UseRealTime();

// 10,000 glyph boxes of 12 x 16 pixels in words of 5, matched against 60
// signatures of 32 x 32 cells.
void BM_RecognizeText(benchmark::State& state) {
  CQznDoc doc;
  CRasterImage& img = doc.m_image;
  img.width = 4000;
  img.height = 2000;
  img.planes = 1;
  img.bitsPerSample = 8;
  img.photometric = 1;
  img.AllocPixels();
  std::mt19937 rng(3);
  for (int yy = 0; yy < img.height; ++yy)
    for (int xx = 0; xx < img.width; ++xx) img.SetByte(xx, yy, (rng() % 7 == 0) ? 0 : 255);
  doc.m_nThreshHigh = 128;
  for (int i = 0; i < 60; ++i) doc.m_chars.AddSample(&doc, RECT{i * 14, 0, i * 14 + 12, 16}, 'A' + i % 26);
  for (auto _ : state) {
    state.PauseTiming();
    doc.m_notes.DeleteAll();
    doc.m_textBlocks.RemoveAll();
    CBox* prev = nullptr;
    for (int i = 0; i < 10000; ++i) {
      const int col = i % 250, row = i / 250;
      CBox* b = doc.m_textBlocks.AddBox(RECT{col * 16, row * 20 + 20, col * 16 + 12, row * 20 + 36}, 0);
      if (i % 5 && prev) {
        prev->m_pNext = b;
        b->m_pPrev = prev;
      }
      prev = b;
    }
    state.ResumeTiming();
    benchmark::DoNotOptimize(doc.m_notes.RecognizeTextBoxes(&doc, &doc.m_textBlocks, &doc.m_chars));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 10000);
}
BENCHMARK(BM_RecognizeText)->Unit(benchmark::kMillisecond);

}  // namespace
