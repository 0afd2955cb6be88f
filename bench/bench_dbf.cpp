// dBASE tables at shapefile size: appending 1,000,000 rows of the shapefile
// writer's layout (one ID field, "%15.3f"), indexing them on a number key,
// appending with the index open, and reading every row back by number.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "formats/dbf.h"
#include "formats/dbfindex.h"
#include "platform/host.h"

namespace {

using namespace qzn;

// A folder of the run's own, removed when the program ends.
struct ScratchDir {
  std::filesystem::path path = std::filesystem::temp_directory_path() / ("qzn-bench-dbf-" + std::to_string(::getpid()));
  ScratchDir() { std::filesystem::create_directories(path); }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

std::string Scratch(const char* name) {
  static ScratchDir dir;
  return (dir.path / name).string();
}

DbfField IdField() {
  DbfField f{};
  std::strcpy(f.name, "ID");
  f.type = 'F';
  f.width = 16;
  f.decimals = 3;
  return f;
}

// Appends rows as the shapefile writer does: the record buffer filled in
// place, then written as a new record. Random IDs so that an index sees keys
// in no order.
void AppendRows(std::int64_t rows, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> id(-1e6, 1e6);
  char text[32];
  for (std::int64_t i = 0; i < rows; ++i) {
    char* rec = DbfRecordBuffer();
    std::memset(rec, ' ', 17);
    std::snprintf(text, sizeof text, "%15.3f", id(rng));
    std::memcpy(rec + 1, text, 15);
    if (DbfWriteRecord(0) != 0) std::abort();
  }
}

void BM_DbfAppend(benchmark::State& state) {
  const std::string path = Scratch("append.dbf");
  const DbfField f = IdField();
  for (auto _ : state) {
    if (DbfCreate(path, 1, &f, 0) < 0) std::abort();
    AppendRows(state.range(0), 1);
    DbfClose();
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(state.range(0) * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DbfAppend)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DbfIndexExistingRows(benchmark::State& state) {
  const std::string path = Scratch("index.dbf");
  const DbfField f = IdField();
  if (DbfCreate(path, 1, &f, 0) < 0) std::abort();
  AppendRows(state.range(0), 2);
  for (auto _ : state) {
    if (DbfIndexCreate(Scratch("index.ndx"), "ID", 0) < 0) std::abort();
  }
  DbfClose();
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(state.range(0) * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DbfIndexExistingRows)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DbfAppendIndexed(benchmark::State& state) {
  const std::string path = Scratch("indexed.dbf");
  const DbfField f = IdField();
  for (auto _ : state) {
    if (DbfCreate(path, 1, &f, 0) < 0) std::abort();
    if (DbfIndexCreate(Scratch("indexed.ndx"), "ID", 0) < 0) std::abort();
    AppendRows(state.range(0), 3);
    DbfClose();
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(state.range(0) * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DbfAppendIndexed)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DbfReadByNumber(benchmark::State& state) {
  const std::string path = Scratch("read.dbf");
  const DbfField f = IdField();
  if (DbfCreate(path, 1, &f, 0) < 0) std::abort();
  AppendRows(state.range(0), 4);
  const DbfFieldRefT id = DbfFieldRef("ID");
  for (auto _ : state) {
    double sum = 0;
    for (std::int64_t r = 1; r <= state.range(0); ++r) {
      if (DbfGoRecord(r) != 0) std::abort();
      sum += std::atof(DbfFieldText(id));
    }
    benchmark::DoNotOptimize(sum);
  }
  DbfClose();
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(state.range(0) * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DbfReadByNumber)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
