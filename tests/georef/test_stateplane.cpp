#include "georef/stateplane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host.h"
#include "tests/georef/test_projection_oracle.h"

using namespace qzn;

namespace {

constexpr double kFoot = 1200.0 / 3937.0;

const StatePlaneZone* FindRow(const StatePlaneZone* table, const std::string& name, int code) {
  for (int i = 0; i < STATE_PLANE_ZONE_COUNT; ++i)
    if (name == table[i].name && table[i].code == code) return &table[i];
  return nullptr;
}

double Radians(double degrees, double minutes) { return (degrees + minutes / 60.0) * DEG_TO_RAD; }

}  // namespace

// The rows published with the zone system's description, against the table
// generated from the EPSG database.
TEST(StatePlaneTables, PublishedRowsMatch) {
  const struct {
    bool nad83;
    const char* name;
    int type, code;
    double p[7];  // p2 .. p8
  } rows[] = {
      {true, "ALABAMA EAST", 1, 101, {-855000.0, 0.99996, 0, 0, 303000.0, 200000.0, 0}},
      {false, "ALABAMA EAST", 1, 101, {-855000.0, 0.99996, 0, 0, 303000.0, 152400.3048006096, 0}},
      {true, "ARKANSAS NORTH", 2, 301, {-920000.0, 1.0, 361400.0, 345600.0, 342000.0, 400000.0, 0}},
      {false, "ARKANSAS NORTH", 2, 301, {-920000.0, 1.0, 361400.0, 345600.0, 342000.0, 609601.2192024384, 0}},
      {true,
       "ALASKA ZONE NO. 1",
       4,
       5001,
       {-1334000.0, 0.9999, 0, -365211.6315, 570000.0, 818676.7344011232, 575097.6888751927}},
      // The centre of the 1927 zone, from its published origin of
      // 16404166.67 US survey feet; a rounded foot puts it 1 mm off.
      {false,
       "ALASKA ZONE NO. 1",
       4,
       5001,
       {-1334000.0, 0.9999, 0, -365211.6315, 570000.0, 818585.5682430328, 575219.2440912407}},
      {true, "ALASKA ZONE NO. 2", 1, 5002, {-1420000.0, 0.9999, 0, 0, 540000.0, 500000.0, 0}},
      {false, "GUAM ISLAND", 3, 5400, {1444455.50254, 132820.87887, 50000.0, 50000.0, 0, 0, 0}},
      {true, "GUAM ISLAND", 0, 5400, {1444455.50254, 132820.87887, 50000.0, 50000.0, 0, 0, 0}},
      {false, "MICHIGAN NORTH", 2, 2111, {-870000.0, 1.0, 470500.0, 452900.0, 444700.0, 609601.2192024384, 0}},
  };
  for (const auto& r : rows) {
    const StatePlaneZone* row = FindRow(r.nad83 ? g_statePlaneNad83 : g_statePlaneNad27, r.name, r.code);
    ASSERT_NE(row, nullptr) << r.name;
    EXPECT_EQ(row->type, r.type) << r.name;
    for (int k = 0; k < 7; ++k) EXPECT_NEAR(row->p[k + 2], r.p[k], 1e-6) << r.name << " p" << k + 2;
  }

  for (int i = 0; i < STATE_PLANE_ZONE_COUNT; ++i) {
    const StatePlaneZone& a = g_statePlaneNad83[i];
    const StatePlaneZone& b = g_statePlaneNad27[i];
    EXPECT_EQ(a.p[0], 6378137.0) << a.name;
    EXPECT_EQ(a.p[1], 0.0066943800229) << a.name;
    const bool michiganLambert = b.code >= 2111 && b.code <= 2113;
    EXPECT_EQ(b.p[0], michiganLambert ? 6378450.047 : 6378206.4) << b.name;
    EXPECT_EQ(b.p[1], 0.006768657997291094) << b.name;
    EXPECT_NE(b.type, 0) << b.name;  // every position has a 1927 zone
  }
}

// The committed table is what the generator makes of the EPSG database, so
// nothing in it was edited by hand.
TEST(StatePlaneTables, CommittedTableIsTheGeneratorsOutput) {
  const std::string db = "/usr/share/proj/proj.db";
  QZN_REQUIRE_ORACLE(std::filesystem::exists(db), "PROJ's database")
  const qzntest::TempDir dir;
  const std::string out = dir.file("tables.cpp");
  ASSERT_EQ(qzntest::RunCommand(qzntest::Python() + " " + qzntest::SourcePath("tools/gen_stateplane_tables.py") +
                                " --db " + db + " --out " + out + " >/dev/null"),
            0);
  EXPECT_TRUE(qzntest::ReadFileText(out) == qzntest::ReadFileText(qzntest::SourcePath("georef/stateplane_tables.cpp")))
      << "run tools/gen_stateplane_tables.py and commit georef/stateplane_tables.cpp";
}

TEST(StatePlaneTables, Structure) {
  EXPECT_EQ(StatePlaneDisplayText(g_statePlaneNad83[66]), "MONTANA - 2500");
  EXPECT_EQ(StatePlaneDisplayText(g_statePlaneNad27[66]), "MONTANA NORTH - 2501");
  EXPECT_STREQ(g_statePlaneNad83[132].name, "VIRGIN ISLANDS  ST. CROIX");

  std::set<std::string> texts;
  for (int i = 0; i < STATE_PLANE_ZONE_COUNT; ++i) texts.insert(StatePlaneDisplayText(g_statePlaneNad83[i]));
  EXPECT_EQ(texts.size(), static_cast<size_t>(STATE_PLANE_ZONE_COUNT));

  std::vector<int> undefined83, polyconic, oblique83, oblique27;
  for (int i = 0; i < STATE_PLANE_ZONE_COUNT; ++i) {
    if (g_statePlaneNad83[i].type == 0) undefined83.push_back(i + 1);
    if (g_statePlaneNad83[i].type == 3) polyconic.push_back(-(i + 1));
    if (g_statePlaneNad27[i].type == 3) polyconic.push_back(i + 1);
    if (g_statePlaneNad83[i].type == 4) oblique83.push_back(i + 1);
    if (g_statePlaneNad27[i].type == 4) oblique27.push_back(i + 1);
  }
  EXPECT_EQ(undefined83, (std::vector<int>{4, 16, 53, 54, 55, 68, 69, 71, 97, 133, 134}));
  EXPECT_EQ(polyconic, std::vector<int>{134});
  EXPECT_EQ(oblique83, std::vector<int>{123});
  EXPECT_EQ(oblique27, std::vector<int>{123});
  // The second and third zones of a state that has one 1983 zone copy it.
  for (int k = 2; k <= 8; ++k) EXPECT_EQ(g_statePlaneNad83[67].p[k], g_statePlaneNad83[66].p[k]);

  std::vector<std::string> names;
  EXPECT_EQ(CStatePlane::ListZoneNames(names), 1);
  ASSERT_EQ(names.size(), static_cast<size_t>(STATE_PLANE_ZONE_COUNT));
  EXPECT_EQ(names[0], "ALABAMA EAST - 101");
  EXPECT_EQ(names[133], "GUAM ISLAND - 5400");
  EXPECT_EQ(CStatePlane::FindZone("ALABAMA EAST - 101"), 0);
  EXPECT_EQ(CStatePlane::FindZone("nothing"), 0);
  EXPECT_EQ(CStatePlane::FindZone("ARKANSAS NORTH - 301"), 7);
  EXPECT_EQ(CStatePlane::FindZone("ALASKA ZONE NO. 10 - 5010"), 2);
  EXPECT_EQ(CStatePlane::FindZone("SOUTH CAROLINA - 3902"), 96);
}

TEST(StatePlane, OriginOfAlabamaEast) {
  const double lon = -Radians(85, 50), lat = Radians(30, 30);
  CStatePlane sp;
  double x = 0, y = 0;
  ASSERT_EQ(sp.SetZone(1, "ALABAMA EAST - 101", CStatePlane::FORWARD), PROJ_OK);
  ASSERT_EQ(sp.Forward(lon, lat, x, y), PROJ_OK);
  EXPECT_NEAR(x, 200000.0, 1e-6);
  EXPECT_NEAR(y, 0.0, 1e-6);
  ASSERT_EQ(sp.SetZone(0, "alabama east - 101", CStatePlane::FORWARD), PROJ_OK);
  EXPECT_EQ(sp.Zone().code, 101);
  ASSERT_EQ(sp.Forward(lon, lat, x, y), PROJ_OK);
  EXPECT_NEAR(x, 152400.3048006096, 1e-6);
  EXPECT_NEAR(y, 0.0, 1e-6);
  // Set up for one direction, the converter serves both.
  double lo = 0, la = 0;
  ASSERT_EQ(sp.Inverse(x, y, lo, la), PROJ_OK);
  EXPECT_NEAR(lo, lon, 1e-12);
  EXPECT_NEAR(la, lat, 1e-12);
}

TEST(StatePlane, SetZoneReportsWhatItCouldNotSetUp) {
  CStatePlane sp;
  double x = -1, y = -1;
  // A new converter has no zone and converts nothing.
  EXPECT_FALSE(sp.HasZone());
  EXPECT_EQ(sp.Forward(0.1, 0.5, x, y), PROJ_NO_ZONE);
  EXPECT_EQ(sp.Inverse(1, 1, x, y), PROJ_NO_ZONE);
  EXPECT_EQ(x, -1);

  EXPECT_EQ(sp.SetZone(1, "CALIFORNIA VII - 407", CStatePlane::FORWARD), PROJ_NO_ZONE);
  EXPECT_EQ(sp.SetZone(0, "CALIFORNIA VII - 407", CStatePlane::FORWARD), PROJ_OK);

  // A text of the other datum's table must not leave the previous zone in
  // place: the conversions fail rather than use it.
  ASSERT_EQ(sp.SetZone(1, "ALABAMA EAST - 101", CStatePlane::FORWARD), PROJ_OK);
  for (const char* text : {"MONTANA - 2500", "NEBRASKA - 2600", "SOUTH CAROLINA - 3900",
                           "PUERTO RICO AND VIRGIN ISLANDS - 5200", "", "NOWHERE - 1"}) {
    ASSERT_EQ(sp.SetZone(1, "ALABAMA EAST - 101", CStatePlane::FORWARD), PROJ_OK);
    EXPECT_EQ(sp.SetZone(0, text, CStatePlane::INVERSE), PROJ_NO_ZONE) << text;
    EXPECT_FALSE(sp.HasZone());
    EXPECT_EQ(sp.Forward(-1.5, 0.55, x, y), PROJ_NO_ZONE) << text;
    EXPECT_EQ(sp.Inverse(200000, 10000, x, y), PROJ_NO_ZONE) << text;
    EXPECT_EQ(x, -1);
    EXPECT_EQ(y, -1);
  }
  // The NAD83 placeholders of the single-zone states are not zones.
  EXPECT_EQ(sp.SetZone(1, "MONTANA - 2502", CStatePlane::FORWARD), PROJ_NO_ZONE);
  EXPECT_EQ(sp.SetZone(0, "MONTANA CENTRAL - 2502", CStatePlane::FORWARD), PROJ_OK);

  ASSERT_EQ(sp.SetZone(1, "ALABAMA EAST - 101", CStatePlane::FORWARD), PROJ_OK);
  EXPECT_EQ(sp.Forward(NAN, 0.5, x, y), PROJ_ERR_COORDINATE);
  EXPECT_EQ(sp.Forward(-1.5, 1.6, x, y), PROJ_ERR_COORDINATE);
  EXPECT_EQ(sp.Inverse(INFINITY, 0, x, y), PROJ_ERR_COORDINATE);
  EXPECT_EQ(x, -1);
}

TEST(StatePlane, ProjectionFailuresShowTheirMessage) {
  CScriptedHost host;
  CHostScope scope(&host);
  CStatePlane sp;
  double x = -1, y = -1;
  // The south pole has no image in a northern Lambert zone.
  ASSERT_EQ(sp.SetZone(1, "ARKANSAS NORTH - 301", CStatePlane::FORWARD), PROJ_OK);
  EXPECT_EQ(sp.Forward(-1.6, -HALF_PI, x, y), PROJ_ERR_LCC_POINT);
  // A transverse Mercator zone cannot reach a quarter turn from its meridian.
  ASSERT_EQ(sp.SetZone(1, "ALABAMA EAST - 101", CStatePlane::FORWARD), PROJ_OK);
  EXPECT_EQ(sp.Forward(-Radians(85, 50) + HALF_PI, 0.0, x, y), PROJ_ERR_TM_INFINITE);
  EXPECT_EQ(x, -1);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0].text, "点不存在方案");
  EXPECT_EQ(host.messages[0].style, static_cast<unsigned>(MB_OK));
  EXPECT_EQ(host.messages[1].text, "点方案无限");
  // The north pole of a northern zone is a point (the cone's apex).
  ASSERT_EQ(sp.SetZone(1, "ARKANSAS NORTH - 301", CStatePlane::FORWARD), PROJ_OK);
  EXPECT_EQ(sp.Forward(-1.6, HALF_PI, x, y), PROJ_OK);
  EXPECT_EQ(host.messages.size(), 2u);
}

// Forward and inverse near each zone's origin return the input.
TEST(StatePlane, RoundTripEveryZone) {
  for (int nad83 : {1, 0}) {
    const StatePlaneZone* table = nad83 ? g_statePlaneNad83 : g_statePlaneNad27;
    for (int i = 0; i < STATE_PLANE_ZONE_COUNT; ++i) {
      const StatePlaneZone& z = table[i];
      if (z.type == 0) continue;
      CStatePlane sp;
      ASSERT_EQ(sp.SetZone(nad83, StatePlaneDisplayText(z), CStatePlane::INVERSE), PROJ_OK) << z.name;
      int err = 0;
      const double lon0 = PackedDmsToDegrees(AltPackedDmsToPacked(z.p[2]), err) * DEG_TO_RAD;
      const double lat0 = PackedDmsToDegrees(AltPackedDmsToPacked(z.type == 3 ? z.p[3] : z.p[6]), err) * DEG_TO_RAD;
      for (double dlat : {0.0, 0.01, 0.03})
        for (double dlon : {-0.02, 0.0, 0.015}) {
          double x = 0, y = 0, lon = 0, lat = 0;
          ASSERT_EQ(sp.Forward(lon0 + dlon, lat0 + dlat, x, y), PROJ_OK) << z.name;
          ASSERT_EQ(sp.Inverse(x, y, lon, lat), PROJ_OK) << z.name;
          EXPECT_NEAR(lon, adjust_lon(lon0 + dlon), 1e-9) << z.name;
          EXPECT_NEAR(lat, lat0 + dlat, 1e-9) << z.name;
        }
    }
  }
}

// Every zone of both tables against the EPSG system in force for it, as PROJ
// converts: points spread over the system's area of use, forward within 1 mm
// of PROJ and inverse back within 1 mm. The system is found from the zone
// code as EPSG numbers its conversions (10000 + code for 1927, + 30 for the
// 1983 metre zones), then EPSG's replacements are followed while it is
// deprecated, so a withdrawn definition can never be the reference.
TEST(StatePlane, AgreesWithCurrentEpsgSystemInEveryZone) {
  QZN_REQUIRE_PYPROJ(python);
  std::ostringstream in;
  int zones = 0;
  for (int nad83 : {1, 0}) {
    const StatePlaneZone* table = nad83 ? g_statePlaneNad83 : g_statePlaneNad27;
    for (int i = 0; i < STATE_PLANE_ZONE_COUNT; ++i) {
      if (table[i].type == 0) continue;
      in << nad83 << ' ' << i << ' ' << table[i].code << '\n';
      ++zones;
    }
  }
  EXPECT_EQ(zones, 134 - 11 + 134);

  const char* script = R"PY(
import os, sqlite3, sys
import pyproj
from pyproj import Transformer

db = sqlite3.connect(os.path.join(pyproj.datadir.get_data_dir(), "proj.db"))
# Zones whose 1927 conversion is not numbered after the zone code.
NAD27_CONVERSION = {5300: 15376, 5400: 15400}

def current_system(conversion, geographic):
    rows = db.execute("select code, geodetic_crs_code, deprecated from projected_crs where auth_name='EPSG' "
                      "and conversion_auth_name='EPSG' and conversion_code=? order by deprecated, code",
                      (str(conversion),)).fetchall()
    if not rows:
        sys.exit("no EPSG system uses conversion %d" % conversion)
    code, _, deprecated = ([r for r in rows if str(r[1]) == geographic] or rows)[0]
    while deprecated:
        code = db.execute("select replacement_code from deprecation where table_name='projected_crs' "
                          "and deprecated_auth_name='EPSG' and deprecated_code=?", (str(code),)).fetchone()[0]
        deprecated = db.execute("select deprecated from projected_crs where auth_name='EPSG' and code=?",
                                (str(code),)).fetchone()[0]
    return int(code)

out = []
for line in open(sys.argv[1]):
    nad83, idx, code = (int(v) for v in line.split())
    conversion = 10030 + code if nad83 else NAD27_CONVERSION.get(code, 10000 + code)
    epsg = current_system(conversion, "4269" if nad83 else "4267")
    crs = pyproj.CRS.from_epsg(epsg)
    to_grid = Transformer.from_crs(crs.geodetic_crs, crs, always_xy=True)
    unit = crs.axis_info[0].unit_conversion_factor
    west, south, east, north = crs.area_of_use.bounds
    if east < west:
        east += 360.0
    for fy in (0.1, 0.5, 0.9):
        for fx in (0.1, 0.5, 0.9):
            lat = south + fy * (north - south)
            lon = west + fx * (east - west)
            if lon > 180.0:
                lon -= 360.0
            x, y = to_grid.transform(lon, lat)
            out.append("%d %d %d %.12f %.12f %.6f %.6f" % (nad83, idx, epsg, lon, lat, x * unit, y * unit))
print("\n".join(out))
)PY";
  std::string output;
  ASSERT_TRUE(projtest::RunOracle(python, script, in.str(), output));
  std::istringstream res(output);
  int nad83 = 0, idx = 0, epsg = 0, points = 0;
  double lonDeg = 0, latDeg = 0, px = 0, py = 0;
  CStatePlane sp;
  int setFor = -1;
  while (res >> nad83 >> idx >> epsg >> lonDeg >> latDeg >> px >> py) {
    const StatePlaneZone& z = (nad83 ? g_statePlaneNad83 : g_statePlaneNad27)[idx];
    if (setFor != nad83 * 1000 + idx) {
      ASSERT_EQ(sp.SetZone(nad83, StatePlaneDisplayText(z), CStatePlane::FORWARD), PROJ_OK) << z.name;
      setFor = nad83 * 1000 + idx;
    }
    const std::string where = std::string(nad83 ? "NAD83 " : "NAD27 ") + z.name + " (EPSG " + std::to_string(epsg) +
                              ") " + std::to_string(lonDeg) + " " + std::to_string(latDeg);
    // Guam keeps the polyconic of the published 1927 zone; EPSG gives its
    // grid as the "Guam projection", which is 3 mm away at the island's east
    // end. Every other zone agrees to 1 mm.
    const double tolerance = z.type == 3 ? 4e-3 : 1e-3;
    double x = 0, y = 0, lon = 0, lat = 0;
    ASSERT_EQ(sp.Forward(lonDeg * DEG_TO_RAD, latDeg * DEG_TO_RAD, x, y), PROJ_OK) << where;
    EXPECT_NEAR(x, px, tolerance) << where;
    EXPECT_NEAR(y, py, tolerance) << where;
    ASSERT_EQ(sp.Inverse(px, py, lon, lat), PROJ_OK) << where;
    const double r = 6378137.0;
    EXPECT_NEAR((lat - latDeg * DEG_TO_RAD) * r, 0.0, tolerance) << where;
    EXPECT_NEAR(adjust_lon(lon - lonDeg * DEG_TO_RAD) * r * std::cos(lat), 0.0, tolerance) << where;
    ++points;
  }
  EXPECT_EQ(points, zones * 9);
}

// Guam's polyconic itself, against PROJ's polyconic on the row's values.
TEST(StatePlane, GuamPolyconicAgreesWithProj) {
  QZN_REQUIRE_PYPROJ(python);
  const StatePlaneZone& guam = g_statePlaneNad27[133];
  ASSERT_EQ(guam.type, 3);
  int err = 0;
  const double lon0 = PackedDmsToDegrees(AltPackedDmsToPacked(guam.p[2]), err);
  const double lat0 = PackedDmsToDegrees(AltPackedDmsToPacked(guam.p[3]), err);
  std::ostringstream in;
  in.precision(17);
  in << guam.p[0] << ' ' << guam.p[1] << ' ' << lon0 << ' ' << lat0 << ' ' << guam.p[4] << ' ' << guam.p[5] << '\n';
  const char* script = R"PY(
import sys
from pyproj import Proj
a, es, lon0, lat0, fe, fn = open(sys.argv[1]).read().split()
p = Proj("+proj=poly +lat_0=%s +lon_0=%s +x_0=%s +y_0=%s +a=%s +es=%s +no_defs" % (lat0, lon0, fe, fn, a, es))
for lat in (13.2, 13.45, 13.69):
    for lon in (144.6, 144.8, 145.0):
        x, y = p(lon, lat)
        print("%.12f %.12f %.6f %.6f" % (lon, lat, x, y))
)PY";
  std::string output;
  ASSERT_TRUE(projtest::RunOracle(python, script, in.str(), output));
  std::istringstream res(output);
  CStatePlane sp;
  ASSERT_EQ(sp.SetZone(0, StatePlaneDisplayText(guam), CStatePlane::FORWARD), PROJ_OK);
  double lonDeg, latDeg, px, py;
  int points = 0;
  while (res >> lonDeg >> latDeg >> px >> py) {
    double x = 0, y = 0;
    ASSERT_EQ(sp.Forward(lonDeg * DEG_TO_RAD, latDeg * DEG_TO_RAD, x, y), PROJ_OK);
    EXPECT_NEAR(x, px, 1e-3) << lonDeg << " " << latDeg;
    EXPECT_NEAR(y, py, 1e-3) << lonDeg << " " << latDeg;
    ++points;
  }
  EXPECT_EQ(points, 9);
}
