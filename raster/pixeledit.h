// Pixel editing for the image-editing tool: flood fill, thick lines and
// painted areas, each with the record that undoes it. The tool owns the
// records and decides when to replay them.
//
// Two record formats:
//  - CFillRuns: the old and new value of a flood fill and exactly the runs
//    it changed; FillRuns writes the old value back.
//  - CPixelList: pixel positions with their packed old values; SetPixels
//    writes them back. Packing: a 1-bit or one-plane value v is v x 65793
//    (v in bytes 0, 1 and 2); an RGB pixel has planes 0, 1, 2 in bytes 0, 1,
//    2; byte 3 is 0.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/wintypes.h"
#include "raster/rasterimage.h"

namespace qzn {

struct CFillRun {
  std::int32_t row = 0;
  std::int32_t first = 0;  // first column
  std::int32_t last = 0;   // last column, inclusive
};

struct CFillRuns {
  BYTE oldValue = 0;
  BYTE newValue = 0;
  std::vector<CFillRun> runs;
};

struct CPixelEntry {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t value = 0;  // packed old value
};

struct CPixelList {
  std::vector<CPixelEntry> entries;
};

// 4-connected scan-line seed fill (Heckbert's segment stack) from (x, y) in
// plane 0 of an 8-bit image or in a 1-bit image (value 0 or 1). Nothing
// happens (result 1, record untouched) when the seed already has the value.
// Otherwise the record's values are set, its runs replaced by the runs the
// fill wrote, and the whole region is filled: the segment stack grows as
// far as the region needs. Result 0 for a seed outside the image, without
// pixels, for other depths (kUnsupportedImageMemory shown) and when memory runs
// out (kFillAreaNoMemory shown; the pixels are then restored).
int FloodFill(CRasterImage* image, int x, int y, int value, CFillRuns* runs);

// Writes the record's old value into every pixel of its runs (plane 0, or
// the bit), which undoes the fill. Runs outside the image are cut to it.
int FillRuns(CRasterImage* image, const CFillRuns& runs);

// Draws a line from p0 to p1 (both first clamped into the image; the
// caller's points are changed) with max(|dx|, |dy|) + 1 steps, and at each
// step a span of width / 2 pixels either side across the major axis:
// horizontal for lines steeper than 45 degrees, else vertical. Writes value
// into plane 0 of a one-plane 8-bit image, value, green and blue into the
// planes of an RGB image, value != 0 as the bit of a 1-bit image. With a
// list, every pixel's old value is appended before it is written (no pixel
// twice). Result 0 without pixels or for other depths.
int DrawThickLine(CRasterImage* image, POINT& p0, POINT& p1, int width, int value, int green, int blue,
                  CPixelList* list);

// Replaces the list by the packed values of the area's pixels inside the
// image (area: left, top, width, height), row by row. An area with no pixel
// inside leaves the list as it was (result 0). 0 without pixels or when
// memory runs out.
int SavePixels(const CRasterImage* image, const CImageArea& area, CPixelList* list);

// Writes every entry back: the bit of byte 0 for 1-bit images, byte 0 into
// plane 0 of one-plane images, bytes 0, 1, 2 into the planes of RGB images.
// Entries outside the image are skipped.
int SetPixels(CRasterImage* image, const CPixelList& list);

// The packed value of a pixel, as SavePixels stores it.
std::int32_t PackPixel(const CRasterImage& image, int x, int y);

}  // namespace qzn
