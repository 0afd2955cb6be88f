// The colour ramps of the 3D view and the VRML export: 256 entries of red,
// green and blue in 0 to 1, indexed by height above the lowest point.
#pragma once

#include <array>
#include <vector>

namespace qzn {

using CRampColor = std::array<float, 3>;

enum class RampType : int {
  grey = 1,     // black to white
  terrain = 5,  // water blue through green and brown to a pale top
};

// count entries of the ramp (the view and the exports use 256).
std::vector<CRampColor> BuildColorRamp(int count, RampType type);

// The entry of a height (0 at the lowest point) in a grid whose heights span
// range: 256 x height / range, at most 255. A flat grid (range 0) and a
// height that is no number take entry 0.
int RampIndex(float height, float range);

}  // namespace qzn
