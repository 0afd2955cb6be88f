#include "georef/projection.h"
#include "georef/stateplane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace qzn;

TEST(ProjectionMaths, PackedAngles) {
  int err = -1;
  // 0 degrees and 855 minutes in the standard form is malformed ...
  EXPECT_EQ(PackedDmsToDegrees(-855000.0, err), 0.0);
  EXPECT_EQ(err, PROJ_ERR_PACKED_ANGLE);
  // ... but read as the tables' DDDMMSS form it is 85 degrees 50 minutes.
  EXPECT_DOUBLE_EQ(AltPackedDmsToPacked(-855000.0), -85050000.0);
  EXPECT_NEAR(PackedDmsToDegrees(-85050000.0, err), -(85.0 + 50.0 / 60.0), 1e-12);
  EXPECT_EQ(err, 0);

  EXPECT_DOUBLE_EQ(AltPackedDmsToPacked(303000.0), 30030000.0);
  EXPECT_DOUBLE_EQ(PackedDmsToDegrees(30030000.0, err), 30.5);
  EXPECT_EQ(err, 0);
  // Seconds with a fraction, and the guard against 29.99999 minutes.
  EXPECT_NEAR(AltPackedDmsToPacked(1444455.50254), 144044055.50254, 1e-6);
  EXPECT_NEAR(AltPackedDmsToPacked(302999.99999), 30030000.0, 1e-4);

  // 360 degrees, 60 minutes and 60 seconds still pass; 361 degrees does not.
  EXPECT_NEAR(PackedDmsToDegrees(360060060.0, err), 361.0 + 1.0 / 60.0, 1e-9);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(PackedDmsToDegrees(361000000.0, err), 0.0);
  EXPECT_EQ(err, PROJ_ERR_PACKED_ANGLE);
  EXPECT_EQ(PackedDmsToDegrees(61000.0, err), 0.0);  // 61 minutes
  EXPECT_EQ(err, PROJ_ERR_PACKED_ANGLE);
  PackedDmsToDegrees(NAN, err);
  EXPECT_EQ(err, PROJ_ERR_PACKED_ANGLE);
}

TEST(ProjectionMaths, SignAndLongitudeAdjustment) {
  EXPECT_EQ(sign(0.0), 1.0);
  EXPECT_EQ(sign(-0.0), 1.0);
  EXPECT_EQ(sign(-1e-300), -1.0);

  EXPECT_DOUBLE_EQ(adjust_lon(3.2), 3.2 - TWO_PI);
  EXPECT_DOUBLE_EQ(adjust_lon(-3.2), -3.2 + TWO_PI);
  for (double v : {0.0, 1.0, -1.0, PI, -PI, 3.14159}) EXPECT_EQ(adjust_lon(v), v) << v;
  // Far out values come back into range and keep their angle.
  for (double v : {7.0, -100.0, 1e6, -3.7e12, 2.5e19, -1e300}) {
    const double r = adjust_lon(v);
    EXPECT_LE(std::fabs(r), PI) << v;
    if (std::fabs(v) < 1e7) {
      EXPECT_NEAR(std::sin(r), std::sin(v), 1e-9) << v;
      EXPECT_NEAR(std::cos(r), std::cos(v), 1e-9) << v;
    }
  }
}

TEST(ProjectionMaths, SeriesAndIterations) {
  const double es = 0.00669438;
  EXPECT_DOUBLE_EQ(e3fn(es), es * es * es * 35.0 / 3072.0);
  EXPECT_DOUBLE_EQ(asinz(1.5), HALF_PI);
  EXPECT_DOUBLE_EQ(asinz(-7.0), -HALF_PI);

  // phi2z inverts tsfnz.
  const double e = std::sqrt(es);
  for (double phi : {-1.2, -0.3, 0.0, 0.4, 1.1, 1.5}) {
    int flag = -1;
    EXPECT_NEAR(phi2z(e, tsfnz(e, phi, std::sin(phi)), flag), phi, 1e-11) << phi;
    EXPECT_EQ(flag, 0);
  }

  // The meridian distance of 45 degrees on GRS 80, as a unit-radius arc.
  const double m45 = 6378137.0 * mlfn(e0fn(es), e1fn(es), e2fn(es), e3fn(es), PI / 4);
  EXPECT_NEAR(m45, 4984944.378, 1e-3);

  // Exact angle constants: the approximate pi of old moved UTM northings by
  // millimetres.
  EXPECT_DOUBLE_EQ(DEG_TO_RAD * 180.0, PI);
  EXPECT_DOUBLE_EQ(RAD_TO_DEG * PI, 180.0);
  EXPECT_DOUBLE_EQ(HALF_PI_APPROX, HALF_PI);
  EXPECT_DOUBLE_EQ(FOURTH_PI, PI / 4);
  EXPECT_DOUBLE_EQ(500000.0 / (1.0 / US_SURVEY_FOOT), 152400.3048006096);
}

TEST(ProjectionMaths, EllipsoidTableAndLookup) {
  EXPECT_EQ(g_ellipsoids[0].id, -1);
  EXPECT_EQ(g_ellipsoids[0].equatorialRadius, 0.0);
  for (int i = 1; i < ELLIPSOID_COUNT; ++i) EXPECT_EQ(g_ellipsoids[i].id, i);
  EXPECT_STREQ(g_ellipsoids[4].name, "Bessel 1841 (Nambia) ");
  // NAD27 is one figure for UTM and State Plane alike.
  EXPECT_EQ(g_ellipsoids[5].equatorialRadius, g_statePlaneNad27[0].p[0]);
  EXPECT_NEAR(g_ellipsoids[5].eccentricitySquared, g_statePlaneNad27[0].p[1], 1e-15);

  const struct {
    const char* text;
    int row;
  } cases[] = {
      {"WGS-84 (NAD83)", 23},
      {"Clarke 1866 (NAD27)", 5},
      {"Modified Everest", 17},
      {"Fischer 1960 (Mercury)", 8},
      {"", 0},
      {"Modified Airy", 16},
      {"Airy", 1},
      {"Bessel 1841 (Nambia)", 4},
      {"Bessel 1841", 3},
      {"WGS-72", 22},
      {"Modified Fischer 1960", 18},
      {"no such thing", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(FindEllipsoidByName(c.text), c.row) << c.text;
}

// Direct checks of the transverse Mercator engine: points on the central
// meridian give the meridian arc, and forward and inverse agree far out.
TEST(ProjectionMaths, TransverseMercatorEngine) {
  CTransverseMercator tm;
  tm.Setup(6378137.0, 0.00669437999014, 1.0, 0.0, 0.0, 0.0, 0.0);
  double x = 1, y = 1;
  ASSERT_EQ(tm.Forward(0.0, PI / 4, x, y), PROJ_OK);
  EXPECT_NEAR(x, 0.0, 1e-9);
  EXPECT_NEAR(y, 4984944.378, 1e-3);  // GRS 80 / WGS 84 meridian arc to 45 degrees
  ASSERT_EQ(tm.Forward(0.0, HALF_PI, x, y), PROJ_OK);
  EXPECT_NEAR(y, 10001965.729, 1e-3);  // quarter meridian

  for (double lat : {-1.3, -0.5, 0.0, 0.2, 0.9, 1.4}) {
    for (double lon : {-0.3, -0.05, 0.0, 0.1, 0.6}) {
      double lo = 9, la = 9;
      ASSERT_EQ(tm.Forward(lon, lat, x, y), PROJ_OK);
      ASSERT_EQ(tm.Inverse(x, y, lo, la), PROJ_OK);
      EXPECT_NEAR(la, lat, 1e-12) << lat << " " << lon;
      EXPECT_NEAR(lo, lon, 1e-12) << lat << " " << lon;
    }
  }
  // A quarter turn from the meridian has no image; nothing is written.
  x = y = 7;
  EXPECT_EQ(tm.Forward(HALF_PI, 0.0, x, y), PROJ_ERR_TM_INFINITE);
  EXPECT_EQ(tm.Forward(0.0, NAN, x, y), PROJ_ERR_COORDINATE);
  EXPECT_EQ(tm.Inverse(INFINITY, 0.0, x, y), PROJ_ERR_COORDINATE);
  EXPECT_EQ(x, 7.0);
  EXPECT_EQ(y, 7.0);
}
