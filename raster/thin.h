// Thinning of a 0/1 foreground mask to one-pixel-wide skeletons, for
// centre-line tracing.
//
// The result is the one of two-subiteration parallel thinning with the keep
// tables below: a pass with table A over the rectangle, then a pass with
// table B, and again, until neither deletes a pixel. Inside a pass every
// decision reads the mask as it was before the pass. Only the inside of the
// rectangle changes; its outermost rows and columns are read, never written.
#pragma once

#include <array>
#include <cstdint>

#include "platform/wintypes.h"

namespace qzn {

class CRasterImage;

// Keep tables indexed by the 8-neighbourhood of a set pixel: bit 0 east,
// 1 north-east, 2 north, 3 north-west, 4 west, 5 south-west, 6 south,
// 7 south-east. Entry 0 deletes the pixel.
//
// With n set neighbours and t the 0-to-1 transitions met going once round
// them (E, NE, N, NW, W, SW, S, SE, back to E), a pixel is deleted when
// 3 <= n <= 7 and t = 1 and, for table A, N*E*S = 0 and N*E*W = 0 (it lies on
// a north or east edge), for table B, N*S*W = 0 and E*S*W = 0 (south or west).
// A pixel with one set neighbour, or two next to each other, is the end of a
// line and stays.
struct CThinTables {
  std::array<BYTE, 256> a{};
  std::array<BYTE, 256> b{};
};
const CThinTables& GetThinTables();

// Thins the 0/1 mask (8-bit plane 0 or 1-bit) inside the inclusive rectangle
// (clipped to the image) in place. A rectangle or image less than 3 pixels
// wide or high is left as it is. Result 1, or 0 for other depths or when work
// memory cannot be had (the image is then unchanged). Drives the status
// progress bar.
int Thin(CRasterImage& image, const RECT& inclusiveRect);

}  // namespace qzn
