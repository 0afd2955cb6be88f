// Helpers of the image-file tests: the fixture generator, and the record as
// the picture a viewer shows, for comparison with independent decoders.
#pragma once

#include <filesystem>

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "raster/rasterimage.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace imgtest {

inline const std::string& Python() { return qzntest::Python(); }

inline bool HaveOracle() {
  return qzntest::RunCommand(Python() + " -c 'import PIL, numpy; from osgeo import gdal' >/dev/null 2>&1") == 0;
}

// Runs make_image_fixtures.py for a group into dir; true on success.
inline bool MakeFixtures(const std::string& group, const std::string& dir) {
  const std::string cmd = Python() + " '" + qzntest::SourcePath("tests/raster/make_image_fixtures.py") + "' " + group +
                          " '" + dir + "' 2>&1";
  std::string out;
  const int rc = qzntest::RunCommand(cmd, &out);
  if (rc != 0) std::fprintf(stderr, "%s\n", out.c_str());
  return rc == 0;
}

// Fills a new record of that geometry with pseudo-random pixels (padding bits
// of 1-bit rows clear, as the readers leave them).
inline void MakeTestImage(CRasterImage& img, int w, int h, int bits, int planes, int photometric, unsigned seed = 1) {
  img.width = w;
  img.height = h;
  img.bitsPerSample = bits;
  img.planes = planes;
  img.photometric = photometric;
  ASSERT_EQ(img.AllocPixels(), 1);
  unsigned s = seed;
  for (std::int64_t i = 0; i < img.GetImageBytes(); ++i) {
    s = s * 1103515245u + 12345u;
    img.pixels[i] = static_cast<std::uint8_t>(s >> 16);
  }
  if (bits == 1 && (w & 7))
    for (int y = 0; y < h; ++y)
      img.GetRow(y)[img.GetRowBytes() - 1] &= static_cast<std::uint8_t>(0xFF << (8 - (w & 7)));
}

// The record as 3 bytes a pixel: palettes applied, white-is-zero grey and
// bilevel images turned the right way round.
inline std::vector<std::uint8_t> RenderRgb(const CRasterImage& img) {
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(img.width) * img.height * 3);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      int r, g, b;
      if (img.planes == 3) {
        r = img.GetPlaneByte(x, y, 0);
        g = img.GetPlaneByte(x, y, 1);
        b = img.GetPlaneByte(x, y, 2);
      } else {
        const int v = img.bitsPerSample == 1 ? img.GetBit(x, y) : img.GetByte(x, y);
        if ((img.photometric == 3 || img.photometric == 5) && img.HasPalette()) {
          r = img.red[v];
          g = img.green[v];
          b = img.blue[v];
        } else if (img.bitsPerSample == 1) {
          r = g = b = (img.photometric == 0) == (v == 0) ? 255 : 0;
        } else {
          r = g = b = img.photometric == 0 ? 255 - v : v;
        }
      }
      out.push_back(static_cast<std::uint8_t>(r));
      out.push_back(static_cast<std::uint8_t>(g));
      out.push_back(static_cast<std::uint8_t>(b));
    }
  return out;
}

// The samples plane after plane, one byte each (0/1 at 1 bit), or the
// record's bytes at 16 bits.
inline std::vector<std::uint8_t> RawSamples(const CRasterImage& img) {
  std::vector<std::uint8_t> out;
  if (img.bitsPerSample == 16) {
    out.assign(img.pixels, img.pixels + img.GetImageBytes());
    return out;
  }
  for (int p = 0; p < img.planes; ++p)
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x)
        out.push_back(static_cast<std::uint8_t>(img.bitsPerSample == 1 ? img.GetBit(x, y) : img.GetPlaneByte(x, y, p)));
  return out;
}

// The picture of a file as Pillow shows it, 3 bytes a pixel; or, with raw16,
// its 16-bit samples little-endian. Empty when Pillow cannot read it.
inline std::vector<std::uint8_t> PillowDecode(const std::string& file, bool raw16 = false) {
  const std::string out = file + ".pillow";
  const std::string expr = raw16 ? "np.asarray(im, dtype='<u2').tobytes()" : "im.convert('RGB').tobytes()";
  const std::string cmd = Python() + " -c \"import numpy as np; from PIL import Image; im = Image.open('" + file +
                          "'); open('" + out + "', 'wb').write(" + expr + ")\" 2>/dev/null";
  if (qzntest::RunCommand(cmd) != 0) return {};
  return qzntest::ReadFileBytes(out);
}

// Index of the first difference, or -1.
inline long FirstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size()) return 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return static_cast<long>(i);
  return -1;
}

}  // namespace imgtest
