// Makes qzn.bmp, the product picture that the about box paints: a scanned
// map sheet turning into vector lines. Drawn here so the picture needs no
// image editor and stays in step with the DIB writer the program uses.
// Usage: qzn_make_picture OUTPUT.bmp
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "raster/dib.h"
#include "raster/imagefile.h"

namespace {

using qzn::BYTE;

constexpr int kWidth = 240, kHeight = 120;

struct Canvas {
  std::vector<BYTE> rgb = std::vector<BYTE>(std::size_t{kWidth} * kHeight * 3);
  void Set(int x, int y, BYTE r, BYTE g, BYTE b) {
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return;
    BYTE* p = &rgb[(std::size_t(y) * kWidth + x) * 3];
    p[0] = r, p[1] = g, p[2] = b;
  }
  void Dot(double x, double y, int radius, BYTE r, BYTE g, BYTE b) {
    for (int dy = -radius; dy <= radius; ++dy)
      for (int dx = -radius; dx <= radius; ++dx)
        if (dx * dx + dy * dy <= radius * radius) Set(int(std::lround(x)) + dx, int(std::lround(y)) + dy, r, g, b);
  }
};

// Height of the little landscape whose contours the picture shows.
double Height(double x, double y) {
  const double a = std::exp(-((x - 70) * (x - 70) + (y - 55) * (y - 55)) / 1400.0);
  const double b = std::exp(-((x - 150) * (x - 150) + (y - 75) * (y - 75)) / 2200.0);
  return 100 * a + 80 * b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qzn_make_picture OUTPUT.bmp\n");
    return 2;
  }
  Canvas c;
  // Left: the scan, paper with grey contour bands; right: white, the same
  // contours as black lines with their vertices, split by a slanted edge.
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const bool scan = x < 120 + (y - 60) / 3;
      const double h = Height(x, y);
      const double frac = std::fmod(h, 15.0);
      if (scan) {
        const bool line = h > 8 && (frac < 1.6 || frac > 13.4);
        const BYTE paper = BYTE(236 - (x * 7 + y * 13) % 9);  // paper grain
        if (line)
          c.Set(x, y, 110, 84, 60);
        else
          c.Set(x, y, paper, BYTE(paper - 8), BYTE(paper - 28));
      } else {
        c.Set(x, y, 255, 255, 255);
      }
    }
  for (int y = 1; y < kHeight - 1; ++y)
    for (int x = 1; x < kWidth - 1; ++x) {
      if (x < 120 + (y - 60) / 3) continue;
      // A contour crosses this pixel when the level changes towards a neighbour.
      const int level = int(Height(x, y) / 15);
      if (Height(x, y) > 8 && (int(Height(x + 1, y) / 15) != level || int(Height(x, y + 1) / 15) != level))
        c.Set(x, y, 0, 0, 0);
      if ((x * 31 + y * 17) % 211 == 0 && int(Height(x + 1, y) / 15) != level) c.Dot(x, y, 1, 200, 0, 0);
    }
  // The edge between scan and lines, and a frame.
  for (int y = 0; y < kHeight; ++y) c.Set(120 + (y - 60) / 3, y, 40, 90, 170);
  for (int x = 0; x < kWidth; ++x) c.Set(x, 0, 40, 90, 170), c.Set(x, kHeight - 1, 40, 90, 170);
  for (int y = 0; y < kHeight; ++y) c.Set(0, y, 40, 90, 170), c.Set(kWidth - 1, y, 40, 90, 170);

  const qzn::CDeviceBitmap bitmap{kWidth, kHeight, 1, 24, c.rgb.data()};
  std::unique_ptr<qzn::CDib, void (*)(qzn::HDIB)> dib(qzn::BitmapToDibHandle(bitmap, nullptr), qzn::FreeDib);
  if (!dib || qzn::SaveDibAsBmp(dib.get(), argv[1]) != 0) {
    std::fprintf(stderr, "qzn_make_picture: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
