// The view's display palette and the conversion of a display buffer into
// the bitmap the window shows. The display buffer holds palette indices (or
// blue, green, red bytes for RGB images), bottom row first, rows padded to 4
// bytes; the bitmap is plain RGB, top row first. Indices reach colours only
// through the view's 256 palette entries, so a palette change remaps the
// same buffer without rendering it again.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/wintypes.h"

namespace qzn {

class CRasterImage;

struct PaletteEntry {
  BYTE red = 0, green = 0, blue = 0;
  BYTE flags = 0;  // kPaletteReserved for the entries a preview may change
};
enum : BYTE { kPaletteReserved = 0x01 };
using ViewPalette = std::array<PaletteEntry, 256>;

// The image's display palette (entries beyond `count` are black):
//  1 bit, photometric 0: 2 entries, (200,200,200) and (50,50,50);
//  1 bit, other:         2 entries, (50,50,50) and (200,200,200);
//  8 bit, photometric 1: grey ramp; photometric 0: inverted ramp;
//  other with a colour map: the map; without: the 3-3-2 colour cube.
// Returns the number of entries (2 or 256).
int CreateImagePalette(const CRasterImage& image, ViewPalette& palette);

// An RGB bitmap, 3 bytes a pixel, top row first, no padding.
struct RgbBitmap {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  bool empty() const { return rgb.empty(); }
};

// Converts a display buffer of width x height into `out`. `rgbBuffer`: the
// buffer holds blue, green, red bytes; else palette indices mapped through
// `palette`. Reports kBitmapForDisplayError when the bitmap cannot be made
// (no size or no memory) and kBitmapError when there are no pixels to set;
// in both cases `out` is left empty and false returned, so a bitmap is
// never shown with undefined pixels.
bool CreateBitmapFromDib(const BYTE* bits, int width, int height, bool rgbBuffer, const ViewPalette& palette,
                         RgbBitmap& out);

}  // namespace qzn
