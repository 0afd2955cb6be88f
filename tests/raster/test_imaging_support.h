// Small helpers for the imaging tests: building images from literal rows and
// running numpy/scipy/skimage/OpenCV scripts on raw pixel files as oracles.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "raster/rasterimage.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace imgtest {

// An 8-bit image (planes x h x w) from bytes in storage order.
inline void Make8(CRasterImage& img, int w, int h, int planes, int photometric,
                  const std::vector<std::uint8_t>& data = {}) {
  img.Free();
  img.width = w;
  img.height = h;
  img.planes = planes;
  img.bitsPerSample = 8;
  img.photometric = photometric;
  ASSERT_EQ(img.AllocPixels(), 1);
  if (!data.empty()) {
    ASSERT_EQ(static_cast<std::int64_t>(data.size()), img.GetImageBytes());
    std::copy(data.begin(), data.end(), img.pixels);
  } else if (img.pixels) {
    std::fill(img.pixels, img.pixels + img.GetImageBytes(), std::uint8_t{0});
  }
}

// A 1-bit image from rows of '#' (set) and '.' (clear).
inline void MakeBits(CRasterImage& img, const std::vector<std::string>& rows, int photometric = 0) {
  img.Free();
  img.width = static_cast<int>(rows.empty() ? 0 : rows[0].size());
  img.height = static_cast<int>(rows.size());
  img.planes = 1;
  img.bitsPerSample = 1;
  img.photometric = photometric;
  ASSERT_EQ(img.AllocPixels(), 1);
  std::fill(img.pixels, img.pixels + img.GetImageBytes(), std::uint8_t{0});
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      if (rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '#') img.SetBit(x, y, 1);
}

inline std::vector<std::string> Bits(const CRasterImage& img) {
  std::vector<std::string> rows;
  for (int y = 0; y < img.height; ++y) {
    std::string r;
    for (int x = 0; x < img.width; ++x) r += img.GetBit(x, y) ? '#' : '.';
    rows.push_back(r);
  }
  return rows;
}

inline std::vector<std::uint8_t> Bytes(const CRasterImage& img) {
  return std::vector<std::uint8_t>(img.pixels, img.pixels + img.GetImageBytes());
}

inline std::vector<std::uint8_t> Random(std::size_t n, std::uint32_t seed, int lo = 0, int hi = 255) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> d(lo, hi);
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(d(rng));
  return v;
}

inline bool HavePy(const std::vector<std::string>& mods) { return qzntest::HavePythonModules(mods); }

// Writes `input` to in.raw, runs the python script with the file names in
// IN and OUT defined, and returns out.raw (empty on failure).
inline std::vector<std::uint8_t> RunPy(const std::string& script, const std::vector<std::uint8_t>& input,
                                       std::string* stdoutText = nullptr) {
  qzntest::TempDir dir;
  const std::string in = dir.file("in.raw"), out = dir.file("out.raw"), py = dir.file("s.py");
  qzntest::WriteFileBytes(in, input);
  qzntest::WriteFileText(py, "import numpy as np\nIN = r'" + in + "'\nOUT = r'" + out + "'\n" + script + "\n");
  std::string text;
  const int rc = qzntest::RunCommand(qzntest::Python() + " '" + py + "' 2>&1", &text);
  if (stdoutText) *stdoutText = text;
  EXPECT_EQ(rc, 0) << text;
  if (rc != 0) return {};
  return qzntest::ReadFileBytes(out);
}

}  // namespace imgtest

#define QZN_REQUIRE_PY(...) QZN_REQUIRE_ORACLE(imgtest::HavePy({__VA_ARGS__}), "python modules " #__VA_ARGS__)
