// The projection list of the MIF export, checked against OGR and PROJ: every
// record, made into the clause the MIF dialog builds from it, is read by OGR;
// a longitude/latitude record names a datum on the ellipsoid of our own
// table; a UTM or State Plane record, inverted by PROJ, gives back the
// longitude and latitude that our own converters projected.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "formats/exportoptions.h"
#include "formats/projectionlist.h"
#include "georef/projection.h"
#include "georef/stateplane.h"
#include "georef/utm.h"
#include "platform/textfile.h"
#include "tests/formats/export_test_util.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

// The datums of the longitude/latitude records and the rows of our
// ellipsoid table they lie on.
struct DatumCase {
  const char* name;
  int ellipsoid;
};
constexpr DatumCase kDatums[] = {
    {"WGS 84", 23}, {"WGS 72", 22},       {"NAD 83", 11}, {"NAD 27", 5},  {"ETRS 89", 11}, {"ED 50", 14},
    {"OSGB 36", 1}, {"Pulkovo 1942", 15}, {"Tokyo", 3},   {"GDA 94", 11}, {"AGD 84", 2},   {"South American 1969", 19},
};

double TableDegrees(double packed) {
  int error = 0;
  return PackedDmsToDegrees(AltPackedDmsToPacked(packed), error);
}

// Whose name the record has: the clause the dialog makes from it.
std::string ClauseOf(const std::string& record) {
  MifParamOptions o;
  o.coordSys = MifParamOptions::earth;
  o.projection = record;
  return o.Clause();
}

// One oracle line: "geo|clause|a|inverse flattening" or
// "proj|clause|x|y|lon|lat".
void Expectations(const std::string& list, std::string& out) {
  std::istringstream lines(list);
  std::string record;
  int geo = 0, utm = 0, plane = 0;
  while (std::getline(lines, record)) {
    const std::string clause = ClauseOf(record);
    EXPECT_FALSE(clause.empty()) << record;
    if (record.rfind("\"Longitude / Latitude (", 0) == 0) {
      for (const DatumCase& d : kDatums)
        if (record.find(std::string("(") + d.name + ")\"") != std::string::npos) {
          const Ellipsoid& e = g_ellipsoids[d.ellipsoid];
          const double f = 1.0 - std::sqrt(1.0 - e.eccentricitySquared);
          out += FormatC("geo|%s|%.4f|%.9f\n", clause.c_str(), e.equatorialRadius, 1.0 / f);
          ++geo;
        }
    } else if (record.rfind("\"UTM Zone ", 0) == 0) {
      int zone = 0;
      char hemisphere[16] = {};
      ASSERT_EQ(std::sscanf(record.c_str(), "\"UTM Zone %d, %15s", &zone, hemisphere), 2) << record;
      const double lon = 6.0 * zone - 183 + 1.25, lat = std::string(hemisphere) == "Southern" ? -33.5 : 47.5;
      double north = 0, east = 0;
      char text[16] = {};
      EXPECT_EQ(LatLongToUtm(23, lat, lon, north, east, text), PROJ_OK) << record;
      out += FormatC("proj|%s|%.4f|%.4f|%.10f|%.10f\n", clause.c_str(), east, north, lon, lat);
      ++utm;
    } else {
      // "State Plane <zone display text> (NAD 83)"
      const bool nad83 = record.find("(NAD 83)\"") != std::string::npos;
      const StatePlaneZone* table = nad83 ? g_statePlaneNad83 : g_statePlaneNad27;
      const StatePlaneZone* z = nullptr;
      for (int i = 0; i < STATE_PLANE_ZONE_COUNT; ++i)
        if (record.find(" " + StatePlaneDisplayText(table[i]) + " (") != std::string::npos) z = &table[i];
      ASSERT_NE(z, nullptr) << record;
      CStatePlane converter;
      ASSERT_EQ(converter.SetZone(nad83 ? 1 : 0, StatePlaneDisplayText(*z), CStatePlane::FORWARD), PROJ_OK) << record;
      // A point inside the zone: off the central meridian, between the
      // standard parallels of a conic zone, north of a transverse one's origin.
      const double lon = TableDegrees(z->p[2]) + 0.4;
      const double lat =
          z->type == 2 ? (TableDegrees(z->p[4]) + TableDegrees(z->p[5])) / 2 : TableDegrees(z->p[6]) + 1.2;
      double x = 0, y = 0;
      ASSERT_EQ(converter.Forward(lon * DEG_TO_RAD, lat * DEG_TO_RAD, x, y), PROJ_OK) << record;
      out += FormatC("proj|%s|%.4f|%.4f|%.10f|%.10f\n", clause.c_str(), x, y, lon, lat);
      ++plane;
    }
  }
  EXPECT_EQ(geo, static_cast<int>(std::size(kDatums)));
  EXPECT_EQ(utm, 120);  // 60 zones, north and south
  EXPECT_GT(plane, 200);
}

constexpr const char* kOracle = R"PY(
import sys, os
from osgeo import ogr, osr
ogr.UseExceptions(); osr.UseExceptions()
folder = sys.argv[2]
bad = 0
for n, line in enumerate(open(sys.argv[1], encoding='utf-8')):
    f = line.rstrip('\n').split('|')
    mif = os.path.join(folder, 'p%d.mif' % n)
    with open(mif, 'w') as out:
        out.write('Version 300\nCharset "WindowsLatin1"\nDelimiter ","\n' + f[1].replace('\\n', '\n') +
                  '\nColumns 1\n  ID Smallint\nData\nPoint 1 2\n')
    open(mif[:-3] + 'mid', 'w').write('1\n')
    ds = ogr.Open(mif)  # kept: the layer lives only as long as its source
    srs = ds.GetLayer(0).GetSpatialRef()
    if srs is None:
        print('no coordinate system:', f[1]); bad += 1; continue
    if f[0] == 'geo':
        ok = srs.IsGeographic() and abs(srs.GetSemiMajor() - float(f[2])) < 1e-3 and \
             abs(srs.GetInvFlattening() - float(f[3])) < 1e-6
        if not ok:
            print('datum', f[1], srs.GetSemiMajor(), srs.GetInvFlattening(), f[2], f[3]); bad += 1
    else:
        geo = srs.CloneGeogCS()
        geo.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
        srs.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
        lon, lat, _ = osr.CoordinateTransformation(srs, geo).TransformPoint(float(f[2]), float(f[3]))
        if abs(lon - float(f[4])) > 2e-6 or abs(lat - float(f[5])) > 2e-6:
            print('projection', f[1], lon, lat, f[4], f[5]); bad += 1
print('bad', bad)
)PY";

}  // namespace

TEST(ProjectionList, EveryRecordGivesOgrTheCoordinateSystemOfOurTables) {
  QZN_REQUIRE_PYTHON_MODULES("osgeo");
  qzntest::TempDir dir;
  const std::string expectations = dir.file("expected.txt");
  std::string lines;
  Expectations(ProjectionListText(), lines);
  qzntest::WriteFileText(expectations, lines);
  const std::string out = exporttest::RunOracle(dir, kOracle, {expectations, dir.path().string()});
  EXPECT_NE(out.find("bad 0\n"), std::string::npos) << out;
}

TEST(ProjectionList, TheProgramsListIsUsedAndTheUsersCopyWrittenWhenItIsMissing) {
  qzntest::TempDir dir;
  const std::string program = dir.file("bin"), settings = dir.file("settings/qzn");
  std::filesystem::create_directories(program);
  // No list beside the program: the user's copy, the folder made.
  const std::string own = FindOrWriteProjectionList(program, settings);
  EXPECT_EQ(own, settings + "/" + kProjectionListFile);
  EXPECT_EQ(qzntest::ReadFileText(own), ProjectionListText());
  // A list beside the program (perhaps with the user's own records) is taken
  // as it is.
  const std::string beside = program + "/" + kProjectionListFile;
  qzntest::WriteFileText(beside, "\"Mine\", 1, 104\n");
  EXPECT_EQ(FindOrWriteProjectionList(program, settings), beside);
  EXPECT_EQ(qzntest::ReadFileText(beside), "\"Mine\", 1, 104\n");
  // Nowhere to write: nothing.
  qzntest::WriteFileText(dir.file("file"), "x");
  EXPECT_EQ(FindOrWriteProjectionList(dir.file("none"), dir.file("file") + "/sub"), "");
}
