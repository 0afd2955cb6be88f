// What the DEM settings dialog hands to the USGS DEM writer: the unit codes,
// the quadrangle name, the four corners and the spatial resolution.
#pragma once

#include <string>

namespace qzn {

struct CDemSettings {
  // Both carry the dialog's ground unit code. The file's planimetric
  // coordinates are image pixels, not a ground system, so the writer keeps
  // its own codes (see docs/terrain.md).
  int groundUnits = 2;
  int elevationUnits = 2;
  // UTF-8; written in the Chinese code page, cut at 144 bytes on a
  // character boundary.
  std::string name = "BOSTON-E";
  // Corners 0 to 3: (left, top), (right, top), (left, bottom), (right,
  // bottom) of the extent by default, in image pixels.
  float cornerX[4] = {0, 0, 0, 0};
  float cornerY[4] = {0, 0, 0, 0};
  float resolution = 1.0f;  // the grid's cell size
};

}  // namespace qzn
