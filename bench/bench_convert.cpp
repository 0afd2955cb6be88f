// The command-line conversion of a whole sheet, on two generated sheets as
// grey LZW TIFFs: the contour sheet (sheet 0, scangen::ContourSheet: 9672 x
// 8256, dense contour loops and a map grid that joins most of the ink into
// one region, 24 % ink) and the scanned sheet (sheet 1,
// scangen::ScannedSheet: the same size without a grid, terrain contours
// with grey edges and the scanner's noise, lettering and specks; thousands
// of separate regions, many reaching across much of the sheet). Each is
// converted by the `qzn` program (built beside the benchmarks' folder) by
// centre line and by outline. The whole process is timed, reading and
// writing included, with its peak resident memory; in the same run skimage's
// skeletonize is timed alone on the same image (already read and
// thresholded), as the yardstick the centre-line conversion must beat, and
// so is the potrace command on the same bitmap (the outline conversion's
// yardstick, the whole process). The conversions' arguments are the sheet
// and the thread count (QZN_THREADS; 0: every core); each conversion's file
// is compared with the one-thread run's of the same sheet (`same_as_1`).
//
//   build/bench/bench_convert [--benchmark_filter=...]
//   build/bench/bench_convert --benchmark_filter='Potrace/sheet:1|Outline/sheet:1'
//   QZN_BENCH_CONVERT_SIZE=4000x3000 for smaller sheets.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/scangen.h"

namespace {

struct Sheet {
  std::string dir, tif, pbm;
  std::int64_t width = 0, height = 0;
  bool ok = false;
  ~Sheet() {
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
  }
};

const Sheet& GetSheet(int kind) {
  static Sheet sheets[2];
  static bool made[2] = {false, false};
  Sheet& s = sheets[kind];
  if (made[kind]) return s;
  made[kind] = true;
  const scangen::Options opt = scangen::ConversionSheet(kind);
  s.width = opt.width;
  s.height = opt.height;
  char dir[] = "/tmp/qzn-bench-convert-XXXXXX";
  if (!mkdtemp(dir)) return s;
  s.dir = dir;
  s.tif = s.dir + "/sheet.tif";
  const scangen::GreyImage grey = scangen::Generate(opt);
  s.ok = scangen::WriteTiff(grey, s.tif, scangen::Compression::Lzw);
  // The bitmap potrace traces: ink (below 128) as set bits.
  s.pbm = s.dir + "/sheet.pbm";
  s.ok = s.ok && scangen::WritePbm(grey, s.pbm);
  return s;
}

std::string QznPath() {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  return (exe.parent_path().parent_path() / "qzn").string();
}

// Runs the program; wall seconds and peak resident kilobytes of the child.
bool RunTimed(const std::vector<std::string>& argv, double& seconds, long& peakKb, int threads = -1) {
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    if (threads >= 0) {
      if (threads > 0)
        setenv("QZN_THREADS", std::to_string(threads).c_str(), 1);
      else
        unsetenv("QZN_THREADS");
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return false;
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  peakKb = usage.ru_maxrss;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Python() {
  for (const char* py : {"/usr/bin/python3", "python3"})
    if (std::system((std::string(py) + " -c 'import skimage.morphology, PIL' >/dev/null 2>&1").c_str()) == 0) return py;
  return "";
}

// The yardsticks' times in this run, by sheet.
double g_skimageSeconds[2] = {0, 0};
double g_potraceSeconds[2] = {0, 0};

void Convert(benchmark::State& state, bool outline) {
  const int kind = static_cast<int>(state.range(0));
  const Sheet& sheet = GetSheet(kind);
  if (!sheet.ok) {
    state.SkipWithError("could not write the sheet");
    return;
  }
  const std::string qzn = QznPath();
  if (!std::filesystem::exists(qzn)) {
    state.SkipWithError("build the qzn program first");
    return;
  }
  const int threads = static_cast<int>(state.range(1));
  const std::string base = sheet.dir + (outline ? "/outline" : "/centre");
  const std::string out = base + "-" + std::to_string(threads) + ".gen", single = base + "-1.gen";
  std::vector<std::string> argv = {qzn, "-i", sheet.tif, "-o", out};
  if (outline) argv.push_back("-b");
  double seconds = 0;
  long peakKb = 0;
  for (auto _ : state) {
    if (!RunTimed(argv, seconds, peakKb, threads)) {
      state.SkipWithError("qzn failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
  const double imageMb = static_cast<double>(sheet.width) * sheet.height / 1e6;
  state.counters["seconds"] = seconds;
  state.counters["peak_MB"] = peakKb * 1024.0 / 1e6;
  state.counters["image_MB"] = imageMb;
  state.counters["peak/image"] = peakKb * 1024.0 / 1e6 / imageMb;
  state.counters["output_MB"] = std::filesystem::file_size(out) / 1e6;
  if (!outline && g_skimageSeconds[kind] > 0) state.counters["qzn/skeletonize"] = seconds / g_skimageSeconds[kind];
  if (outline && g_potraceSeconds[kind] > 0) state.counters["qzn/potrace"] = seconds / g_potraceSeconds[kind];
  // The one-thread file stays for the comparisons of the other counts.
  if (threads != 1 && std::filesystem::exists(single)) {
    state.counters["same_as_1"] = std::system(("cmp -s '" + out + "' '" + single + "'").c_str()) == 0;
    std::filesystem::remove(out);
  }
}

// skimage's skeletonize alone: the TIFF is read and thresholded outside the
// timed part.
void BM_SkimageSkeletonize(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const Sheet& sheet = GetSheet(kind);
  const std::string py = Python();
  if (!sheet.ok || py.empty()) {
    state.SkipWithError("python3 with skimage and Pillow is needed");
    return;
  }
  const std::string script = sheet.dir + "/skel.py", result = sheet.dir + "/seconds.txt";
  if (FILE* f = std::fopen(script.c_str(), "w")) {
    std::fputs(
        "import sys, time, numpy as np\n"
        "from PIL import Image\n"
        "from skimage.morphology import skeletonize\n"
        "Image.MAX_IMAGE_PIXELS = None\n"
        "img = np.asarray(Image.open(sys.argv[1])) < 128\n"
        "t = time.perf_counter()\n"
        "skeletonize(img)\n"
        "open(sys.argv[2], 'w').write('%f' % (time.perf_counter() - t))\n",
        f);
    std::fclose(f);
  }
  for (auto _ : state) {
    if (std::system((py + " " + script + " " + sheet.tif + " " + result).c_str()) != 0) {
      state.SkipWithError("skimage run failed");
      return;
    }
    if (FILE* f = std::fopen(result.c_str(), "r")) {
      if (std::fscanf(f, "%lf", &g_skimageSeconds[kind]) != 1) g_skimageSeconds[kind] = 0;
      std::fclose(f);
    }
    state.SetIterationTime(g_skimageSeconds[kind]);
  }
  state.counters["seconds"] = g_skimageSeconds[kind];
}

// The potrace command on the sheet's bitmap, the whole process.
void BM_Potrace(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const Sheet& sheet = GetSheet(kind);
  if (!sheet.ok || std::system("command -v potrace >/dev/null 2>&1") != 0) {
    state.SkipWithError("potrace is needed");
    return;
  }
  const std::vector<std::string> argv = {"/bin/sh", "-c",
                                         "potrace -b svg -o '" + sheet.dir + "/potrace.svg' '" + sheet.pbm + "'"};
  double seconds = 0;
  long peakKb = 0;
  for (auto _ : state) {
    if (!RunTimed(argv, seconds, peakKb)) {
      state.SkipWithError("potrace failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
  g_potraceSeconds[kind] = seconds;
  state.counters["seconds"] = seconds;
  state.counters["peak_MB"] = peakKb * 1024.0 / 1e6;
}

void BM_ConvertCentreLine(benchmark::State& state) { Convert(state, false); }
void BM_ConvertOutline(benchmark::State& state) { Convert(state, true); }

}  // namespace

// Both sheets, the one-thread run first: the others are compared with it.
void SheetsAndThreads(benchmark::internal::Benchmark* b) {
  b->ArgNames({"sheet", "threads"});
  for (int sheet : {0, 1})
    for (int threads : {1, 2, 3, 0}) b->Args({sheet, threads});
}

BENCHMARK(BM_SkimageSkeletonize)
    ->ArgName("sheet")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kSecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(BM_Potrace)->ArgName("sheet")->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_ConvertCentreLine)->Apply(SheetsAndThreads)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_ConvertOutline)->Apply(SheetsAndThreads)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
