// Geographic coordinates (decimal degrees, east and north positive) to and
// from Universal Transverse Mercator (metres, zone text such as "17S") on one
// of the reference ellipsoids of g_ellipsoids.
#pragma once

namespace qzn {

// The latitude band letter: C..X (no I, O), X including 84; 'Z' outside
// [-80, 84].
char UtmLetterDesignator(double latitude);

// ellipsoid: row 1..23 of g_ellipsoids. Longitudes of any value are brought
// into [-180, 180); the zone follows the Norway and Svalbard exceptions. zone
// receives "%d%c" (zone number and band letter) and must hold 16 characters.
// Returns PROJ_OK, PROJ_ERR_ELLIPSOID or PROJ_ERR_COORDINATE (latitude beyond
// the poles, values not finite); outputs are written only on success.
int LatLongToUtm(int ellipsoid, double latitude, double longitude, double& northing, double& easting, char* zone);

// The zone is taken from the text: a number 1..60 and a band letter C..X (no
// I, O) in either case; letters below N are southern. Returns PROJ_OK,
// PROJ_ERR_ELLIPSOID, PROJ_ERR_ZONE_TEXT (no number, number out of range, no
// or an unknown letter) or PROJ_ERR_COORDINATE; outputs are written only on
// success.
int UtmToLatLong(int ellipsoid, double northing, double easting, const char* zone, double& latitude, double& longitude);

}  // namespace qzn
