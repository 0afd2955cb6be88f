// Neighbourhood filters of the image menu, the segmentation command and the
// batch script. All work in place one row at a time from copies of the
// neighbouring rows as they were, so every output pixel is computed from the
// image as it was before the operation; none copies the whole image.
//
// Each returns 1 when done and 0 when it does not apply to the image or a row
// buffer cannot be allocated (the image is then untouched); callers show the
// message.
//
// After the 8-bit filters the outermost rows and columns of each processed
// plane are set to the image's white (255 when photometric is non-zero, else
// 0).
#pragma once

#include <cstdint>

#include "platform/wintypes.h"

namespace qzn {

class CRasterImage;

// Every plane of an 8-bit image: the truncated mean of the 3 x 3
// neighbourhood (palette indices are averaged like grey values).
int MeanFilter(CRasterImage& image);

// Grey images: 255 - min(|4c - n - w - e - s|, 255).
int SobelFilter(CRasterImage& image);

// Grey images: with g = max(|c - e|, |c - s|), 255 - 2g when 2g < 255, else 0
// (rows 0 to height - 2, columns 0 to width - 2).
int GradientMagnitude(CRasterImage& image);

// Running minimum over a window of k pixels centred on each pixel (from
// i - k/2 to i - k/2 + k - 1, cut at the ends of the row or column), along
// the rows (PropagateEdges) or the columns (PropagateEdges2) of plane 0 of an
// 8-bit image. On a white-background image a window of 3 spreads dark pixels
// by one pixel each way. k below 1 is taken as 1.
int PropagateEdges(CRasterImage& image, int k);
int PropagateEdges2(CRasterImage& image, int k);
// The same on one line of samples (in and out may be the same buffer).
void RunningMin(const BYTE* in, BYTE* out, std::int64_t n, int k);

// 1-bit images, by a look-up of the pixel's 8-neighbourhood (bit 0 east,
// 1 north-east, 2 north, 3 north-west, 4 west, 5 south-west, 6 south,
// 7 south-east, each 1 when that neighbour is foreground). Foreground is the
// image's dark value: set bits when photometric is 0, clear bits otherwise.
// A background pixel becomes foreground when all five pixels of one side are
// foreground; a foreground pixel is removed when its foreground neighbours all
// lie within three pixels of one side (none included). So isolated pixels and
// one-pixel bumps go and one-pixel notches are filled. Rows and columns 1 to
// size - 2 change; the outermost ones keep their values. Drives the status
// progress bar per row.
int Despeckle(CRasterImage& image);
// The despeckle tables: entry i for a background pixel (fill) and for a
// foreground pixel (keep).
const BYTE* DespeckleFillTable();
const BYTE* DespeckleKeepTable();

// 1-bit images: a pixel becomes set when 5 or more of its 8 neighbours are
// set, keeps its value when exactly 4 are, and is cleared when 3 or fewer
// are; the same rows and columns as Despeckle.
int SmoothBilevel(CRasterImage& image);

// Smallest and largest value of plane 0 of an 8-bit image in the rectangle
// (right and bottom exclusive, clipped to the image); an empty rectangle
// gives 255 and 0. Other images leave the outputs untouched (result 0).
int GetGreyRange(const CRasterImage& image, const RECT& rect, int& smallest, int& largest);

}  // namespace qzn
