// Conversions per second of the UTM and State Plane conversions, beside
// PROJ's (through pyproj, on numpy arrays) for the same kind of points in the
// same run. The control-point list and the vector exports convert every
// vertex, so a drawing of 100,000 lines means millions of conversions.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <unistd.h>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "georef/projection.h"
#include "georef/stateplane.h"
#include "georef/utm.h"

using namespace qzn;

namespace {

constexpr std::int64_t kPoints = 1 << 20;
constexpr int kWgs84 = 23;

struct LatLon {
  double lat, lon;
};

// Points over the whole UTM latitude range, any longitude.
const std::vector<LatLon>& WorldPoints() {
  static const std::vector<LatLon> points = [] {
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> lat(-79.9, 83.9), lon(-180.0, 180.0);
    std::vector<LatLon> v(static_cast<size_t>(kPoints));
    for (auto& p : v) p = {lat(rng), lon(rng)};
    return v;
  }();
  return points;
}

void BM_UtmForward(benchmark::State& state) {
  const auto& pts = WorldPoints();
  char zone[16];
  double n = 0, e = 0;
  for (auto _ : state) {
    for (const auto& p : pts) {
      LatLongToUtm(kWgs84, p.lat, p.lon, n, e, zone);
      benchmark::DoNotOptimize(n);
      benchmark::DoNotOptimize(e);
    }
  }
  state.counters["conv_per_s"] =
      benchmark::Counter(static_cast<double>(kPoints), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_UtmForward)->Unit(benchmark::kMillisecond);

void BM_UtmInverse(benchmark::State& state) {
  const auto& pts = WorldPoints();
  struct Utm {
    double n, e;
    char zone[16];
  };
  std::vector<Utm> utm(pts.size());
  for (size_t i = 0; i < pts.size(); ++i) LatLongToUtm(kWgs84, pts[i].lat, pts[i].lon, utm[i].n, utm[i].e, utm[i].zone);
  double lat = 0, lon = 0;
  for (auto _ : state) {
    for (const auto& u : utm) {
      UtmToLatLong(kWgs84, u.n, u.e, u.zone, lat, lon);
      benchmark::DoNotOptimize(lat);
      benchmark::DoNotOptimize(lon);
    }
  }
  state.counters["conv_per_s"] =
      benchmark::Counter(static_cast<double>(kPoints), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_UtmInverse)->Unit(benchmark::kMillisecond);

// State Plane: one zone of each projection, points over a 2 x 2 degree box
// round the zone.
struct SpZone {
  const char* text;
  double lon0, lat0;  // box centre, degrees
};
constexpr SpZone kSpZones[] = {
    {"ALABAMA EAST - 101", -85.8, 33.0},         // transverse Mercator
    {"ARKANSAS NORTH - 301", -92.0, 35.5},       // Lambert
    {"ALASKA ZONE NO. 1 - 5001", -134.0, 57.5},  // oblique Mercator
};

std::vector<LatLon> BoxPoints(double lon0, double lat0) {
  std::mt19937_64 rng(777);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  std::vector<LatLon> v(static_cast<size_t>(kPoints));
  for (auto& p : v) p = {(lat0 + d(rng)) * DEG_TO_RAD, (lon0 + d(rng)) * DEG_TO_RAD};
  return v;
}

// Converts every point once per iteration through the chosen zone; inverse
// runs on the forward results.
void StatePlaneBench(benchmark::State& state, bool forward) {
  const SpZone& z = kSpZones[state.range(0)];
  CStatePlane sp;
  if (sp.SetZone(1, z.text, forward ? CStatePlane::FORWARD : CStatePlane::INVERSE) != PROJ_OK) {
    state.SkipWithError("zone set-up failed");
    return;
  }
  const auto pts = BoxPoints(z.lon0, z.lat0);
  std::vector<std::array<double, 2>> in(pts.size());
  for (size_t i = 0; i < pts.size(); ++i) {
    in[i] = {pts[i].lon, pts[i].lat};
    if (!forward) sp.Forward(pts[i].lon, pts[i].lat, in[i][0], in[i][1]);
  }
  double u = 0, v = 0;
  for (auto _ : state) {
    for (const auto& p : in) {
      if (forward)
        sp.Forward(p[0], p[1], u, v);
      else
        sp.Inverse(p[0], p[1], u, v);
      benchmark::DoNotOptimize(u);
      benchmark::DoNotOptimize(v);
    }
  }
  state.SetLabel(z.text);
  state.counters["conv_per_s"] =
      benchmark::Counter(static_cast<double>(kPoints), benchmark::Counter::kIsIterationInvariantRate);
}
void BM_StatePlaneForward(benchmark::State& state) { StatePlaneBench(state, true); }
void BM_StatePlaneInverse(benchmark::State& state) { StatePlaneBench(state, false); }
BENCHMARK(BM_StatePlaneForward)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StatePlaneInverse)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// --- PROJ through pyproj -------------------------------------------------------

// Times PROJ on the same kinds of points (numpy arrays, one transform call
// per direction, best of three) and prints "name rate" lines.
const char* kPyprojScript = R"PY(
import sys, time
import numpy as np
from pyproj import Proj
n = int(sys.argv[1])
rng = np.random.default_rng(1)
def best(f):
    t = min(timeit(f) for _ in range(3))
    return n / t
def timeit(f):
    t0 = time.perf_counter(); f(); return time.perf_counter() - t0
out = {}
# UTM: one zone per call, as a converter works zone by zone.
p = Proj("+proj=utm +zone=31 +ellps=WGS84")
lon = rng.uniform(0, 6, n); lat = rng.uniform(0, 83.9, n)
x, y = p(lon, lat)
out["utm_forward"] = best(lambda: p(lon, lat))
out["utm_inverse"] = best(lambda: p(x, y, inverse=True))
zones = {
  "sp_tmerc": ("+proj=tmerc +lat_0=30.5 +lon_0=-85.8333333333333 +k_0=0.99996 +x_0=200000 +y_0=0", -85.8, 33.0),
  "sp_lcc": ("+proj=lcc +lat_1=36.2333333333333 +lat_2=34.9333333333333 +lat_0=34.3333333333333 +lon_0=-92 +x_0=400000 +y_0=0", -92.0, 35.5),
  "sp_omerc": ("+proj=omerc +lat_0=57 +lonc=-133.666666666667 +alpha=-36.8698976458333 +k_0=0.9999 +x_0=818676.734 +y_0=575097.689", -134.0, 57.5),
}
for name, (s, lon0, lat0) in zones.items():
    p = Proj(s + " +ellps=GRS80")
    lon = lon0 + rng.uniform(-1, 1, n); lat = lat0 + rng.uniform(-1, 1, n)
    x, y = p(lon, lat)
    out[name + "_forward"] = best(lambda: p(lon, lat))
    out[name + "_inverse"] = best(lambda: p(x, y, inverse=True))
for k, v in out.items():
    print(k, v)
)PY";

std::string PyprojPython() {
  for (const char* py : {"python3", "/usr/bin/python3"}) {
    const std::string cmd = std::string(py) + " -c 'import pyproj, numpy' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) == 0) return py;
  }
  return "";
}

// name -> conversions per second; empty when pyproj is not available.
const std::map<std::string, double>& PyprojRates() {
  static const std::map<std::string, double> rates = [] {
    std::map<std::string, double> r;
    const std::string py = PyprojPython();
    if (py.empty()) return r;
    char path[] = "/tmp/qzn_bench_projXXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return r;
    FILE* f = fdopen(fd, "w");
    std::fputs(kPyprojScript, f);
    std::fclose(f);
    const std::string cmd = py + " " + path + " " + std::to_string(kPoints);
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    char line[256];
    while (pipe && std::fgets(line, sizeof line, pipe.get())) {
      std::istringstream in(line);
      std::string name;
      double rate = 0;
      if (in >> name >> rate) r[name] = rate;
    }
    pipe.reset();
    std::remove(path);
    return r;
  }();
  return rates;
}

void BM_Pyproj(benchmark::State& state, const char* name) {
  for (auto _ : state) benchmark::DoNotOptimize(PyprojRates().size());
  const auto& rates = PyprojRates();
  const auto it = rates.find(name);
  if (it == rates.end()) {
    state.SkipWithError("python3 with pyproj and numpy is not available");
    return;
  }
  state.counters["conv_per_s"] = it->second;
}
BENCHMARK_CAPTURE(BM_Pyproj, UtmForward, "utm_forward")->Iterations(1);
BENCHMARK_CAPTURE(BM_Pyproj, UtmInverse, "utm_inverse")->Iterations(1);
BENCHMARK_CAPTURE(BM_Pyproj, TmercForward, "sp_tmerc_forward")->Iterations(1);
BENCHMARK_CAPTURE(BM_Pyproj, LccForward, "sp_lcc_forward")->Iterations(1);
BENCHMARK_CAPTURE(BM_Pyproj, OmercForward, "sp_omerc_forward")->Iterations(1);
BENCHMARK_CAPTURE(BM_Pyproj, TmercInverse, "sp_tmerc_inverse")->Iterations(1);
BENCHMARK_CAPTURE(BM_Pyproj, LccInverse, "sp_lcc_inverse")->Iterations(1);
BENCHMARK_CAPTURE(BM_Pyproj, OmercInverse, "sp_omerc_inverse")->Iterations(1);

}  // namespace
