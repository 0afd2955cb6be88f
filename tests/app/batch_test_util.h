// Scans for the batch tests (the batch run and its dialog).
#pragma once

#include <string>

#include "raster/tiffio.h"
#include "tests/app/qzndoc_test_util.h"
#include "tests/support/testutil.h"

namespace doctest {

// A 300 x 200 grey scan with one thick horizontal line at y = 100 from
// x = 50 to 250, written as a TIFF; with rgb the same in three planes.
inline std::string WriteLineScan(const qzntest::TempDir& dir, const std::string& name, int rgb = 0) {
  CRasterImage img;
  MakeGrey(img, 300, 200);
  DrawLine(img, 50, 100, 250, 100, 5);
  if (rgb) {
    CRasterImage colour;
    MakeImage(colour, 300, 200, 3, 8, 2);
    for (int p = 0; p < 3; ++p)
      for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) colour.SetPlaneByte(x, y, p, img.GetByte(x, y));
    img.MoveFrom(colour);
  }
  const std::string path = dir.file(name);
  EXPECT_EQ(WriteTiffImage(path, img, 1), 1);
  return path;
}

}  // namespace doctest
