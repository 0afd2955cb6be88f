#include "georef/utm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "georef/projection.h"
#include "tests/georef/test_projection_oracle.h"

using namespace qzn;

namespace {

constexpr int kWgs84 = 23;

struct UtmResult {
  int rc = -1;
  double northing = -1, easting = -1;
  std::string zone;
};

UtmResult Forward(int ellipsoid, double lat, double lon) {
  UtmResult r;
  char zone[16] = "unchanged";
  r.rc = LatLongToUtm(ellipsoid, lat, lon, r.northing, r.easting, zone);
  r.zone = zone;
  return r;
}

}  // namespace

TEST(Utm, LetterDesignator) {
  const struct {
    double lat;
    char letter;
  } cases[] = {{84.0, 'X'}, {72.0, 'X'},  {71.999, 'W'}, {56.0, 'V'},   {0.0, 'N'},   {-0.000001, 'M'},
               {-8.0, 'M'}, {-8.01, 'L'}, {-80.0, 'C'},  {-80.01, 'Z'}, {84.01, 'Z'}, {85.0, 'Z'}};
  for (const auto& c : cases) EXPECT_EQ(UtmLetterDesignator(c.lat), c.letter) << c.lat;
}

TEST(Utm, ZonesAndExceptions) {
  const struct {
    double lat, lon;
    const char* zone;
  } cases[] = {
      {0, 3, "31N"},         {60, 5, "32V"},     {60, 2, "31V"},     {56, 3, "32V"},     {63.999, 11.999, "32V"},
      {64, 5, "31W"},        {55.999, 5, "31U"}, {78, 10, "33X"},    {78, 8.999, "31X"}, {72, 21, "35X"},
      {83.99, 41.9, "37X"},  {78, 42, "38X"},    {71.99, 10, "32W"}, {85, 10, "32Z"},    {-45, -70, "19G"},
      {10, 180, "1P"},       {10, -180, "1P"},   {10, 540, "1P"},    {10, -190, "59P"},  {10, 363, "31P"},
      {10, 179.9999, "60P"},
  };
  for (const auto& c : cases) {
    const UtmResult r = Forward(kWgs84, c.lat, c.lon);
    EXPECT_EQ(r.rc, PROJ_OK);
    EXPECT_EQ(r.zone, c.zone) << c.lat << " " << c.lon;
  }
}

TEST(Utm, KnownValuesAndHemispheres) {
  UtmResult r = Forward(kWgs84, 0, 3);
  EXPECT_EQ(r.zone, "31N");
  EXPECT_NEAR(r.easting, 500000.0, 1e-9);
  EXPECT_NEAR(r.northing, 0.0, 1e-9);

  r = Forward(kWgs84, -0.000001, 3);
  EXPECT_EQ(r.zone, "31M");
  EXPECT_LT(r.northing, 10000000.0);
  EXPECT_GT(r.northing, 10000000.0 - 0.2);

  // Longitudes of any value land on the same point as their normal form.
  const UtmResult a = Forward(kWgs84, 10, -175), b = Forward(kWgs84, 10, 185), c = Forward(kWgs84, 10, 185 + 3600);
  EXPECT_EQ(a.zone, b.zone);
  EXPECT_EQ(a.zone, c.zone);
  EXPECT_NEAR(a.easting, b.easting, 1e-6);
  EXPECT_NEAR(a.easting, c.easting, 1e-6);
  EXPECT_NEAR(a.northing, c.northing, 1e-6);
}

TEST(Utm, InverseReadsZoneText) {
  const UtmResult fwd = Forward(kWgs84, 35.5, -81.2);  // 17S
  ASSERT_EQ(fwd.zone, "17S");
  const struct {
    const char* zone;
    int rc;
  } cases[] = {
      {"17S", PROJ_OK},
      {"17s", PROJ_OK},
      {" 17 S ", PROJ_OK},
      {"17n", PROJ_OK},
      {"17", PROJ_ERR_ZONE_TEXT},
      {"", PROJ_ERR_ZONE_TEXT},
      {"S17", PROJ_ERR_ZONE_TEXT},
      {"0N", PROJ_ERR_ZONE_TEXT},
      {"61N", PROJ_ERR_ZONE_TEXT},
      {"17I", PROJ_ERR_ZONE_TEXT},
      {"17O", PROJ_ERR_ZONE_TEXT},
      {"17Z", PROJ_ERR_ZONE_TEXT},
      {"17SX", PROJ_ERR_ZONE_TEXT},
      {"17\xC4", PROJ_ERR_ZONE_TEXT},
      {"170N", PROJ_ERR_ZONE_TEXT},
  };
  for (const auto& c : cases) {
    double lat = -999, lon = -999;
    EXPECT_EQ(UtmToLatLong(kWgs84, fwd.northing, fwd.easting, c.zone, lat, lon), c.rc) << c.zone;
    if (c.rc == PROJ_OK) {
      EXPECT_NEAR(lat, 35.5, 1e-9) << c.zone;
      EXPECT_NEAR(lon, -81.2, 1e-9) << c.zone;
    } else {
      EXPECT_EQ(lat, -999) << c.zone;  // nothing written on failure
      EXPECT_EQ(lon, -999) << c.zone;
    }
  }
  // The hemisphere comes from the letter: a southern letter subtracts the
  // false northing.
  double latS = 0, lonS = 0;
  const UtmResult south = Forward(kWgs84, -33.9, 18.4);
  ASSERT_EQ(south.zone, "34H");
  ASSERT_EQ(UtmToLatLong(kWgs84, south.northing, south.easting, "34h", latS, lonS), PROJ_OK);
  EXPECT_NEAR(latS, -33.9, 1e-9);
  EXPECT_NEAR(lonS, 18.4, 1e-9);
  EXPECT_EQ(UtmToLatLong(kWgs84, south.northing, south.easting, nullptr, latS, lonS), PROJ_ERR_ZONE_TEXT);
}

TEST(Utm, RejectsBadInputWithoutWriting) {
  const struct {
    int ellipsoid;
    double lat, lon;
    int rc;
  } cases[] = {
      {0, 10, 10, PROJ_ERR_ELLIPSOID},        {24, 10, 10, PROJ_ERR_ELLIPSOID},
      {-1, 10, 10, PROJ_ERR_ELLIPSOID},       {kWgs84, 90.5, 10, PROJ_ERR_COORDINATE},
      {kWgs84, NAN, 10, PROJ_ERR_COORDINATE}, {kWgs84, 10, INFINITY, PROJ_ERR_COORDINATE},
  };
  for (const auto& c : cases) {
    const UtmResult r = Forward(c.ellipsoid, c.lat, c.lon);
    EXPECT_EQ(r.rc, c.rc);
    EXPECT_EQ(r.zone, "unchanged");
    EXPECT_EQ(r.northing, -1);
    EXPECT_EQ(r.easting, -1);
  }
  double lat = -999, lon = -999;
  EXPECT_EQ(UtmToLatLong(0, 0, 500000, "31N", lat, lon), PROJ_ERR_ELLIPSOID);
  EXPECT_EQ(UtmToLatLong(kWgs84, NAN, 500000, "31N", lat, lon), PROJ_ERR_COORDINATE);
  EXPECT_EQ(lat, -999);
}

// Every zone of every latitude band, with the Norway and Svalbard exceptions
// and every ellipsoid of the table, against PROJ's UTM on the same ellipsoid:
// forward within 1 mm of PROJ, inverse back to the input within 1 mm.
// PROJ's own definition of each ellipsoid row: its named ellipsoid, or the
// EPSG ellipsoid where PROJ has no name for it.
const char* const kProjEllipsoid[ELLIPSOID_COUNT] = {
    "",
    "ellps=airy",
    "ellps=aust_SA",
    "ellps=bessel",
    "ellps=bess_nam",
    "ellps=clrk66",
    "epsg=7013",
    "ellps=evrst30",
    "ellps=fschr60",
    "ellps=fschr68",
    "ellps=GRS67",
    "ellps=GRS80",
    "ellps=helmert",
    "ellps=hough",
    "ellps=intl",
    "ellps=krass",
    "epsg=7002",
    "ellps=evrst48",
    "ellps=fschr60m",
    "epsg=7050",
    "ellps=WGS60",
    "ellps=WGS66",
    "ellps=WGS72",
    "ellps=WGS84",
};

// Forward against PROJ to 1 mm on PROJ's definition of every ellipsoid, and
// on the EPSG systems NAD27 / UTM, which other GIS use for Clarke 1866;
// inverse back to the input to 1 mm.
TEST(Utm, AgreesWithProjEverywhere) {
  QZN_REQUIRE_PYPROJ(python);
  struct Case {
    int ellipsoid;
    double lat, lon;
    std::string oracle;  // how PROJ is to be set up
    UtmResult r;
  };
  std::vector<Case> cases;
  auto add = [&](int ell, double lat, double lon, std::string oracle = "") {
    cases.push_back({ell, lat, lon, oracle, Forward(ell, lat, lon)});
  };
  const double bandLow[] = {-80, -72, -64, -56, -48, -40, -32, -24, -16, -8, 0, 8, 16, 24, 32, 40, 48, 56, 64, 72};
  for (int zone = 1; zone <= 60; ++zone) {
    const double cm = (zone - 1) * 6 - 180 + 3;
    for (double low : bandLow) {
      const double high = low == 72 ? 84 : low + 8;
      for (double lat : {low + 0.01, (low + high) / 2, high - 0.01})
        for (double dlon : {-2.99, 0.0, 2.99}) add(kWgs84, lat, cm + dlon);
    }
  }
  // The widened zones reach six degrees from their central meridians.
  const double exceptional[][2] = {{56.01, 3.01},  {63.99, 11.99}, {60, 3.5},   {72.01, 0.01},  {72.01, 8.99},
                                   {80, 9.01},     {83.99, 20.99}, {76, 21.01}, {83.99, 32.99}, {72.01, 33.01},
                                   {83.99, 41.99}, {79, 8.5},      {73, 32.5},  {-79.99, -177}, {84, 179.99}};
  for (const auto& p : exceptional) add(kWgs84, p[0], p[1]);
  for (int ell = 1; ell < ELLIPSOID_COUNT; ++ell)
    for (const auto& p : {std::pair{47.3, 8.5}, std::pair{-35.2, 149.1}, std::pair{60.5, 5.5}, std::pair{1.0, -79.0},
                          std::pair{70.0, 2.9}, std::pair{-60.0, -80.9}})
      add(ell, p.first, p.second);
  // NAD27 / UTM zones 3N to 22N are EPSG 26703 to 26722.
  const int clarke1866 = FindEllipsoidByName("Clarke 1866 (NAD27)");
  for (int zone = 3; zone <= 22; ++zone) {
    const double cm = (zone - 1) * 6 - 180 + 3;
    for (double lat : {17.0, 33.5, 48.9, 70.1})
      for (double dlon : {-2.9, 0.4, 2.9}) add(clarke1866, lat, cm + dlon, "crs=EPSG:" + std::to_string(26700 + zone));
  }

  std::ostringstream in;
  in.precision(17);
  for (const Case& c : cases) {
    ASSERT_EQ(c.r.rc, PROJ_OK) << c.lat << " " << c.lon;
    const int zone = std::atoi(c.r.zone.c_str());
    const bool south = c.r.zone.back() < 'N';
    in << (c.oracle.empty() ? kProjEllipsoid[c.ellipsoid] : c.oracle.c_str()) << ' ' << zone << ' ' << (south ? 1 : 0)
       << ' ' << c.lon << ' ' << c.lat << '\n';
  }
  const char* script = R"PY(
import os, sqlite3, sys
import pyproj
from pyproj import Proj, Transformer
db = sqlite3.connect(os.path.join(pyproj.datadir.get_data_dir(), "proj.db"))
cache = {}
out = []
for line in open(sys.argv[1]):
    spec, zone, south, lon, lat = line.split()
    key = (spec, zone, south)
    if key not in cache:
        kind, _, value = spec.partition("=")
        if kind == "crs":
            crs = pyproj.CRS(value)
            if crs.utm_zone != zone + ("S" if south == "1" else "N"):
                sys.exit("%s is not UTM zone %s" % (value, zone))
            t = Transformer.from_crs(crs.geodetic_crs, crs, always_xy=True)
            unit = crs.axis_info[0].unit_conversion_factor
            cache[key] = lambda lo, la, t=t, unit=unit: tuple(v * unit for v in t.transform(lo, la))
        else:
            if kind == "epsg":
                a, rf = db.execute("select semi_major_axis, inv_flattening from ellipsoid "
                                   "where auth_name='EPSG' and code=?", (value,)).fetchone()
                ell = "+a=%r +rf=%r" % (a, rf)
            else:
                ell = "+ellps=" + value
            cache[key] = Proj("+proj=utm +zone=%s %s %s +no_defs" % (zone, "+south" if south == "1" else "", ell))
    x, y = cache[key](float(lon), float(lat))
    out.append("%.6f %.6f" % (x, y))
print("\n".join(out))
)PY";
  std::string output;
  ASSERT_TRUE(projtest::RunOracle(python, script, in.str(), output));
  std::istringstream res(output);
  int checked = 0;
  for (const Case& c : cases) {
    double e = 0, n = 0;
    ASSERT_TRUE(res >> e >> n);
    const std::string where = std::to_string(c.lat) + " " + std::to_string(c.lon) + " " + c.r.zone + " " +
                              g_ellipsoids[c.ellipsoid].name + " " + c.oracle;
    EXPECT_NEAR(c.r.easting, e, 1e-3) << where;
    EXPECT_NEAR(c.r.northing, n, 1e-3) << where;
    double lat = 0, lon = 0;
    ASSERT_EQ(UtmToLatLong(c.ellipsoid, c.r.northing, c.r.easting, c.r.zone.c_str(), lat, lon), PROJ_OK);
    const double metresPerDegree = 111320.0;
    double dlon = lon - c.lon;
    dlon -= 360.0 * std::round(dlon / 360.0);
    EXPECT_NEAR((lat - c.lat) * metresPerDegree, 0.0, 1e-3) << where;
    EXPECT_NEAR(dlon * metresPerDegree * std::cos(c.lat * DEG_TO_RAD), 0.0, 1e-3) << where;
    ++checked;
  }
  EXPECT_GT(checked, 10000);
}
