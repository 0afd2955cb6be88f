// The object archive and the text files at project size: a 100 MB archive
// file loaded from disk, 100,000 lines of 20 vertices stored and loaded as
// objects, and a million-line GBK text file written and read.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/archive.h"
#include "platform/textfile.h"

using namespace qzn;

namespace {

std::string ScratchPath(const char* name) {
  auto dir = std::filesystem::temp_directory_path() / ("qzn-bench-archive-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

// A line as the project file keeps it: a name, an ID, a pen and its vertices.
class BenchLine : public CObject {
  QZN_DECLARE_SERIAL(BenchLine)
 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar.WriteString(name);
      ar << id << width << color;
      ar.WriteCount(static_cast<std::uint32_t>(xy.size() / 2));
      for (float v : xy) ar << v;
    } else {
      name = ar.ReadString();
      ar >> id >> width >> color;
      std::uint32_t n = ar.ReadCount(8);
      xy.resize(2 * static_cast<std::size_t>(n));
      for (float& v : xy) ar >> v;
    }
  }
  std::string name;
  float id = 0;
  std::int32_t width = 1;
  std::uint32_t color = 0;
  std::vector<float> xy;
};
QZN_IMPLEMENT_SERIAL(BenchLine, CObject, 1)

std::vector<std::unique_ptr<BenchLine>> MakeLines() {
  std::vector<std::unique_ptr<BenchLine>> lines;
  for (int i = 0; i < 100000; ++i) {
    auto l = std::make_unique<BenchLine>();
    l->name = (i % 10 == 0) ? "等高线" : "contour";
    l->id = static_cast<float>(i % 50) * 10;
    for (int k = 0; k < 40; ++k) l->xy.push_back(static_cast<float>(i + k));
    lines.push_back(std::move(l));
  }
  return lines;
}

void BM_ArchiveLoad100MBFile(benchmark::State& state) {
  std::string path = ScratchPath("big.qzn");
  {
    auto ar = CArchive::OpenForStore(path);
    std::vector<std::uint8_t> block(1 << 20, 0x5A);
    ar->WriteCount(100);
    for (int i = 0; i < 100; ++i) ar->Write(block.data(), block.size());
    ar->Close();
  }
  std::vector<std::uint8_t> block(1 << 20);
  for (auto _ : state) {
    auto in = CArchive::OpenForLoad(path);
    std::uint32_t n = in->ReadCount(1 << 20);
    for (std::uint32_t i = 0; i < n; ++i) in->Read(block.data(), block.size());
    benchmark::DoNotOptimize(block.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (100 << 20));
  std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
BENCHMARK(BM_ArchiveLoad100MBFile)->Unit(benchmark::kMillisecond);

void BM_ArchiveStore100kLines(benchmark::State& state) {
  auto lines = MakeLines();
  std::size_t bytes = 0;
  for (auto _ : state) {
    CArchive ar;
    ar.WriteCount(static_cast<std::uint32_t>(lines.size()));
    for (const auto& l : lines) ar.WriteObject(l.get());
    bytes = ar.GetBuffer().size();
    benchmark::DoNotOptimize(ar.GetBuffer().data());
  }
  state.counters["MB"] = static_cast<double>(bytes) / (1 << 20);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 100000);
}
BENCHMARK(BM_ArchiveStore100kLines)->Unit(benchmark::kMillisecond);

void BM_ArchiveLoad100kLines(benchmark::State& state) {
  std::vector<std::uint8_t> bytes;
  {
    auto lines = MakeLines();
    CArchive ar;
    ar.WriteCount(static_cast<std::uint32_t>(lines.size()));
    for (const auto& l : lines) ar.WriteObject(l.get());
    bytes = ar.GetBuffer();
  }
  for (auto _ : state) {
    CArchive ar(bytes);
    std::uint32_t n = ar.ReadCount(2);
    std::vector<std::unique_ptr<BenchLine>> lines;
    lines.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) lines.emplace_back(ar.ReadOwnedObjectAs<BenchLine>());
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 100000);
}
BENCHMARK(BM_ArchiveLoad100kLines)->Unit(benchmark::kMillisecond);

void BM_TextWriteMillionLines(benchmark::State& state) {
  std::string path = ScratchPath("lines.txt");
  for (auto _ : state) {
    CTextFileWriter w;
    w.Open(path);
    for (int i = 0; i < 1000000; ++i) {
      if (i % 100 == 0)
        w.WriteLine("高程 Elevation");
      else
        w.Printf("%d %.3f %.3f\n", i, i * 0.5, i * 0.25);
    }
    if (!w.Close()) state.SkipWithError("write failed");
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 1000000);
  std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
BENCHMARK(BM_TextWriteMillionLines)->Unit(benchmark::kMillisecond);

void BM_TextReadMillionLines(benchmark::State& state) {
  std::string path = ScratchPath("lines.txt");
  {
    CTextFileWriter w;
    w.Open(path);
    for (int i = 0; i < 1000000; ++i) {
      if (i % 100 == 0)
        w.WriteLine("高程 Elevation");
      else
        w.Printf("%d %.3f %.3f\n", i, i * 0.5, i * 0.25);
    }
    w.Close();
  }
  for (auto _ : state) {
    CTextFileReader r;
    r.Open(path);
    std::string line;
    double sum = 0, v = 0;
    while (r.ReadLine(line)) {
      auto sp = line.find(' ');
      if (ParseDouble(std::string_view(line).substr(0, sp), v)) sum += v;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 1000000);
  std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
BENCHMARK(BM_TextReadMillionLines)->Unit(benchmark::kMillisecond);

}  // namespace
