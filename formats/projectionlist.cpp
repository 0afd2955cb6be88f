#include "formats/projectionlist.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "georef/projection.h"
#include "georef/stateplane.h"
#include "platform/atomicfile.h"
#include "platform/textfile.h"

namespace qzn {

namespace {

// MapInfo's projection numbers.
enum MapInfoProjection : int { kLongLat = 1, kLambertConic = 3, kTransverseMercator = 8 };

// The datums of the longitude/latitude records, by MapInfo's datum number.
struct Datum {
  const char* name;
  int number;
};
constexpr Datum kDatums[] = {
    {"WGS 84", 104},  {"WGS 72", 103}, {"NAD 83", 74},  {"NAD 27", 62},
    {"ETRS 89", 115}, {"ED 50", 28},   {"OSGB 36", 79}, {"Pulkovo 1942", 1001},
    {"Tokyo", 97},    {"GDA 94", 116}, {"AGD 84", 13},  {"South American 1969", 92},
};
constexpr int kWgs84 = 104;

// The State Plane datums by the semi-major axis of the zone's ellipsoid: NAD
// 83 on GRS 80, NAD 27 on Clarke 1866, and Michigan's NAD 27 zones on the
// Clarke 1866 that the state enlarged.
struct PlaneDatum {
  double a;
  int number;
};
constexpr PlaneDatum kPlaneDatums[] = {{6378137.0, 74}, {6378206.4, 62}, {6378450.047, 73}};

// 0 for an ellipsoid none of them has.
int PlaneDatumOf(const StatePlaneZone& z) {
  for (const PlaneDatum& d : kPlaneDatums)
    if (std::fabs(z.p[0] - d.a) < 1e-3) return d.number;
  return 0;
}

constexpr int kUtmZones = 60;

// Numbers as short as they read back exactly enough for a clause.
std::string Num(double v) { return FormatC("%.12g", v); }

// A table angle (packed DDDMMSS.SS) in decimal degrees.
bool Degrees(double packed, double& degrees) {
  int error = 0;
  degrees = PackedDmsToDegrees(AltPackedDmsToPacked(packed), error);
  return error == 0;
}

// The clause parameters of a State Plane zone in metres; false for a kind the
// list leaves out.
bool ZoneParameters(const StatePlaneZone& z, std::string& out) {
  const int datum = PlaneDatumOf(z);
  double lon0 = 0, lat0 = 0;
  if (datum == 0) return false;
  if (!Degrees(z.p[2], lon0) || !Degrees(z.p[6], lat0)) return false;
  const std::string head = ", \"m\", " + Num(lon0) + ", " + Num(lat0) + ", ";
  const std::string tail = Num(z.p[7]) + ", " + Num(z.p[8]);
  if (z.type == 1) {
    out = std::to_string(kTransverseMercator) + ", " + std::to_string(datum) + head + Num(z.p[3]) + ", " + tail;
    return true;
  }
  if (z.type == 2) {
    double sp1 = 0, sp2 = 0;
    if (!Degrees(z.p[4], sp1) || !Degrees(z.p[5], sp2)) return false;
    out =
        std::to_string(kLambertConic) + ", " + std::to_string(datum) + head + Num(sp1) + ", " + Num(sp2) + ", " + tail;
    return true;
  }
  return false;
}

void Record(std::string& list, const std::string& name, const std::string& parameters) {
  list += "\"" + name + "\", " + parameters + "\n";
}

}  // namespace

std::string ProjectionListText() {
  std::string list;
  for (const Datum& d : kDatums)
    Record(list, "Longitude / Latitude (" + std::string(d.name) + ")",
           std::to_string(kLongLat) + ", " + std::to_string(d.number));
  for (int south = 0; south <= 1; ++south)
    for (int zone = 1; zone <= kUtmZones; ++zone)
      Record(list, FormatC("UTM Zone %d, %s Hemisphere (WGS 84)", zone, south ? "Southern" : "Northern"),
             FormatC("%d, %d, \"m\", %d, 0, 0.9996, 500000, %d", kTransverseMercator, kWgs84, 6 * zone - 183,
                     south ? 10000000 : 0));
  for (int nad83 = 1; nad83 >= 0; --nad83) {
    const StatePlaneZone* table = nad83 ? g_statePlaneNad83 : g_statePlaneNad27;
    for (int i = 0; i < STATE_PLANE_ZONE_COUNT; ++i) {
      std::string parameters;
      if (ZoneParameters(table[i], parameters))
        Record(list, "State Plane " + StatePlaneDisplayText(table[i]) + (nad83 ? " (NAD 83)" : " (NAD 27)"),
               parameters);
    }
  }
  return list;
}

bool WriteProjectionList(const std::string& path) {
  const std::string text = ProjectionListText();
  CAtomicFile file;
  return file.Open(path) && file.Write(text.data(), text.size()) && file.Commit();
}

std::string FindOrWriteProjectionList(const std::string& programDir, const std::string& fallbackDir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!programDir.empty()) {
    const fs::path beside = fs::path(programDir) / kProjectionListFile;
    if (fs::is_regular_file(beside, ec)) return beside.string();
  }
  if (fallbackDir.empty()) return std::string();
  const fs::path own = fs::path(fallbackDir) / kProjectionListFile;
  // Written again each time: the list follows the program's tables.
  fs::create_directories(fallbackDir, ec);
  return WriteProjectionList(own.string()) ? own.string() : std::string();
}

}  // namespace qzn
