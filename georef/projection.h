// Numeric ground of the map projections: angle constants, the series and
// iterations of the ellipsoidal projection formulas (USGS Professional Paper
// 1395 forms), the packed degree-minute-second numbers of the zone tables, the
// table of reference ellipsoids and the transverse Mercator engine shared by
// the UTM and State Plane conversions.
//
// Projection routines return PROJ_OK (1) for success and a numeric error code
// otherwise; on failure they leave their outputs as they were.
#pragma once

#include <cstdint>
#include <string>

namespace qzn {

// Angle constants. All of them come from full-precision pi: an approximate pi
// (3.14159265) moves latitudes by about 1e-9 rad, which is several millimetres
// on the ground.
inline constexpr double PI = 3.141592653589793;
inline constexpr double TWO_PI = 6.283185307179586;
inline constexpr double HALF_PI = 1.5707963267948966;
inline constexpr double RAD_TO_DEG = 180.0 / PI;
inline constexpr double DEG_TO_RAD = PI / 180.0;
inline constexpr double FOURTH_PI = PI / 4.0;
// The pole tests of the State Plane projections compare against this value;
// the name is kept for them, the value is exact.
inline constexpr double HALF_PI_APPROX = HALF_PI;

// The US survey foot, in metres. State Plane distances published in feet are
// in survey feet.
inline constexpr double US_SURVEY_FOOT = 1200.0 / 3937.0;

// Result codes of the projection routines.
enum : int {
  PROJ_NO_ZONE = 0,  // no zone set up (State Plane converter)
  PROJ_OK = 1,
  PROJ_ERR_PHI2Z = 2,            // latitude iteration did not converge
  PROJ_ERR_PHI4Z = 4,            // polyconic latitude iteration did not converge
  PROJ_ERR_LCC_PARALLELS = 41,   // standard parallels on opposite sides of the equator
  PROJ_ERR_LCC_POINT = 44,       // point has no projection (pole on the far side)
  PROJ_ERR_POLY_INVERSE = 74,    // polyconic inverse did not converge
  PROJ_ERR_TM_INFINITE = 93,     // point projects to infinity
  PROJ_ERR_TM_LATITUDE = 95,     // latitude did not converge
  PROJ_ERR_OM_INPUT = 201,       // oblique Mercator: bad zone data
  PROJ_ERR_OM_POINTS = 202,      // oblique Mercator two-point form: bad points
  PROJ_ERR_OM_INFINITE = 205,    // oblique Mercator: point projects to infinity
  PROJ_ERR_PACKED_ANGLE = 1116,  // malformed packed degree-minute-second angle
  PROJ_ERR_ELLIPSOID = 1117,     // ellipsoid row is not a real ellipsoid
  PROJ_ERR_COORDINATE = 1118,    // coordinate not finite or out of its range
  PROJ_ERR_ZONE_TEXT = 1119,     // UTM zone text unreadable
};

// A reference ellipsoid of the UTM conversion.
struct Ellipsoid {
  std::int32_t id;
  const char* name;
  double equatorialRadius;  // metres
  double eccentricitySquared;
};

inline constexpr int ELLIPSOID_COUNT = 24;
// Row 0 is a placeholder that no lookup returns; the UTM routines take a row
// index 1..23.
extern const Ellipsoid g_ellipsoids[ELLIPSOID_COUNT];

// The row among 1..23 whose name (without trailing blanks) occurs in the text;
// the longest such name wins ("Modified Airy" is not "Airy"). 0 when none does.
int FindEllipsoidByName(const std::string& text);

void SinCos(double angle, double& sine, double& cosine);
double asinz(double value);  // arc sine with the argument clamped to [-1, 1]
double msfnz(double e, double sinphi, double cosphi);
double tsfnz(double e, double phi, double sinphi);
// Latitude whose tsfnz is t; flag 0 on convergence, else flag 2 and result 2.
double phi2z(double e, double t, int& flag);
// Polyconic inverse iteration from phi; 0 on convergence (phi and c hold the
// answer), 4 when it fails.
int phi4z(double eccent, double e0, double e1, double e2, double e3, double a, double b, double& c, double& phi);
double e0fn(double x);
double e1fn(double x);
double e2fn(double x);
double e3fn(double x);
double mlfn(double e0, double e1, double e2, double e3, double phi);
double sign(double x);  // 1 for x >= 0, else -1
// The same longitude in [-pi, pi]; any finite value is brought into range.
double adjust_lon(double x);

// DDDMMSS.SS (the zone tables' form) to DDDMMMSSS.SS.
double AltPackedDmsToPacked(double value);
// DDDMMMSSS.SS to decimal degrees; error 0, or PROJ_ERR_PACKED_ANGLE (result
// 0.0) when degrees exceed 360 or minutes or seconds exceed 60.
double PackedDmsToDegrees(double value, int& error);

// Transverse Mercator on an ellipsoid by Krueger's series in the third
// flattening n (to n^6), accurate to well under a millimetre for points within
// a few thousand kilometres of the central meridian; with n = 0 it is the
// spherical form.
class CTransverseMercator {
 public:
  // a in metres; angles in radians; false easting and northing in metres.
  void Setup(double a, double eccSquared, double k0, double lon0, double lat0, double falseEasting,
             double falseNorthing);
  // Longitude and latitude in radians to x, y in metres.
  int Forward(double lon, double lat, double& x, double& y) const;
  int Inverse(double x, double y, double& lon, double& lat) const;

 private:
  double m_e = 0;   // eccentricity
  double m_es = 0;  // eccentricity squared
  double m_kA = 0;  // k0 times the rectifying radius
  double m_alpha[6] = {};
  double m_beta[6] = {};
  double m_lon0 = 0;
  double m_y0 = 0;  // northing of the latitude of origin on the central meridian
  double m_fe = 0, m_fn = 0;
};

}  // namespace qzn
