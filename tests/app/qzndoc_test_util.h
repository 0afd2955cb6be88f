// Small images for the workspace document tests: grey and bilevel scans
// with thick dark lines drawn into them.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "app/qzndoc.h"
#include "model/chain.h"
#include "raster/rasterimage.h"

using namespace qzn;

namespace doctest {

// An image of that geometry with zeroed pixels.
inline void MakeImage(CRasterImage& img, int w, int h, int planes, int bits, int photometric) {
  img.Init();
  img.width = w;
  img.height = h;
  img.planes = planes;
  img.bitsPerSample = bits;
  img.photometric = photometric;
  ASSERT_TRUE(img.AllocPixels());
  std::memset(img.pixels, 0, static_cast<std::size_t>(img.GetImageBytes()));
}

// An 8-bit grey image filled with the white of its photometric code.
inline void MakeGrey(CRasterImage& img, int w, int h, int photometric = 1, int paper = -1) {
  MakeImage(img, w, h, 1, 8, photometric);
  std::memset(img.pixels,
              paper >= 0         ? paper
              : photometric == 0 ? 0
                                 : 255,
              static_cast<std::size_t>(img.GetImageBytes()));
}

// A disc-brush line of the given width in the black of the image's code.
inline void DrawLine(CRasterImage& img, double x0, double y0, double x1, double y1, double width, int ink = -1) {
  const BYTE black = ink >= 0 ? static_cast<BYTE>(ink) : img.photometric == 0 ? 255 : 0;
  const double r = width / 2.0;
  const int minX = std::max(0, static_cast<int>(std::floor(std::min(x0, x1) - r - 1)));
  const int maxX = std::min(img.width - 1, static_cast<int>(std::ceil(std::max(x0, x1) + r + 1)));
  const int minY = std::max(0, static_cast<int>(std::floor(std::min(y0, y1) - r - 1)));
  const int maxY = std::min(img.height - 1, static_cast<int>(std::ceil(std::max(y0, y1) + r + 1)));
  const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
  for (int y = minY; y <= maxY; ++y)
    for (int x = minX; x <= maxX; ++x) {
      double t = len2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0.0;
      t = std::clamp(t, 0.0, 1.0);
      const double ex = x0 + t * dx - x, ey = y0 + t * dy - y;
      if (ex * ex + ey * ey <= r * r) img.SetByte(x, y, black);
    }
}

// Vertices of every line of a list, in list order.
inline std::vector<std::vector<CFPoint>> Vertices(const CChainList& list) {
  std::vector<std::vector<CFPoint>> out;
  for (POSITION pos = list.GetHeadPosition(); pos;) {
    const CChain* c = list.GetNext(pos);
    out.emplace_back(c->Points().begin(), c->Points().end());
  }
  return out;
}

// Distance from p to the segment a-b.
inline double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(ax + t * dx - px, ay + t * dy - py);
}

}  // namespace doctest
