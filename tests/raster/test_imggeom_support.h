// Pictures for the geometry and combination tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "tests/raster/test_imaging_support.h"

using namespace qzn;

namespace imgtest {

// A textured grey picture with detail at several scales and no zeros (a 0
// would count as "nothing here" to the template search).
inline void Texture(CRasterImage& img, int w, int h, std::uint32_t seed) {
  Make8(img, w, h, 1, 1);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> phase(0, 6.28), noise(-12, 12);
  const double p1 = phase(rng), p2 = phase(rng), p3 = phase(rng);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double v = 128 + 50 * std::sin(x / 23.0 + y / 41.0 + p1) + 35 * std::cos(x / 9.3 - y / 13.7 + p2) +
                       20 * std::sin((x + 2 * y) / 4.1 + p3) + noise(rng);
      img.SetByte(x, y, static_cast<BYTE>(std::clamp(v, 1.0, 255.0)));
    }
}

}  // namespace imgtest
