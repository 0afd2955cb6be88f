#include "georef/utm.h"

#include <array>
#include <cctype>
#include <cmath>

#include "georef/projection.h"

namespace qzn {

namespace {

constexpr double kUtmScale = 0.9996;
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthingSouth = 10000000.0;

bool RealEllipsoid(int row) { return row >= 1 && row < ELLIPSOID_COUNT && g_ellipsoids[row].equatorialRadius > 0; }

double CentralMeridianDegrees(int zone) { return (zone - 1) * 6 - 180 + 3; }

// The projection of each ellipsoid on central meridian 0 without false
// origin, built once; a zone only shifts the longitude and adds the false
// easting and northing.
const CTransverseMercator& UtmProjection(int ellipsoid) {
  static const auto engines = [] {
    std::array<CTransverseMercator, ELLIPSOID_COUNT> e;
    for (int row = 1; row < ELLIPSOID_COUNT; ++row)
      e[row].Setup(g_ellipsoids[row].equatorialRadius, g_ellipsoids[row].eccentricitySquared, kUtmScale, 0.0, 0.0, 0.0,
                   0.0);
    return e;
  }();
  return engines[ellipsoid];
}

}  // namespace

char UtmLetterDesignator(double lat) {
  if (lat <= 84 && lat >= 72) return 'X';
  if (lat < 72 && lat >= 64) return 'W';
  if (lat < 64 && lat >= 56) return 'V';
  if (lat < 56 && lat >= 48) return 'U';
  if (lat < 48 && lat >= 40) return 'T';
  if (lat < 40 && lat >= 32) return 'S';
  if (lat < 32 && lat >= 24) return 'R';
  if (lat < 24 && lat >= 16) return 'Q';
  if (lat < 16 && lat >= 8) return 'P';
  if (lat < 8 && lat >= 0) return 'N';
  if (lat < 0 && lat >= -8) return 'M';
  if (lat < -8 && lat >= -16) return 'L';
  if (lat < -16 && lat >= -24) return 'K';
  if (lat < -24 && lat >= -32) return 'J';
  if (lat < -32 && lat >= -40) return 'H';
  if (lat < -40 && lat >= -48) return 'G';
  if (lat < -48 && lat >= -56) return 'F';
  if (lat < -56 && lat >= -64) return 'E';
  if (lat < -64 && lat >= -72) return 'D';
  if (lat < -72 && lat >= -80) return 'C';
  return 'Z';
}

int LatLongToUtm(int ellipsoid, double lat, double lon, double& northing, double& easting, char* zone) {
  if (!RealEllipsoid(ellipsoid)) return PROJ_ERR_ELLIPSOID;
  if (!std::isfinite(lat) || !std::isfinite(lon) || std::fabs(lat) > 90.0) return PROJ_ERR_COORDINATE;
  // Longitude into [-180, 180): 180 is -180, and so is 540.
  double L = std::fmod(lon + 180.0, 360.0);
  if (L < 0) L += 360.0;
  L -= 180.0;
  if (L >= 180.0) L = -180.0;  // fmod rounding just below a multiple of 360

  int z = static_cast<int>(std::floor((L + 180.0) / 6.0)) + 1;
  if (z > 60) z = 60;
  if (lat >= 56.0 && lat < 64.0 && L >= 3.0 && L < 12.0) z = 32;
  if (lat >= 72.0 && lat < 84.0) {
    if (L >= 0.0 && L < 9.0)
      z = 31;
    else if (L >= 9.0 && L < 21.0)
      z = 33;
    else if (L >= 21.0 && L < 33.0)
      z = 35;
    else if (L >= 33.0 && L < 42.0)
      z = 37;
  }
  double x = 0, y = 0;
  const int rc = UtmProjection(ellipsoid).Forward((L - CentralMeridianDegrees(z)) * DEG_TO_RAD, lat * DEG_TO_RAD, x, y);
  if (rc != PROJ_OK) return rc;
  easting = x + kFalseEasting;
  northing = lat < 0 ? y + kFalseNorthingSouth : y;
  // "%d%c", written by hand: this runs once per converted vertex.
  int k = 0;
  if (z >= 10) zone[k++] = static_cast<char>('0' + z / 10);
  zone[k++] = static_cast<char>('0' + z % 10);
  zone[k++] = UtmLetterDesignator(lat);
  zone[k] = '\0';
  return PROJ_OK;
}

int UtmToLatLong(int ellipsoid, double northing, double easting, const char* zone, double& lat, double& lon) {
  if (!RealEllipsoid(ellipsoid)) return PROJ_ERR_ELLIPSOID;
  if (zone == nullptr) return PROJ_ERR_ZONE_TEXT;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(zone);
  while (*p == ' ' || *p == '\t') ++p;
  int z = 0, digits = 0;
  while (std::isdigit(*p) && digits < 3) {
    z = z * 10 + (*p - '0');
    ++p;
    ++digits;
  }
  if (digits == 0 || z < 1 || z > 60) return PROJ_ERR_ZONE_TEXT;
  while (*p == ' ' || *p == '\t') ++p;
  const int letter = std::toupper(*p);
  if (letter < 'C' || letter > 'X' || letter == 'I' || letter == 'O') return PROJ_ERR_ZONE_TEXT;
  ++p;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p != '\0') return PROJ_ERR_ZONE_TEXT;
  const bool south = letter < 'N';

  if (!std::isfinite(northing) || !std::isfinite(easting)) return PROJ_ERR_COORDINATE;
  double lonr = 0, latr = 0;
  const int rc = UtmProjection(ellipsoid).Inverse(easting - kFalseEasting,
                                                  south ? northing - kFalseNorthingSouth : northing, lonr, latr);
  if (rc != PROJ_OK) return rc;
  lat = latr * RAD_TO_DEG;
  double degrees = CentralMeridianDegrees(z) + lonr * RAD_TO_DEG;
  if (degrees > 180.0) degrees -= 360.0;
  if (degrees < -180.0) degrees += 360.0;
  lon = degrees;
  return PROJ_OK;
}

}  // namespace qzn
