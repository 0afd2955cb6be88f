#include "terrain/colorramp.h"

#include <algorithm>
#include <cmath>

namespace qzn {

std::vector<CRampColor> BuildColorRamp(int count, RampType type) {
  std::vector<CRampColor> ramp(static_cast<std::size_t>(std::max(count, 0)));
  // Values on a 0 to 255 scale, divided by 256 at the end.
  auto set = [&](int i, double r, double g, double b) {
    ramp[static_cast<std::size_t>(i)] = {static_cast<float>(r / 256.0), static_cast<float>(g / 256.0),
                                         static_cast<float>(b / 256.0)};
  };
  for (int i = 0; i < count; ++i) {
    if (type == RampType::grey) {
      const double v = static_cast<double>(static_cast<long long>(i) * 255 / count);
      set(i, v, v, v);
      continue;
    }
    // Terrain: four bands; the last band runs on one more step to the top
    // entry, which makes it a pale blue-white (175, 250, 255).
    if (i < 25) {
      const double k = i;
      set(i, 10 + 1.6 * k, 50 + 2 * k, 100 + 6.2 * k);
    } else if (i < 50) {
      const double k = i - 25;
      set(i, 50 + 2 * k, 100 + 6.2 * k, 255 - 6.2 * k);
    } else if (i < 150) {
      const double k = i - 50;
      set(i, 150 + k, 255 - 1.55 * k, 50);
    } else {
      const double k = std::min(i - 150, 105);
      set(i, 255 - 0.7619047619047619 * k, 60 + 1.8095238095238095 * k, 10 + 2.3333333333333335 * k);
    }
  }
  return ramp;
}

int RampIndex(float height, float range) {
  if (!(range > 0.0f) || !(height > 0.0f)) return 0;
  const double e = 256.0 * static_cast<double>(height) / static_cast<double>(range);
  return e >= 255.0 ? 255 : static_cast<int>(e);
}

}  // namespace qzn
