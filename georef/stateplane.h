// The United States State Plane Coordinate System: the NAD83 and NAD27 zone
// tables and the converter between geographic coordinates and a zone's plane
// coordinates (transverse Mercator, Lambert conformal conic, polyconic and
// Hotine oblique Mercator).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "georef/projection.h"

namespace qzn {

// One zone of a table. Angles are packed DDDMMSS.SS (west longitudes and south
// latitudes negative); distances are metres.
//   type 1 transverse Mercator: p0 semi-major axis, p1 eccentricity squared,
//          p2 central meridian, p3 scale factor, p6 latitude of origin,
//          p7 false easting, p8 false northing
//   type 2 Lambert conformal conic: p0, p1, p2 central meridian, p3 1.0,
//          p4 and p5 the standard parallels, p6 latitude of origin, p7, p8
//   type 3 polyconic: p0, p1, p2 central meridian, p3 latitude of origin,
//          p4 false easting, p5 false northing
//   type 4 oblique Mercator: p0, p1, p2 longitude of the centre, p3 scale
//          factor, p5 azimuth of the central line, p6 latitude of the centre,
//          p7 and p8 the easting and northing of the centre
//   type 0 the zone is not defined for the table's datum
struct StatePlaneZone {
  const char* name;  // upper case
  std::int32_t type;
  std::int32_t code;  // the published zone number
  double p[9];
};

inline constexpr int STATE_PLANE_ZONE_COUNT = 134;
// Both tables have the same zone in the same position.
extern const StatePlaneZone g_statePlaneNad83[STATE_PLANE_ZONE_COUNT];
extern const StatePlaneZone g_statePlaneNad27[STATE_PLANE_ZONE_COUNT];

// "ALABAMA EAST - 101": the name, " - " and the zone code.
std::string StatePlaneDisplayText(const StatePlaneZone& zone);

class CStatePlane {
 public:
  enum { INVERSE = 0, FORWARD = 1 };

  // The display texts of the NAD83 rows in table order; returns 1.
  static int ListZoneNames(std::vector<std::string>& names);
  // Index of the first NAD83 row whose display text occurs in the text; 0 when
  // none does.
  static int FindZone(const std::string& text);

  // Chooses the zone whose display text occurs in zoneText (any case) from the
  // NAD83 table (nad83 non-zero) or the NAD27 table. Both directions are ready
  // afterwards; the direction argument is accepted for the callers' sake.
  // Returns PROJ_OK; PROJ_NO_ZONE when the text names no zone of that table or
  // the zone is not defined for the datum; PROJ_ERR_PACKED_ANGLE for a
  // malformed angle; or the projection set-up's code (41, 201). On any failure
  // the converter holds no zone and the conversions fail.
  int SetZone(int nad83, const std::string& zoneText, int direction);

  // Longitude, latitude in radians to x, y in metres. PROJ_OK, PROJ_NO_ZONE
  // without a zone, PROJ_ERR_COORDINATE for values not finite or beyond the
  // poles, or the projection's code. Outputs are written only on success.
  int Forward(double lon, double lat, double& x, double& y) const;
  // x, y in metres to longitude, latitude in radians; the same convention.
  int Inverse(double x, double y, double& lon, double& lat) const;

  int Datum() const { return m_nad83; }
  const StatePlaneZone& Zone() const { return m_zone; }
  bool HasZone() const { return m_ready; }

 private:
  void Clear();
  int SetupTransverseMercator(double lon0, double lat0);
  int SetupLambert(double lat1, double lat2, double lonCenter, double latCenter);
  int SetupPolyconic(double lon0, double lat0);
  int SetupObliqueMercator(double azimuth, double lonCenter, double lat0);

  int LambertForward(double lon, double lat, double& x, double& y) const;
  int LambertInverse(double x, double y, double& lon, double& lat) const;
  int PolyconicForward(double lon, double lat, double& x, double& y) const;
  int PolyconicInverse(double x, double y, double& lon, double& lat) const;
  int ObliqueForward(double lon, double lat, double& x, double& y) const;
  int ObliqueInverse(double x, double y, double& lon, double& lat) const;

  int m_nad83 = 1;
  StatePlaneZone m_zone{"", 0, 0, {}};
  bool m_ready = false;

  // Projection constants; each set-up fills those it uses.
  double m_a = 0, m_b = 0, m_k0 = 0;
  double m_lon0 = 0;       // central longitude (oblique Mercator: of the origin)
  double m_lonCenter = 0;  // Lambert and oblique Mercator centre longitude
  double m_lat0 = 0;
  double m_e0 = 0, m_e1 = 0, m_e2 = 0, m_e3 = 0;
  double m_e = 0, m_es = 0;
  double m_ml0 = 0;
  double m_falseNorthing = 0, m_falseEasting = 0;
  double m_ns = 0, m_f0 = 0, m_rh = 0;
  double m_bl = 0, m_al = 0, m_el = 0, m_u = 0;
  double m_sinGamma = 0, m_cosGamma = 0, m_sinAz = 0, m_cosAz = 0;
  CTransverseMercator m_tm;
};

}  // namespace qzn
