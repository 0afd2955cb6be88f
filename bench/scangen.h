// Synthetic scans for tests and benchmarks: contour-like lines, straight
// lines, text-like blobs and noise on a white background, at any size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scangen {

struct Options {
  std::int64_t width = 2000;
  std::int64_t height = 1500;
  std::uint32_t seed = 1;
  int contours = -1;      // number of contour lines; -1 picks one from the size
  int minLineWidth = 1;   // pixels
  int maxLineWidth = 4;
  int straightLines = -1;  // -1 picks one from the size
  int textBlobs = -1;
  double noise = 0.0005;  // share of pixels flipped to dark specks
};

// An 8-bit grey image, 0 black, 255 white, rows top first.
struct GreyImage {
  std::int64_t width = 0, height = 0;
  std::vector<std::uint8_t> pixels;
  std::uint8_t at(std::int64_t x, std::int64_t y) const { return pixels[y * width + x]; }
};

GreyImage Generate(const Options& opt);

// Writes a binary PGM (P5); returns false on error.
bool WritePgm(const GreyImage& img, const std::string& path);

}  // namespace scangen
